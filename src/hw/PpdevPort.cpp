#include "PpdevPort.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "SteadySpin.h"

namespace {
int SysOpen(const char* path, int flags) { return ::open(path, flags); }
int SysIoctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }
int SysClose(int fd) { return ::close(fd); }

std::string OpenFailure(const std::string& device, int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return device + ": no such parallel port device (is the parport_pc module loaded?)";
    case EACCES:
    case EPERM:
        return device + ": no permission to open it (the user needs the group of the device, usually lp)";
    case EBUSY:
        return device + ": the port is claimed by another program";
    default:
        return device + ": " + std::strerror(error);
    }
}

std::string ClaimFailure(const std::string& device, int error) {
    switch (error) {
    case EBUSY:
        return device + ": the port is claimed by another program";
    case ENOTTY:
    case EINVAL:
        return device + ": not a parallel port device";
    default:
        return device + ": cannot claim the port: " + std::strerror(error);
    }
}
}  // namespace

PpdevCalls SystemPpdevCalls() {
    PpdevCalls calls;
    calls.open = SysOpen;
    calls.ioctl = SysIoctl;
    calls.close = SysClose;
    return calls;
}

PortOpenResult CPpdevPort::Open(const std::string& device, uint16_t basePort, const PpdevCalls& calls) {
    errno = 0;
    const int fd = calls.open(device.c_str(), O_RDWR);
    if (fd < 0) return PortOpenResult::Failure(OpenFailure(device, errno));

    // Exclusive access: the bus lines must not move under another driver between our writes.
    if (calls.ioctl(fd, PPEXCL, nullptr) < 0 || calls.ioctl(fd, PPCLAIM, nullptr) < 0) {
        const int error = errno;
        calls.close(fd);
        return PortOpenResult::Failure(ClaimFailure(device, error));
    }
    // Seed the cache with what the port drives now, so the untouched bits stay as they are.
    unsigned char data = 0;
    if (calls.ioctl(fd, PPRDATA, &data) < 0) data = 0;

    PortOpenResult result;
    result.io = std::make_unique<CPpdevPort>(fd, calls, basePort, data);
    result.description = "ppdev:" + device;
    return result;
}

CPpdevPort::CPpdevPort(int fd, const PpdevCalls& calls, uint16_t base, uint8_t data)
    : m_fd(fd), m_calls(calls), m_base(base), m_data(data) {}

CPpdevPort::~CPpdevPort() {
    m_calls.ioctl(m_fd, PPRELEASE, nullptr);
    m_calls.close(m_fd);
}

uint8_t CPpdevPort::PortRead(uint16_t port) {
    unsigned char value = 0xFF;
    switch (static_cast<uint16_t>(port - m_base)) {
    case 0:
        return m_data;
    case 1:
        if (m_calls.ioctl(m_fd, PPRSTATUS, &value) < 0) value = 0xFF;
        return value;
    case 2:
        if (m_calls.ioctl(m_fd, PPRCONTROL, &value) < 0) value = 0xFF;
        return value;
    default:
        return 0xFF;
    }
}

void CPpdevPort::PortWrite(uint16_t port, uint8_t value) {
    unsigned char byte = value;
    switch (static_cast<uint16_t>(port - m_base)) {
    case 0:
        m_data = value;
        m_calls.ioctl(m_fd, PPWDATA, &byte);
        break;
    case 2:
        m_calls.ioctl(m_fd, PPWCONTROL, &byte);
        break;
    default:
        break;  // the status register is read-only
    }
}

void CPpdevPort::Spin(uint32_t count) { SpinSteady(count); }

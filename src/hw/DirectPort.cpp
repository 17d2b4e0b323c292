#include "DirectPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ORVANE_HAVE_PORT_IO 1
#endif

#include "SteadySpin.h"

namespace {
#ifdef ORVANE_HAVE_PORT_IO
int SysIoperm(unsigned long from, unsigned long count, int on) { return ::ioperm(from, count, on); }
uint8_t SysInb(uint16_t port) { return ::inb(port); }
void SysOutb(uint8_t value, uint16_t port) { ::outb(value, port); }
#endif

std::string PortText(uint16_t base) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", base);
    return text;
}
}  // namespace

DirectCalls SystemDirectCalls() {
    DirectCalls calls;
#ifdef ORVANE_HAVE_PORT_IO
    calls.ioperm = SysIoperm;
    calls.inb = SysInb;
    calls.outb = SysOutb;
#endif
    return calls;
}

PortOpenResult CDirectPort::Open(uint16_t basePort, const DirectCalls& calls, unsigned long registerCount,
                                 const char* instead) {
    if (calls.ioperm == nullptr || calls.inb == nullptr || calls.outb == nullptr)
        return PortOpenResult::Failure(std::string("direct port access exists only on x86 processors; use ") + instead);
    errno = 0;
    if (calls.ioperm(basePort, registerCount, 1) < 0) {
        const int error = errno;
        if (error == EPERM || error == EACCES)
            return PortOpenResult::Failure("direct access to port " + PortText(basePort) +
                                           " needs root (CAP_SYS_RAWIO); use " + instead);
        return PortOpenResult::Failure("direct access to port " + PortText(basePort) +
                                       " refused: " + std::strerror(error));
    }
    PortOpenResult result;
    result.io = std::make_unique<CDirectPort>(calls, basePort, registerCount);
    result.description = "direct at " + PortText(basePort);
    return result;
}

CDirectPort::CDirectPort(const DirectCalls& calls, uint16_t base, unsigned long registerCount)
    : m_calls(calls), m_base(base), m_count(registerCount) {}

CDirectPort::~CDirectPort() {
    if (m_granted) m_calls.ioperm(m_base, m_count, 0);
}

bool CDirectPort::Granted(uint16_t port) const { return m_granted && static_cast<uint16_t>(port - m_base) < m_count; }

uint8_t CDirectPort::PortRead(uint16_t port) { return Granted(port) ? m_calls.inb(port) : 0xFF; }

void CDirectPort::PortWrite(uint16_t port, uint8_t value) {
    if (Granted(port)) m_calls.outb(value, port);
}

void CDirectPort::Spin(uint32_t count) { SpinSteady(count); }

void CDirectPort::SetBasePort(uint16_t base) {
    if (m_granted && base == m_base) return;
    if (m_granted) m_calls.ioperm(m_base, m_count, 0);
    m_base = base;
    m_granted = m_calls.ioperm(m_base, m_count, 1) == 0;
}

#include "TtyUart.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "SteadySpin.h"

namespace {

// The speeds a tty can be set to that a divisor of the 1.8432 MHz crystal also gives.
constexpr std::array<std::pair<uint32_t, speed_t>, 15> SPEEDS{{
    {115200, B115200},
    {57600, B57600},
    {38400, B38400},
    {19200, B19200},
    {9600, B9600},
    {4800, B4800},
    {2400, B2400},
    {1800, B1800},
    {1200, B1200},
    {600, B600},
    {300, B300},
    {200, B200},
    {150, B150},
    {75, B75},
    {50, B50},
}};

// B0 when the divisor gives no speed the tty knows: the tty then keeps its speed.
speed_t SpeedForDivisor(uint16_t divisor) {
    if (divisor == 0 || uart::DIVISOR_CLOCK % divisor != 0) return B0;
    for (const auto& [rate, speed] : SPEEDS) {
        if (rate == uart::DIVISOR_CLOCK / divisor) return speed;
    }
    return B0;
}

tcflag_t Framing(uint8_t lcr) {
    constexpr std::array<tcflag_t, 4> SIZES{CS5, CS6, CS7, CS8};
    tcflag_t flags = SIZES[lcr & uart::LCR_WORD_MASK];
    if ((lcr & uart::LCR_TWO_STOP) != 0) flags |= CSTOPB;
    if ((lcr & uart::LCR_PARITY) != 0) {
        flags |= PARENB;
        if ((lcr & uart::LCR_EVEN) == 0) flags |= PARODD;
        if ((lcr & 0x20) != 0) flags |= CMSPAR;  // stick parity
    }
    return flags;
}

PortOpenResult Refused(const std::string& device, const char* what, int error) {
    return PortOpenResult::Failure(device + ": " + what + ": " + std::strerror(error));
}

}  // namespace

PortOpenResult CTtyUart::Open(const std::string& device, uint16_t base) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Refused(device, "cannot open the serial device", errno);
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        const int error = errno;
        ::close(fd);
        return Refused(device, "not a serial device", error);
    }
    // Raw bytes both ways: a canonical tty would hold the echo back until a line end.
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        const int error = errno;
        ::close(fd);
        return Refused(device, "cannot set raw mode", error);
    }
    // A UART holds one received byte, not whatever piled up before the server started.
    ::tcflush(fd, TCIFLUSH);
    PortOpenResult result;
    result.io = std::make_unique<CTtyUart>(fd, base);
    result.description = "tty:" + device;
    return result;
}

CTtyUart::CTtyUart(int fd, uint16_t base) : m_fd(fd), m_base(base) {}

CTtyUart::~CTtyUart() { ::close(m_fd); }

void CTtyUart::Spin(uint32_t count) { SpinSteady(count); }

uint8_t CTtyUart::PortRead(uint16_t port) {
    const auto offset = static_cast<uint16_t>(port - m_base);
    if (offset == uart::LSR) return LineStatus();
    if (offset == uart::DATA && !m_registers.Dlab()) return ReceiveByte();
    return m_registers.Read(offset);
}

void CTtyUart::PortWrite(uint16_t port, uint8_t value) {
    switch (m_registers.Write(static_cast<uint16_t>(port - m_base), value)) {
    case uart::RegisterFile::Effect::Transmit:
        TransmitByte(value);
        return;
    case uart::RegisterFile::Effect::LineSettings:
        ApplyLineSettings();
        return;
    case uart::RegisterFile::Effect::ModemControl:
        ApplyModemControl();
        return;
    case uart::RegisterFile::Effect::None:
        return;
    }
}

uint8_t CTtyUart::LineStatus() {
    const uint64_t start = NowNs();
    FlushHolding();
    uint8_t status = 0;
    pollfd ready{m_fd, POLLIN, 0};
    if (::poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN) != 0) status |= uart::LSR_DATA_READY;
    if (!m_holding) {
        status |= uart::LSR_THR_EMPTY;
        // A tty that cannot tell its queue (a pseudo-terminal says 0) counts as drained. Once
        // drained it stays so until the next write, which spares the echo wait a system call.
        int queued = 0;
        if (!m_drained) m_drained = ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0;
        if (m_drained) status |= uart::LSR_TX_EMPTY;
    }
    if ((status & uart::LSR_DATA_READY) == 0) {
        const uint64_t spent = NowNs() - start;
        const uint64_t wanted = uint64_t{EMPTY_READ_SPIN} * 10;
        if (spent < wanted) SpinSteady(static_cast<uint32_t>((wanted - spent) / 10));
    }
    return status;
}

uint8_t CTtyUart::ReceiveByte() {
    uint8_t byte = 0;
    if (::read(m_fd, &byte, 1) == 1) m_rbr = byte;
    return m_rbr;
}

// Like the holding register, a byte the tty would not take waits there, and the line status
// says the transmitter is busy until it has gone.
void CTtyUart::TransmitByte(uint8_t value) {
    FlushHolding();
    m_holding = value;  // a write over a full holding register replaces it, as on the chip
    FlushHolding();
}

void CTtyUart::FlushHolding() {
    if (!m_holding) return;
    const uint8_t byte = *m_holding;
    const ssize_t written = ::write(m_fd, &byte, 1);
    if (written == 1) m_drained = false;
    // Only a full queue keeps the byte; a device that has gone loses it, as a line would.
    if (written == 1 || (written < 0 && errno != EAGAIN && errno != EINTR)) m_holding.reset();
}

// The divisor and framing take effect when the divisor latch is closed again.
void CTtyUart::ApplyLineSettings() {
    if (m_registers.Dlab()) return;
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0) return;
    settings.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    settings.c_cflag |= Framing(m_registers.Lcr());
    const speed_t speed = SpeedForDivisor(m_registers.Divisor());
    if (speed != B0) {
        ::cfsetispeed(&settings, speed);
        ::cfsetospeed(&settings, speed);
    }
    ::tcsetattr(m_fd, TCSANOW, &settings);
}

// A pseudo-terminal has no modem lines and refuses (ENOTTY); that is no fault of the link.
void CTtyUart::ApplyModemControl() {
    int on = 0;
    int off = 0;
    const uint8_t mcr = m_registers.Mcr();
    ((mcr & uart::MCR_DTR) != 0 ? on : off) |= TIOCM_DTR;
    ((mcr & uart::MCR_RTS) != 0 ? on : off) |= TIOCM_RTS;
    if (on != 0) (void)::ioctl(m_fd, TIOCMBIS, &on);
    if (off != 0) (void)::ioctl(m_fd, TIOCMBIC, &off);
}

// The UART register emulation over a real pseudo-terminal pair: the link drives the slave end
// as if it were the serial port, and the test reads and answers at the master end.

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "CoderBackend.h"
#include "CoderLink.h"
#include "TtyUart.h"

namespace {

class TtyUart : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        device = name;
        PortOpenResult opened = OpenHardwareCoder({CoderKind::Tty, device});
        ASSERT_TRUE(opened.Ok()) << opened.error;
        EXPECT_EQ(opened.description, "tty:" + device);
        port = std::move(opened.io);
    }
    void TearDown() override {
        port.reset();
        ::close(slave);
        ::close(master);
    }
    [[nodiscard]] termios SlaveSettings() const {
        termios settings{};
        EXPECT_EQ(::tcgetattr(slave, &settings), 0);
        return settings;
    }
    // Writes the divisor and then the line control, as a program setting up the UART does.
    void SetLine(uint16_t divisor, uint8_t lcr) {
        port->PortWrite(0x3FB, 0x80);
        port->PortWrite(0x3F8, static_cast<uint8_t>(divisor & 0xFF));
        port->PortWrite(0x3F9, static_cast<uint8_t>(divisor >> 8));
        port->PortWrite(0x3FB, lcr);
    }

    int master = -1, slave = -1;
    std::string device;
    std::unique_ptr<IPortIo> port;
};

// Reads at the master end until count bytes came (or a bound passed), sending each one back
// at once when echo is set.
std::string PeerReads(int master, std::size_t count, bool echo) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0) continue;
        char bytes[64];
        const ssize_t n = ::read(master, bytes, sizeof bytes);
        if (n <= 0) continue;
        got.append(bytes, static_cast<std::size_t>(n));
        if (echo) {
            EXPECT_EQ(::write(master, bytes, static_cast<std::size_t>(n)), n);
        }
    }
    return got;
}

// Notes how each echo wait ended. With a peer given, each character is also answered at the
// master end before the wait begins, so that the answer does not hang on the scheduler.
class CStatusCounter : public IPortIo {
public:
    explicit CStatusCounter(IPortIo& inner) : m_inner(inner) {}
    [[nodiscard]] uint8_t PortRead(uint16_t port) override {
        const uint8_t value = m_inner.PortRead(port);
        if (port == 0x3FD && waiting) lastStatus = value;
        if (port == 0x3F8 && waiting) {
            endedByEcho.push_back((lastStatus & 0x01) != 0);
            waiting = false;
        }
        return value;
    }
    void PortWrite(uint16_t port, uint8_t value) override {
        m_inner.PortWrite(port, value);
        if (port == 0x3FB) dlab = (value & 0x80) != 0;
        if (port != 0x3F8 || dlab) return;
        waiting = true;
        if (peerMaster >= 0) Answer();
    }
    void Spin(uint32_t count) override { m_inner.Spin(count); }

    std::vector<bool> endedByEcho;
    bool waiting = false;
    bool dlab = false;
    uint8_t lastStatus = 0;
    int peerMaster = -1, peerSlave = -1;
    std::string peerGot;

private:
    // The peer reads the byte and sends it back; the wait begins once it is at the slave end.
    void Answer() {
        const std::string byte = PeerReads(peerMaster, 1, true);
        peerGot += byte;
        pollfd arrived{peerSlave, POLLIN, 0};
        EXPECT_EQ(::poll(&arrived, 1, 10000), 1);
    }

    IPortIo& m_inner;
};

}  // namespace

TEST_F(TtyUart, InitSetsNineSixHundredEightNOneRaw) {
    CCoderLink link(port.get());
    link.Init();
    const termios s = SlaveSettings();
    EXPECT_EQ(::cfgetospeed(&s), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetispeed(&s), static_cast<speed_t>(B9600));
    EXPECT_EQ(s.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(s.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(s.c_cflag & CLOCAL, 0u);
    // Raw: no line editing, no echo by the tty, no flow control, no output translation.
    EXPECT_EQ(s.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(s.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(s.c_oflag & OPOST, 0u);
    EXPECT_EQ(s.c_cc[VMIN], 0);
}

TEST_F(TtyUart, DivisorAndLineControlBecomeSpeedAndFraming) {
    struct Case {
        uint16_t divisor;
        uint8_t lcr;
        speed_t speed;
        tcflag_t framing;  // the CSTOPB and PARODD bits expected
    };
    // A pseudo-terminal keeps every character 8 bits wide without parity whatever it is told,
    // so of the framing only the stop bits and the parity sense can be read back here.
    const std::vector<Case> cases = {
        {12, 0x03, B9600, 0},      {1, 0x1F, B115200, CSTOPB},  // 8 bits, even parity, two stop bits
        {96, 0x0A, B1200, PARODD},                              // 7 bits, odd parity
        {3, 0x07, B38400, CSTOPB}, {7, 0x03, B38400, 0},  // 16457 bit/s is no tty speed: the speed stays as it was
    };
    for (const Case& c : cases) {
        SetLine(c.divisor, c.lcr);
        const termios s = SlaveSettings();
        EXPECT_EQ(::cfgetospeed(&s), c.speed) << c.divisor;
        EXPECT_EQ(s.c_cflag & (CSTOPB | PARODD), c.framing) << c.divisor;
        EXPECT_EQ(port->PortRead(0x3FB), c.lcr);
    }
}

TEST_F(TtyUart, PeerReadsTheTextAndItsEchoEndsEachWait) {
    CStatusCounter counter(*port);
    counter.peerMaster = master;
    counter.peerSlave = slave;
    CCoderLink link(&counter);
    link.Init();
    const std::string text = "PI=C201\nTA=1";
    const CoderSendResult result = link.Send(text);
    // The divisor written during set-up never reached the line as data.
    EXPECT_EQ(counter.peerGot, "PI=C201\rTA=1");
    EXPECT_EQ(result.sent, text.size());
    ASSERT_EQ(counter.endedByEcho.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i) EXPECT_TRUE(counter.endedByEcho[i]) << i;
}

TEST_F(TtyUart, PeerThatNeverAnswersStillGetsTheWholeText) {
    CStatusCounter counter(*port);
    CCoderLink link(&counter);
    link.Init();
    EXPECT_EQ(link.Send("PI=C201\nTP=1\n").sent, 13u);
    EXPECT_EQ(PeerReads(master, 13, false), "PI=C201\rTP=1\r");
    EXPECT_EQ(counter.endedByEcho, std::vector<bool>(13, false));
}

TEST(TtyUartOpen, RefusesWhatIsNotATty) {
    const PortOpenResult missing = CTtyUart::Open("/nonexistent/ttyS0");
    EXPECT_FALSE(missing.Ok());
    EXPECT_NE(missing.error.find("/nonexistent/ttyS0"), std::string::npos);
    const PortOpenResult file = CTtyUart::Open("/dev/null");
    EXPECT_FALSE(file.Ok());
    EXPECT_NE(file.error.find("not a serial device"), std::string::npos);
}

// The port backends named by the --bus option. Without a parallel port on the
// test machine the ppdev and direct backends run against recorders of their system calls;
// the open-failure paths also run against the real system where that is safe.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "DirectPort.h"
#include "I2cPort.h"
#include "PortBackend.h"
#include "PpdevPort.h"
#include "SimPortOpen.h"

namespace {
// Stand-ins for the parport driver and the port instructions, recording what reaches them.
struct Fakes {
    int openErrno = 0, claimErrno = 0, iopermErrno = 0;
    uint8_t data = 0x28, status = 0x5F, control = 0x0C;  // what the port drives when opened
    std::vector<std::pair<unsigned long, int>> ioctls;   // request, byte written (-1 for none)
    std::vector<std::string> direct;
    bool closed = false;
} g;

int Fail(int error) { return errno = error, -1; }
int FakeOpen(const char*, int) { return g.openErrno != 0 ? Fail(g.openErrno) : 42; }
int FakeClose(int fd) {
    g.closed = fd == 42;
    return 0;
}
int FakeIoctl(int fd, unsigned long request, void* arg) {
    auto* byte = static_cast<uint8_t*>(arg);
    if (fd != 42 || (request == PPCLAIM && g.claimErrno != 0)) return Fail(fd != 42 ? EBADF : g.claimErrno);
    const bool write = request == PPWDATA || request == PPWCONTROL;
    g.ioctls.push_back({request, write ? *byte : -1});
    uint8_t& reg = request == PPWDATA || request == PPRDATA ? g.data : request == PPRSTATUS ? g.status : g.control;
    if (byte != nullptr) write ? reg = *byte : * byte = reg;
    return 0;
}
int FakeIoperm(unsigned long from, unsigned long count, int on) {
    g.direct.push_back("ioperm " + std::to_string(from) + " " + std::to_string(count) + " " + std::to_string(on));
    return g.iopermErrno != 0 ? Fail(g.iopermErrno) : 0;
}
uint8_t FakeInb(uint16_t port) {
    g.direct.push_back("inb " + std::to_string(port));
    return static_cast<uint8_t>(port);
}
void FakeOutb(uint8_t value, uint16_t port) {
    g.direct.push_back("outb " + std::to_string(value) + " " + std::to_string(port));
}
const PpdevCalls kPpdev{FakeOpen, FakeIoctl, FakeClose};
const DirectCalls kDirect{FakeIoperm, FakeInb, FakeOutb};

bool Mentions(const std::string& text, const char* words) { return text.find(words) != std::string::npos; }
using Ioctls = std::vector<std::pair<unsigned long, int>>;
}  // namespace

TEST(PpdevBackend, OpenFailuresSayWhyAndLeaveNothingOpen) {
    struct Case {
        int openErrno, claimErrno;
        const char* reason;
    };
    for (const Case c : {Case{ENOENT, 0, "no such parallel port device"}, Case{EACCES, 0, "no permission"},
                         Case{0, EBUSY, "claimed by another program"}, Case{0, ENOTTY, "not a parallel port"}}) {
        g = Fakes{};
        g.openErrno = c.openErrno;
        g.claimErrno = c.claimErrno;
        const PortOpenResult result = CPpdevPort::Open("/dev/parport3", 0x378, kPpdev);
        EXPECT_TRUE(!result.Ok() && Mentions(result.error, c.reason) && Mentions(result.error, "/dev/parport3"))
            << result.error;
        EXPECT_EQ(g.closed, c.claimErrno != 0) << result.error;
    }
    // The real system: a missing device, and a plain file that is no parallel port.
    EXPECT_TRUE(
        Mentions(OpenHardwarePort({BusKind::Ppdev, "/nonexistent/parport9"}).error, "no such parallel port device"));
    const std::string plain = std::filesystem::temp_directory_path() /
                              ("orvane-not-a-port-" + std::to_string(::getpid()));
    std::ofstream(plain) << "x";
    EXPECT_TRUE(Mentions(OpenHardwarePort({BusKind::Ppdev, plain}).error, "not a parallel port device"));
    std::filesystem::remove(plain);
}

TEST(PpdevBackend, RegistersMapToTheirIoctlsAndTheDataRegisterIsCached) {
    g = Fakes{};
    PortOpenResult result = CPpdevPort::Open("/dev/parport0", 0x378, kPpdev);
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.description, "ppdev:/dev/parport0");
    EXPECT_EQ(g.ioctls, (Ioctls{{PPEXCL, -1}, {PPCLAIM, -1}, {PPRDATA, -1}}));
    g.ioctls.clear();
    IPortIo& io = *result.io;
    EXPECT_EQ(io.PortRead(0x378), 0x28);  // what the port drove at open
    io.PortWrite(0x378, 0x05);
    io.PortWrite(0x379, 0x00);
    io.PortWrite(0x37A, 0x21);  // the status register is read-only
    EXPECT_EQ((std::vector<int>{io.PortRead(0x378), io.PortRead(0x379), io.PortRead(0x37A), io.PortRead(0x37B)}),
              (std::vector<int>{0x05, 0x5F, 0x21, 0xFF}));
    io.SetBasePort(0x278);
    EXPECT_EQ((std::vector<int>{io.PortRead(0x279), io.PortRead(0x379)}), (std::vector<int>{0x5F, 0xFF}));
    result.io.reset();
    EXPECT_EQ(
        g.ioctls,
        (Ioctls{
            {PPWDATA, 0x05}, {PPWCONTROL, 0x21}, {PPRSTATUS, -1}, {PPRCONTROL, -1}, {PPRSTATUS, -1}, {PPRELEASE, -1}}));
    EXPECT_TRUE(g.closed);
}

TEST(DirectBackend, RefusedWithAReasonElsePortsInsideTheGrantedBlockOnly) {
    EXPECT_TRUE(Mentions(CDirectPort::Open(0x378, DirectCalls{}).error, "only on x86"));
    g = Fakes{};
    g.iopermErrno = EPERM;
    const std::string refused = CDirectPort::Open(0x378, kDirect).error;
    EXPECT_TRUE(Mentions(refused, "needs root") && Mentions(refused, "0x378")) << refused;

    g = Fakes{};
    PortOpenResult result = CDirectPort::Open(0x378, kDirect);
    ASSERT_TRUE(result.Ok()) << result.error;
    IPortIo& io = *result.io;
    EXPECT_EQ(io.PortRead(0x379), 0x79);
    io.PortWrite(0x378, 0x04);
    EXPECT_EQ(io.PortRead(0x37B), 0xFF);  // outside the grant: no instruction issued
    io.SetBasePort(0x278);
    io.PortWrite(0x27A, 0x01);
    g.iopermErrno = EPERM;
    io.SetBasePort(0x3BC);
    EXPECT_EQ(io.PortRead(0x3BD), 0xFF);
    result.io.reset();
    EXPECT_EQ(g.direct, (std::vector<std::string>{"ioperm 888 3 1", "inb 889", "outb 4 888", "ioperm 888 3 0",
                                                  "ioperm 632 3 1", "outb 1 634", "ioperm 632 3 0", "ioperm 956 3 1"}));
}

TEST(DirectBackend, SerialPortTakesItsEightRegistersAndPointsToATtyWhenRefused) {
    g = Fakes{};
    g.iopermErrno = EPERM;
    const std::string refused = CDirectPort::Open(0x3F8, kDirect, 8, "tty:/dev/ttyS0").error;
    EXPECT_TRUE(Mentions(refused, "0x3F8") && Mentions(refused, "tty:/dev/ttyS0")) << refused;
    g = Fakes{};
    PortOpenResult result = CDirectPort::Open(0x3F8, kDirect, 8, "tty:/dev/ttyS0");
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.io->PortRead(0x3FD), 0xFD);  // the line status, inside the grant
    EXPECT_EQ(result.io->PortRead(0x400), 0xFF);
    result.io.reset();
    EXPECT_EQ(g.direct, (std::vector<std::string>{"ioperm 1016 8 1", "inb 1021", "ioperm 1016 8 0"}));
}

TEST(SimBackend, OpensInMemoryOrOnAFileOfTheChipsBytesInTheWorkingFolder) {
    EXPECT_TRUE(OpenSimPort("", "/nonexistent").Ok());
    BusOption option;
    std::string refused;  // names the forms it takes
    EXPECT_FALSE(ParseBusOption("parallel", option, refused));
    EXPECT_TRUE(Mentions(refused, "parallel") && Mentions(refused, "sim:FILE") && Mentions(refused, "ppdev:DEVICE"))
        << refused;
    const auto dir = std::filesystem::temp_directory_path() / ("orvane-bus-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    PortOpenResult onFile = OpenSimPort("eeprom.sim", dir.string(), 0x278);
    ASSERT_TRUE(onFile.Ok()) << onFile.error;
    EXPECT_TRUE(Mentions(onFile.description, "eeprom.sim"));
    EXPECT_EQ(std::filesystem::file_size(dir / "eeprom.sim"), 4096u);  // a blank part, read back below
    CI2cPort bus(onFile.io.get());
    bus.SetBasePort(0x278);
    ASSERT_TRUE(bus.Open());
    EXPECT_EQ(bus.ReadByte(0x0FFF), 0xFF);
    EXPECT_FALSE(bus.AckError());
    std::ofstream(dir / "short.sim") << "PS=ORVANE\n";
    EXPECT_TRUE(Mentions(OpenSimPort("short.sim", dir.string()).error, "4096"));
    EXPECT_EQ(std::filesystem::file_size(dir / "short.sim"), 10u);  // refused, not overwritten
    // A good file that cannot be replaced (its temporary name is taken) would drop every write.
    std::filesystem::copy_file(dir / "eeprom.sim", dir / "stuck.sim");
    std::filesystem::create_directory(dir / "stuck.sim.tmp");
    EXPECT_TRUE(Mentions(OpenSimPort("stuck.sim", dir.string()).error, "cannot be rewritten"));
    std::filesystem::remove_all(dir);
}

// The --bus option and the real parallel-port backends. Without a parallel port on the
// test machine the ppdev and direct backends run against recorders of their system calls;
// the open-failure paths also run against the real system where that is safe.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "DirectPort.h"
#include "I2cPort.h"
#include "PortBackend.h"
#include "PpdevPort.h"
#include "SimPortFactory.h"

namespace {
// ---- a recorder standing in for the parport driver ----
struct FakeParport {
    int openErrno = 0;
    int claimErrno = 0;
    uint8_t data = 0x28;     // what the port drives when opened
    uint8_t status = 0x5F;
    uint8_t control = 0x0C;
    std::vector<std::pair<unsigned long, int>> calls;  // request, byte written (-1 for none)
    bool closed = false;
};
FakeParport g_parport;

int FakeOpen(const char*, int) {
    if (g_parport.openErrno != 0) {
        errno = g_parport.openErrno;
        return -1;
    }
    return 42;
}
int FakeIoctl(int fd, unsigned long request, void* arg) {
    EXPECT_EQ(fd, 42);
    auto* byte = static_cast<unsigned char*>(arg);
    if (request == PPCLAIM && g_parport.claimErrno != 0) {
        errno = g_parport.claimErrno;
        return -1;
    }
    const bool writes = request == PPWDATA || request == PPWCONTROL;
    g_parport.calls.push_back({request, writes ? *byte : -1});
    if (request == PPWDATA) g_parport.data = *byte;
    if (request == PPWCONTROL) g_parport.control = *byte;
    if (request == PPRDATA) *byte = g_parport.data;
    if (request == PPRSTATUS) *byte = g_parport.status;
    if (request == PPRCONTROL) *byte = g_parport.control;
    return 0;
}
int FakeClose(int) {
    g_parport.closed = true;
    return 0;
}
PpdevCalls FakePpdev() {
    g_parport = FakeParport{};
    return {FakeOpen, FakeIoctl, FakeClose};
}

// ---- a recorder standing in for the port instructions ----
struct FakePorts {
    int iopermErrno = 0;
    std::vector<std::string> calls;
};
FakePorts g_ports;

int FakeIoperm(unsigned long from, unsigned long count, int on) {
    g_ports.calls.push_back("ioperm " + std::to_string(from) + " " + std::to_string(count) + " " + std::to_string(on));
    if (g_ports.iopermErrno != 0) {
        errno = g_ports.iopermErrno;
        return -1;
    }
    return 0;
}
uint8_t FakeInb(uint16_t port) {
    g_ports.calls.push_back("inb " + std::to_string(port));
    return static_cast<uint8_t>(port & 0xFF);
}
void FakeOutb(uint8_t value, uint16_t port) {
    g_ports.calls.push_back("outb " + std::to_string(value) + " " + std::to_string(port));
}
DirectCalls FakeDirect() {
    g_ports = FakePorts{};
    return {FakeIoperm, FakeInb, FakeOutb};
}

bool Mentions(const std::string& text, const char* words) { return text.find(words) != std::string::npos; }
}  // namespace

TEST(BusOption, AcceptedAndRefusedForms) {
    struct Case {
        const char* text;
        bool ok;
        BusKind kind;
        const char* path;
    };
    const Case cases[] = {
        {"sim", true, BusKind::Sim, ""},
        {"sim:eeprom.sim", true, BusKind::Sim, "eeprom.sim"},
        {"sim:/var/lib/orvane/e2.bin", true, BusKind::Sim, "/var/lib/orvane/e2.bin"},
        {"ppdev:/dev/parport1", true, BusKind::Ppdev, "/dev/parport1"},
        {"direct", true, BusKind::Direct, ""},
        {"", false, BusKind::Sim, ""},
        {"sim:", false, BusKind::Sim, ""},
        {"ppdev:", false, BusKind::Sim, ""},
        {"ppdev", false, BusKind::Sim, ""},
        {"Direct", false, BusKind::Sim, ""},
        {"tty:/dev/ttyS0", false, BusKind::Sim, ""},
    };
    for (const Case& c : cases) {
        BusOption option;
        std::string error;
        EXPECT_EQ(ParseBusOption(c.text, option, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(option.kind, c.kind) << c.text;
            EXPECT_EQ(option.path, c.path) << c.text;
        } else {
            EXPECT_TRUE(Mentions(error, "sim:FILE") && Mentions(error, "ppdev:DEVICE")) << error;
        }
    }
}

TEST(PpdevBackend, OpenFailuresSayWhy) {
    struct Case {
        int openErrno, claimErrno;
        const char* reason;
    };
    for (const Case c : {Case{ENOENT, 0, "no such parallel port device"}, Case{EACCES, 0, "no permission"},
                         Case{0, EBUSY, "claimed by another program"}, Case{0, ENOTTY, "not a parallel port"}}) {
        const PpdevCalls calls = FakePpdev();
        g_parport.openErrno = c.openErrno;
        g_parport.claimErrno = c.claimErrno;
        const PortOpenResult result = CPpdevPort::Open("/dev/parport3", 0x378, calls);
        EXPECT_FALSE(result.Ok());
        EXPECT_TRUE(Mentions(result.error, c.reason) && Mentions(result.error, "/dev/parport3")) << result.error;
        EXPECT_EQ(g_parport.closed, c.claimErrno != 0) << result.error;  // nothing left open
    }
}

TEST(PpdevBackend, RealSystemRefusesMissingDevicesAndPlainFiles) {
    PortOpenResult missing = OpenPortBackend("ppdev:/nonexistent/parport9", "");
    EXPECT_FALSE(missing.Ok());
    EXPECT_TRUE(Mentions(missing.error, "no such parallel port device")) << missing.error;

    const std::string plain = (std::filesystem::temp_directory_path() /
                               ("orvane-not-a-port-" + std::to_string(::getpid()))).string();
    std::ofstream(plain) << "x";
    PortOpenResult file = OpenPortBackend("ppdev:" + plain, "");
    EXPECT_FALSE(file.Ok());
    EXPECT_TRUE(Mentions(file.error, "not a parallel port device")) << file.error;
    std::filesystem::remove(plain);
}

TEST(PpdevBackend, RegistersMapToTheirIoctls) {
    const PpdevCalls calls = FakePpdev();
    PortOpenResult result = CPpdevPort::Open("/dev/parport0", 0x378, calls);
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.description, "ppdev:/dev/parport0");
    IPortIo& io = *result.io;
    using Calls = std::vector<std::pair<unsigned long, int>>;
    EXPECT_EQ(g_parport.calls, (Calls{{PPEXCL, -1}, {PPCLAIM, -1}, {PPRDATA, -1}}));

    g_parport.calls.clear();
    EXPECT_EQ(io.PortRead(0x378), 0x28);  // what the port drove at open, from the cache
    io.PortWrite(0x378, 0x05);
    EXPECT_EQ(io.PortRead(0x378), 0x05);
    EXPECT_EQ(io.PortRead(0x379), 0x5F);
    io.PortWrite(0x379, 0x00);  // read-only: goes nowhere
    io.PortWrite(0x37A, 0x21);
    EXPECT_EQ(io.PortRead(0x37A), 0x21);
    EXPECT_EQ(io.PortRead(0x37B), 0xFF);
    io.SetBasePort(0x278);
    EXPECT_EQ(io.PortRead(0x279), 0x5F);
    EXPECT_EQ(io.PortRead(0x379), 0xFF);
    EXPECT_EQ(g_parport.calls, (Calls{{PPWDATA, 0x05}, {PPRSTATUS, -1}, {PPWCONTROL, 0x21}, {PPRCONTROL, -1},
                                      {PPRSTATUS, -1}}));

    // The bus master over it: Close clears the three low bits one by one, keeping the rest.
    g_parport.calls.clear();
    g_parport.status = 0x80 | 0x40;
    CI2cPort bus(&io);
    io.PortWrite(0x378, 0xAF);
    g_parport.calls.clear();
    bus.Close();
    EXPECT_EQ(g_parport.calls, (Calls{{PPWDATA, 0xAE}, {PPWDATA, 0xAC}, {PPWDATA, 0xA8}}));

    g_parport.calls.clear();
    result.io.reset();
    EXPECT_EQ(g_parport.calls, (Calls{{PPRELEASE, -1}}));
    EXPECT_TRUE(g_parport.closed);
}

TEST(DirectBackend, OpenFailuresSayWhy) {
    DirectCalls none;
    PortOpenResult noPorts = CDirectPort::Open(0x378, none);
    EXPECT_FALSE(noPorts.Ok());
    EXPECT_TRUE(Mentions(noPorts.error, "only on x86")) << noPorts.error;

    const DirectCalls calls = FakeDirect();
    g_ports.iopermErrno = EPERM;
    PortOpenResult refused = CDirectPort::Open(0x378, calls);
    EXPECT_FALSE(refused.Ok());
    EXPECT_TRUE(Mentions(refused.error, "needs root") && Mentions(refused.error, "0x378")) << refused.error;
}

TEST(DirectBackend, PortsInsideTheGrantedBlockOnly) {
    const DirectCalls calls = FakeDirect();
    PortOpenResult result = CDirectPort::Open(0x378, calls);
    ASSERT_TRUE(result.Ok()) << result.error;
    IPortIo& io = *result.io;
    EXPECT_EQ(io.PortRead(0x379), 0x79);
    io.PortWrite(0x378, 0x04);
    EXPECT_EQ(io.PortRead(0x37B), 0xFF);  // outside the grant: no instruction issued
    io.SetBasePort(0x278);
    io.PortWrite(0x27A, 0x01);
    g_ports.iopermErrno = EPERM;
    io.SetBasePort(0x3BC);
    EXPECT_EQ(io.PortRead(0x3BD), 0xFF);
    result.io.reset();
    const std::vector<std::string> expected = {
        "ioperm 888 3 1", "inb 889",        "outb 4 888", "ioperm 888 3 0", "ioperm 632 3 1",
        "outb 1 634",     "ioperm 632 3 0", "ioperm 956 3 1",
    };
    EXPECT_EQ(g_ports.calls, expected);
}

TEST(SimBackend, OpensInMemoryOrOnAFileInTheWorkingFolder) {
    PortOpenResult memory = OpenPortBackend("sim", "/nonexistent");
    ASSERT_TRUE(memory.Ok()) << memory.error;

    const auto dir = std::filesystem::temp_directory_path() / ("orvane-bus-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    PortOpenResult onFile = OpenPortBackend("sim:eeprom.sim", dir.string(), 0x278);
    ASSERT_TRUE(onFile.Ok()) << onFile.error;
    EXPECT_EQ(std::filesystem::file_size(dir / "eeprom.sim"), 4096u);
    EXPECT_TRUE(Mentions(onFile.description, "eeprom.sim"));

    CI2cPort bus(onFile.io.get());
    bus.SetBasePort(0x278);
    ASSERT_TRUE(bus.Open());
    EXPECT_EQ(bus.ReadByte(0x0000), 0xFF);
    EXPECT_FALSE(bus.AckError());

    PortOpenResult bad = OpenPortBackend("parallel", dir.string());
    EXPECT_FALSE(bad.Ok());
    EXPECT_TRUE(Mentions(bad.error, "parallel"));
    std::filesystem::remove_all(dir);
}

// The simulated interface and X24C32, driven register by register by a plain I2C master
// written here: SDA moves only while SCL is low, one line per register write.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "SimParallelPort.h"

namespace {
constexpr uint16_t kData = 0x378;
constexpr uint16_t kStatus = 0x379;

class Master {
public:
    explicit Master(CSimParallelPort& port) : m_port(port) {}

    bool Request() {
        Set(true, true);
        for (int i = 0; i < 1000; ++i)
            if ((m_port.PortRead(kStatus) & 0x40) == 0) return true;
        return false;
    }
    void Release() { m_port.PortWrite(kData, 0x00); }
    void Set(bool sda, bool scl) {
        m_port.PortWrite(kData, static_cast<uint8_t>(0x04 | (sda ? 0 : 1) | (scl ? 0 : 2)));
        m_sda = sda;
        m_scl = scl;
    }
    void Start() {
        if (!m_scl) Set(true, false);
        Set(true, true);
        Set(false, true);
        Set(false, false);
    }
    void Stop() {
        Set(false, false);
        Set(false, true);
        Set(true, true);
    }
    bool Send(uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) Clock((byte >> bit & 1) != 0);
        Set(true, false);
        Set(true, true);
        const bool ack = (m_port.PortRead(kStatus) & 0x80) == 0;
        Set(true, false);
        return ack;
    }
    uint8_t Receive(bool ack) {
        uint8_t byte = 0;
        Set(true, false);
        for (int bit = 0; bit < 8; ++bit) {
            Set(true, true);
            byte = static_cast<uint8_t>(byte << 1 | ((m_port.PortRead(kStatus) & 0x80) != 0));
            Set(true, false);
        }
        Clock(!ack);
        Set(true, false);
        return byte;
    }
    bool WriteBytes(uint16_t address, std::initializer_list<uint8_t> bytes) {
        Start();
        bool ok = Send(Device(address)) && Send(address & 0xFF);
        for (uint8_t b : bytes) ok = ok && Send(b);
        Stop();
        return ok;
    }
    std::vector<int> ReadBytes(uint16_t address, int count) {
        std::vector<int> out;
        Start();
        if (!Send(Device(address)) || !Send(address & 0xFF)) return {-1};
        Start();
        if (!Send(Device(address) | 1)) return {-2};
        for (int i = 0; i < count; ++i) out.push_back(Receive(i + 1 < count));
        Stop();
        return out;
    }
    static uint8_t Device(uint16_t address) { return static_cast<uint8_t>(0xA0 | (address >> 8 & 0x0F) << 1); }

private:
    void Clock(bool bit) {
        Set(bit, false);
        Set(bit, true);
        Set(bit, false);
    }

    CSimParallelPort& m_port;
    bool m_sda = true, m_scl = true;
};

constexpr uint32_t kSpinPerMs = 100'000;  // 10 ns per count

class Chip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(master.Request()); }
    CSimParallelPort port;
    Master master{port};
};
}  // namespace

TEST_F(Chip, PageWriteThenSequentialRead) {
    ASSERT_TRUE(master.WriteBytes(0x0345, {0x11, 0x22, 0x33}));
    EXPECT_EQ(port.Chip().WriteCycles(), 1u);
    port.Spin(5 * kSpinPerMs);
    EXPECT_EQ(master.ReadBytes(0x0345, 3), (std::vector<int>{0x11, 0x22, 0x33}));
    EXPECT_EQ(port.Chip().Bytes()[0x0344], 0xFF);
    EXPECT_EQ(port.Chip().Bytes()[0x0348], 0xFF);
}

TEST_F(Chip, OnlyItsOwnDeviceBytesAreAcknowledged) {
    struct Case {
        uint8_t device;
        bool ack;
    };
    for (const Case c : {Case{0xA0, true}, Case{0xAF, true}, Case{0xBE, true}, Case{0xBF, true},
                         Case{0x50, false}, Case{0x9E, false}, Case{0xC0, false}, Case{0xFE, false}}) {
        master.Start();
        EXPECT_EQ(master.Send(c.device), c.ack) << std::hex << int(c.device);
        if (c.device & 1) (void)master.Receive(false);
        master.Stop();
    }
}

TEST_F(Chip, WriteCycleRefusesTheDeviceForFiveMilliseconds) {
    ASSERT_TRUE(master.WriteBytes(0x0010, {0x01}));
    master.Start();
    EXPECT_FALSE(master.Send(0xA0));
    master.Stop();
    port.Spin(49 * kSpinPerMs / 10);  // 4.9 ms, plus well under 0.1 ms of register accesses
    master.Start();
    EXPECT_FALSE(master.Send(0xA0));
    master.Stop();
    port.Spin(kSpinPerMs / 10);
    master.Start();
    EXPECT_TRUE(master.Send(0xA0));
    master.Stop();
}

TEST_F(Chip, TransferCutByTheRequestLineWritesNothing) {
    master.Start();
    ASSERT_TRUE(master.Send(0xA0));
    ASSERT_TRUE(master.Send(0x20));
    ASSERT_TRUE(master.Send(0x99));
    master.Release();
    EXPECT_EQ(port.PortRead(kStatus) & 0x40, 0x40);
    ASSERT_TRUE(master.Request());
    master.Stop();  // a stop after the bus came back belongs to no transfer
    EXPECT_EQ(port.Chip().WriteCycles(), 0u);
    EXPECT_EQ(port.Chip().Bytes()[0x20], 0xFF);
}

TEST_F(Chip, ClockAndDataChangingInOneWriteIsAClockEdge) {
    port.Chip().Poke(0x0007, 0x6D);
    ASSERT_TRUE(master.WriteBytes(0x0007, {}));  // sets the address pointer only
    EXPECT_EQ(port.Chip().WriteCycles(), 0u);
    master.Start();
    // 0xA1, each 1 bit raised together with the clock from SDA low, SCL low.
    for (int bit = 7; bit >= 0; --bit) {
        const bool one = (0xA1 >> bit & 1) != 0;
        master.Set(false, false);
        master.Set(one, true);
        master.Set(false, false);
    }
    master.Set(true, false);
    master.Set(true, true);
    EXPECT_EQ(port.PortRead(kStatus) & 0x80, 0);  // acknowledged, so no start was seen
    master.Set(true, false);
    EXPECT_EQ(master.Receive(false), 0x6D);
    master.Stop();
}

TEST(Interface, ReadyComesShortlyAfterTheRequestAndTheBusIsGatedByIt) {
    CSimParallelPort port;
    Master master(port);
    // Without a request the master's lines do not reach the chip.
    master.Set(true, true);
    port.PortWrite(kData, 0x00);
    EXPECT_FALSE(master.WriteBytes(0x0001, {0x42}));
    port.PortWrite(kData, 0x00);
    EXPECT_EQ(port.Chip().WriteCycles(), 0u);

    port.PortWrite(kData, 0x04);
    EXPECT_EQ(port.PortRead(kStatus) & 0x40, 0x40);
    int reads = 1;
    while ((port.PortRead(kStatus) & 0x40) != 0 && reads < 1000) ++reads;
    EXPECT_GT(reads, 1);
    EXPECT_LT(reads, 100);
    EXPECT_EQ(port.PortRead(kStatus) & 0x3F, CSimParallelPort::STATUS_IDLE_BITS);
    EXPECT_EQ(port.PortRead(kData), 0x04);
}

TEST(Interface, SilentInterfaceNeverAnswers) {
    CSimParallelPort port;
    port.SetInterfaceSilent(true);
    Master master(port);
    EXPECT_FALSE(master.Request());
    EXPECT_FALSE(master.WriteBytes(0x0001, {0x42}));
    EXPECT_EQ(port.Chip().WriteCycles(), 0u);
}

// ---- the content file ----

class ContentFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("orvane-sim-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        file = (dir / "eeprom.sim").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    static std::vector<uint8_t> Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::filesystem::path dir;
    std::string file;
};

TEST_F(ContentFile, NewFileIsABlankPartAndEveryWriteReachesIt) {
    CSimParallelPort port;
    std::string error;
    ASSERT_TRUE(port.Chip().AttachFile(file, error)) << error;
    EXPECT_EQ(Slurp(file), std::vector<uint8_t>(CSimEeprom::SIZE, 0xFF));

    Master master(port);
    ASSERT_TRUE(master.Request());
    ASSERT_TRUE(master.WriteBytes(0x0FFE, {0x12}));
    std::vector<uint8_t> want(CSimEeprom::SIZE, 0xFF);
    want[0x0FFE] = 0x12;
    EXPECT_EQ(Slurp(file), want);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    CSimParallelPort restarted;
    ASSERT_TRUE(restarted.Chip().AttachFile(file, error)) << error;
    EXPECT_EQ(restarted.Chip().Bytes()[0x0FFE], 0x12);
    EXPECT_EQ(port.Chip().SaveFailures(), 0);
}

TEST_F(ContentFile, FileOfAnotherSizeIsLeftAlone) {
    {
        std::ofstream out(file, std::ios::binary);
        out << "PS=ORVANE\n";
    }
    CSimEeprom chip;
    std::string error;
    EXPECT_FALSE(chip.AttachFile(file, error));
    EXPECT_NE(error.find("4096"), std::string::npos) << error;
    EXPECT_EQ(Slurp(file).size(), 10u);
}


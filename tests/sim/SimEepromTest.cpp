// The simulated interface and X24C32, driven register by register by a plain I2C master
// written here: SDA moves only while SCL is low, one line per register write.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <sstream>

#include "SimParallelPort.h"

namespace {
// Plays a bus script: "S" start (repeated if the clock is low), "P" stop, "A6" a byte out,
// "R+"/"R-" a byte in with or without acknowledge. Gives "+"/"-" for each byte out's
// acknowledge and the hex of each byte in. The chip must take a write that moves SDA and SCL
// together as one clock edge, never as a start or stop.
std::string Drive(CSimParallelPort& port, const std::string& script, bool request = true) {
    bool scl = true;
    auto set = [&](bool sda, bool clock) {
        port.PortWrite(0x378, static_cast<uint8_t>((request ? 0x04 : 0) | (sda ? 0 : 1) | (clock ? 0 : 2)));
        scl = clock;
    };
    // One bit out, and the SDA level seen while SCL was high.
    auto bit = [&](bool b) {
        set(b, false);
        set(b, true);
        const bool level = (port.PortRead(0x379) & 0x80) != 0;
        set(b, false);
        return level;
    };
    std::istringstream in(script);
    std::ostringstream out;
    for (std::string t; in >> t;) {
        int value = 0;
        if (t == "S") {
            if (!scl) set(true, false);  // a repeated start
            set(true, true);
            set(false, true);
            set(false, false);
        } else if (t == "P") {
            set(false, false);
            set(false, true);
            set(true, true);
        } else if (t[0] == 'R') {
            for (int i = 0; i < 8; ++i) value = value << 1 | bit(true);
            bit(t[1] == '-');
            out << std::hex << std::uppercase << std::setfill('0') << std::setw(2) << value << ' ';
        } else {  // "=A7": each bit goes up and down together with the clock, one write each way
            const bool together = t[0] == '=';
            value = std::stoi(t.substr(together), nullptr, 16);
            for (int i = 7; i >= 0; --i) {
                const bool b = (value >> i & 1) != 0;
                if (together) {
                    set(false, false);
                    set(b, true);
                    set(false, false);
                } else bit(b);
            }
            out << (bit(true) ? '-' : '+');
        }
    }
    return out.str();
}

// Raises the request and counts the status reads until the interface is ready (0: never).
int Request(CSimParallelPort& port) {
    port.PortWrite(0x378, 0x04);
    for (int reads = 1; reads <= 1000; ++reads)
        if ((port.PortRead(0x379) & 0x40) == 0) return reads;
    return 0;
}
}  // namespace

TEST(SimChip, AnswersItsOwnDeviceBytesOnlyAndTakesPageWritesAndSequentialReads) {
    CSimParallelPort port;
    ASSERT_GT(Request(port), 0);
    EXPECT_EQ(Drive(port, "S A0 P S AE P S BE P S 50 P S 9E P S C0 P"), "+++---");
    EXPECT_EQ(Drive(port, "S A6 45 11 22 33 P"), "+++++");  // 0x0345..0x0347 in one page write
    EXPECT_EQ(port.Chip().WriteCycles(), 1u);
    port.Spin(500'000);  // the 5 ms write cycle
    EXPECT_EQ(Drive(port, "S A6 45 S =A7 R+ R+ R- P"), "+++11 22 33 ");
    EXPECT_EQ(port.Chip().Bytes()[0x0344], 0xFF);
    EXPECT_EQ(port.Chip().Bytes()[0x0348], 0xFF);
}

TEST(SimChip, APageWriteFromMidPageWrapsInsideItsPageAndADeafCellLosesTheWholePage) {
    struct Row {
        const char* name;
        const char* script;
        int deaf;
        const char* acks;
        uint64_t cycles;
        std::vector<std::pair<int, uint8_t>> cells;  // address, value afterwards
    };
    const Row rows[] = {
        // Six bytes from 0x3D: 0x3D..0x3F, then back to 0x20 of the same page, never 0x40.
        {"mid-page start",
         "S A0 3D 01 02 03 04 05 06 P",
         -1,
         "++++++++",
         1,
         {{0x3C, 0xFF}, {0x3D, 0x01}, {0x3F, 0x03}, {0x40, 0xFF}, {0x20, 0x04}, {0x22, 0x06}, {0x23, 0xFF}}},
        // The chip stops answering at the deaf cell's byte and the stop commits nothing.
        {"deaf cell inside",
         "S A0 60 11 22 33 44 P",
         0x62,
         "++++--",
         0,
         {{0x60, 0xFF}, {0x61, 0xFF}, {0x62, 0xFF}, {0x63, 0xFF}}},
    };
    for (const Row& row : rows) {
        CSimParallelPort port;
        ASSERT_GT(Request(port), 0);
        if (row.deaf >= 0) port.Chip().SetDeafCell(row.deaf, true);
        EXPECT_EQ(Drive(port, row.script), row.acks) << row.name;
        EXPECT_EQ(port.Chip().WriteCycles(), row.cycles) << row.name;
        for (const auto& [address, value] : row.cells)
            EXPECT_EQ(port.Chip().Bytes()[address], value) << row.name << " at " << address;
    }
}

TEST(SimInterface, TheRequestLineGatesTheBusAndReadyFollowsItShortly) {
    CSimParallelPort port;
    EXPECT_EQ(Drive(port, "S A0 P", false), "-");  // without the request the lines do not reach the chip
    const int reads = Request(port);
    EXPECT_TRUE(reads > 1 && reads < 100) << reads;
    EXPECT_EQ(port.PortRead(0x379) & 0x3F, CSimParallelPort::STATUS_IDLE_BITS);
    // A transfer cut by the request line writes nothing, even when a stop follows.
    EXPECT_EQ(Drive(port, "S A0 20 99"), "+++");
    port.PortWrite(0x378, 0x00);
    EXPECT_EQ(port.PortRead(0x379) & 0x40, 0x40);
    ASSERT_GT(Request(port), 0);
    Drive(port, "P");
    EXPECT_EQ(port.Chip().WriteCycles(), 0u);
}

namespace {
// A content file in a fresh folder of its own, gone with the folder.
struct ContentFile {
    ContentFile() {
        folder = (std::filesystem::temp_directory_path() / "orvane-sim-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) folder.clear();
        path = folder + "/eeprom.sim";
    }
    ~ContentFile() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(folder, ec);
    }
    [[nodiscard]] std::string Read() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string folder, path;
};
}  // namespace

TEST(SimFile, AFileMarkedReadOnlyIsRefusedAndLeftInPlace) {
    ContentFile file;
    std::ofstream(file.path, std::ios::binary) << std::string(CSimEeprom::SIZE, '\x5A');
    ASSERT_EQ(::chmod(file.path.c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.path.c_str(), &before), 0);
    CSimEeprom chip;
    std::string error;
    EXPECT_FALSE(chip.AttachFile(file.path, error));
    EXPECT_EQ(error, file.path + ": read-only file; left untouched");
    struct stat after {};
    ASSERT_EQ(::stat(file.path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced by a new file
    EXPECT_EQ(after.st_mode & 0777, 0444u);
    EXPECT_EQ(file.Read(), std::string(CSimEeprom::SIZE, '\x5A'));
}

TEST(SimFile, AWriteTheFileDoesNotTakeIsUndoneAndNamedUntilASaveSucceeds) {
    struct Row {
        const char* name;
        std::function<void(const std::string&)> spoil, mend;
        std::string cause;
    };
    const Row rows[] = {
        {"replaced by a folder",
         [](const std::string& p) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         },
         [](const std::string& p) { std::filesystem::remove(p); }, "Is a directory"},
        {"marked read-only", [](const std::string& p) { ::chmod(p.c_str(), 0444); },
         [](const std::string& p) { ::chmod(p.c_str(), 0644); }, "Permission denied"},
    };
    for (const Row& row : rows) {
        ContentFile file;
        CSimParallelPort port;
        std::string error;
        ASSERT_TRUE(port.Chip().AttachFile(file.path, error)) << error;
        ASSERT_GT(Request(port), 0);
        row.spoil(file.path);
        EXPECT_EQ(Drive(port, "S A6 46 22 P"), "+++") << row.name;  // the chip takes the bytes
        port.Spin(500'000);
        EXPECT_EQ(Drive(port, "S A6 46 S =A7 R- P"), "+++FF ") << row.name;
        EXPECT_EQ(port.StorageFault(), file.path + ": " + row.cause) << row.name;
        EXPECT_EQ(port.Chip().SaveFailures(), 1) << row.name;
        row.mend(file.path);
        EXPECT_EQ(Drive(port, "S A6 46 22 P"), "+++") << row.name;
        port.Spin(500'000);
        EXPECT_EQ(Drive(port, "S A6 46 S =A7 R- P"), "+++22 ") << row.name;
        EXPECT_EQ(port.StorageFault(), "") << row.name;
        EXPECT_EQ(static_cast<uint8_t>(file.Read().at(0x346)), 0x22) << row.name;
    }
}

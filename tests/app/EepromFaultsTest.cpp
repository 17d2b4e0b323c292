// The controller facing EEPROM faults that an unattended station must ride out: a size
// beyond the chip, a content file that stops taking writes, and one it may not replace.

#include <sys/stat.h>

#include "ServerFixture.h"

namespace {
using EepromFaults = ServerFixture;

const std::string SYNCING = QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n";
const std::string STATION = "PI=C201\nPSN=\"RADIO XX\"\nGROUP4A=01\n";

int CountState(const CEepromMirror& mirror, int length, uint8_t state) {
    int n = 0;
    for (int a = 0; a < length; ++a) n += mirror.State(a) == state ? 1 : 0;
    return n;
}
}  // namespace

TEST_F(EepromFaults, ASizeBeyondTheChipIsNamedAndTheReadRecoversOnceTheSettingIsFixed) {
    // No EEPROMSIZE: 0x7FF7 against the 4096-byte chip. Address bits 8 and up go to the device
    // byte from its bit 1, so bit 12 lands on the 1 of 0xA0: 0x1000..0x1FFF answer as
    // 0x0000..0x0FFF do. Bit 13 makes 0xE0, which no EEPROM answers: the run starts at 0x2000.
    const std::string failed = "EEPROM: erro de leitura a partir de 0x2000 (EEPROMSIZE maior do que a EEPROM?)";
    StartWithFiles(SYNCING, STATION);
    dlg->OnTick();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("0x2000"), std::string::npos);
    EXPECT_NE(view.messages[0].text.find("EEPROMSIZE=1000"), std::string::npos);
    EXPECT_EQ(CountLog(failed), 1);

    // Unchanged, the read a minute later fails the same way: no box, no second line.
    const uint64_t firstRead = sim->Chip().BytesRead();
    Ticks(59);
    EXPECT_EQ(sim->Chip().BytesRead(), firstRead);
    dlg->OnTick();
    EXPECT_EQ(sim->Chip().BytesRead(), 2 * firstRead);
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(CountLog(failed), 1);
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);

    Write("DEF.INI", SYNCING + "[RDS]EEPROMSIZE=1000\n");
    Ticks(59);
    EXPECT_EQ(CountLog(READ_LINE), 0);
    dlg->OnTick();
    EXPECT_EQ(CountLog(READ_LINE), 1);
    EXPECT_TRUE(view.IsEnabled(kIdAutoLoadBox) && view.IsEnabled(kIdForceWriteBox));
    Ticks(15);
    const uint8_t* chip = sim->Chip().Bytes().data();
    EXPECT_EQ((chip[0] | chip[1] << 8) * 13, dlg->Model().GetImageLength());
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(EepromFaults, AFileThatStopsTakingWritesIsLoggedOncePerStretchAndItsBytesShowFailed) {
    const std::string file = dir + "/eeprom.sim";
    const std::string fault =
        "EEPROM: conte\xFA"
        "do n\xE3o guardado: " +
        file + ": Is a directory";
    StartWithFiles(SYNCING + "[RDS]EEPROMSIZE=1000\n", STATION);
    Ticks(15);
    ASSERT_EQ(CountLogStarting("EEPROM sincronizada"), 1);
    const int length = 2 + dlg->Model().GetImageLength();

    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    for (const int minute : {31, 32}) {  // each minute's clock group changes bytes
        clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, minute, 0, 60));
        Ticks(15);
        EXPECT_GT(CountState(dlg->Mirror(), length, EeState::VERIFY_FAILED), 0) << minute;
    }
    EXPECT_EQ(CountLog(fault), 1);
    EXPECT_EQ(CountLogStarting("EEPROM sincronizada"), 1);

    std::filesystem::remove(file);
    clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, 33, 0, 60));
    Ticks(15);
    EXPECT_EQ(CountState(dlg->Mirror(), length, EeState::VERIFY_FAILED), 0);
    EXPECT_EQ(CountLogStarting("EEPROM sincronizada"), 2);

    std::filesystem::remove(file);  // a second stretch is told again
    std::filesystem::create_directory(file);
    clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, 34, 0, 60));
    Ticks(15);
    EXPECT_EQ(CountLog(fault), 2);
    std::filesystem::remove(file);
}

TEST_F(EepromFaults, AReadOnlyContentFileEndsTheRunWithAMessageNamingItAndItsCause) {
    const std::string file = dir + "/eeprom.sim";
    Write("eeprom.sim", std::string(CSimEeprom::SIZE, '\x11'));
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    Write("DEF.INI", SYNCING + "[RDS]EEPROMSIZE=1000\n");
    Start();
    dlg->OnTick();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Ficheiro da EEPROM simulada recusado.");
    EXPECT_NE(view.messages[0].text.find(file + ": read-only file"), std::string::npos) << view.messages[0].text;
    EXPECT_EQ(view.exitCodes, std::vector<int>{1});
    EXPECT_EQ(ReadFile(file), std::string(CSimEeprom::SIZE, '\x11'));
}

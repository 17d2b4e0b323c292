// A command file that cannot be read leaves the model with defaults only: they must never
// replace the station's EEPROM until the station's data is back (a reading or an ENCODE).

#include <sys/stat.h>
#include <unistd.h>

#include <iterator>

#include "ServerFixture.h"

namespace {

const std::string HELD_LINE =
    "EEPROM n\xE3o sincronizada: RDS.TXT n\xE3o foi lido e os valores por defeito n\xE3o "
    "substituem os da EEPROM (at\xE9 um ENCODE ou Repor valores por defeito).";

// A chip's worth of bytes no default image could produce.
std::string GoodChip() {
    std::string chip(CSimEeprom::SIZE, '\0');
    for (int a = 0; a < CSimEeprom::SIZE; ++a) chip[a] = static_cast<char>(a * 7 + 3);
    return chip;
}

struct BadCommandFile {
    const char* name;
    void (*make)(const std::string& path);
    const char* logLine;
};

const BadCommandFile BAD_FILES[] = {
    {"Missing", [](const std::string&) {}, "Ficheiro RDS.TXT Inexistente."},
    {"Folder", [](const std::string& p) { std::filesystem::create_directory(p); },
     "Ficheiro RDS.TXT ileg\xEDvel: \xE9 uma pasta"},
    {"Fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
     "Ficheiro RDS.TXT ileg\xEDvel: n\xE3o \xE9 um ficheiro normal"},
    // Unreadable even for root: a link that points at itself.
    {"LinkLoop", [](const std::string& p) { std::filesystem::create_symlink("RDS.TXT", p); },
     "Ficheiro RDS.TXT ileg\xEDvel: erro ao abrir (ELOOP)"},
};

}  // namespace

class ServerCommandFileHold : public ServerFixture {
protected:
    // A station that syncs by itself and has a title to rebuild with.
    void StartWithBadFile(const BadCommandFile& bad) {
        Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n[RDS]STRIPNAME\n");
        Write("STATUS.HTM", "<html>\n<P><FONT FACE=>Artist - Song</FONT></P>\n</html>\n");
        Write("eeprom.sim", GoodChip());
        bad.make(dir + "/RDS.TXT");
        Start();
        ASSERT_NE(sim, nullptr);
    }
};

class ServerBadCommandFile : public ServerCommandFileHold, public ::testing::WithParamInterface<int> {};

TEST_P(ServerBadCommandFile, NoSyncNorShutdownOverwritesTheChipWhileHeld) {
    const BadCommandFile& bad = BAD_FILES[GetParam()];
    StartWithBadFile(bad);
    EXPECT_EQ(CountLog(bad.logLine), 1);
    Ticks(15 * 6);  // six syncs, a title rebuild among them
    EXPECT_EQ(CountLog("Set title = \"Artist - Song\""), 1);
    dlg->FinishRun();
    EXPECT_EQ(CountLog(READ_LINE), 1);
    EXPECT_EQ(CountLog(HELD_LINE), 1);  // once for the hold, not at every sync
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);
    EXPECT_EQ(Read("eeprom.sim"), GoodChip());
}

INSTANTIATE_TEST_SUITE_P(Table, ServerBadCommandFile, ::testing::Range(0, static_cast<int>(std::size(BAD_FILES))),
                         [](const auto& info) { return std::string(BAD_FILES[info.param].name); });

TEST_F(ServerCommandFileHold, OnlyEncodeFromAClientEndsIt) {
    StartWithBadFile(BAD_FILES[1]);
    Ticks(15);
    EXPECT_EQ(dlg->ExecuteCommandLine("PI=C201").executed, 1);
    EXPECT_EQ(dlg->ExecuteCommandLine("ENCODE_").executed, 0);  // not the command: still held
    Ticks(15);
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);
    EXPECT_TRUE(dlg->IsSyncHeld());

    EXPECT_EQ(dlg->ExecuteCommandLine("ENCODE").executed, 1);
    EXPECT_FALSE(dlg->IsSyncHeld());
    Ticks(15);
    std::vector<rdstest::Group> groups;
    Receive(sim->Chip().Bytes().data(), groups);
    ASSERT_FALSE(groups.empty());
    for (const auto& g : groups) EXPECT_EQ(g.info[0], 0xC201);
    EXPECT_EQ(CountLog(HELD_LINE), 1);
}

TEST_F(ServerCommandFileHold, ReadingTheFileAgainEndsItOnlyWhenItReads) {
    StartWithBadFile(BAD_FILES[0]);
    Ticks(15);
    dlg->ReloadCommandFile();  // still missing: a new hold, told again
    Ticks(15);
    EXPECT_EQ(CountLog(HELD_LINE), 2);
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);

    Write("RDS.TXT", "PI=C202\nPSN=\"RADIO XX\"\n");
    dlg->ReloadCommandFile();
    EXPECT_FALSE(dlg->IsSyncHeld());
    Ticks(15);
    std::vector<rdstest::Group> groups;
    const auto receiver = Receive(sim->Chip().Bytes().data(), groups);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front().info[0], 0xC202);
    EXPECT_EQ(receiver.psPages.back(), "RADIO XX");
}

// The one-second tick driven by hand with a fixed clock: title polling, log clearing, the
// fifteen-tick work, the first EEPROM read and its failures, and the last sync at shutdown.

#include <algorithm>

#include "RdsTestDecoder.h"
#include "ServerFixture.h"

namespace {

std::string StatusFile(const std::string& title) {
    return "<html><body>\n<P><FONT COLOR=\"#FFCC00\" FACE=>" + title + "</FONT></P>\n</body>\n";
}

// What a receiver makes of the image the chip holds behind its record count.
rdstest::CTestReceiver ReceiveChip(const CSimEeprom& chip, int& records) {
    const auto& bytes = chip.Bytes();
    records = bytes[0] | bytes[1] << 8;
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(rdstest::DecodeImage(bytes.data() + 2, records * 13));
    return receiver;
}

bool HasPage(const rdstest::CTestReceiver& r, const std::string& page) {
    return std::find(r.psPages.begin(), r.psPages.end(), page) != r.psPages.end();
}

using ServerTick = ServerFixture;

TEST_F(ServerTick, TitleIsPolledAtCountsZeroAndThirtyTwo) {
    Write("DEF.INI", QUIET_PORT + "[RDS]STRIPNAME\n[RDS]STRFNAME=now.htm\n");
    Write("RDS.TXT", "PSN=\"RADIO XX|%TITLE%\"\nTXT1=\"NOW: %TITLE%\"\n");
    Write("now.htm", StatusFile("Song A"));
    Start();
    EXPECT_EQ(dlg->m_titleFile, "NOW.HTM");

    std::vector<std::pair<int, std::string>> changes;
    for (int tick = 1; tick <= 61; ++tick) {
        if (tick == 2) Write("now.htm", StatusFile("Song B"));
        if (tick == 34) Write("now.htm", StatusFile("Song C"));
        const std::size_t before = view.AllLog().size();
        dlg->OnTick();
        for (std::size_t i = before; i < view.AllLog().size(); ++i) {
            changes.emplace_back(tick, view.AllLog()[i]);
        }
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "Set title = \"Song A\""}, {33, "Set title = \"Song B\""}, {61, "Set title = \"Song C\""}};
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(dlg->m_model.m_rtTitle, "Song C");

    // Unticking the box stops the polling from the next tick on.
    view.controls.autoTitles = false;
    Write("now.htm", StatusFile("Song D"));
    Ticks(60);
    EXPECT_EQ(CountLog("Set title = \"Song D\""), 0);
}

TEST_F(ServerTick, EventLogIsClearedEverySixtyTicks) {
    Write("DEF.INI", QUIET_PORT);
    Start();
    Ticks(59);
    EXPECT_EQ(view.clears[ServerList::Log], 0);
    ASSERT_FALSE(view.Log().empty());
    EXPECT_EQ(view.Log().front(), "**************** PROCESSO DO FICHEIRO DEF.INI *************");
    dlg->OnTick();
    EXPECT_EQ(view.clears[ServerList::Log], 1);
    EXPECT_TRUE(view.Log().empty());
    Ticks(60);
    EXPECT_EQ(view.clears[ServerList::Log], 2);
}

struct DumpCase {
    int length;
    std::vector<std::string> lines;
    const char* lengthText;
    int progress;
};

class ServerDump : public ServerFixture, public ::testing::WithParamInterface<DumpCase> {};

TEST_P(ServerDump, FifteenthTickListsWholeRecordsAtTheirEepromAddresses) {
    const DumpCase& c = GetParam();
    Write("DEF.INI", QUIET_PORT);
    Start();
    for (int i = 0; i < c.length; ++i) dlg->m_model.m_image[i] = static_cast<uint8_t>(i);
    dlg->m_model.m_imageLength = static_cast<uint16_t>(c.length);

    Ticks(14);
    EXPECT_EQ(view.clears[ServerList::Dump], 0);
    EXPECT_TRUE(view.Dump().empty());
    dlg->OnTick();
    EXPECT_EQ(view.clears[ServerList::Dump], 1);
    EXPECT_EQ(view.Dump(), c.lines);
    EXPECT_EQ(dlg->m_imageLengthText, c.lengthText);
    EXPECT_EQ(view.controls.imageLengthText, c.lengthText);
    EXPECT_EQ(view.progressPos, c.progress);
    Ticks(15);
    EXPECT_EQ(view.clears[ServerList::Dump], 2);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerDump,
    ::testing::Values(
        DumpCase{0, {"[0000]:Blocks=0000(word)"}, "0000", 0},
        DumpCase{26,
                 {"[0000]:Blocks=0002(word)", "[0002]:000102030405060708090A0B0C",
                  "[000F]:0D0E0F10111213141516171819"},
                 "001A", 1},
        // A byte after the last whole record is not listed.
        DumpCase{27,
                 {"[0000]:Blocks=0002(word)", "[0002]:000102030405060708090A0B0C",
                  "[000F]:0D0E0F10111213141516171819"},
                 "001B", 1},
        DumpCase{40,
                 {"[0000]:Blocks=0003(word)", "[0002]:000102030405060708090A0B0C",
                  "[000F]:0D0E0F10111213141516171819", "[001C]:1A1B1C1D1E1F20212223242526"},
                 "0028", 2}));

TEST_F(ServerTick, FifteenthTickRefreshesTheClockGroupAndSyncsTheChip) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n");
    Write("RDS.TXT", "PI=C201\nPSN=\"RADIO XX\"\nGROUP4A=01\n");
    Start();

    dlg->OnTick();
    EXPECT_TRUE(dlg->m_hardwareReady);
    EXPECT_EQ(CountLog("EEPROM lida: 4096 bytes."), 1);
    Ticks(13);
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);

    // 14:31 local in a zone one hour east of UTC goes on air as 13:31 UTC.
    clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, 31, 0, 60));
    dlg->OnTick();
    EXPECT_GT(sim->Chip().WriteCycles(), 0u);

    int records = 0;
    const auto chip = ReceiveChip(sim->Chip(), records);
    EXPECT_EQ(records * 13, dlg->m_model.GetImageLength());
    EXPECT_EQ(chip.invalidGroups, 0);
    ASSERT_FALSE(chip.clockTimes.empty());
    EXPECT_EQ(chip.clockTimes.back().hour, 13);
    EXPECT_EQ(chip.clockTimes.back().minute, 31);
    EXPECT_EQ(chip.clockTimes.back().offsetHalfHours, 2);
    EXPECT_EQ(chip.clockTimes.back().day, 17);
    EXPECT_TRUE(HasPage(chip, "RADIO XX"));
    const auto& bytes = sim->Chip().Bytes();
    EXPECT_TRUE(std::equal(dlg->m_model.GetImage(), dlg->m_model.GetImage() + records * 13,
                           bytes.begin() + 2));
    EXPECT_EQ(std::count_if(view.AllLog().begin(), view.AllLog().end(),
                            [](const std::string& l) { return l.rfind("EEPROM sincronizada: ", 0) == 0; }),
              1);
}

TEST_F(ServerTick, FirstReadWaitsForAutoLoad) {
    Write("DEF.INI", QUIET_PORT + "[RDS]EEPROMSIZE=1000\n");
    std::array<uint8_t, CSimEeprom::SIZE> pattern{};
    for (int a = 0; a < CSimEeprom::SIZE; ++a) pattern[a] = static_cast<uint8_t>(a * 7 + 3);
    WriteChip(pattern);
    Start();

    Ticks(20);
    EXPECT_EQ(sim->Chip().BytesRead(), 0u);
    EXPECT_TRUE(dlg->m_initialLoadPending);
    EXPECT_FALSE(dlg->m_hardwareReady);

    view.controls.autoLoad = true;  // the operator ticks "AutoLoad E2PROM"
    dlg->OnTick();
    EXPECT_FALSE(dlg->m_initialLoadPending);
    EXPECT_TRUE(dlg->m_hardwareReady);
    EXPECT_EQ(sim->Chip().BytesRead(), 4096u);
    EXPECT_EQ(dlg->Eeprom().Target(0x123), pattern[0x123]);
    EXPECT_EQ(dlg->Eeprom().Target(4095), pattern[4095]);
    EXPECT_EQ(CountLog("EEPROM lida: 4096 bytes."), 1);
    Ticks(3);
    EXPECT_EQ(sim->Chip().BytesRead(), 4096u);  // read once only
}

enum class ReadFault { Silent, MissedAcks128, MissedAcks129 };

struct ReadFaultCase {
    const char* name;
    ReadFault fault;
    const char* caption;  // empty: the read succeeds
    BoxIcon icon;
};

class ServerFirstRead : public ServerFixture, public ::testing::WithParamInterface<ReadFaultCase> {};

TEST_P(ServerFirstRead, FailureDisablesTheBoxesAndEverySync) {
    const ReadFaultCase& c = GetParam();
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n");
    Write("RDS.TXT", "PI=C201\nPSN=\"RADIO XX\"\n");
    Start();
    // A failed random read costs two acknowledges: the device byte before and after the
    // repeated start, which wakes the chip again.
    if (c.fault == ReadFault::Silent) sim->SetInterfaceSilent(true);
    if (c.fault == ReadFault::MissedAcks128) sim->Chip().MissAcks(1, 2 * 128);
    if (c.fault == ReadFault::MissedAcks129) sim->Chip().MissAcks(1, 2 * 129);
    const auto before = sim->Chip().Bytes();

    dlg->OnTick();
    if (std::string(c.caption).empty()) {
        EXPECT_TRUE(view.messages.empty());
        EXPECT_TRUE(dlg->m_hardwareReady);
        EXPECT_EQ(dlg->Eeprom().State(128), 1);  // the good read that ended the run
        Ticks(14);
        EXPECT_GT(sim->Chip().WriteCycles(), 0u);
        return;
    }
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, c.caption);
    EXPECT_EQ(view.messages[0].icon, c.icon);
    EXPECT_FALSE(view.IsEnabled(kIdAutoLoadBox));
    EXPECT_FALSE(view.IsEnabled(kIdForceWriteBox));
    EXPECT_FALSE(dlg->m_hardwareReady);
    EXPECT_EQ(CountLog("EEPROM lida: 4096 bytes."), 0);

    // Nothing reaches the chip for the rest of the run, shutdown included.
    const auto readsAfterFailure = sim->Chip().BytesRead();
    Ticks(45);
    dlg->FinishRun();
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);
    EXPECT_EQ(sim->Chip().BytesRead(), readsAfterFailure);
    EXPECT_TRUE(sim->Chip().Bytes() == before);
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.exitCodes, std::vector<int>{0});
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerFirstRead,
    ::testing::Values(
        ReadFaultCase{"InterfaceSilent", ReadFault::Silent, "Erro de acesso ao hardware externo.",
                      BoxIcon::Information},
        ReadFaultCase{"RunOf128Tolerated", ReadFault::MissedAcks128, "", BoxIcon::None},
        ReadFaultCase{"RunOf129", ReadFault::MissedAcks129,
                      "Erro de leitura da EEPROM ( sinal ACKNOWLEDGE )", BoxIcon::Error}),
    [](const ::testing::TestParamInfo<ReadFaultCase>& info) { return std::string(info.param.name); });

TEST_F(ServerTick, FinishRunLeavesTheChipWithoutOptionalGroupsOrPsTitle) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n[RDS]STRIPNAME\n");
    Write("RDS.TXT",
          "PI=C201\nPSN=\"RADIO XX|%TITLE%\"\nTXT1=\"NOW: %TITLE%\"\nGROUP4A=01\nTIMEINPSN=01\n");
    Write("STATUS.HTM", StatusFile("Artist - Song.mp3"));
    Start();
    Ticks(15);

    // While running the chip carries the clock and the title.
    int records = 0;
    auto running = ReceiveChip(sim->Chip(), records);
    ASSERT_GT(records, 0);
    EXPECT_FALSE(running.clockTimes.empty());
    EXPECT_TRUE(HasPage(running, "Artist -"));

    dlg->FinishRun();
    EXPECT_EQ(view.exitCodes, std::vector<int>{0});
    EXPECT_TRUE(dlg->m_closeAllowed);
    EXPECT_FALSE(dlg->CommandServer().IsListening());

    auto finished = ReceiveChip(sim->Chip(), records);
    EXPECT_EQ(records * 13, dlg->m_model.GetImageLength());
    EXPECT_EQ(finished.invalidGroups, 0);
    EXPECT_TRUE(finished.clockTimes.empty());
    EXPECT_TRUE(finished.programmeItems.empty());
    ASSERT_FALSE(finished.psPages.empty());
    for (const auto& page : finished.psPages) EXPECT_EQ(page, "RADIO XX");
    bool titleKept = false;
    for (int ab = 0; ab < 2; ++ab) {
        if (finished.radioTextGroups[ab] == 0) continue;
        titleKept |= rdstest::RdsToUtf8(finished.radioText[ab]).rfind("NOW: Artist - Song.mp3", 0) == 0;
    }
    EXPECT_TRUE(titleKept);
}

}  // namespace

// The controller on a station folder: start-up and its log, the refusal of a bus backend that
// could not be opened, and the one-second tick driven by hand with a fixed clock.

#include <cstdio>

#include "ServerFixture.h"

#include <cerrno>
#include <cstdio>

#include "DirectPort.h"
#include "SimSerialCoder.h"

static const std::string DEF_HEADER = "**************** PROCESSO DO FICHEIRO DEF.INI *************";
static const std::string DEF_BANNER = "******** DEF.INI PROCESSADO COM SUCESSO ********";
static const std::string BUS_LINE = "Barramento I2C: sim:test - Codificador: sim";
static const std::string WRITER_LINE = "Escrita na EEPROM: p\xE1ginas de 32 bytes";
static const std::string RDS_HEADER = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
static const std::string STATION = "; station\nPI=C201\nXY\nXYZ\n.ASYNCLOAD\nPSN=\"RADIO XX\"   \r\n.END\nPI=0000\n";
static const std::vector<std::string> STATION_LOG = {"PI=C201 - OK", "XYZ - ERROR", "PSN=\"RADIO XX\" - OK",
                                                     std::string(74, '*')};

// PORT=0 in the quiet settings: the server says which port the system chose.
static std::string ListeningLine(int port) {
    return "Servidor de comandos \xE0 escuta no porto " + std::to_string(port) + ".";
}

static std::string StatusFile(const std::string& t) { return "<html>\n<P><FONT FACE=>" + t + "</FONT></P>\n</html>\n"; }

using Server = ServerFixture;

TEST_F(Server, StartupLogsConfigurationPlatformAndCommandFileInOrder) {
    Write("def.ini", QUIET_PORT +
                         "[RDS]EEPROMSIZE=1000\r\n[RDS]RPSN=3\n[RDS]LPT=632\n[RDS]WRHALTTIME=400\n"
                         "[RDS]USEPOLLWRLOOP\n[RDS]USEEXTERNALCODER\n");  // found whatever its case
    Write("RDS.TXT", STATION);
    coderOpener = OpenSimCoder;
    Start();
    std::vector<std::string> expected = {DEF_HEADER,
                                         "PORT=0",
                                         "EEPROMSIZE=1000",
                                         "RPSN=3",
                                         "LPT=632",
                                         "WRHALTTIME=400",
                                         "Uso de ciclos WRITE-POLL ( FAST WRITES )",
                                         "Envio de comandos em porta SERIE ( modo antigo )",
                                         DEF_BANNER,
                                         BUS_LINE,
                                         WRITER_LINE,
                                         ListeningLine(dlg->BoundPort()),
                                         RDS_HEADER};
    expected.insert(expected.end(), STATION_LOG.begin(), STATION_LOG.end());
    EXPECT_EQ(view.allLog, expected);
    // The timer runs before the command file, whose commands run here even in the older mode.
    EXPECT_EQ(view.logAtTimerStart, 12u);
    EXPECT_EQ(dlg->Model().Station().Pi(), 0xC201);
    // Settings reached the controller, the bus and the model; ".ASYNCLOAD" ticks the box too.
    const CI2cPort& bus = dlg->Bus();
    EXPECT_EQ(std::vector<int>({dlg->Mirror().GetEepromSize(), bus.GetBasePort(), bus.GetPollWrite(),
                                static_cast<int>(bus.GetWriteWait()), dlg->Model().Station().PsRepeat()}),
              std::vector<int>({4096, 0x278, 1, 0x400, 3}));
    EXPECT_TRUE(view.controls.autoLoad && view.controls.pollWrite && dlg->BoundPort() > 0);

    dlg->RejectClose();  // the close box is refused while the run goes on
    EXPECT_EQ(view.messages.at(0).caption, "Encerramento ilegal do programa???");
    EXPECT_TRUE(view.exitCodes.empty() && view.timer);
}

// Parameter true: only DEF.INI is there; false: only RDS.TXT.
class ServerMissingFile : public ServerFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(ServerMissingFile, RunsOnWithTheReportedDefaults) {
    const bool config = GetParam();
    Write(config ? "DEF.INI" : "RDS.TXT", config ? QUIET_PORT : STATION);
    Start();
    std::vector<std::string> expected = {DEF_HEADER,  "PORT=0",
                                         DEF_BANNER,  BUS_LINE,
                                         WRITER_LINE, ListeningLine(dlg->BoundPort()),
                                         RDS_HEADER,  "Ficheiro RDS.TXT Inexistente."};
    if (!config) {
        expected = {DEF_HEADER,
                    "DEF.INI n\xE3o encontrado :",
                    "V\xE3o ser usados parametros BASE ( podem afectar o Hardware ).",
                    BUS_LINE,
                    WRITER_LINE,
                    RDS_HEADER};
        expected.insert(expected.end(), STATION_LOG.begin(), STATION_LOG.end());
    }
    EXPECT_EQ(view.allLog, expected);
    EXPECT_EQ(std::pair(view.controls.port, dlg->Mirror().GetEepromSize()), std::pair(config ? 0 : 6969, 32759));
    EXPECT_TRUE(view.timer && dlg->IsInitialLoadPending());  // start-up always reaches its end
}

INSTANTIATE_TEST_SUITE_P(Table, ServerMissingFile, ::testing::Bool());

TEST_F(Server, RefusedBusEndsTheRunAtTheFirstTick) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]ENABLETIMESERVER\n");
    Start("cannot open /dev/parport9");
    EXPECT_EQ(CountLog("Barramento I2C recusado: cannot open /dev/parport9"), 1);
    EXPECT_EQ(view.allLog.back(), "Ficheiro RDS.TXT Inexistente.");  // start-up runs to its end all the same
    EXPECT_TRUE(view.timer && view.exitCodes.empty());
    dlg->OnTick();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Preven\xE7\xE3o de erro de sistema.");
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(view.exitCodes, std::vector<int>{1});
    EXPECT_FALSE(view.timer || dlg->CommandServer().IsListening());
    // No read is attempted and no time packets are started.
    EXPECT_FALSE(dlg->IsInitialLoadPending() || dlg->IsHardwareReady() || view.controls.timeServerActive);
}

TEST_F(Server, TitleIsPolledAtCountsZeroAndThirtyTwoAndTheLogClearedAtSixty) {
    Write("DEF.INI", QUIET_PORT + "[RDS]STRIPNAME\n[RDS]STRFNAME=now.htm\n");
    Write("RDS.TXT", "PSN=\"RADIO XX|%TITLE%\"\nTXT1=\"NOW: %TITLE%\"\n");
    Write("now.htm", StatusFile("Song A"));
    Start();
    std::string onAir;  // the last letter of the RadioText title after each tick
    for (int tick = 1; tick <= 61; ++tick) {
        if (tick == 2 || tick == 34) Write("now.htm", StatusFile(tick == 2 ? "Song B" : "Song C"));
        dlg->OnTick();
        onAir += dlg->Model().Station().RtTitle().empty() ? '-' : dlg->Model().Station().RtTitle().back();
        EXPECT_EQ(view.clears[ServerList::Log], tick < 60 ? 0 : 1) << tick;
    }
    EXPECT_EQ(onAir, std::string(32, 'A') + std::string(28, 'B') + "C");
    // Only the line of the new title is left after the clearing.
    EXPECT_EQ(view.lists[ServerList::Log], std::vector<std::string>{"Set title = \"Song C\""});
    view.controls.autoTitles = false;  // unticking the box stops the polling from the next tick on
    Write("now.htm", StatusFile("Song D"));
    Ticks(60);
    EXPECT_EQ(CountLog("Set title = \"Song D\""), 0);
    EXPECT_EQ(view.clears[ServerList::Log], 2);
}

TEST(ImageDump, WholeRecordsAtTheirEepromAddresses) {
    std::vector<uint8_t> image(27);
    for (int i = 0; i < 27; ++i) image[i] = static_cast<uint8_t>(i);
    // The odd byte after two records is not listed.
    EXPECT_EQ(ImageDumpLines(image.data(), 27),
              (std::vector<std::string>{"[0000]:Blocks=0002(word)", "[0002]:000102030405060708090A0B0C",
                                        "[000F]:0D0E0F10111213141516171819"}));
}

TEST_F(Server, FifteenthTickListsTheImageAndEveryTickItsLength) {
    StartWithFiles(QUIET_PORT, "PSN=\"RADIO XX\"\n");
    Ticks(14);
    EXPECT_EQ(view.clears[ServerList::Dump], 0);
    dlg->OnTick();
    const int length = dlg->Model().GetImageLength();
    char lengthText[8];
    std::snprintf(lengthText, sizeof lengthText, "%04X", length);
    EXPECT_EQ(view.controls.imageLengthText, lengthText);
    EXPECT_EQ(view.lists[ServerList::Dump].size(), 1u + length / 13);
    EXPECT_EQ(view.lists[ServerList::Dump], ImageDumpLines(dlg->Model().GetImage(), length));
}

TEST_F(Server, AnUnchangedImageIsListedOnlyOnce) {
    StartWithFiles(QUIET_PORT, "PI=C201\nPSN=\"RADIO XX\"\n");
    Ticks(15 * 3);
    const std::vector<std::string> first = view.lists[ServerList::Dump];
    EXPECT_EQ(view.clears[ServerList::Dump], 1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(dlg->ExecuteCommandLine("PI=C202").executed + dlg->ExecuteCommandLine("ENCODE").executed, 2);
    Ticks(15 * 3);
    EXPECT_EQ(view.clears[ServerList::Dump], 2);
    EXPECT_NE(view.lists[ServerList::Dump], first);
    EXPECT_EQ(view.lists[ServerList::Dump].size(), first.size());  // the same records, one changed word
}

// LPT=632 moves the port to 0x278; the fake grant allows one block only.
namespace {
uint16_t g_grantable = 0;
std::vector<unsigned long> g_asked;
int FakeIoperm(unsigned long from, unsigned long, int on) {
    if (on == 0) return 0;
    g_asked.push_back(from);
    errno = EPERM;
    return from == g_grantable ? 0 : -1;
}
uint8_t FakeInb(uint16_t) { return 0xFF; }
void FakeOutb(uint8_t, uint16_t) {}
}  // namespace

// Parameter true: the system grants 0x278; false: it grants only 0x378.
class ServerDirectBus : public ServerFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(ServerDirectBus, OpensAtTheConfiguredPortOrIsRefusedAtTheFirstTick) {
    const bool granted = GetParam();
    g_grantable = granted ? 0x278 : 0x378;
    g_asked.clear();
    Write("DEF.INI", QUIET_PORT + "[RDS]LPT=632\n");
    StartWith("direct", [](uint16_t base) { return CDirectPort::Open(base, {FakeIoperm, FakeInb, FakeOutb}); });
    EXPECT_EQ(g_asked, std::vector<unsigned long>{0x278});
    EXPECT_EQ(CountLog(granted ? "Barramento I2C: direct at 0x278 - Codificador: sim"
                               : "Barramento I2C: direct - Codificador: sim"),
              1);
    EXPECT_EQ(CountLog("Barramento I2C recusado: direct access to port 0x278 needs root (CAP_SYS_RAWIO); "
                       "use ppdev:/dev/parport0"),
              granted ? 0 : 1);
    dlg->OnTick();
    EXPECT_EQ(view.exitCodes, granted ? std::vector<int>{} : std::vector<int>{1});
    EXPECT_EQ(view.messages.size(), granted ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, ServerDirectBus, ::testing::Bool());

// Records that do not fit are logged at the first sync and not again while their number stays.
TEST_F(Server, RecordsLeftOutAreLoggedOnce) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=28\n");  // 40 bytes: two records
    Write("RDS.TXT", "PSN=\"RADIO XX\"\n");
    Start();
    Ticks(45);
    const int leftOut = dlg->Model().GetImageLength() / 13 - 2;
    ASSERT_GT(leftOut, 0);
    EXPECT_EQ(CountLog("EEPROM: " + std::to_string(leftOut) + " registos ficam de fora (n\xE3o cabem em 40 bytes)"), 1);
    // The tick after the read: three byte writes for the count, one page write, each waiting
    // 10.49 ms, and about 3 ms of clocks: 0.04 s.
    EXPECT_EQ(CountLog("EEPROM sincronizada: 26 bytes alterados em 0.04 s."), 1);
}

// A failed random read costs two acknowledges (the device byte before and after the
// repeated start), so 2*128 missed ones are the longest run the read still rides out.
class ServerFirstRead : public ServerFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ServerFirstRead, WaitsForAutoLoadAndAFailureStopsEverySync) {
    const std::tuple<int, const char*, MessageIcon> rows[] = {
        // missed acknowledges (-1: no answer), message
        {-1, "Erro de acesso ao hardware externo.", MessageIcon::Information},
        {2 * 128, nullptr, MessageIcon::None},
        {2 * 129, "Erro de leitura da EEPROM ( sinal ACKNOWLEDGE )", MessageIcon::Stop}};
    const auto& [missedAcks, caption, icon] = rows[GetParam()];
    const bool fails = caption != nullptr;
    Write("DEF.INI", QUIET_PORT + "[RDS]EEPROMSIZE=1000\n");
    Write("RDS.TXT", "PSN=\"RADIO XX\"\n");  // without it no sync would write
    std::string pattern(CSimEeprom::SIZE, '\0');
    for (int a = 0; a < CSimEeprom::SIZE; ++a) pattern[a] = static_cast<char>(a * 7 + 3);
    Write("eeprom.sim", pattern);
    Start();
    Ticks(20);
    EXPECT_EQ(sim->Chip().BytesRead(), 0u);
    if (missedAcks < 0) sim->SetInterfaceSilent(true);
    if (missedAcks > 0) sim->Chip().MissAcks(1, missedAcks);
    view.controls.autoLoad = true;  // the operator ticks "AutoLoad E2PROM"
    dlg->OnTick();
    if (fails) {
        EXPECT_EQ(std::tie(view.messages.at(0).caption, view.messages.at(0).icon), std::tie(caption, icon));
    }
    EXPECT_EQ(std::pair(view.IsEnabled(kIdAutoLoadBox), view.IsEnabled(kIdForceWriteBox)), std::pair(!fails, !fails));
    if (!fails) {
        EXPECT_EQ(dlg->Mirror().Target(4095), (4095 * 7 + 3) & 0xFF);
    }
    Ticks(44);
    dlg->FinishRun();  // after a failure nothing reaches the chip for the rest of the run, shutdown included
    EXPECT_EQ(CountLog(READ_LINE), fails ? 0 : 1);
    EXPECT_EQ(sim->Chip().WriteCycles() > 0, !fails);
    EXPECT_EQ(view.messages.size(), fails ? 1u : 0u);
    EXPECT_EQ(view.exitCodes, std::vector<int>{0});
}

INSTANTIATE_TEST_SUITE_P(Table, ServerFirstRead, ::testing::Range(0, 3));

TEST_F(Server, ChipFollowsTheImageAtTheTickAfterAChangeAndLosesTheOptionalPartsAtShutdown) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n[RDS]STRIPNAME\n");
    Write("RDS.TXT", "PI=C201\nPSN=\"RADIO XX|%TITLE%\"\nTXT1=\"NOW: %TITLE%\"\nGROUP4A=01\nTIMEINPSN=01\n");
    Write("STATUS.HTM", StatusFile("Artist - Song.mp3"));
    Start();
    Ticks(1);
    EXPECT_EQ(CountLog(READ_LINE), 1);
    EXPECT_EQ(sim->Chip().WriteCycles(), 0u);
    Ticks(1);  // the image is new to the chip: synchronised at once
    const uint64_t written = sim->Chip().WriteCycles();
    EXPECT_GT(written, 0u);
    Ticks(2);
    EXPECT_EQ(sim->Chip().WriteCycles(), written);  // nothing changed, nothing written
    // 14:31 local in a zone one hour east of UTC goes on air as 13:31 UTC, at the minute's first tick.
    clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, 31, 0, 60));
    dlg->OnTick();
    EXPECT_LT(dlg->TicksUntilSync(), CRdsServerDlg::SYNC_TICKS - 1);  // not the rhythm's sync
    std::vector<rdstest::Group> groups;
    const auto running = Receive(sim->Chip().Bytes().data(), groups);
    ASSERT_FALSE(running.clockTimes.empty());
    const auto& ct = running.clockTimes.back();
    EXPECT_EQ(std::vector<int>({ct.day, ct.hour, ct.minute, ct.offsetHalfHours}), std::vector<int>({17, 13, 31, 2}));
    const std::set<std::string> pages(running.psPages.begin(), running.psPages.end());
    EXPECT_TRUE(pages.count("RADIO XX") && pages.count("Artist -"));
    const uint8_t* image = dlg->Model().GetImage();
    EXPECT_TRUE(std::equal(image, image + groups.size() * 13, sim->Chip().Bytes().begin() + 2));

    dlg->FinishRun();
    const auto finished = Receive(sim->Chip().Bytes().data(), groups);
    EXPECT_EQ(groups.size() * 13, static_cast<std::size_t>(dlg->Model().GetImageLength()));
    EXPECT_TRUE(finished.clockTimes.empty() && finished.programmeItems.empty());
    ASSERT_FALSE(finished.psPages.empty());
    for (const auto& page : finished.psPages) EXPECT_EQ(page, "RADIO XX");
    EXPECT_TRUE(RadioTextStartsWith(finished, "NOW: Artist - Song.mp3"));
}

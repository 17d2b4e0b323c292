// Start-up of the controller on a station folder: what the log shows and in which order,
// and where the settings end up.

#include "ServerFixture.h"

namespace {

const std::string DEF_HEADER = "**************** PROCESSO DO FICHEIRO DEF.INI *************";
const std::string DEF_BANNER = "******** DEF.INI PROCESSADO COM SUCESSO ********";
const std::string DEF_MISSING = "DEF.INI n\xE3o encontrado :";
const std::string DEF_DEFAULTS = "V\xE3o ser usados parametros BASE ( podem afectar o Hardware ).";
const std::string RDS_HEADER = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
const std::string RDS_MISSING = "Ficheiro RDS.TXT Inexistente.";
const std::string RDS_END(74, '*');
const std::string BUS_LINE = "Barramento I2C: sim:test - Codificador: sim";

const std::string STATION_FILE =
    "; station\n"
    "PI=C201\n"
    "XY\n"
    "XYZ\n"
    ".ASYNCLOAD\n"
    "PSN=\"RADIO XX\"   \r\n"
    ".END\n"
    "PI=0000\n";

using ServerStartup = ServerFixture;

TEST_F(ServerStartup, LogsConfigurationPlatformAndCommandFileInOrder) {
    Write("def.ini",  // found whatever its case
          QUIET_PORT +
              "[RDS]EEPROMSIZE=1000\n[RDS]RPSN=3\n[RDS]LPT=632\n[RDS]WRHALTTIME=400\n"
              "[RDS]USEPOLLWRLOOP\n");
    Write("RDS.TXT", STATION_FILE);
    Start();

    const std::vector<std::string> expected = {
        DEF_HEADER, "PORT=0", "EEPROMSIZE=1000", "RPSN=3", "LPT=632", "WRHALTTIME=400",
        "Uso de ciclos WRITE-POLL ( FAST WRITES )", DEF_BANNER,
        BUS_LINE,
        RDS_HEADER, "PI=C201 - OK", "XYZ - ERROR", "PSN=\"RADIO XX\" - OK", RDS_END};
    EXPECT_EQ(view.AllLog(), expected);
    EXPECT_TRUE(view.messages.empty());

    // The timer runs before the command file, which ends in a rebuilt image.
    EXPECT_EQ(view.timerPeriod, 1000);
    EXPECT_TRUE(view.timerRunning);
    EXPECT_EQ(view.logAtTimerStart, 9);
    EXPECT_EQ(dlg->m_model.m_pi, 0xC201);
    EXPECT_GT(dlg->m_model.GetImageLength(), 0);

    // Settings reached the controller, the bus and the model.
    EXPECT_EQ(dlg->m_eepromSize, 4096);
    EXPECT_EQ(dlg->Eeprom().GetEepromSize(), 4096);
    EXPECT_EQ(dlg->Eeprom().Bus().GetBasePort(), 0x278);
    EXPECT_EQ(dlg->Eeprom().Bus().GetStatusPort(), 0x279);
    EXPECT_EQ(dlg->Eeprom().Bus().GetWriteWait(), 0x400u);
    EXPECT_EQ(dlg->Eeprom().Bus().GetPollWrite(), 1);
    EXPECT_EQ(dlg->m_model.m_psRepeat, 3);

    // ".ASYNCLOAD" ticks the box as well as the field.
    EXPECT_TRUE(dlg->m_autoLoad);
    EXPECT_TRUE(view.controls.autoLoad);
    EXPECT_TRUE(view.controls.pollWrite);
    EXPECT_EQ(view.controls.port, 0);

    EXPECT_EQ(view.title.rfind("Orvane Server - Sistema opertativo : Linux ", 0), 0u) << view.title;
    EXPECT_EQ(view.title.back(), ' ');
    EXPECT_EQ(view.menu[16], "&Acerca do Orvane...");
    EXPECT_EQ(view.addresses[kIdNetAddress], (std::array<uint8_t, 4>{10, 0, 0, 0}));
    EXPECT_EQ(view.addresses[kIdNetMask], (std::array<uint8_t, 4>{255, 255, 255, 0}));
    EXPECT_EQ(view.progressLow, 0);
    EXPECT_EQ(view.progressHigh, 2047);

    // The command server listens on the port the system gave it.
    EXPECT_GT(dlg->BoundPort(), 0);
    EXPECT_EQ(view.lamp, SocketLamp::Listening);
    EXPECT_FALSE(view.IsEnabled(1007));
    EXPECT_TRUE(view.IsEnabled(1010));

    EXPECT_TRUE(dlg->m_initialLoadPending);
    EXPECT_FALSE(dlg->m_hardwareReady);
    EXPECT_EQ(dlg->m_tickCount, 0);
    EXPECT_EQ(dlg->m_syncCount, 0);
    EXPECT_FALSE(dlg->m_noDirectPorts);
}

struct MissingCase {
    const char* name;
    bool withConfig;
    bool withCommands;
    std::vector<std::string> log;
};

class ServerMissingFiles : public ServerFixture,
                           public ::testing::WithParamInterface<MissingCase> {};

TEST_P(ServerMissingFiles, RunsOnWithTheReportedDefaults) {
    const MissingCase& c = GetParam();
    if (c.withConfig) Write("DEF.INI", QUIET_PORT);
    if (c.withCommands) Write("RDS.TXT", STATION_FILE);
    Start();
    EXPECT_EQ(view.AllLog(), c.log);
    if (!c.withConfig) {
        EXPECT_EQ(dlg->m_port, 6969);
        EXPECT_EQ(view.controls.port, 6969);
        EXPECT_FALSE(dlg->m_autoTitles);
        EXPECT_EQ(dlg->m_titleFile, ".\\STATUS.HTM");
        EXPECT_EQ(dlg->m_eepromSize, 32759);
    }
    if (!c.withCommands) {
        // Nothing rebuilt: the image stays as the model was built.
        EXPECT_EQ(dlg->m_model.GetImageLength(), 0);
        EXPECT_FALSE(dlg->m_autoLoad);
    }
    // Start-up always reaches its end: timer, counters, pending first read.
    EXPECT_TRUE(view.timerRunning);
    EXPECT_TRUE(dlg->m_initialLoadPending);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerMissingFiles,
    ::testing::Values(
        MissingCase{"NoConfig", false, true,
                    {DEF_HEADER, DEF_MISSING, DEF_DEFAULTS, BUS_LINE, RDS_HEADER, "PI=C201 - OK",
                     "XYZ - ERROR", "PSN=\"RADIO XX\" - OK", RDS_END}},
        MissingCase{"NoCommandFile", true, false,
                    {DEF_HEADER, "PORT=0", DEF_BANNER, BUS_LINE, RDS_HEADER, RDS_MISSING}},
        MissingCase{"Neither", false, false,
                    {DEF_HEADER, DEF_MISSING, DEF_DEFAULTS, BUS_LINE, RDS_HEADER, RDS_MISSING}}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

TEST_F(ServerStartup, RefusedBusEndsTheRunAtTheFirstTick) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]ENABLETIMESERVER\n");
    Write("RDS.TXT", "PI=C201\n");
    Start("cannot open /dev/parport9");

    // Start-up runs to its end all the same.
    EXPECT_EQ(CountLog("Barramento I2C recusado: cannot open /dev/parport9"), 1);
    EXPECT_EQ(view.AllLog().back(), RDS_END);
    EXPECT_TRUE(dlg->m_noDirectPorts);
    EXPECT_TRUE(view.timerRunning);
    EXPECT_TRUE(view.exitCodes.empty());

    dlg->OnTick();
    EXPECT_FALSE(view.timerRunning);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Preven\xE7\xE3o de erro de sistema.");
    EXPECT_EQ(view.messages[0].text.rfind("O programa est\xE1 a correr numa vers\xE3o do windows que\n", 0), 0u);
    EXPECT_EQ(view.messages[0].icon, BoxIcon::Information);
    EXPECT_EQ(view.exitCodes, std::vector<int>{1});
    EXPECT_TRUE(dlg->m_closeAllowed);
    EXPECT_FALSE(dlg->CommandServer().IsListening());
    EXPECT_EQ(view.lamp, SocketLamp::Closed);
    // No read is attempted and no time packets are started.
    EXPECT_FALSE(dlg->m_initialLoadPending);
    EXPECT_FALSE(dlg->m_hardwareReady);
    EXPECT_FALSE(dlg->m_timeServerActive);
    EXPECT_EQ(CountLog("EEPROM lida: 4096 bytes."), 0);
}

TEST_F(ServerStartup, ExternalCoderWithoutLinkKeepsCommandsHere) {
    Write("DEF.INI", QUIET_PORT + "[RDS]USEEXTERNALCODER\n");
    Start();
    EXPECT_EQ(CountLog("Envio de comandos em porta SERIE ( modo antigo )"), 1);
    EXPECT_EQ(CountLog("Envio em porta SERIE indispon\xEDvel: os comandos ser\xE3o executados aqui."), 1);
    EXPECT_FALSE(dlg->m_externalCoder);
    EXPECT_EQ(dlg->ExecuteCommandLine("PI=1234"), 1);
    EXPECT_EQ(dlg->m_model.m_pi, 0x1234);
}

TEST_F(ServerStartup, CloseBoxIsRefusedWhileRunning) {
    Write("DEF.INI", QUIET_PORT);
    Start();
    dlg->RejectClose();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Encerramento ilegal do programa???");
    EXPECT_TRUE(view.exitCodes.empty());
    EXPECT_TRUE(view.timerRunning);
}

}  // namespace

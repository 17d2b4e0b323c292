#include "ConfigReader.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string HEADER = "**************** PROCESSO DO FICHEIRO DEF.INI *************";
const std::string BANNER = "******** DEF.INI PROCESSADO COM SUCESSO ********";

ConfigReport ReadText(const std::string& text) {
    std::istringstream in(text);
    return CConfigReader::Read(&in);
}

TEST(ConfigReader, MissingFileLogsTheTwoLinesAndKeepsDefaults) {
    const auto report = CConfigReader::ReadFile("/nonexistent/folder/DEF.INI");
    EXPECT_FALSE(report.found);
    const std::vector<std::string> expected = {
        HEADER, "DEF.INI n\xE3o encontrado :",
        "V\xE3o ser usados parametros BASE ( podem afectar o Hardware )."};
    EXPECT_EQ(report.logLines, expected);
    EXPECT_EQ(report.settings.port, 6969);
    EXPECT_EQ(report.settings.eepromSize, 32759);
    EXPECT_EQ(report.settings.basePort, 0x378);
    EXPECT_EQ(report.settings.titleFile, ".\\STATUS.HTM");
    EXPECT_EQ(report.settings.timeMinute, 0);
    EXPECT_FALSE(report.settings.autoTitles);
    EXPECT_FALSE(report.settings.psRepeat.has_value());
    EXPECT_FALSE(report.settings.writeWait.has_value());
    EXPECT_FALSE(report.settings.clockDelay.has_value());
}

TEST(ConfigReader, ReadsARealFileFromDisk) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("orvane-def-" + std::to_string(::getpid()) + ".ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[RDS]PORT=7000\r\n[RDS]EEPROMSIZE=1000\r\n";
    }
    const auto report = CConfigReader::ReadFile(path.string());
    std::filesystem::remove(path);
    EXPECT_TRUE(report.found);
    EXPECT_EQ(report.settings.port, 7000);
    EXPECT_EQ(report.settings.eepromSize, 4096);
    const std::vector<std::string> expected = {HEADER, "PORT=7000", "EEPROMSIZE=1000", BANNER};
    EXPECT_EQ(report.logLines, expected);
}

TEST(ConfigReader, LinesWithoutMarkerOrCommentedOutChangeNothing) {
    const auto report = ReadText(
        "[RDS]\n"
        "PORT=7000\n"
        "AUTOSYNCEEPROM\n"
        "  ;[RDS]ENABLETIMESERVER\n"
        ";[RDS]STRIPNAME\n"
        "\t[RDS]USEEXTERNALCODER\n");  // a tab is not a blank: this line counts
    const std::vector<std::string> expected = {
        HEADER, "Envio de comandos em porta SERIE ( modo antigo )", BANNER};
    EXPECT_EQ(report.logLines, expected);
    EXPECT_EQ(report.settings.port, 6969);
    EXPECT_FALSE(report.settings.autoLoad);
    EXPECT_FALSE(report.settings.timeServerActive);
    EXPECT_FALSE(report.settings.autoTitles);
    EXPECT_TRUE(report.settings.externalCoder);
}

TEST(ConfigReader, SmallLettersMatchAndValuesAreTakenInCapitals) {
    const auto report = ReadText("[rds]strfname=c:\\winamp\\now.htm\n");
    EXPECT_EQ(report.settings.titleFile, "C:\\WINAMP\\NOW.HTM");
    ASSERT_EQ(report.logLines.size(), 3u);
    EXPECT_EQ(report.logLines[1], "STRFNAME=C:\\WINAMP\\NOW.HTM");
}

TEST(ConfigReader, EveryFlagSwitchesOnWithItsOwnLogLine) {
    const auto report = ReadText(
        "[RDS]AUTOSYNCEEPROM\n[RDS]USEPOLLWRLOOP\n[RDS]STRIPNAME\n[RDS]USEEXTERNALCODER\n"
        "[RDS]ENABLETIMESERVER\n[RDS]STRIKEINITIALTIMESERVER\n");
    const std::vector<std::string> expected = {
        HEADER,
        "Auto Sincroniza EEPROM",
        "Uso de ciclos WRITE-POLL ( FAST WRITES )",
        "Processa titulos do WINAMP.",
        "Envio de comandos em porta SERIE ( modo antigo )",
        "O envio de Packetes de horario vai ser activo.",
        "A enviar Packetes de horario imediatamente.",
        BANNER};
    EXPECT_EQ(report.logLines, expected);
    const auto& s = report.settings;
    EXPECT_TRUE(s.autoLoad && s.pollWrite && s.autoTitles && s.externalCoder &&
                s.timeServerActive && s.strikeTimeServer);
}

struct NumberCase {
    const char* line;
    int eepromSize;
    int port;
    int basePort;
    int psRepeat;  // -1: not given
    std::vector<std::string> log;
};

class ConfigNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConfigNumbers, ValueAndEcho) {
    const NumberCase& c = GetParam();
    const auto report = ReadText(std::string(c.line) + "\n");
    EXPECT_EQ(report.settings.eepromSize, c.eepromSize);
    EXPECT_EQ(report.settings.port, c.port);
    EXPECT_EQ(report.settings.basePort, c.basePort);
    EXPECT_EQ(report.settings.psRepeat.has_value() ? *report.settings.psRepeat : -1, c.psRepeat);
    std::vector<std::string> expected = {HEADER};
    expected.insert(expected.end(), c.log.begin(), c.log.end());
    expected.push_back(BANNER);
    EXPECT_EQ(report.logLines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigNumbers,
    ::testing::Values(
        NumberCase{"[RDS]EEPROMSIZE=8000", 0x7FF7, 6969, 0x378, -1, {"EEPROMSIZE=8000"}},
        NumberCase{"[RDS]EEPROMSIZE=800", 0x800, 6969, 0x378, -1, {"EEPROMSIZE=800"}},
        NumberCase{"[RDS]EEPROMSIZE= 0x1000 bytes", 4096, 6969, 0x378, -1,
                   {"EEPROMSIZE= 0X1000 BYTES"}},
        NumberCase{"[RDS]EEPROMSIZE=FFFFFFFF", 0, 6969, 0x378, -1,
                   {"EEPROMSIZE=FFFFFFFF", "EEPROMSIZE negativo - usado 0."}},
        NumberCase{"[RDS]EEPROMSIZE=-20", 0, 6969, 0x378, -1,
                   {"EEPROMSIZE=-20", "EEPROMSIZE negativo - usado 0."}},
        NumberCase{"[RDS]EEPROMSIZE=ZZ", 0x7FF7, 6969, 0x378, -1, {"EEPROMSIZE=ZZ"}},
        NumberCase{"[RDS]PORT=7001", 0x7FF7, 7001, 0x378, -1, {"PORT=7001"}},
        NumberCase{"[RDS]PORT=32767", 0x7FF7, 32767, 0x378, -1, {"PORT=32767"}},
        NumberCase{"[RDS]PORT=0", 0x7FF7, 0, 0x378, -1, {"PORT=0"}},
        NumberCase{"[RDS]PORT=70000", 0x7FF7, 6969, 0x378, -1,
                   {"PORT=70000", "PORT fora de 0..32767 - mantido 6969."}},
        NumberCase{"[RDS]PORT=-1", 0x7FF7, 6969, 0x378, -1,
                   {"PORT=-1", "PORT fora de 0..32767 - mantido 6969."}},
        NumberCase{"[RDS]PORT=", 0x7FF7, 6969, 0x378, -1, {"PORT="}},
        NumberCase{"[RDS]LPT=632", 0x7FF7, 6969, 0x278, -1, {"LPT=632"}},
        NumberCase{"[RDS]LPT=66424", 0x7FF7, 6969, 0x378, -1, {"LPT=66424"}},  // 0x10378
        NumberCase{"[RDS]RPSN=261", 0x7FF7, 6969, 0x378, 5, {"RPSN=261"}},
        NumberCase{"[RDS]RPSN=3", 0x7FF7, 6969, 0x378, 3, {"RPSN=3"}},
        // The first key in the order of testing decides, wherever it stands on the line.
        NumberCase{"[RDS]STRIKEINITIALTIMESERVER PORT=7002", 0x7FF7, 7002, 0x378, -1,
                   {"PORT=7002"}},
        NumberCase{"x[RDS] junk EEPROMSIZE=10 PORT=5", 0x10, 6969, 0x378, -1,
                   {"EEPROMSIZE=10 PORT=5"}}));

TEST(ConfigReader, RefusedPortKeepsTheValueOfAnEarlierLine) {
    const auto report = ReadText("[RDS]PORT=7100\n[RDS]PORT=40000\n");
    EXPECT_EQ(report.settings.port, 7100);
    ASSERT_EQ(report.logLines.size(), 5u);
    EXPECT_EQ(report.logLines[3], "PORT fora de 0..32767 - mantido 7100.");
}

TEST(ConfigReader, LaterLineWinsAndUnreadableNumberKeepsThePrevious) {
    const auto report = ReadText(
        "[RDS]CLTIMERMINUTE=15\n[RDS]CLTIMERMINUTE=75\n[RDS]CLTIMERMINUTE=soon\n"
        "[RDS]WRHALTTIME=200\n[RDS]I2CCLKCYCLE=-1\n");
    EXPECT_EQ(report.settings.timeMinute, 75);  // outside 0..59 is kept: packets only on request
    ASSERT_TRUE(report.settings.writeWait && report.settings.clockDelay);
    EXPECT_EQ(*report.settings.writeWait, 0x200u);
    EXPECT_EQ(*report.settings.clockDelay, 0xFFFFFFFFu);
    const std::vector<std::string> expected = {
        HEADER,
        "CLTIMERMINUTE=15", "( MINUTO ao qual sera enviado o TimeSync )",
        "CLTIMERMINUTE=75", "( MINUTO ao qual sera enviado o TimeSync )",
        "CLTIMERMINUTE=SOON", "( MINUTO ao qual sera enviado o TimeSync )",
        "WRHALTTIME=200", "I2CCLKCYCLE=-1", BANNER};
    EXPECT_EQ(report.logLines, expected);
}

TEST(ConfigReader, TitleFileNamingTheFlagWordSwitchesPollingInstead) {
    const auto report = ReadText("[RDS]STRFNAME=C:\\STRIPNAME\\S.HTM\n");
    EXPECT_TRUE(report.settings.autoTitles);
    EXPECT_EQ(report.settings.titleFile, ".\\STATUS.HTM");
    EXPECT_EQ(report.logLines[1], "Processa titulos do WINAMP.");
}

TEST(ConfigReader, TitleFileKeepsLeadingBlanksAndLosesTrailingControlsAndHighBytes) {
    const auto report = ReadText("[RDS]STRFNAME=  now.htm\xE9\x01\r\n");
    EXPECT_EQ(report.settings.titleFile, "  NOW.HTM");
}

TEST(ConfigReader, LongLineIsHandledAsPiecesOf255) {
    // 300 characters: the key lies in the second piece, which lacks the marker.
    std::string lost = "[RDS]" + std::string(250, 'A') + "ENABLETIMESERVER" + std::string(29, 'B');
    ASSERT_EQ(lost.size(), 300u);
    // Here the second piece carries its own marker and key.
    std::string kept = std::string(255, 'C') + "[RDS]PORT=7003";
    const auto report = ReadText(lost + "\n" + kept + "\n");
    EXPECT_FALSE(report.settings.timeServerActive);
    EXPECT_EQ(report.settings.port, 7003);
    const std::vector<std::string> expected = {HEADER, "PORT=7003", BANNER};
    EXPECT_EQ(report.logLines, expected);
}

TEST(ConfigReader, LineStartingWithZeroByteEndsTheReading) {
    const auto report = ReadText(std::string("[RDS]PORT=7004\n") + '\0' + "\n[RDS]PORT=7005\n");
    EXPECT_EQ(report.settings.port, 7004);
    EXPECT_EQ(report.logLines.back(), BANNER);
}

struct ScanCase {
    const char* text;
    bool hexGiven;
    uint32_t hex;
    bool decGiven;
    int32_t dec;
};

TEST(ConfigReader, NumberConversionsFollowTheCLibrary) {
    const ScanCase cases[] = {
        {"1A", true, 0x1A, true, 1},
        {"  0x1f", true, 0x1F, true, 0},
        {"-1", true, 0xFFFFFFFFu, true, -1},
        {"+7z", true, 7, true, 7},
        {"G", false, 0, false, 0},
        {"", false, 0, false, 0},
        {"   ", false, 0, false, 0},
        {"0xZ", true, 0, true, 0},
        {"100000001", true, 1, true, 100000001},
        {"4294967297", true, 0x94967297u, true, 1},
        {"99999999999999999999", true, 0xFFFFFFFFu, true, -1},
        {"-99999999999999999999", true, 0xFFFFFFFFu, true, 0},
        {"\t42 rest", true, 0x42, true, 42},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto hex = CConfigReader::ScanHex(c.text);
        const auto dec = CConfigReader::ScanDecimal(c.text);
        ASSERT_EQ(hex.has_value(), c.hexGiven);
        ASSERT_EQ(dec.has_value(), c.decGiven);
        if (hex) {
            EXPECT_EQ(*hex, c.hex);
        }
        if (dec) {
            EXPECT_EQ(*dec, c.dec);
        }
    }
}

}  // namespace

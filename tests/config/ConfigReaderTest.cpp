// DEF.INI as the reader sees it: the log lines it echoes and the settings it yields, worked out by hand.
#include "ConfigReader.h"

#include <gtest/gtest.h>

#include <sstream>

static const std::string HEADER = "**************** PROCESSO DO FICHEIRO DEF.INI *************";
static const std::string BANNER = "******** DEF.INI PROCESSADO COM SUCESSO ********";
static const std::string MINUTE = "( MINUTO ao qual sera enviado o TimeSync )";

// Every setting on one line; -1 for an optional one that was not given.
static std::string Text(const ServerSettings& s) {
    std::ostringstream o;
    o << s.eepromSize << ' ' << s.port << ' ' << s.basePort << ' ' << s.titleFile << ' ' << s.timeMinute << ' '
      << (s.psRepeat ? int{*s.psRepeat} : -1) << ' ' << (s.writeWait ? int64_t{*s.writeWait} : -1) << ' '
      << (s.clockDelay ? int64_t{*s.clockDelay} : -1) << ' ' << s.autoLoad << s.pollWrite << s.autoTitles
      << s.externalCoder << s.timeServerActive << s.strikeTimeServer << s.byteWrite;
    return o.str();
}

TEST(ConfigReader, MissingFileLogsTheTwoLinesAndKeepsDefaults) {
    const auto report = CConfigReader::ReadFile("/nonexistent/folder/DEF.INI");
    EXPECT_EQ(report.logLines,
              (std::vector<std::string>{HEADER, "DEF.INI n\xE3o encontrado :",
                                        "V\xE3o ser usados parametros BASE ( podem afectar o Hardware )."}));
    EXPECT_EQ(Text(report.settings), "32759 6969 888 .\\STATUS.HTM 0 -1 -1 -1 0000000");
}

TEST(ConfigReader, FolderInPlaceOfTheFileIsNotFound) {
    const auto report = CConfigReader::ReadFile(::testing::TempDir());
    EXPECT_FALSE(report.found);
    EXPECT_EQ(report.logLines.at(1), "DEF.INI n\xE3o encontrado :");
}

TEST(ConfigReader, FileTable) {
    using S = ServerSettings;
    using Edit = void (*)(S&);  // what the file changes from the missing file's settings
    // The file, its log lines between the header and the banner, its settings.
    const std::tuple<std::string, std::vector<std::string>, Edit> rows[] = {
        // Only a line carrying the marker counts; a tab is not a blank before ";".
        {"[RDS]\nPORT=7000\nAUTOSYNCEEPROM\n  ;[RDS]ENABLETIMESERVER\n;[RDS]STRIPNAME\n\t[RDS]USEEXTERNALCODER\n",
         {"Envio de comandos em porta SERIE ( modo antigo )"},
         [](S& s) { s.externalCoder = true; }},
        {"[rds]strfname=c:\\winamp\\now.htm\n",
         {"STRFNAME=C:\\WINAMP\\NOW.HTM"},
         [](S& s) { s.titleFile = "C:\\WINAMP\\NOW.HTM"; }},
        {"[RDS]STRFNAME=  now.htm\xE9\x01\r\n", {"STRFNAME=  NOW.HTM"}, [](S& s) { s.titleFile = "  NOW.HTM"; }},
        // Blanks an editor left after the name are no part of it; the ones before it are.
        {"[RDS]STRFNAME=.\\NOW.HTM  \t \r\n", {"STRFNAME=.\\NOW.HTM  \t "}, [](S& s) { s.titleFile = ".\\NOW.HTM"; }},
        {"[RDS]STRFNAME= now.htm \xE9 \n", {"STRFNAME= NOW.HTM \xE9 "}, [](S& s) { s.titleFile = " NOW.HTM"; }},
        {"[RDS]STRFNAME=C:\\STRIPNAME\\S.HTM\n", {"Processa titulos do WINAMP."}, [](S& s) { s.autoTitles = true; }},
        {"[RDS]AUTOSYNCEEPROM\n[RDS]USEPOLLWRLOOP\n[RDS]STRIPNAME\n[RDS]USEEXTERNALCODER\n[RDS]ENABLETIMESERVER\n"
         "[RDS]STRIKEINITIALTIMESERVER\n",
         {"Auto Sincroniza EEPROM", "Uso de ciclos WRITE-POLL ( FAST WRITES )", "Processa titulos do WINAMP.",
          "Envio de comandos em porta SERIE ( modo antigo )", "O envio de Packetes de horario vai ser activo.",
          "A enviar Packetes de horario imediatamente."},
         [](S& s) {
             s.autoLoad = s.pollWrite = s.autoTitles = s.externalCoder = s.timeServerActive = s.strikeTimeServer = true;
         }},
        // One byte per EEPROM write cycle; without the marker on its line the key is nothing.
        {"BYTEWRITE\n[RDS]\n", {}, nullptr},
        {"[rds] bytewrite\n", {"Escrita na EEPROM byte a byte ( BYTEWRITE )"}, [](S& s) { s.byteWrite = true; }},
        {"[RDS]USEPOLLWRLOOP BYTEWRITE\n",
         {"Uso de ciclos WRITE-POLL ( FAST WRITES )"},
         [](S& s) { s.pollWrite = true; }},
        {"[RDS]EEPROMSIZE=8000\n", {"EEPROMSIZE=8000"}, nullptr},
        {"[RDS]EEPROMSIZE=800\n", {"EEPROMSIZE=800"}, [](S& s) { s.eepromSize = 0x800; }},
        {"[RDS]EEPROMSIZE=FFFFFFFF\n",
         {"EEPROMSIZE=FFFFFFFF", "EEPROMSIZE negativo - usado 0."},
         [](S& s) { s.eepromSize = 0; }},
        {"[RDS]PORT=32767\n", {"PORT=32767"}, [](S& s) { s.port = 32767; }},
        {"[RDS]PORT=-1\n", {"PORT=-1", "PORT fora de 0..32767 - mantido 6969."}, nullptr},
        {"[RDS]PORT=7100\n[RDS]PORT=40000\n",
         {"PORT=7100", "PORT=40000", "PORT fora de 0..32767 - mantido 7100."},
         [](S& s) { s.port = 7100; }},
        {"[RDS]LPT=66168\n", {"LPT=66168"}, [](S& s) { s.basePort = 0x278; }},  // 0x10278
        {"[RDS]RPSN=261\n", {"RPSN=261"}, [](S& s) { s.psRepeat = 5; }},
        // The first key in the order of testing decides, wherever it stands on the line.
        {"[RDS]STRIKEINITIALTIMESERVER PORT=7002\n", {"PORT=7002"}, [](S& s) { s.port = 7002; }},
        {"x[RDS] junk EEPROMSIZE=10 PORT=5\n", {"EEPROMSIZE=10 PORT=5"}, [](S& s) { s.eepromSize = 16; }},
        // A later line wins, an unreadable number keeps the value, a minute past 59 is kept.
        {"[RDS]CLTIMERMINUTE=15\n[RDS]CLTIMERMINUTE=75\n[RDS]CLTIMERMINUTE=soon\n[RDS]WRHALTTIME=200\n[RDS]I2CCLKCYCLE=-1\n",
         {"CLTIMERMINUTE=15", MINUTE, "CLTIMERMINUTE=75", MINUTE, "CLTIMERMINUTE=SOON", MINUTE, "WRHALTTIME=200",
          "I2CCLKCYCLE=-1"},
         [](S& s) {
             s.timeMinute = 75;
             s.writeWait = 0x200;
             s.clockDelay = 0xFFFFFFFF;
         }},
        // 300 characters go as pieces of 255 and 45: the key in the second lacks the marker.
        {"[RDS]" + std::string(250, 'A') + "ENABLETIMESERVER" + std::string(29, 'B') + "\n" + std::string(255, 'C') +
             "[RDS]PORT=7003\n",
         {"PORT=7003"},
         [](S& s) { s.port = 7003; }},
        {std::string("[RDS]PORT=7004\n") + '\0' + "\n[RDS]PORT=7005\n", {"PORT=7004"}, [](S& s) { s.port = 7004; }},
    };
    for (const auto& [text, lines, edit] : rows) {
        std::istringstream in(text);
        const auto report = CConfigReader::Read(&in);
        ServerSettings expected;
        if (edit) edit(expected);
        ASSERT_GE(report.logLines.size(), 2u);
        EXPECT_EQ(report.logLines.front() + report.logLines.back(), HEADER + BANNER);
        EXPECT_EQ(std::vector(report.logLines.begin() + 1, report.logLines.end() - 1), lines) << text.substr(0, 60);
        EXPECT_EQ(Text(report.settings), Text(expected)) << text.substr(0, 60);
    }
}

TEST(ConfigReader, NumberConversionsFollowTheCLibrary) {
    const std::tuple<const char*, int64_t, int64_t> rows[] = {
        // text, " %x", " %d"; -2: no number read
        {"1A", 0x1A, 1},
        {"  0x1f", 0x1F, 0},
        {"-1", 0xFFFFFFFF, -1},
        {"+7z", 7, 7},
        {"G", -2, -2},
        {"", -2, -2},
        {"   ", -2, -2},
        {"0xZ", 0, 0},
        {"100000001", 1, 100000001},
        {"4294967297", 0x94967297, 1},
        {"99999999999999999999", 0xFFFFFFFF, -1},
        {"-99999999999999999999", 0xFFFFFFFF, 0},
        {"\t42 rest", 0x42, 42},
    };
    const auto value = [](const auto& got) { return got ? int64_t{*got} : int64_t{-2}; };
    for (const auto& [text, hex, dec] : rows) {
        const auto got = std::pair(value(CConfigReader::ScanHex(text)), value(CConfigReader::ScanDecimal(text)));
        EXPECT_EQ(got, std::pair(hex, dec)) << text;
    }
}

TEST(ConfigReader, ReplyChoosesHowCommandClientsAreAnswered) {
    const struct {
        std::string text;
        ReplyMode mode;
        std::vector<std::string> lines;
    } rows[] = {
        {"[RDS]REPLY=PLUS\n", ReplyMode::Plus, {"REPLY=PLUS"}},
        {"[rds]reply=ok \r\n", ReplyMode::Ok, {"REPLY=OK "}},
        {"[RDS]REPLY= OK ; answers\n", ReplyMode::Ok, {"REPLY= OK ; ANSWERS"}},
        {"[RDS]REPLY=OK\n[RDS]REPLY=YES\n",
         ReplyMode::None,
         {"REPLY=OK", "REPLY=YES", "REPLY desconhecido (PLUS ou OK) - sem respostas."}},
        {"[RDS]REPLY=\n", ReplyMode::None, {"REPLY=", "REPLY desconhecido (PLUS ou OK) - sem respostas."}},
        {";[RDS]REPLY=PLUS\n", ReplyMode::None, {}},
        {"[RDS]PORT=7000\n", ReplyMode::None, {"PORT=7000"}},
    };
    for (const auto& row : rows) {
        std::istringstream in(row.text);
        const auto report = CConfigReader::Read(&in);
        EXPECT_EQ(report.settings.replyMode, row.mode) << row.text;
        ASSERT_GE(report.logLines.size(), 2u);
        EXPECT_EQ(std::vector(report.logLines.begin() + 1, report.logLines.end() - 1), row.lines) << row.text;
    }
}

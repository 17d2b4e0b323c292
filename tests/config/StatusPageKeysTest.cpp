// DEF.INI's status page keys: read only on [RDS] lines, after every older key, so that a line
// meant for an older key keeps that meaning and the command port is never taken for the page's.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "ConfigReader.h"

namespace {

ConfigReport ReadText(const std::string& text) {
    std::istringstream in(text);
    return CConfigReader::Read(&in);
}

}  // namespace

TEST(StatusPageKeys, Table) {
    // The file, then the page's port, its address and the command port it leaves.
    const std::tuple<std::string, int, std::string, int> rows[] = {
        {"", 0, "127.0.0.1", 6969},
        {"[RDS]WEBSTATUS=8080\n", 8080, "127.0.0.1", 6969},
        {"[rds]webstatus=8081\r\n", 8081, "127.0.0.1", 6969},
        {"[RDS]WEBSTATUS=8080\n[RDS]WEBBIND=0.0.0.0\n", 8080, "0.0.0.0", 6969},
        {"[RDS]WEBBIND=  10.1.2.3  \t\n[RDS]WEBSTATUS=80\n", 80, "10.1.2.3", 6969},
        {"[RDS]WEBBIND=::1\n[RDS]WEBSTATUS=8080\n", 8080, "::1", 6969},
        {"WEBSTATUS=8080\n", 0, "127.0.0.1", 6969},                 // no [RDS] marker
        {";[RDS]WEBSTATUS=8080\n", 0, "127.0.0.1", 6969},           // a comment
        {"[RDS]PORT=7000 WEBSTATUS=8080\n", 0, "127.0.0.1", 7000},  // the older key wins its line
        {"[RDS]WEBSTATUS=8080 PORT=7000\n", 0, "127.0.0.1", 7000},
        {"[RDS]WEBSTATUS=70000\n", 0, "127.0.0.1", 6969},
        {"[RDS]WEBSTATUS=-1\n", 0, "127.0.0.1", 6969},
        {"[RDS]WEBSTATUS=8080\n[RDS]WEBSTATUS=x\n", 0, "127.0.0.1", 6969},  // a bad later line switches it off
    };
    for (const auto& [file, webPort, bind, commandPort] : rows) {
        const ServerSettings s = ReadText(file).settings;
        EXPECT_EQ(s.webStatusPort, webPort) << file;
        EXPECT_EQ(s.webBind, bind) << file;
        EXPECT_EQ(s.port, commandPort) << file;
    }
}

TEST(StatusPageKeys, EchoedLikeTheOtherKeysAndARefusedPortSaysSo) {
    const ConfigReport r = ReadText("[RDS]WEBSTATUS=8080\n[RDS]WEBBIND=0.0.0.0\n[RDS]WEBSTATUS=99999\n");
    const std::vector<std::string> middle(r.logLines.begin() + 1, r.logLines.end() - 1);
    EXPECT_EQ(middle, (std::vector<std::string>{"WEBSTATUS=8080", "WEBBIND=0.0.0.0", "WEBSTATUS=99999",
                                                "WEBSTATUS fora de 0..65535 - p\xE1gina de estado desligada."}));
}

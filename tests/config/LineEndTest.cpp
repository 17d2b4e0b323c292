// DEF.INI as written by editors of every age: CR LF, LF and CR alone end its lines alike.
#include "ConfigReader.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(ConfigLineEnds, CrLfLfAndALoneCrEachEndALine) {
    // A comment first: read as one line, it would hide every setting behind it.
    const std::string lines[] = {"; station settings", "[RDS]EEPROMSIZE=1000", "[RDS]PORT=7000", "[RDS]AUTOSYNCEEPROM"};
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (const std::string& line : lines) text += line + end;
        std::istringstream in(text);
        const ConfigReport report = CConfigReader::Read(&in);
        EXPECT_EQ(report.settings.eepromSize, 0x1000) << int(end.back());
        EXPECT_EQ(report.settings.port, 7000) << int(end.back());
        EXPECT_TRUE(report.settings.autoLoad) << int(end.back());
        // The echoed lines carry no line-end characters.
        for (const std::string& echoed : report.logLines) EXPECT_EQ(echoed.find('\r'), std::string::npos);
    }
}

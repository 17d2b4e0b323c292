// Station file names as the configuration writes them, found in the working folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FileLookup.h"

namespace fs = std::filesystem;

namespace {

class FileLookup : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvane-lookup-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        fs::create_directory(dir + "/Player");
        for (const char* name : {"DEF.INI", "RDS.TXT", "Player/Status.htm", "mixed.TXT", "MIXED.txt"}) {
            std::ofstream(dir + "/" + name) << name;
        }
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

TEST_F(FileLookup, MatchesEachComponentWithoutRegardToCase) {
    struct Case {
        std::string name, expected;  // expected relative to the folder
    };
    const Case cases[] = {
        {"DEF.INI", "/DEF.INI"},
        {"def.ini", "/DEF.INI"},
        {".\\def.ini", "/DEF.INI"},
        {"./Def.Ini", "/DEF.INI"},
        {".\\PLAYER\\STATUS.HTM", "/Player/Status.htm"},
        {"player/status.HTM", "/Player/Status.htm"},
        {"player//./status.htm", "/Player/Status.htm"},
        {"mixed.TXT", "/mixed.TXT"},  // an exact match wins
        {"MIXED.txt", "/MIXED.txt"},
        {"Mixed.Txt", "/MIXED.txt"},  // of two, the smaller name, whatever the folder's order
        {"TIMECLI.TXT", "/TIMECLI.TXT"},  // missing: kept as written
        {"nowhere\\def.ini", "/nowhere/def.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveFileName(dir, c.name), dir + c.expected) << c.name;
    }
}

TEST_F(FileLookup, AbsoluteNamesIgnoreTheFolder) {
    std::string inside = dir.substr(1);  // without its leading '/'
    EXPECT_EQ(ResolveFileName("/nonexistent", "/" + inside + "/player/STATUS.HTM"),
              dir + "/Player/Status.htm");
    EXPECT_EQ(ResolveFileName("/nonexistent", "\\" + inside + "\\def.ini"), dir + "/DEF.INI");
}

TEST_F(FileLookup, ResolvedNamesOpenTheFile) {
    std::ifstream in(ResolveFileName(dir, ".\\rds.txt"));
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "RDS.TXT");
}

}  // namespace

// The start-up command file: what is executed, what is logged, and in which order.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CommandFile.h"
#include "IClock.h"
#include "RdsModel.h"
#include "Title.h"

namespace fs = std::filesystem;

namespace {

const std::string OPENING = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
const std::string CLOSING =
    "**************************************************************************";  // 74

// Records every call in order, and runs the commands on a real model.
struct RecordingHost : ICommandFileHost {
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
    std::vector<std::string> calls;

    int ExecuteCommandLine(const std::string& line) override {
        calls.push_back("exec " + line);
        return model.ExecuteCommand(line.c_str());
    }
    void AddLog(const std::string& line) override { calls.push_back(line); }
    void SwitchOnAutoLoad() override { calls.push_back("<autoload>"); }
    void ResetRememberedTitle() override { calls.push_back("<reset title>"); }
    void Rebuild() override { calls.push_back("<rebuild>"); }
};

class CommandFile : public ::testing::Test {
protected:
    std::string m_dir;
    RecordingHost host;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvane-cmdfile-XXXXXX").string();
        m_dir = mkdtemp(pattern.data());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Run(const std::string& bytes) {
        std::string path = m_dir + "/RDS.TXT";
        std::ofstream(path, std::ios::binary) << bytes;
        ProcessCommandFile(path, host);
    }
    // The log lines alone, without the executions and the host calls.
    std::vector<std::string> Logged() const {
        std::vector<std::string> lines;
        for (const auto& c : host.calls) {
            if (c.rfind("exec ", 0) != 0 && c.front() != '<') lines.push_back(c);
        }
        return lines;
    }
};

TEST_F(CommandFile, CommentsAndBlankLinesStillEndInARebuild) {
    Run("; Orvane FM\r\n\r\n   \r\n;PI=1111\r\n\t\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{OPENING, "<reset title>", CLOSING, "<rebuild>"}));
    EXPECT_EQ(host.model.m_pi, 0);
}

TEST_F(CommandFile, LinesAreTrimmedExecutedAndLoggedWithTheirResult) {
    Run("PI=C201   \r\n"
        "XY\n"
        "XYZ\n"
        " ;PTY=0A\n"             // not a comment: the ';' is not first
        "TP=01\xE9\xFF\n"        // trailing 0x80..0xFF go like blanks
        "  .END\n"
        ".asyncload\n"
        "DI=01");                // last line without a line end
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              OPENING, "<reset title>",
                              "exec PI=C201", "PI=C201 - OK",
                              "exec XYZ", "XYZ - ERROR",
                              "exec  ;PTY=0A", " ;PTY=0A - ERROR",
                              "exec TP=01", "TP=01 - OK",
                              "exec   .END", "  .END - ERROR",
                              "exec .asyncload", ".asyncload - ERROR",
                              "exec DI=01", "DI=01 - OK",
                              CLOSING, "<rebuild>"}));
    EXPECT_EQ(host.model.m_pi, 0xC201);
    EXPECT_EQ(host.model.m_tp, 1);
    EXPECT_EQ(host.model.m_di, 1);
    EXPECT_EQ(host.model.m_pty, 0);
}

TEST_F(CommandFile, DirectivesEndTheReadingAndSwitchOnAutoLoad) {
    Run("PI=8A51\n.ASYNCLOAD\n.END\nPTY=0A\n.ASYNCLOAD\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{OPENING, "<reset title>", "exec PI=8A51",
                                                    "PI=8A51 - OK", "<autoload>", CLOSING,
                                                    "<rebuild>"}));
    EXPECT_EQ(host.model.m_pty, 0);

    host.calls.clear();
    Run(".END   \r\nPI=1234\n");  // the directive is recognised after trimming
    EXPECT_EQ(host.calls, (std::vector<std::string>{OPENING, "<reset title>", CLOSING, "<rebuild>"}));
}

TEST_F(CommandFile, MissingFileIsLoggedAndNothingIsBuilt) {
    ProcessCommandFile(m_dir + "/RDS.TXT", host);
    EXPECT_EQ(host.calls, (std::vector<std::string>{OPENING, "<reset title>",
                                                    "Ficheiro RDS.TXT Inexistente."}));
}

TEST_F(CommandFile, LongLinesAreReadInPiecesOf255) {
    // 300 characters: the first 255 are one command, the other 45 another.
    const std::string line = "PI=1234" + std::string(248, 'x') + std::string(45, 'y');
    ASSERT_EQ(line.size(), 300u);
    Run(line + "\n" + std::string(255, 'z') + "\nMS=01\n");
    EXPECT_EQ(Logged(), (std::vector<std::string>{
                            OPENING, line.substr(0, 255) + " - OK", std::string(45, 'y') + " - ERROR",
                            std::string(255, 'z') + " - ERROR",  // its line end is a piece alone
                            "MS=01 - OK", CLOSING}));
    EXPECT_EQ(host.model.m_pi, 0x1234);
    EXPECT_EQ(host.model.m_ms, 1);
}

TEST_F(CommandFile, ZeroByteEndsTheLineText) {
    const char bytes[] = "PI=12\0" "34\nMS=01\n";
    Run(std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ(Logged(), (std::vector<std::string>{OPENING, "PI=12 - OK", "MS=01 - OK", CLOSING}));
    EXPECT_EQ(host.model.m_pi, 0x1200);
}

TEST(CommandFileModelHost, RunsOnTheModelAndForgetsTheAppliedTitle) {
    struct Log : ILogSink {
        std::vector<std::string> lines;
        void AddLog(const std::string& line) override { lines.push_back(line); }
    } log;
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
    CTitleTracker titles;
    titles.m_appliedTitle = "Old song";
    titles.m_titleSum = 0x42;
    bool autoLoad = false;
    CModelCommandFileHost host(model, log, titles, autoLoad);

    std::string dir = (fs::temp_directory_path() / "orvane-cmdhost-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::ofstream(dir + "/RDS.TXT") << "PSN=\"ABCDEFGH\"\n.ASYNCLOAD\nTXT0=\"Ola\"\n";
    ProcessCommandFile(dir + "/RDS.TXT", host);
    fs::remove_all(dir);

    EXPECT_TRUE(autoLoad);
    EXPECT_EQ(titles.m_appliedTitle, "");
    EXPECT_EQ(titles.m_titleSum, 0);
    EXPECT_EQ(log.lines.size(), 4u);
    // The rebuild composed the RadioText: one page and 16 RadioText groups.
    EXPECT_EQ(std::string(model.m_txt0Text.data(), 3), "Ola");
    EXPECT_EQ(model.GetRecordCount(), 28);
}

}  // namespace

// Every stored random station folder coded again by the built orvane-encode: the EEPROM content
// and the log must be what the coder gave when the folder was made (scripts/make-differential-corpus).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TestSupport.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct CaseSettings {
    std::string zone, at;
    bool title = false;
};

CaseSettings ReadCase(const std::filesystem::path& folder) {
    std::ifstream in(folder / "case");
    CaseSettings c;
    std::string title;
    std::getline(in, c.zone);
    std::getline(in, c.at);
    std::getline(in, title);
    c.title = title == "title";
    return c;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

TEST(DifferentialCorpus, EveryStoredFolderCodesToTheSameEepromAndLog) {
    const std::filesystem::path corpus = ORVANE_DIFFERENTIAL_DIR;
    int folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::filesystem::path folder = entry.path();
        const CaseSettings c = ReadCase(folder);
        TempFolder out;
        std::string command = "TZ='" + c.zone + "' '" ORVANE_ENCODE_TOOL "' --dir '" + folder.string() + "' --at '" +
                              c.at + "' -o '" + out.path + "/e2'";
        if (c.title) command += " --title '" + (folder / "STATUS.HTM").string() + "'";
        const int status = std::system((command + " 2>'" + out.path + "/log'").c_str());
        std::string log = "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n" +
                          out.Read("log");
        ReplaceAll(log, folder.string(), "DIR");
        EXPECT_EQ(out.Read("e2"), ReadAll(folder / "expected.e2")) << folder;
        EXPECT_EQ(log, ReadAll(folder / "expected.log")) << folder;
        ++folders;
    }
    EXPECT_GE(folders, 300);
}

#pragma once
// What the RDS and tool tests share: a model on a fixed clock, padding, a scratch folder, and
// the image as a receiver reads it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "CommandFile.h"
#include "LogSink.h"
#include "RdsModel.h"
#include "RdsTestDecoder.h"
#include "Title.h"

// 13:34 local on 6 December 2026, one hour east of UTC.
struct TestModel {
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
    int Run(const std::string& line) { return model.ExecuteCommand(line.c_str()).executed; }
};

inline std::string Pad(std::string text, size_t size = 64, char fill = ' ') {
    text.resize(size, fill);
    return text;
}

struct LogLines : ILogSink {
    std::string lines;  // each followed by a line end
    void AddLog(const std::string& line) override { lines += line + "\n"; }
};

// A model driven as the server drives it from its command file, with the log and the title kept.
struct CommandFileStation : TestModel {
    LogLines log;
    CTitleTracker tracker;
    bool autoLoad = false;
    CModelCommandFileHost host{model, log, tracker, autoLoad};
};

// A fresh folder under the system's temporary folder, removed with the object.
struct TempFolder {
    std::string path = [] {
        std::string pattern = std::filesystem::temp_directory_path() / "orvane-test-XXXXXX";
        return mkdtemp(pattern.data()) ? pattern : "/nonexistent";
    }();
    std::error_code ec;  // a clean-up that fails is no test failure
    ~TempFolder() { std::filesystem::remove_all(path, ec); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path + "/" + name, std::ios::binary) << bytes;
        return path + "/" + name;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

// The groups of an image as a receiver takes them; every one of them must pass its checks.
inline rdstest::CTestReceiver Receive(const uint8_t* image, int length) {
    rdstest::CTestReceiver rx;
    rx.FeedAll(rdstest::DecodeImage(image, length));
    EXPECT_EQ(rx.invalidGroups, 0);
    return rx;
}
inline rdstest::CTestReceiver Receive(const CRdsModel& model) {
    return Receive(model.GetImage(), model.GetImageLength());
}

// The group tags of n whole PS pages in a row.
inline std::string Pages(int n) {
    std::string order;
    while (n-- > 0) order += "P0 P1 P2 P3 ";
    return order;
}

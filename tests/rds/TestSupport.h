#pragma once
// What the RDS and tool tests share: a model on a fixed clock, padding, a scratch folder.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "LogSink.h"
#include "RdsModel.h"

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

// Every file of every harness's corpus, seeds and past findings alike, through the harness
// the fuzzer ran it on: a finding mended once stays mended in the ordinary build.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzHarnesses.h"

namespace {
std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
}  // namespace

// Test lists name a harness by its corpus folder.
void PrintTo(const NamedHarness& harness, std::ostream* out) { *out << harness.name; }

class CorpusReplay : public ::testing::TestWithParam<NamedHarness> {};

TEST_P(CorpusReplay, EveryFileRunsThroughItsHarness) {
    const std::filesystem::path folder = std::filesystem::path(ORVANE_FUZZ_CORPUS) / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::vector<uint8_t> bytes = ReadAll(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        // A broken promise aborts the harness, and with it this test.
        EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), 0);
        ++files;
    }
    EXPECT_GT(files, 0) << "no seed in " << folder;
}

INSTANTIATE_TEST_SUITE_P(Harnesses, CorpusReplay, ::testing::ValuesIn(AllHarnesses().begin(), AllHarnesses().end()),
                         [](const auto& info) { return std::string(info.param.name); });

#include "FuzzHarnesses.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CommandFile.h"
#include "CommandLanguage.h"
#include "ConfigReader.h"
#include "EepromMirror.h"
#include "IClock.h"
#include "LineAssembler.h"
#include "RdsModel.h"
#include "RdsTestDecoder.h"
#include "SimParallelPort.h"
#include "TimeClients.h"
#include "Title.h"

namespace {

// A broken promise: said on stderr, then the abort that libFuzzer and ctest both see.
void Check(bool held, const char* promise) {
    if (held) return;
    std::fprintf(stderr, "fuzz: broken promise: %s\n", promise);
    std::abort();
}

struct NullLog : ILogSink {
    void AddLog(const std::string&) override {}
};

// A file of the harness's own, replaced for every input and removed after it.
class ScratchFile {
public:
    ScratchFile(const char* tag, const uint8_t* data, size_t size)
        : m_path("/tmp/orvane-fuzz-" + std::to_string(::getpid()) + "-" + tag) {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ~ScratchFile() { ::unlink(m_path.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

CFixedClock& Clock() {
    static CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
    return clock;
}

// Whatever the commands did, every record must reach a receiver with good checkwords.
void CheckImage(const CRdsModel& model) {
    const int length = model.GetImageLength();
    Check(length >= 0 && length <= IMAGE_CAPACITY, "image length within its capacity");
    // A full image ends in the part of a record that fits; the count word leaves it out.
    Check(length % RECORD_BYTES == 0 || length == IMAGE_CAPACITY, "image made of whole records unless full");
    const auto groups = rdstest::DecodeImage(model.GetImage(), length - length % RECORD_BYTES);
    Check(std::all_of(groups.begin(), groups.end(), [](const rdstest::Group& g) { return g.valid; }),
          "every record decodes with good checkwords");
}

// Each LF ends one line; the part after the last one is a line too.
std::vector<std::string> SplitLines(const uint8_t* data, size_t size) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') lines.emplace_back();
        else lines.back().push_back(static_cast<char>(data[i]));
    }
    return lines;
}

// A line as the network side hands it on: no line end, no zero, no trailing blank or control
// byte, and no trailing 0x80..0xFF either unless a playout keyword keeps its text's accents.
void CheckAssembledLine(const std::string& line) {
    Check(line.size() <= CLineAssembler::kMaxLine, "line within the receive buffer");
    Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, "no CR, LF or zero in a line");
    if (line.empty()) return;
    const auto last = static_cast<unsigned char>(line.back());
    Check(last > 0x20, "no trailing blank or control byte");
    Check(last < 0x80 || StartsWithPlayoutKeyword(line), "no trailing 0x80..0xFF after an old keyword");
}

// Pages joined by '|': all but the last of 8 characters, the last of at most 8, none opening with a blank.
void CheckPsPages(const std::string& pages) {
    size_t start = 0;
    for (;;) {
        const size_t bar = pages.find('|', start);
        const std::string page = pages.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        Check(page.size() <= 8 && (bar == std::string::npos || page.size() == 8), "PS title pages of 8 characters");
        Check(page.empty() || page.front() != ' ', "no PS title page opens with a blank");
        if (bar == std::string::npos) return;
        start = bar + 1;
    }
}

// Records of varied bytes for the EEPROM harness; the mirror does not look inside them.
std::vector<uint8_t> Records(int records, uint8_t seed) {
    std::vector<uint8_t> image(static_cast<size_t>(records) * RECORD_BYTES);
    uint32_t x = seed + 1u;
    for (auto& b : image) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
    return image;
}

}  // namespace

int FuzzCommandLine(const uint8_t* data, size_t size) {
    CRdsModel model(Clock());
    for (const std::string& line : SplitLines(data, size)) {
        const CommandResult result = model.ExecuteCommand(line.c_str());
        Check(result.executed == 0 || result.executed == 1, "a command result is 0 or 1");
    }
    model.Rebuild();
    CheckImage(model);
    return 0;
}

int FuzzCommandFile(const uint8_t* data, size_t size) {
    const ScratchFile file("rds", data, size);
    CRdsModel model(Clock());
    NullLog log;
    CTitleTracker titles;
    bool autoLoad = false;
    CModelCommandFileHost host(model, log, titles, autoLoad);
    const CommandFileReading reading = ProcessCommandFile(file.Path(), host);
    Check(reading.read == CommandFileRead::Read, "a regular file is read");
    CheckImage(model);
    return 0;
}

int FuzzConfig(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const ConfigReport report = CConfigReader::Read(&in);
    const ServerSettings& s = report.settings;
    Check(report.found, "a stream counts as found");
    Check(s.eepromSize >= 0 && s.eepromSize <= CConfigReader::MAX_EEPROM_SIZE, "EEPROMSIZE within 0..0x7FF7");
    Check(s.port >= 0 && s.port <= CConfigReader::MAX_PORT, "PORT within 0..32767");
    return 0;
}

int FuzzTimeClients(const uint8_t* data, size_t size) {
    const ScratchFile file("timecli", data, size);
    std::FILE* in = std::fopen(file.Path().c_str(), "rb");
    Check(in != nullptr, "the scratch file opens");
    std::array<std::string, kMaxTimeClients> clients;
    const int count = ReadTimeClients(in, clients);
    std::fclose(in);
    Check(count >= 0 && count <= kMaxTimeClients, "at most 32 clients");
    for (int i = 0; i < count; ++i) {
        std::array<int, 5> numbers{};
        Check(ParseTimeClient(clients[static_cast<size_t>(i)].c_str(), numbers), "a kept client line parses again");
        if (IsUsableTimeClient(numbers)) {
            const std::string dotted = FormatDottedAddress(numbers);
            Check(dotted.size() >= 7 && dotted.size() <= 15, "a usable address prints as a dotted quad");
        }
    }
    return 0;
}

int FuzzTitleFile(const uint8_t* data, size_t size) {
    const ScratchFile file("title", data, size);
    CRdsModel model(Clock());
    NullLog log;
    CTitleTracker titles;
    titles.Poll(file.Path(), model, log);
    std::string raw;
    // A '|' of the title itself is taken as a page break, as in every PS text; only titles
    // without one promise even pages.
    if (ReadTitleFile(file.Path(), raw) && raw.find('|') == std::string::npos) {
        uint8_t checksum = 0;
        CheckPsPages(FormatPsTitle(raw, checksum));
    }
    CheckImage(model);
    return 0;
}

int FuzzNetReceive(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // Byte 0 picks the receive sizes, so one input stands for one chunking of the rest.
    uint32_t x = data[0] + 1u;
    CLineAssembler assembler;
    std::vector<std::string> lines;
    for (size_t offset = 1; offset < size;) {
        x = x * 1103515245u + 12345u;
        const size_t cut = std::min<size_t>(size - offset, 1 + (x >> 16) % CLineAssembler::kMaxLine);
        const std::string receive(reinterpret_cast<const char*>(data + offset), cut);
        (void)HasTextAfterFirstValue(receive);
        assembler.Feed(receive.data(), receive.size(), lines);
        offset += cut;
        Check(assembler.HasHeld() == false || assembler.SawLineEnd(), "a piece is held only after a line end");
    }
    std::string held;
    if (assembler.TakeHeld(held)) lines.push_back(held);
    Check(!assembler.HasHeld(), "nothing held after it was taken");
    for (const std::string& line : lines) CheckAssembledLine(line);
    return 0;
}

int FuzzEepromContent(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Bytes 0 and 1: how much the server reads and how many records it then syncs; the rest is the chip.
    const int eepromSize = 2 + (data[0] | (data[1] & 0x0F) << 8) % (CSimEeprom::SIZE - 1);
    const int records = std::min<int>(data[2], (eepromSize - 2) / RECORD_BYTES);
    CSimParallelPort sim;
    for (size_t i = 3; i < size && i - 3 < CSimEeprom::SIZE; ++i) sim.Chip().Poke(static_cast<int>(i - 3), data[i]);
    CI2cPort bus(&sim);
    CSilentEepromView view;
    CEepromMirror mirror(bus, view);
    mirror.SetEepromSize(eepromSize);
    const ReadReport read = mirror.ReadEeprom();
    Check(read.ready, "a chip that answers every byte reads");
    const auto& chip = sim.Chip().Bytes();
    for (int a = 0; a < eepromSize; ++a) Check(mirror.Target(a) == chip[static_cast<size_t>(a)], "read as stored");

    // Whatever count and records were there, a few syncs bring the chip to the image.
    const std::vector<uint8_t> image = Records(records, data[2]);
    const auto holds = [&] {
        return (chip[0] | chip[1] << 8) == records && std::equal(image.begin(), image.end(), chip.begin() + 2);
    };
    for (int sync = 0; sync < 3 && !holds(); ++sync) {
        const SyncReport report = mirror.SyncEeprom(image.data(), static_cast<int>(image.size()));
        Check(report.ran && report.verifyFailed == 0, "a sync without faults verifies");
    }
    Check(holds(), "three syncs bring any content to the image");
    return 0;
}

std::span<const NamedHarness> AllHarnesses() {
    static constexpr std::array<NamedHarness, 7> harnesses{{
        {"command_line", FuzzCommandLine},
        {"command_file", FuzzCommandFile},
        {"config", FuzzConfig},
        {"time_clients", FuzzTimeClients},
        {"title_file", FuzzTitleFile},
        {"net_receive", FuzzNetReceive},
        {"eeprom_content", FuzzEepromContent},
    }};
    return harnesses;
}

#include "DecodeTool.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "Cp1252.h"
#include "EepromDecoder.h"
#include "EncodeTool.h"
#include "RdsTypes.h"

namespace {

constexpr char TOOL[] = "orvane-encode";
constexpr int CHIP_BYTES = 4096;       // an X24C32 read out whole, as the simulator keeps it
constexpr int LARGEST_FILE = 1 << 20;  // far beyond any image: a larger file is not one

int Refuse(std::ostream& err, const std::string& file, const std::string& why) {
    err << TOOL << ": \"" << file << "\" is no EEPROM image: " << why << "\n";
    return EXIT_USAGE;
}

// A file of the chip's size, or the -o output: the count word and that many records (the
// last possibly partial, when the image filled its capacity).
std::string SizeProblem(const std::vector<uint8_t>& bytes) {
    const int size = static_cast<int>(bytes.size());
    if (size == CHIP_BYTES) return {};
    const std::string expected = " (expected " + std::to_string(CHIP_BYTES) +
                                 " bytes of an X24C32, or the record count and its records as -o writes them)";
    if (size < EEPROM_HEADER_BYTES) return "wrong size: " + std::to_string(size) + " bytes" + expected;
    const int count = bytes[0] | bytes[1] << 8;
    const int records = EEPROM_HEADER_BYTES + count * RECORD_BYTES;
    if (records > size) {
        return "the record count " + std::to_string(count) + " runs past the end of its " + std::to_string(size) +
               " bytes";
    }
    if (size - records >= RECORD_BYTES) return "wrong size: " + std::to_string(size) + " bytes" + expected;
    return {};
}

void Print(const OnAirReport& report, bool json, std::ostream& out) {
    if (json) {
        out << OnAirJson(report) << '\n';
        return;
    }
    for (const std::string& line : OnAirLines(report)) out << Cp1252ToUtf8(line) << '\n';
}

}  // namespace

int RunDecodeTool(const std::string& file, bool json, std::istream& in, std::ostream& out, std::ostream& err) {
    EepromDecoding decoding;
    if (file == "-") {
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        decoding = DecodeGroupLines(text);
        if (decoding.fault != EepromFault::None) return Refuse(err, "standard input", decoding.why);
    } else {
        std::error_code ec;
        if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec)) {
            return Refuse(err, file, "not a regular file");  // a FIFO would hold the tool, a folder reads as nothing
        }
        std::ifstream stream(file, std::ios::binary);
        if (!stream) return Refuse(err, file, "it cannot be opened");
        std::vector<uint8_t> bytes;
        char c = 0;
        while (static_cast<int>(bytes.size()) <= LARGEST_FILE && stream.get(c))
            bytes.push_back(static_cast<uint8_t>(c));
        if (stream.bad()) return Refuse(err, file, "it cannot be read");
        if (const std::string problem = SizeProblem(bytes); !problem.empty()) return Refuse(err, file, problem);
        decoding = DecodeEeprom(bytes.data(), static_cast<int>(bytes.size()));
        if (decoding.fault != EepromFault::None) return Refuse(err, file, decoding.why);
    }
    Print(decoding.report, json, out);
    return EXIT_DONE;
}

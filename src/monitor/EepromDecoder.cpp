#include "EepromDecoder.h"

#include <cstdio>
#include <sstream>

#include "RdsTypes.h"
#include "Receiver.h"

namespace {

constexpr int BLOCKS = 4;

bool AllKnown(const uint8_t* readBack, int from, int count) {
    if (readBack == nullptr) return true;
    for (int a = from; a < from + count; ++a) {
        if (readBack[a] == 0) return false;
    }
    return true;
}

std::string Hex(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

// One capture line: true with the group, or false when it is not four hex words.
bool ParseGroupLine(const std::string& line, ReceivedGroup& group) {
    std::istringstream words(line);
    std::string word;
    group.intact = true;
    int n = 0;
    while (words >> word) {
        if (n == BLOCKS) return false;
        if (word == "----") {
            group.intact = false;
            ++n;
            continue;
        }
        if (word.size() != 4 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
        group.info[n++] = static_cast<uint16_t>(std::stoul(word, nullptr, 16));
    }
    return n == BLOCKS;
}

EepromDecoding DecodeContent(const uint8_t* bytes, int size, const uint8_t* readBack) {
    EepromDecoding decoding;
    if (size < EEPROM_HEADER_BYTES) {
        decoding.fault = EepromFault::CountPastEnd;
        decoding.why = "no room for the record count";
        return decoding;
    }
    if (!AllKnown(readBack, 0, EEPROM_HEADER_BYTES)) {
        decoding.fault = EepromFault::CountUnread;
        decoding.why = "the record count was not read back";
        return decoding;
    }
    const int count = bytes[0] | bytes[1] << 8;
    decoding.recordCount = count;
    const int fitting = (size - EEPROM_HEADER_BYTES) / RECORD_BYTES;
    if (count > fitting) {
        decoding.fault = EepromFault::CountPastEnd;
        decoding.why = "the record count " + std::to_string(count) + " (" + Hex(count) + ") claims more than the " +
                       std::to_string(fitting) + " records the " + std::to_string(size) + " bytes hold" +
                       (count == 0xFFFF ? "; the chip is blank or erased" : "");
        return decoding;
    }
    CReceiver receiver;
    for (int n = 0; n < count; ++n) {
        const int address = EEPROM_HEADER_BYTES + n * RECORD_BYTES;
        if (!AllKnown(readBack, address, RECORD_BYTES)) {
            receiver.Unread(address);
            continue;
        }
        receiver.Feed(DecodeRecord(bytes + address), address);
    }
    decoding.report = receiver.Report();
    const OnAirReport& report = decoding.report;
    if (count > 0 && static_cast<int>(report.badRecords.size()) == count) {
        decoding.fault = EepromFault::Foreign;
        decoding.why = "none of the " + std::to_string(count) +
                       " records passes its checkwords: not an RDS group image";
    }
    return decoding;
}

}  // namespace

EepromDecoding DecodeEeprom(const uint8_t* bytes, int size, const uint8_t* readBack) {
    EepromDecoding decoding = DecodeContent(bytes, size, readBack);
    if (decoding.fault != EepromFault::None) decoding.report.problem = decoding.why;
    return decoding;
}

EepromDecoding DecodeGroupLines(const std::string& text) {
    EepromDecoding decoding;
    CReceiver receiver;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#') continue;
        ReceivedGroup group;
        if (!ParseGroupLine(line, group)) {
            decoding.fault = EepromFault::BadLine;
            decoding.why = "line " + std::to_string(lineNumber) + " is not four hex words: \"" + line + "\"";
            return decoding;
        }
        // A lost group is named by its line, where a file names its address.
        receiver.Feed(group, lineNumber);
        ++decoding.recordCount;
    }
    decoding.report = receiver.Report();
    decoding.report.fromCapture = true;
    return decoding;
}

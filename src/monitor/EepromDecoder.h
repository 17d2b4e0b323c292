#pragma once
// What a receiver shows for an EEPROM's content: the record count word (low byte first) at
// address 0, then the 13-byte records from address 2, as the encoder reads them.
//   EepromDecoding d = DecodeEeprom(bytes, size);            // a file: every byte known
//   EepromDecoding d = DecodeEeprom(bytes, size, readBack);  // the server's mirror
// and, for a receiver's capture, DecodeGroupLines(text) on "C3A5 0408 E0CD 4F52" lines.

#include <cstdint>
#include <string>

#include "OnAirReport.h"

enum class EepromFault {
    None,
    CountPastEnd,  // the count word claims more records than the bytes hold
    Foreign,       // records are claimed but not one passes its checkwords: not an RDS image
    CountUnread,   // the count word itself was not read back right
    BadLine,       // a capture line is not four hex words
};

struct EepromDecoding {
    OnAirReport report;
    EepromFault fault = EepromFault::None;
    int recordCount = 0;  // the count word as read
    std::string why;      // for a fault: what was found, in English
};

// readBack, when given, holds one flag per byte: 0 for a byte not read back right.
[[nodiscard]] EepromDecoding DecodeEeprom(const uint8_t* bytes, int size, const uint8_t* readBack = nullptr);

// Groups as receivers' capture tools write them: four hex words a line; blank lines and lines
// starting with '#' are passed over; "----" stands for a block that was lost.
[[nodiscard]] EepromDecoding DecodeGroupLines(const std::string& text);

#pragma once
// What running one command line gave: whether a keyword took it, and a remark for the log.
// Whoever logs the line with " - OK" logs the remark on the next line.

#include <optional>
#include <string>

struct CommandResult {
    int executed = 0;                    // 1 when a keyword of the table took the line, else 0
    std::string remark;                  // one more log line (CP1252), empty when there is none
    bool imageBuilt = false;             // the ENCODE handler ran: the image now holds the data sent
    std::optional<std::string> title{};  // the raw title a TEXT= line put on air
};

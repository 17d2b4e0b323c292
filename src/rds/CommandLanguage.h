#pragma once
// The one-line command language of the RDS encoders: a keyword of the table, then its value.

#include <string>

#include "StationData.h"

// What the model still has to do after a command changed the data.
enum class CommandFollowUp { None, ComposePs, BuildImage };

struct CommandOutcome {
    bool executed = false;  // a keyword of the table took the line
    CommandFollowUp followUp = CommandFollowUp::None;
    std::string remark;     // one more log line (CP1252), empty when there is none
};

// Parses `line` into `data`. A line no keyword takes leaves the data as it was.
[[nodiscard]] CommandOutcome ApplyCommand(const char* line, StationData& data);

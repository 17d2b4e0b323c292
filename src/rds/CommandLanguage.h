#pragma once
// The one-line command language of the RDS encoders: a keyword of the table, then its value.

#include <string>

#include "CommandResult.h"
#include "StationData.h"

// What the model still has to do after a command changed the data.
enum class CommandFollowUp { None, ComposePs, BuildImage };

// Parses `line` into `data` and says in `result` whether a keyword took it, with a remark for
// the log. A line no keyword takes leaves the data as it was.
[[nodiscard]] CommandFollowUp ApplyCommand(const char* line, StationData& data, CommandResult& result);

#pragma once
// The one-line command language of the RDS encoders: a keyword of the table, then its value.

#include <string>

#include "CommandResult.h"
#include "StationData.h"

// What the model still has to do after a command changed the data.
// Rebuild: compose every text with the title, then build (the playout keywords).
enum class CommandFollowUp { None, ComposePs, BuildImage, Rebuild };

// Parses `line` into `data` and says in `result` whether a keyword took it, with a remark for
// the log. A line no keyword takes leaves the data as it was. The keywords of the table come
// first; only a line none of them takes is tried with the playout keywords (TEXT=, DPS=, PS=,
// RT=, RT1=, RTPLUS=), which take everything after their '=' as the value.
[[nodiscard]] CommandFollowUp ApplyCommand(const char* line, StationData& data, CommandResult& result);

// Whether the line begins with a playout keyword; such a line keeps a trailing accented
// letter when its end is trimmed.
[[nodiscard]] bool StartsWithPlayoutKeyword(const std::string& line);

// Drops the line end and trailing blanks: every byte below 0x21 read as signed (a trailing
// accented letter too), but for a playout line only the bytes 0x00..0x20.
void TrimCommandLineEnd(std::string& line);

// The log line of a command that ran: the line, then " - OK" or " - ERROR". A playout line's
// text, usually UTF-8 from a playout system, is logged in CP1252 as the command took it.
[[nodiscard]] std::string CommandLogLine(const std::string& line, const CommandResult& result);

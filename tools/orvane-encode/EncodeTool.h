#pragma once
// orvane-encode: codes a station folder's command file into the EEPROM image, offline.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct EncodeOptions {
    std::string dir = ".";
    std::string titleFile;  // empty: no title poll
    std::string at;         // empty: the system clock
    std::string outFile;    // empty: no image file
    bool groups = false;
    std::string decodeFile;  // non-empty: decode this EEPROM file ("-": capture lines on stdin)
    bool json = false;
    bool help = false;
    bool version = false;
};

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_NOT_WRITTEN = 1;
inline constexpr int EXIT_USAGE = 2;

// The options of `args` (program name excluded); nullopt with `error` set when they are bad.
[[nodiscard]] std::optional<EncodeOptions> ParseEncodeOptions(const std::vector<std::string>& args, std::string& error);

[[nodiscard]] std::string EncodeUsage();

// Runs the tool; logs and messages go to `err`, the --groups lines to `out`.
int RunEncodeTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

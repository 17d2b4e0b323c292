#pragma once
// Cuts what a command client sends into command lines.
//
// A connection that has never sent a CR or LF is taken one receive per line, as clients
// that send bare commands expect. Once it has sent a line end, data is split at CR and LF,
// and a trailing piece without one is held until more data, a time-out or the close.
// So a quoted value sent over the network can no longer carry a CR or LF inside it.

#include <cstddef>
#include <string>
#include <vector>

#include "RdsTypes.h"  // IsBelowSigned: 0x80..0xFF lie below the blank

// Cuts the line at a zero byte, then drops trailing blanks, control bytes and 0x80..0xFF
// (a playout line keeps a trailing 0x80..0xFF: it is a letter of its text).
void TrimCommandLine(std::string& line);

// Whether a bare receive looks like a second command run into the first: something other
// than blanks after the closing quote of a quoted value, or a letter past F or a quote or an
// '=' after a hex value. A receive without '=', or an unquoted text value, is never suspected.
[[nodiscard]] bool HasTextAfterFirstValue(const std::string& receive);

class CLineAssembler {
public:
    // The longest line the receive buffer holds; longer lines are handled in pieces of this size.
    static constexpr std::size_t kMaxLine = 2047;

    // Takes one receive and appends the lines it completes, trimmed, to `lines`; a line of
    // blanks still runs (and fails), only the nothing between a CR and an LF is passed over.
    void Feed(const char* data, std::size_t length, std::vector<std::string>& lines);
    // Hands out the held piece as a trimmed line; false when nothing is held.
    bool TakeHeld(std::string& line);
    [[nodiscard]] bool HasHeld() const { return !m_held.empty(); }
    [[nodiscard]] bool SawLineEnd() const { return m_sawLineEnd; }
    // A new connection starts with no line end seen and nothing held.
    void Reset();

private:
    void FinishLine(std::vector<std::string>& lines);

    bool m_sawLineEnd = false;
    std::string m_held;
};

#pragma once
// Checks the head of an HTTP request as its bytes arrive, before the HTTP library sees them:
// call CheckRequestHead with everything received so far; Incomplete means wait for more.

#include <cstddef>
#include <string_view>

inline constexpr std::size_t REQUEST_HEAD_LIMIT = 8192;

enum class HeadVerdict {
    Incomplete,  // no blank line yet, and nothing wrong so far
    Complete,    // a well-formed request line and header lines, ended by a blank line
    TooLarge,    // more than the limit without the head ending: 431
    Malformed,   // not a request this server can read: 400
};

struct HeadCheck {
    HeadVerdict verdict = HeadVerdict::Incomplete;
    std::size_t headBytes = 0;  // with the blank line, when Complete
};

[[nodiscard]] HeadCheck CheckRequestHead(std::string_view received, std::size_t limit = REQUEST_HEAD_LIMIT);

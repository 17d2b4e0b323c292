#include "RequestHead.h"

#include <algorithm>

namespace {

// RFC 9110 section 5.6.2: the characters of a token.
bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar); }

// Visible ASCII, no blank: what an origin-form target may hold (RFC 9112 section 3.2).
bool IsTargetChar(char c) { return c > 0x20 && c < 0x7F; }

// A field value may hold blanks and tabs, and bytes above 0x7F as opaque data, but no controls.
bool IsValueChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == '\t' || (u >= 0x20 && u != 0x7F);
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// "METHOD /target HTTP/1.x"
bool IsRequestLine(std::string_view line) {
    const std::size_t first = line.find(' ');
    const std::size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == last) return false;
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, last - first - 1);
    const std::string_view version = line.substr(last + 1);
    if (!IsToken(method)) return false;
    if (target.empty() || target.front() != '/') return false;
    if (!std::all_of(target.begin(), target.end(), IsTargetChar)) return false;
    return version.size() == 8 && version.substr(0, 7) == "HTTP/1." && (version[7] == '0' || version[7] == '1');
}

// "Name: value"; a line starting with a blank (obsolete folding) is refused too.
bool IsHeaderLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return false;
    const std::string_view value = line.substr(colon + 1);
    return std::all_of(value.begin(), value.end(), IsValueChar);
}

}  // namespace

HeadCheck CheckRequestHead(std::string_view received, std::size_t limit) {
    HeadCheck check;
    std::size_t start = 0;
    bool firstLine = true;
    while (true) {
        const std::size_t end = received.find('\n', start);
        if (end == std::string_view::npos) break;
        const std::string_view line = WithoutCr(received.substr(start, end - start));
        const std::size_t lineEnd = end + 1;
        if (lineEnd > limit) {
            check.verdict = HeadVerdict::TooLarge;
            return check;
        }
        if (line.empty() && !firstLine) {
            check.verdict = HeadVerdict::Complete;
            check.headBytes = lineEnd;
            return check;
        }
        if (firstLine ? !IsRequestLine(line) : !IsHeaderLine(line)) {
            check.verdict = HeadVerdict::Malformed;
            return check;
        }
        firstLine = false;
        start = lineEnd;
    }
    // The unfinished line so far: its bytes count against the limit, and a NUL never belongs.
    if (received.size() > limit) {
        check.verdict = HeadVerdict::TooLarge;
    } else if (received.find('\0', start) != std::string_view::npos) {
        check.verdict = HeadVerdict::Malformed;
    }
    return check;
}

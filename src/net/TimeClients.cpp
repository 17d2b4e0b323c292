#include "TimeClients.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "LineAssembler.h"
#include "TextTrim.h"

namespace {

// One "%d": optional blanks, an optional sign, at least one digit. Saturates rather than
// overflowing, so a huge number still fails the range check later.
bool ReadNumber(const char*& p, int& value) {
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
        ++p;
    }
    if (negative) v = -v;
    value = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    return true;
}

}  // namespace

bool ParseTimeClient(const char* line, std::array<int, 5>& numbers) {
    static constexpr char kSeparators[4] = {'.', '.', '.', '@'};
    std::array<int, 5> parsed{};
    const char* p = line;
    for (int i = 0; i < 5; ++i) {
        if (!ReadNumber(p, parsed[static_cast<std::size_t>(i)])) return false;
        if (i < 4) {
            if (*p != kSeparators[i]) return false;
            ++p;
        }
    }
    numbers = parsed;
    return true;
}

bool IsUsableTimeClient(const std::array<int, 5>& numbers) {
    for (int i = 0; i < 4; ++i)
        if (numbers[static_cast<std::size_t>(i)] < 0 || numbers[static_cast<std::size_t>(i)] > 255) return false;
    return numbers[4] >= 1 && numbers[4] <= 65535;
}

std::string TrimTimeClientLine(const char* line) {
    std::string kept(line);
    TrimTrailingBelow(kept, 0x20, 1);
    return kept;
}

int ReadTimeClients(std::FILE* file, std::array<std::string, kMaxTimeClients>& clients) {
    int count = 0;
    std::array<char, kTimeLineSize> line{};
    std::array<int, 5> numbers{};
    while (std::fgets(line.data(), kTimeLineSize, file)) {
        if (line[0] == ';' || !ParseTimeClient(line.data(), numbers)) continue;
        if (count == kMaxTimeClients) break;
        clients[static_cast<std::size_t>(count++)] = TrimTimeClientLine(line.data());
    }
    return count;
}

std::string FormatTimePacket(int hour, int minute, int second) {
    char packet[32];
    std::snprintf(packet, sizeof packet, "TIME=[%02d.%02d.%02d.%02X]", hour, minute, second,
                  static_cast<unsigned>((hour ^ minute ^ second) & 0xFF));
    return packet;
}

std::string FormatDottedAddress(const std::array<int, 5>& numbers) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
    return text;
}

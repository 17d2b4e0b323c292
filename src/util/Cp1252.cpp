#include "Cp1252.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// 0x80..0x9F are the code page's own letters and signs; the five holes stay U+FFFD.
constexpr std::array<char32_t, 32> HIGH_CONTROLS = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Cp1252ToUtf8(const std::string& cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (const char c : cp1252) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x80 && b < 0xA0) AppendUtf8(out, HIGH_CONTROLS[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

namespace {

// One UTF-8 sequence at `pos`: its code point and length; 0 length when it is not well formed
// (overlong forms, surrogates and code points past U+10FFFF included).
struct Utf8Char {
    char32_t cp = 0;
    std::size_t length = 0;
};

Utf8Char DecodeUtf8At(const std::string& s, std::size_t pos) {
    const auto lead = static_cast<uint8_t>(s[pos]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07u, least = 0x10000;
    } else {
        return {};
    }
    if (pos + length > s.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<uint8_t>(s[pos + i]);
        if ((b & 0xC0) != 0x80) return {};
        cp = cp << 6 | (b & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    return {cp, length};
}

char Cp1252FromCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < HIGH_CONTROLS.size(); ++i) {
        if (HIGH_CONTROLS[i] == cp && cp != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace

std::string ClientTextToCp1252(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Utf8Char c = DecodeUtf8At(bytes, pos);
        if (c.length == 0) return bytes;  // not UTF-8: the client writes CP1252
        out.push_back(Cp1252FromCodePoint(c.cp));
        pos += c.length;
    }
    return out;
}

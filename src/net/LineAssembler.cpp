#include "LineAssembler.h"

#include <algorithm>

#include "CommandLanguage.h"

void TrimCommandLine(std::string& line) {
    const auto zero = line.find('\0');
    if (zero != std::string::npos) line.resize(zero);
    TrimCommandLineEnd(line);
}

bool HasTextAfterFirstValue(const std::string& receive) {
    std::string line = receive;
    TrimCommandLine(line);
    const auto equals = line.find('=');
    if (equals == std::string::npos) return false;
    std::size_t pos = equals + 1;
    if (pos < line.size() && line[pos] == '"') {
        const auto closing = line.find('"', pos + 1);
        // An unclosed quote takes the rest of the line as text, as the command does.
        return closing != std::string::npos && closing + 1 < line.size();
    }
    // A text keyword without its quote changes nothing, whatever follows; a playout
    // keyword takes the whole rest of the line as its text.
    if (line.starts_with("PSN=") || line.starts_with("TXT") || StartsWithPlayoutKeyword(line)) return false;
    // Hex values are digits and the odd separator (AFDEF=1,5A); a keyword's letters or its
    // '=' or a quote are no part of any of them.
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        const bool letterPastF = (c >= 'G' && c <= 'Z') || (c >= 'g' && c <= 'z');
        if (letterPastF || c == '"' || c == '=') return true;
    }
    return false;
}

void CLineAssembler::Feed(const char* data, std::size_t length, std::vector<std::string>& lines) {
    const char* const stop = data + length;
    const bool hasLineEnd = std::any_of(data, stop, [](char c) { return c == '\r' || c == '\n'; });

    if (!m_sawLineEnd && !hasLineEnd) {
        // Bare commands: every receive is one line, even an empty one.
        std::size_t offset = 0;
        do {
            const std::size_t n = std::min(kMaxLine, length - offset);
            std::string line(data + offset, n);
            TrimCommandLine(line);
            lines.push_back(std::move(line));
            offset += n;
        } while (offset < length);
        return;
    }

    m_sawLineEnd = true;
    for (const char* p = data; p < stop; ++p) {
        if (*p == '\r' || *p == '\n') {
            FinishLine(lines);
            continue;
        }
        m_held.push_back(*p);
        if (m_held.size() == kMaxLine) FinishLine(lines);
    }
}

void CLineAssembler::FinishLine(std::vector<std::string>& lines) {
    // Between the CR and the LF of a pair there is nothing the client sent.
    if (m_held.empty()) return;
    std::string line;
    line.swap(m_held);
    TrimCommandLine(line);
    lines.push_back(std::move(line));
}

bool CLineAssembler::TakeHeld(std::string& line) {
    line.clear();
    if (m_held.empty()) return false;
    line.swap(m_held);
    TrimCommandLine(line);
    return true;
}

void CLineAssembler::Reset() {
    m_sawLineEnd = false;
    m_held.clear();
}

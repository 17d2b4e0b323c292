#include "CommandLanguage.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "Cp1252.h"
#include "RdsTypes.h"
#include "TextComposition.h"
#include "TextTrim.h"
#include "Title.h"

namespace {

// Every keyword is followed by '_'; the '*' closes the table.
constexpr char KEYWORD_TABLE[] =
    "DI=_PI=_PTY=_TXT1=_TXT0=_.END_PSN=_TP=_TA=_GROUP1A=_GROUP4A=_DEF1ATIME=_ENCODE_MS=_"
    "TIMEINPSN=_INTMODE=_AFDEF=_STATUS_POINTER_RESETSYS_FILEWRITE_*";

constexpr char SEPARATOR = '_';
constexpr char TABLE_END = '*';
constexpr int KEYWORD_COUNT = 21;

constexpr int CountSeparators(const char* text) {
    int n = 0;
    for (; *text != '\0'; ++text) n += (*text == SEPARATOR) ? 1 : 0;
    return n;
}
static_assert(CountSeparators(KEYWORD_TABLE) == KEYWORD_COUNT, "one handler per keyword");

// Length of the keyword starting at entry (up to its separator or the table's end).
int KeywordLength(const char* entry) {
    int n = 0;
    while (entry[n] != SEPARATOR && entry[n] != TABLE_END && entry[n] != '\0') ++n;
    return n;
}

// Any byte is a digit: letters count from 'A', everything else from '0', low nibble kept.
int HexDigitValue(char c) {
    int u = static_cast<unsigned char>(c);
    if (u >= 0x61 && u <= 0x7F) u -= 0x20;
    if (u >= 0x41 && u <= 0x7F) return (u - 0x37) & 0x0F;
    return (u - 0x30) & 0x0F;
}

// The value after a keyword, read once from left to right.
class CValueParser {
public:
    explicit CValueParser(const char* cursor) : m_cursor(cursor) {}

    // The line's terminating zero reads as '0' and the cursor never moves past it.
    char NextChar() {
        const char c = *m_cursor;
        if (c != '\0') ++m_cursor;
        return c;
    }
    uint8_t ReadByte() {
        const int high = HexDigitValue(NextChar());
        return static_cast<uint8_t>(high << 4 | HexDigitValue(NextChar()));
    }
    uint16_t ReadWord() {
        const int high = ReadByte();
        return static_cast<uint16_t>(high << 8 | ReadByte());
    }
    // A value without its opening quote gives nothing, and the field stays as it was.
    std::optional<std::string> ReadQuotedText(int limit, bool pad) {
        if (NextChar() != '"') return std::nullopt;
        std::string text;
        for (; *m_cursor != '\0' && *m_cursor != '"'; ++m_cursor) {
            if (static_cast<int>(text.size()) < limit) text.push_back(*m_cursor);
        }
        if (*m_cursor == '"') ++m_cursor;
        if (pad && !text.empty()) text.resize(static_cast<size_t>(limit), ' ');
        return text;
    }

private:
    const char* m_cursor;
};

using Handler = void (*)(CValueParser&, StationData&, CommandFollowUp&, std::string&);

void ReadRadioText(CValueParser& p, StationData& d, int index) {
    if (auto text = p.ReadQuotedText(TXT_SOURCE_LIMIT, true)) d.SetRadioTextSource(index, std::move(*text));
}

void Psn(CValueParser& p, StationData& d, CommandFollowUp& followUp, std::string& remark) {
    d.SetPsTitle({});
    followUp = CommandFollowUp::ComposePs;
    auto text = p.ReadQuotedText(PSN_SOURCE_LIMIT, false);
    if (!text) return;
    d.SetPsSource(std::move(*text));
    // Only pages typed here can be too long: title and clock pages are cut to size already.
    const std::string page = FirstLongPsPage(d.PsSource());
    if (!page.empty()) {
        remark = "P\xE1gina do PS \"" + page + "\" com mais de 8 caracteres: cortada para \"" +
                 page.substr(0, PS_PAGE_CHARS) + "\".";
    }
}

void Def1ATime(CValueParser& p, StationData& d, CommandFollowUp&, std::string&) {
    const uint8_t day = p.ReadByte();
    p.NextChar();  // separator, any character
    d.SetProgrammeItem(day, p.ReadWord());
}

void AfDef(CValueParser& p, StationData& d, CommandFollowUp&, std::string&) {
    const int entry = p.ReadByte() & 7;
    p.NextChar();  // separator, any character
    d.SetAf(entry, p.ReadByte());
}

// In the order of KEYWORD_TABLE; "Nothing" keywords are accepted for the older encoders'
// command sets and have nothing to do here.
constexpr std::array<Handler, KEYWORD_COUNT> HANDLERS{
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetDi(p.ReadByte()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetPi(p.ReadWord()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetPty(p.ReadByte()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { ReadRadioText(p, d, 1); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { ReadRadioText(p, d, 0); },
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // .END
    Psn,
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetTp(p.ReadByte()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetTa(p.ReadByte()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) {
        d.SetGroupFlag(GroupFlag::ProgrammeItem, p.ReadByte() != 0);
    },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) {
        d.SetGroupFlag(GroupFlag::ClockTime, p.ReadByte() != 0);
    },
    Def1ATime,
    [](CValueParser&, StationData&, CommandFollowUp& followUp, std::string&) {
        followUp = CommandFollowUp::BuildImage;
    },  // ENCODE
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) { d.SetMs(p.ReadByte()); },
    [](CValueParser& p, StationData& d, CommandFollowUp&, std::string&) {
        d.SetGroupFlag(GroupFlag::ClockPs, p.ReadByte() != 0);
    },
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // INTMODE=
    AfDef,
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // STATUS
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // POINTER
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // RESETSYS
    [](CValueParser&, StationData&, CommandFollowUp&, std::string&) {},  // FILEWRITE
};

// ---- the playout keywords: what automation systems send to hardware encoders

using PlayoutHandler = void (*)(const std::string& value, StationData&, CommandResult&);

void PlayoutText(const std::string& value, StationData& d, CommandResult& result) {
    const std::string raw = ClientTextToCp1252(value);
    d.SetRtTitle(raw);
    std::string shown = raw;
    uint8_t checksum = 0;
    d.SetPsTitle(FormatPsTitle(shown, checksum));
    result.remark = TitleLogLine(shown);
    result.title = raw;
}

void PlayoutPs(const std::string& value, StationData& d, CommandResult&) {
    std::string page = ClientTextToCp1252(value).substr(0, PS_PAGE_CHARS);
    // One page: a separator here would start a second one.
    std::replace(page.begin(), page.end(), '|', ' ');
    d.SetPsSource(std::move(page));
}

void PlayoutRadioText(const std::string& value, StationData& d, CommandResult&) {
    std::string text = ClientTextToCp1252(value).substr(0, TXT_SOURCE_LIMIT);
    // Blank rather than empty: an empty source would leave the last RadioText on air.
    text.resize(TXT_SOURCE_LIMIT, ' ');
    d.SetRadioTextSource(1, std::move(text));
}

struct PlayoutKeyword {
    std::string_view keyword;
    PlayoutHandler handler;
};

const std::array<PlayoutKeyword, 6> PLAYOUT_KEYWORDS{{
    {"TEXT=", PlayoutText},
    {"DPS=",
     [](const std::string& v, StationData& d, CommandResult&) { d.SetPsTitle(PsPages(ClientTextToCp1252(v))); }},
    {"PS=", PlayoutPs},
    {"RT=", PlayoutRadioText},
    {"RT1=", PlayoutRadioText},
    {"RTPLUS=", [](const std::string& v, StationData& d,
                   CommandResult&) { d.SetRtPlus(CValueParser(v.c_str()).ReadByte() != 0); }},
}};

const PlayoutKeyword* FindPlayoutKeyword(std::string_view line) {
    for (const PlayoutKeyword& k : PLAYOUT_KEYWORDS) {
        if (line.starts_with(k.keyword)) return &k;
    }
    return nullptr;
}

CommandFollowUp ApplyPlayoutCommand(const char* line, StationData& data, CommandResult& result) {
    const PlayoutKeyword* k = FindPlayoutKeyword(line);
    if (k == nullptr) return CommandFollowUp::None;
    k->handler(std::string(line + k->keyword.size()), data, result);
    result.executed = 1;
    return CommandFollowUp::Rebuild;
}

}  // namespace

bool StartsWithPlayoutKeyword(const std::string& line) { return FindPlayoutKeyword(line) != nullptr; }

std::string CommandLogLine(const std::string& line, const CommandResult& result) {
    const std::string shown = StartsWithPlayoutKeyword(line) ? ClientTextToCp1252(line) : line;
    return shown + (result.executed == 1 ? " - OK" : " - ERROR");
}

void TrimCommandLineEnd(std::string& line) {
    if (!StartsWithPlayoutKeyword(line)) {
        TrimTrailingBelow(line, 0x21);
        return;
    }
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) line.pop_back();
}

CommandFollowUp ApplyCommand(const char* line, StationData& data, CommandResult& result) {
    CommandFollowUp followUp = CommandFollowUp::None;
    result.executed = 0;
    if (line == nullptr) return followUp;
    const char* entry = KEYWORD_TABLE;
    for (int index = 0; index < KEYWORD_COUNT && *entry != TABLE_END && *entry != '\0'; ++index) {
        // The separator is compared like any other character, so "ENCODE_MS=" runs into the
        // next keyword; the comparison never runs past the table's closing '*'.
        const char* l = line;
        const char* t = entry;
        while (!IsBelowPrintable(*l) && *l == *t && *t != TABLE_END) {
            ++l;
            ++t;
        }
        if (*t == SEPARATOR && (*l == '\0' || !IsBelowPrintable(*l))) {
            CValueParser parser(l);
            HANDLERS[static_cast<size_t>(index)](parser, data, followUp, result.remark);
            result.executed = 1;
            return followUp;
        }
        // Step from this keyword's own start, so the index always names the keyword tried.
        entry += KeywordLength(entry);
        if (*entry == SEPARATOR) ++entry;
    }
    return ApplyPlayoutCommand(line, data, result);
}

// The one-line command language: keyword matching against the table and the 21 handlers,
// which read their values through the model's parse cursor.

#include <array>
#include <string>

#include "RdsModel.h"

namespace {

// Every keyword is followed by '_'; the '*' closes the table.
constexpr char KEYWORD_TABLE[] =
    "DI=_PI=_PTY=_TXT1=_TXT0=_.END_PSN=_TP=_TA=_GROUP1A=_GROUP4A=_DEF1ATIME=_ENCODE_MS=_"
    "TIMEINPSN=_INTMODE=_AFDEF=_STATUS_POINTER_RESETSYS_FILEWRITE_*";

constexpr char SEPARATOR = '_';
constexpr char TABLE_END = '*';
constexpr int KEYWORD_COUNT = 21;

constexpr uint8_t FLAG_GROUP4A = 0x01;
constexpr uint8_t FLAG_TIMEINPSN = 0x02;
constexpr uint8_t FLAG_GROUP1A = 0x04;

// Any byte is a digit: letters count from 'A', everything else from '0', low nibble kept.
int HexDigitValue(char c) {
    int u = static_cast<unsigned char>(c);
    if (u >= 0x61 && u <= 0x7F) u -= 0x20;
    if (u >= 0x41 && u <= 0x7F) return (u - 0x37) & 0x0F;
    return (u - 0x30) & 0x0F;
}

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

}  // namespace

struct CRdsModel::CommandHandlers {
    using Handler = void (*)(CRdsModel&);

    // The line's terminating zero reads as '0' and the cursor never moves past it.
    static char NextChar(CRdsModel& m) {
        char c = *m.m_cursor;
        if (c != '\0') ++m.m_cursor;
        return c;
    }
    static uint8_t ReadByte(CRdsModel& m) {
        int high = HexDigitValue(NextChar(m));
        int low = HexDigitValue(NextChar(m));
        return static_cast<uint8_t>(high << 4 | low);
    }
    static uint16_t ReadWord(CRdsModel& m) {
        int high = ReadByte(m);
        return static_cast<uint16_t>(high << 8 | ReadByte(m));
    }
    // A value without its opening quote leaves the field as it was.
    static void ReadQuotedText(CRdsModel& m, std::string& field, int limit, bool pad) {
        if (NextChar(m) != '"') return;
        std::string text;
        while (*m.m_cursor != '\0' && *m.m_cursor != '"') {
            if (static_cast<int>(text.size()) < limit) text.push_back(*m.m_cursor);
            ++m.m_cursor;
        }
        if (*m.m_cursor == '"') ++m.m_cursor;
        if (pad && !text.empty()) text.resize(static_cast<size_t>(limit), ' ');
        field = std::move(text);
    }
    static void SetFlag(CRdsModel& m, uint8_t bit, bool on) {
        m.m_groupFlags = static_cast<uint8_t>(on ? (m.m_groupFlags | bit) : (m.m_groupFlags & ~bit));
    }

    static void Di(CRdsModel& m) { m.m_di = ReadByte(m) & 0x0F; }
    static void Pi(CRdsModel& m) { m.m_pi = ReadWord(m); }
    static void Pty(CRdsModel& m) { m.m_pty = ReadByte(m) & 0x1F; }
    static void Txt1(CRdsModel& m) { ReadQuotedText(m, m.m_txt1Source, TXT_LIMIT, true); }
    static void Txt0(CRdsModel& m) { ReadQuotedText(m, m.m_txt0Source, TXT_LIMIT, true); }
    static void Psn(CRdsModel& m) {
        m.m_psTitle.clear();
        ReadQuotedText(m, m.m_psnSource, PSN_LIMIT, false);
        m.ComposePsText();
    }
    static void Tp(CRdsModel& m) { m.m_tp = ReadByte(m) & 1; }
    static void Ta(CRdsModel& m) { m.m_ta = ReadByte(m) & 1; }
    static void Group1A(CRdsModel& m) { SetFlag(m, FLAG_GROUP1A, ReadByte(m) != 0); }
    static void Group4A(CRdsModel& m) { SetFlag(m, FLAG_GROUP4A, ReadByte(m) != 0); }
    static void Def1ATime(CRdsModel& m) {
        m.m_pinDay = ReadByte(m);
        NextChar(m);  // separator, any character
        m.m_pinHourMinute = ReadWord(m);
    }
    static void Encode(CRdsModel& m) {
        m.ResetLayout();
        m.BuildImage();
    }
    static void Ms(CRdsModel& m) { m.m_ms = ReadByte(m) & 1; }
    static void TimeInPsn(CRdsModel& m) { SetFlag(m, FLAG_TIMEINPSN, ReadByte(m) != 0); }
    static void AfDef(CRdsModel& m) {
        int entry = ReadByte(m) & 7;
        NextChar(m);  // separator, any character
        m.m_af[static_cast<size_t>(entry)] = ReadByte(m);
    }
    // Accepted for the older encoders' command sets; nothing to do here.
    static void Nothing(CRdsModel&) {}

    static constexpr std::array<Handler, KEYWORD_COUNT> TABLE{
        Di, Pi, Pty, Txt1, Txt0, Nothing /* .END */, Psn, Tp, Ta, Group1A, Group4A,
        Def1ATime, Encode, Ms, TimeInPsn, Nothing /* INTMODE= */, AfDef,
        Nothing /* STATUS */, Nothing /* POINTER */, Nothing /* RESETSYS */, Nothing /* FILEWRITE */};
};

int CRdsModel::ExecuteCommand(const char* line) {
    if (line == nullptr) return 0;
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
            m_cursor = l;
            CommandHandlers::TABLE[static_cast<size_t>(index)](*this);
            return 1;
        }
        // Step from this keyword's own start, so the index always names the keyword tried.
        entry += KeywordLength(entry);
        if (*entry == SEPARATOR) ++entry;
    }
    return 0;
}

#include "RdsTestDecoder.h"

#include <cmath>

namespace rdstest {

namespace {

constexpr uint32_t GENERATOR = 0x5B9;  // x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1

// Offset words of the standard; a valid block's syndrome is its offset word.
constexpr uint16_t OFFSET_WORD_A = 0x0FC;
constexpr uint16_t OFFSET_WORD_B = 0x198;
constexpr uint16_t OFFSET_WORD_C = 0x168;
constexpr uint16_t OFFSET_WORD_CP = 0x350;
constexpr uint16_t OFFSET_WORD_D = 0x1B4;

// The basic character table, row by row from 0x20, as a receiver would print it.
const char* const RDS_ROWS[] = {
    " !\"#¤%&'()*+,-./",
    "0123456789:;<=>?",
    "@ABCDEFGHIJKLMNO",
    "PQRSTUVWXYZ[\\]―_",
    "‖abcdefghijklmno",
    "pqrstuvwxyz{|}¯?",
    "áàéèíìóòúùÑÇŞß¡Ĳ",
    "âäêëîïôöûüñçşğıĳ",
    "ªα©‰Ğěňőπ€£$←↑→↓",
    "º¹²³±İńűµ¿÷°¼½¾§",
    "ÁÀÉÈÍÌÓÒÚÙŘČŠŽÐĿ",
    "ÂÄÊËÎÏÔÖÛÜřčšžđŀ",
    "ÃÅÆŒŷÝÕØÞŊŔĆŚŹŦð",
    "ãåæœŵýõøþŋŕćśźŧ?",
};

std::vector<std::string> SplitUtf8(const char* text) {
    std::vector<std::string> out;
    for (const char* p = text; *p;) {
        int len = 1;
        const auto lead = static_cast<unsigned char>(*p);
        if (lead >= 0xF0) {
            len = 4;
        } else if (lead >= 0xE0) {
            len = 3;
        } else if (lead >= 0xC0) {
            len = 2;
        }
        out.emplace_back(p, static_cast<size_t>(len));
        p += len;
    }
    return out;
}

const std::vector<std::string>& RdsTable() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> t(0x20, "?");
        for (const char* row : RDS_ROWS) {
            for (auto& ch : SplitUtf8(row)) {
                t.push_back(ch);
            }
        }
        return t;
    }();
    return table;
}

uint32_t ReadBits(const uint8_t* bytes, int firstBit, int count) {
    uint32_t value = 0;
    for (int i = firstBit; i < firstBit + count; ++i) {
        value = value << 1 | ((bytes[i / 8] >> (7 - i % 8)) & 1u);
    }
    return value;
}

}  // namespace

uint16_t Syndrome(uint32_t block26) {
    uint32_t v = block26 & 0x3FFFFFF;
    for (int bit = 25; bit >= 10; --bit) {
        if (v & (1u << bit)) {
            v ^= GENERATOR << (bit - 10);
        }
    }
    return static_cast<uint16_t>(v);
}

Offset OffsetFromSyndrome(uint16_t syndrome) {
    switch (syndrome) {
    case OFFSET_WORD_A: return Offset::A;
    case OFFSET_WORD_B: return Offset::B;
    case OFFSET_WORD_C: return Offset::C;
    case OFFSET_WORD_CP: return Offset::CPrime;
    case OFFSET_WORD_D: return Offset::D;
    default: return Offset::Invalid;
    }
}

static bool InOrder(const Group& g) {
    return g.blocks[0].offset == Offset::A && g.blocks[1].offset == Offset::B &&
           (g.blocks[2].offset == Offset::C || g.blocks[2].offset == Offset::CPrime) &&
           g.blocks[3].offset == Offset::D;
}

Group DecodeRecord(const uint8_t* record13) {
    Group g;
    for (int n = 0; n < 4; ++n) {
        const uint32_t raw = ReadBits(record13, 26 * n, 26);
        Block& b = g.blocks[static_cast<size_t>(n)];
        b.info = static_cast<uint16_t>(raw >> 10);
        b.check = static_cast<uint16_t>(raw & 0x3FF);
        b.syndrome = Syndrome(raw);
        b.offset = OffsetFromSyndrome(b.syndrome);
    }
    g.valid = InOrder(g);
    return g;
}

std::vector<Group> DecodeImage(const uint8_t* image, int length) {
    std::vector<Group> groups;
    for (int pos = 0; pos + 13 <= length; pos += 13) {
        groups.push_back(DecodeRecord(image + pos));
    }
    return groups;
}

Group GroupFromWords(uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4) {
    Group g;
    const uint16_t words[4] = {w1, w2, w3, w4};
    const Offset offsets[4] = {Offset::A, Offset::B, Offset::C, Offset::D};
    for (size_t n = 0; n < 4; ++n) {
        g.blocks[n].info = words[n];
        g.blocks[n].offset = offsets[n];
    }
    g.valid = true;
    return g;
}

void DateFromMjd(int mjd, int& year, int& month, int& day) {
    const int yp = static_cast<int>((mjd - 15078.2) / 365.25);
    const int mp = static_cast<int>((mjd - 14956.1 - std::floor(yp * 365.25)) / 30.6001);
    day = mjd - 14956 - static_cast<int>(std::floor(yp * 365.25)) -
          static_cast<int>(std::floor(mp * 30.6001));
    const int k = (mp == 14 || mp == 15) ? 1 : 0;
    year = 1900 + yp + k;
    month = mp - 1 - k * 12;
}

void CTestReceiver::Feed(const Group& g) {
    if (!g.valid || g.Version() != 'A') {
        ++invalidGroups;
        order.emplace_back("?");
        return;
    }
    const uint16_t b2 = g.blocks[1].info;
    const uint16_t b3 = g.blocks[2].info;
    const uint16_t b4 = g.blocks[3].info;
    switch (g.Type()) {
    case 0: {
        const int seg = b2 & 3;
        order.push_back("P" + std::to_string(seg));
        m_page[static_cast<size_t>(2 * seg)] = static_cast<char>(b4 >> 8);
        m_page[static_cast<size_t>(2 * seg + 1)] = static_cast<char>(b4 & 0xFF);
        m_nextSegment = (seg == m_nextSegment) ? seg + 1 : (seg == 0 ? 1 : -1);
        if (m_nextSegment == 4) {
            psPages.push_back(m_page);
            m_nextSegment = 0;
        }
        break;
    }
    case 2: {
        const int ab = b2 >> 4 & 1;
        const int seg = b2 & 0x0F;
        order.push_back((ab ? "r" : "R") + std::to_string(seg));
        std::string& text = radioText[static_cast<size_t>(ab)];
        text[static_cast<size_t>(4 * seg)] = static_cast<char>(b3 >> 8);
        text[static_cast<size_t>(4 * seg + 1)] = static_cast<char>(b3 & 0xFF);
        text[static_cast<size_t>(4 * seg + 2)] = static_cast<char>(b4 >> 8);
        text[static_cast<size_t>(4 * seg + 3)] = static_cast<char>(b4 & 0xFF);
        ++radioTextGroups[static_cast<size_t>(ab)];
        break;
    }
    case 4: {
        ClockTime ct;
        ct.mjd = (b2 & 3) << 15 | b3 >> 1;
        ct.hour = (b3 & 1) << 4 | b4 >> 12;
        ct.minute = b4 >> 6 & 0x3F;
        ct.offsetHalfHours = (b4 & 0x20 ? -1 : 1) * (b4 & 0x1F);
        DateFromMjd(ct.mjd, ct.year, ct.month, ct.day);
        clockTimes.push_back(ct);
        order.emplace_back("CT");
        break;
    }
    case 1: {
        ProgrammeItem pin;
        pin.number = b4;
        pin.day = b4 >> 11;
        pin.hour = b4 >> 6 & 0x1F;
        pin.minute = b4 & 0x3F;
        programmeItems.push_back(pin);
        order.emplace_back("PIN");
        break;
    }
    default:
        order.emplace_back("?");
        break;
    }
}

void CTestReceiver::FeedAll(const std::vector<Group>& groups) {
    for (const Group& g : groups) {
        Feed(g);
    }
}

std::string RdsToUtf8(const std::string& rds) {
    const auto& table = RdsTable();
    std::string out;
    for (char c : rds) {
        const auto code = static_cast<unsigned char>(c);
        out += code < table.size() ? table[code] : "?";
    }
    return out;
}

}  // namespace rdstest

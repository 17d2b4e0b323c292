#include "RdsTestDecoder.h"

#include <algorithm>
#include <chrono>

namespace rdstest {

Group DecodeRecord(const uint8_t* record13) {
    // Syndromes of offsets A, B, C, C', D: as a remainder by g(x) each is the offset word itself.
    constexpr uint16_t SYNDROMES[5] = {0x0FC, 0x198, 0x168, 0x350, 0x1B4};
    Group g{{}, true};
    for (size_t n = 0; n < 4; ++n) {
        uint32_t raw = 0;
        for (size_t i = 26 * n; i < 26 * n + 26; ++i) raw = raw << 1 | (record13[i / 8] >> (7 - i % 8) & 1u);
        g.info[n] = static_cast<uint16_t>(raw >> 10);
        for (int bit = 25; bit >= 10; --bit) {
            if (raw >> bit & 1) raw ^= 0x5B9u << (bit - 10);  // g(x) = x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1
        }
        g.valid &= raw == SYNDROMES[n == 3 ? 4 : n] || (n == 2 && raw == SYNDROMES[3]);
    }
    return g;
}

std::vector<Group> DecodeImage(const uint8_t* image, int length) {
    std::vector<Group> groups;
    for (int pos = 0; pos + 13 <= length; pos += 13) groups.push_back(DecodeRecord(image + pos));
    return groups;
}

void CTestReceiver::Feed(const Group& g) {
    const uint16_t b2 = g.info[1], b3 = g.info[2], b4 = g.info[3];
    const auto chars = [](uint16_t w) { return std::string{static_cast<char>(w >> 8), static_cast<char>(w)}; };
    const int type = g.valid && !(b2 & 0x0800) ? b2 >> 12 : -1;  // version B is never sent
    if (type == 0) {
        const int seg = b2 & 3;
        order += "P" + std::to_string(seg) + " ";
        page.replace(static_cast<size_t>(2 * seg), 2, chars(b4));
        nextSegment = seg == nextSegment % 4 ? seg + 1 : (seg == 0 ? 1 : -1);
        if (nextSegment == 4) psPages.push_back(page);
    } else if (type == 2) {
        const int ab = b2 >> 4 & 1, seg = b2 & 0x0F;
        order += (ab ? "r" : "R") + std::to_string(seg) + " ";
        radioText[static_cast<size_t>(ab)].replace(static_cast<size_t>(4 * seg), 4, chars(b3) + chars(b4));
        ++radioTextGroups[static_cast<size_t>(ab)];
        lastRadioText = ab;
    } else if (type == 4) {
        const int mjd = (b2 & 3) << 15 | b3 >> 1;
        const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{mjd - 40587}}};  // 1970-01-01
        clockTimes.push_back({mjd, int{date.year()}, static_cast<int>(unsigned{date.month()}),
                              static_cast<int>(unsigned{date.day()}), (b3 & 1) << 4 | b4 >> 12, b4 >> 6 & 0x3F,
                              (b4 & 0x20 ? -1 : 1) * (b4 & 0x1F)});
        order += "CT ";
    } else if (type == 3) {
        applications.emplace_back(b2 & 0x1F, b4);
        order += "ODA ";
    } else if (type == 11 && FeedRtPlus(b2, b3, b4)) {
        order += "RT+ ";
    } else if (type == 1) {
        programmeItems.push_back(b4);
        order += "PIN ";
    } else {
        invalidGroups += type < 0;
        order += "? ";
    }
}

// The 37 bits after the group type, read field by field from the most significant end.
bool CTestReceiver::FeedRtPlus(uint16_t b2, uint16_t b3, uint16_t b4) {
    const bool announced = std::any_of(applications.begin(), applications.end(),
                                       [](const auto& a) { return a.first == 0x16 && a.second == 0x4BD7; });
    if (!announced) return false;
    uint64_t bits = static_cast<uint64_t>(b2 & 0x1F) << 32 | static_cast<uint64_t>(b3) << 16 | b4;
    int left = 37;
    const auto take = [&](int width) {
        left -= width;
        return static_cast<int>(bits >> left & ((1u << width) - 1));
    };
    RtPlusSeen seen;
    seen.toggle = take(1);
    seen.running = take(1);
    seen.radioText = lastRadioText < 0 ? 0 : lastRadioText;
    const std::string& text = radioText[static_cast<size_t>(seen.radioText)];
    for (int n = 0; n < 2; ++n) {
        RtPlusTagSeen& tag = seen.tags[static_cast<size_t>(n)];
        tag.contentType = take(6);
        tag.start = take(6);
        tag.length = take(n == 0 ? 6 : 5) + 1;
        if (tag.contentType != 0 && static_cast<size_t>(tag.start) < text.size()) {
            tag.text = text.substr(static_cast<size_t>(tag.start), static_cast<size_t>(tag.length));
        }
    }
    rtPlus.push_back(seen);
    return true;
}

std::string RtPlusSeen::Text(int contentType) const {
    for (const RtPlusTagSeen& tag : tags) {
        if (tag.contentType == contentType) return tag.text;
    }
    return {};
}

std::string RdsToUtf8(const std::string& rds) {
    // The basic character table from 0x20 on, as a receiver prints it.
    static const std::vector<std::string> table = [] {
        const char* rows =
            " !\"#¤%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]―_‖abcdefghijklmno"
            "pqrstuvwxyz{|}¯?áàéèíìóòúùÑÇŞß¡Ĳâäêëîïôöûüñçşğıĳªα©‰Ğěňőπ€£$←↑→↓º¹²³±İńűµ¿÷°¼½¾§"
            "ÁÀÉÈÍÌÓÒÚÙŘČŠŽÐĿÂÄÊËÎÏÔÖÛÜřčšžđŀÃÅÆŒŷÝÕØÞŊŔĆŚŹŦðãåæœŵýõøþŋŕćśźŧ?";
        std::vector<std::string> t(0x20, "?");
        for (const char* p = rows; *p; p += t.back().size()) {
            const auto lead = static_cast<unsigned char>(*p);
            t.emplace_back(p, lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1);
        }
        return t;
    }();
    std::string out;
    for (char c : rds) out += table.at(static_cast<unsigned char>(c));
    return out;
}

}  // namespace rdstest

// What a receiver shows for CP1252 text: the coder's character table checked entry by entry
// against the system's own CP1252 converter and the test receiver's RDS table.

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "RdsCharset.h"
#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

// One CP1252 byte as UTF-8, or "" when the code page leaves it undefined.
std::string Cp1252ToUtf8(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv cannot convert from CP1252";
        return "";
    }
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return rc == static_cast<size_t>(-1) ? "" : std::string(out, outPtr);
}

// The RDS code a receiver shows as this UTF-8 character, or -1 if it has none.
int RdsCodeOf(const std::string& utf8) {
    for (int code = 0x20; code < 0x100; ++code) {
        if (rdstest::RdsToUtf8(std::string(1, static_cast<char>(code))) == utf8) {
            return code;
        }
    }
    return -1;
}

TEST(RdsCharset, EveryCp1252ByteShowsAsItselfOrAsABlank) {
    const struct { const char* typographic; char plain; } folds[] = {
        {"‘", '\''}, {"’", '\''}, {"“", '"'}, {"”", '"'}, {"–", '-'}, {"—", '-'},
    };
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        std::string utf8 = Cp1252ToUtf8(static_cast<unsigned char>(b));
        for (const auto& f : folds) {
            if (utf8 == f.typographic) {
                utf8 = std::string(1, f.plain);
            }
        }
        int expected = RdsCodeOf(utf8);
        if (expected < 0) {
            expected = ' ';
        } else {
            ++mapped;
        }
        EXPECT_EQ(RdsCharFromCp1252(static_cast<char>(b)), expected)
            << "CP1252 byte 0x" << std::hex << b << " (" << utf8 << ")";
    }
    // ASCII less '$' '^' '`' '~' and DEL, plus the letters and signs both sets share.
    EXPECT_GT(mapped, 150);
}

TEST(RdsCharset, AnchorsFromTheStationsLanguage) {
    const struct { unsigned char cp1252; uint8_t rds; } anchors[] = {
        {0xE1, 0x80}, {0xE9, 0x82}, {0xE7, 0x9B}, {0xD3, 0xC6}, {0xE3, 0xF0}, {'$', 0xAB},
        {0x80, 0xA9}, {0xA4, 0x24}, {0xF5, 0xF6}, {0xEA, 0x92}, {0xC7, 0x8B}, {0xC3, 0xE0},
        {'^', 0x20},  {'`', 0x20},  {'~', 0x20},  {0x00, 0x20}, {0x0D, 0x20}, {0x7F, 0x20},
        {'A', 'A'},   {'z', 'z'},   {'0', '0'},   {':', ':'},   {'|', '|'},   {'_', '_'},
    };
    for (const auto& a : anchors) {
        EXPECT_EQ(RdsCharFromCp1252(static_cast<char>(a.cp1252)), a.rds)
            << "0x" << std::hex << int{a.cp1252};
    }
}

TEST(RdsCharset, PortugueseTitleReachesTheReceiverIntact) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_pi = 0xC201;
    // "CANÇÃO|Órfã" and RadioText "Informação: São João às 9h, €5 ou $6 – “já”" in CP1252.
    model.m_psnText = "CAN\xC7\xC3O|\xD3rf\xE3";
    const std::string rt = "Informa\xE7\xE3o: S\xE3o Jo\xE3o \xE0s 9h, \x80" "5 ou $6 \x96 \x93j\xE1\x94";
    std::copy(rt.begin(), rt.end(), model.m_txt0Text.begin());
    model.m_psRepeat = 0;
    model.BuildImage();

    rdstest::CTestReceiver rx;
    rx.FeedAll(rdstest::DecodeImage(model.GetImage(), model.GetImageLength()));
    EXPECT_EQ(rx.invalidGroups, 0);
    ASSERT_GE(rx.psPages.size(), 2u);
    EXPECT_EQ(rdstest::RdsToUtf8(rx.psPages[0]), "CANÇÃO  ");
    EXPECT_EQ(rdstest::RdsToUtf8(rx.psPages[1]), "Órfã    ");
    const std::string shown = rdstest::RdsToUtf8(rx.radioText[0]);
    // The zero fill after the text shows as blanks.
    EXPECT_EQ(shown, "Informação: São João às 9h, €5 ou $6 - \"já\"" + std::string(21, ' '));
    // The model keeps its CP1252 text; only the groups are translated.
    EXPECT_EQ(model.m_psnText[3], '\xC7');
}

}  // namespace

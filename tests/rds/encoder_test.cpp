// The text pass and the image with its slots, read back by the test receiver. Expected values
// are worked out from the interleaving rule, the calendar or by the system's CP1252 converter.

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <map>

#include "RdsCharset.h"
#include "RdsTestDecoder.h"
#include "TestSupport.h"
#include "TextPass.h"

const std::string RT64 = "Bom dia! Musica, noticias e transito a cada meia hora na sua FM.";

TEST(CharacterTable, EveryCp1252ByteGoesOnAirAsItselfItsPlainFormOrABlank) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    // Typographic quotes and dashes take their plain forms; any other character the lowest code showing it.
    std::map<std::string, int> codes = {{"‘", '\''}, {"’", '\''}, {"“", '"'}, {"”", '"'}, {"–", '-'}, {"—", '-'}};
    for (int code = 0xFF; code >= 0x20; --code) codes[rdstest::RdsToUtf8({static_cast<char>(code)})] = code;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b), out[8] = {}, *inPtr = &in, *outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        std::string utf8 = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) ? "" : std::string(out, outPtr);
        const auto code = codes.find(utf8);  // else a blank
        EXPECT_EQ(RdsCharFromCp1252(in), code == codes.end() ? ' ' : code->second) << "CP1252 0x" << std::hex << b;
    }
    iconv_close(cd);
}

struct Pass {
    std::string ps, rt0, rt1;
    int flags, repeat;
};

// The group order of one text pass on a fresh image.
rdstest::CTestReceiver TextPass(const Pass& c) {
    StationData d;
    d.SetPi(0xC201);
    d.SetGroupFlags(static_cast<uint8_t>(c.flags));
    d.SetPsRepeat(static_cast<uint8_t>(c.repeat));
    ComposedText texts;
    texts.ps = c.ps;
    std::copy(c.rt0.begin(), c.rt0.end(), texts.radioText[0].begin());
    std::copy(c.rt1.begin(), c.rt1.end(), texts.radioText[1].begin());
    CImageWriter w;
    WriteTextPass(w, d, texts);
    EXPECT_EQ(w.Position().offset % RECORD_BYTES, 0);
    return Receive(w.Image().data(), w.Position().offset);
}

TEST(TextPass, GroupOrdersFromTheInterleavingRule) {
    std::string rtA = "R0 P0 R1 P1 R2 P2 R3 P3 R4 R5 R6 P0 R7 P1 R8 P2 R9 P3 R10 R11 R12 P0 R13 P1 R14 P2 R15 P3 ";
    std::string rtB = "r0 P0 r1 P1 r2 P2 r3 P3 r4 r5 r6 P0 r7 P1 r8 P2 r9 P3 r10 r11 r12 P0 r13 P1 r14 P2 r15 P3 ";
    std::string longPages, highBytes;  // 1023 characters of short pages; every byte above 0x7F in pages of 8
    while (longPages.size() < 1023) longPages += "PAGINA|";
    for (int b = 0x80; b <= 0xFF; ++b) highBytes += std::string(1, static_cast<char>(b)) + (b % 8 == 7 ? "|" : "");
    const struct {
        Pass pass;
        std::string order;
    } cases[] = {
        {{"ABCDEFGH", "", "", 0, 5}, Pages(1)},
        {{"", "", "", 0, 5}, Pages(1)},  // an empty PS is one blank page
        {{"ABCDEFGH", "", "", 2, 2}, Pages(3)},
        {{"ABCDEFGH", "", "", 3, 2}, Pages(1)},  // flags 2 repeat one page
        {{"X|Y", "", "", 0, 200}, Pages(2)},
        {{"X|Y", "", "", 0, 1}, Pages(4)},  // signed: 200 is no repeat
        {{"ABCDEFGH", RT64, "", 0, 5}, rtA},
        {{"ABCDEFGH", "", RT64, 0, 5}, rtB},  // RadioText 1 alone is B
        {{longPages.substr(0, 1023), "", "", 0, 3}, Pages(147 * 4)},
        {{highBytes, "", "", 0, 1}, Pages(17 * 2)},
        {{"|||", "", "", 0, 0}, Pages(4)},
        {{"AB|", "", "", 0, 0}, Pages(2)},
    };
    for (const auto& c : cases) EXPECT_EQ(TextPass(c.pass).order, c.order) << c.pass.ps.substr(0, 20);
    const std::string both = TextPass({"RADIO|XX", "Texto zero", RT64, 0, 0}).order;  // each whole, text 0 first
    EXPECT_LT(both.find("R15"), both.find("r0"));
}

TEST(TextPass, APageLongerThanAPsSendsItsFirstEightCharactersAndThePassGoesOn) {
    const rdstest::CTestReceiver rx = TextPass({"RADIO ORVANE|FM", RT64, RT64, 0, 0});
    ASSERT_GE(rx.psPages.size(), 2u);
    for (size_t i = 0; i < rx.psPages.size(); ++i) EXPECT_EQ(rx.psPages[i], i % 2 ? "FM      " : "RADIO OR") << i;
    EXPECT_EQ(rx.radioText[0], RT64);
    EXPECT_EQ(rx.radioText[1], RT64);
    EXPECT_EQ(rx.order, TextPass({"RADIO OR|FM", RT64, RT64, 0, 0}).order);
    EXPECT_EQ(TextPass({"ABCDEFGH|123456789", "", "", 0, 0}).psPages,
              (std::vector<std::string>{"ABCDEFGH", "12345678"}));
}

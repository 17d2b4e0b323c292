// The guard's reading of a request head, byte by byte as it arrives: what it lets through to
// the HTTP library, what it answers itself (431, 400), and when it waits for more.
#include <gtest/gtest.h>

#include <string>

#include "RequestHead.h"

namespace {

const char* Name(HeadVerdict v) {
    switch (v) {
    case HeadVerdict::Incomplete:
        return "Incomplete";
    case HeadVerdict::Complete:
        return "Complete";
    case HeadVerdict::TooLarge:
        return "TooLarge";
    case HeadVerdict::Malformed:
        return "Malformed";
    }
    return "?";
}

struct HeadRow {
    const char* what;
    std::string bytes;
    HeadVerdict verdict;
    std::size_t headBytes;  // counted by hand, when Complete
};

}  // namespace

TEST(RequestHead, VerdictTable) {
    using V = HeadVerdict;
    const HeadRow rows[] = {
        {"browser GET", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nAccept: */*\r\n\r\n", V::Complete, 53},
        {"bare LF lines", "GET /status.json HTTP/1.0\n\n", V::Complete, 27},
        {"no headers at all", "GET / HTTP/1.1\r\n\r\n", V::Complete, 18},
        {"dot-dot target is a path like any other", "GET /../etc/passwd HTTP/1.1\r\n\r\n", V::Complete, 31},
        {"value with tab and Latin-1 byte", "GET / HTTP/1.1\r\nX-Note: a\tb\xE9\r\n\r\n", V::Complete, 32},
        {"nothing yet", "", V::Incomplete, 0},
        {"half a request line", "GET /sta", V::Incomplete, 0},
        {"head without its blank line", "GET / HTTP/1.1\r\nHost: x\r\n", V::Incomplete, 0},
        {"not a request", "GARBAGE\r\n\r\n", V::Malformed, 0},
        {"binary", std::string("\x16\x03\x01\x00\xa5", 5) + "\n", V::Malformed, 0},
        {"NUL in an unfinished line", std::string("GET /\0", 6), V::Malformed, 0},
        {"HTTP/2 preface", "PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n", V::Malformed, 0},
        {"absolute target", "GET http://x/ HTTP/1.1\r\n\r\n", V::Malformed, 0},
        {"blank inside the target", "GET /a b HTTP/1.1\r\n\r\n", V::Malformed, 0},
        {"version 1.2", "GET / HTTP/1.2\r\n\r\n", V::Malformed, 0},
        {"lower-case version", "GET / http/1.1\r\n\r\n", V::Malformed, 0},
        {"header without colon", "GET / HTTP/1.1\r\nBad Header\r\n\r\n", V::Malformed, 0},
        {"folded header line", "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n", V::Malformed, 0},
        {"control byte in a value", "GET / HTTP/1.1\r\nA: b\x01\r\n\r\n", V::Malformed, 0},
        {"empty line before the request", "\r\nGET / HTTP/1.1\r\n\r\n", V::Malformed, 0},
    };
    for (const HeadRow& row : rows) {
        const HeadCheck check = CheckRequestHead(row.bytes);
        EXPECT_STREQ(Name(check.verdict), Name(row.verdict)) << row.what;
        if (row.verdict == V::Complete) {
            EXPECT_EQ(check.headBytes, row.headBytes) << row.what;
        }
    }
}

TEST(RequestHead, EightKilobytesIsTheLimitWhateverTheLinesLookLike) {
    const std::string requestLine = "GET / HTTP/1.1\r\n";  // 16 bytes
    // One header of n bytes with its CR LF, then the blank line: 16 + n + 2 bytes in all.
    const auto head = [&](std::size_t headerBytes) {
        return requestLine + "X: " + std::string(headerBytes - 5, 'a') + "\r\n" + "\r\n";
    };
    const std::string atLimit = head(8192 - 16 - 2);
    ASSERT_EQ(atLimit.size(), 8192u);
    EXPECT_STREQ(Name(CheckRequestHead(atLimit).verdict), "Complete");
    EXPECT_EQ(CheckRequestHead(atLimit).headBytes, 8192u);

    const std::string overLimit = head(8192 - 16 - 2 + 1);
    EXPECT_STREQ(Name(CheckRequestHead(overLimit).verdict), "TooLarge");

    // Still streaming, no line end: too large as soon as the bytes pass the limit.
    const std::string endless = requestLine + "X: " + std::string(8192, 'a');
    EXPECT_STREQ(Name(CheckRequestHead(endless.substr(0, 8192)).verdict), "Incomplete");
    EXPECT_STREQ(Name(CheckRequestHead(endless.substr(0, 8193)).verdict), "TooLarge");

    // Many short headers count together.
    std::string many = requestLine;
    while (many.size() <= 8192) many += "A: b\r\n";
    EXPECT_STREQ(Name(CheckRequestHead(many + "\r\n").verdict), "TooLarge");
}

TEST(RequestHead, ASmallerLimitIsHonoured) {
    EXPECT_STREQ(Name(CheckRequestHead("GET / HTTP/1.1\r\n\r\n", 18).verdict), "Complete");
    EXPECT_STREQ(Name(CheckRequestHead("GET / HTTP/1.1\r\n\r\n", 17).verdict), "TooLarge");
}

// orvane-encode --decode as a user runs it: on the chip's 4096 bytes, on the tool's own -o
// output, on capture lines from stdin, and on files that hold no group image.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "TestSupport.h"

namespace {

struct Decoded {
    int exitCode;
    std::string out, err;
};

// The built tool through the shell, one hour east of UTC; `command` follows the tool's path.
Decoded Shell(const std::string& command) {
    TempFolder capture;
    const std::string line = "TZ='CET-1CEST,M3.5.0,M10.5.0/3' timeout 10 " + command + " >" + capture.path + "/out 2>" +
                             capture.path + "/err";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.Read("out"), capture.Read("err")};
}

const std::string TOOL = std::string("'") + ORVANE_ENCODE_TOOL + "'";
const std::string ENCODE_DEMO = TOOL + " --dir '" ORVANE_DEMO_DIR "' --at '2026-12-06 13:34'";

// What the demo's RDS.TXT puts on air, read from the file by hand (the title page is empty).
const std::string DEMO_LINES =
    "PI 8A51 PTY 10 TP 0 TA 0 MS 1 DI 1\n"
    "PS \"ORVANE  \" \"  FM    \" \"97.4 MHz\" \"LISBOA  \"\n"
    "RT A \"Orvane FM 97.4 - a m\xC3\xBAsica de Lisboa, 24 horas por dia\"\n"
    "RT B \"Agora:\"\n"
    "CT 2026-12-06 13:34 +01:00\n"
    "AF 97.4 101.2 94.8\n";

}  // namespace

TEST(DecodeTool, TheDemoReadsTheSameFromEveryKindOfInput) {
    TempFolder dir;
    const std::string image = dir.path + "/image.e2";
    ASSERT_EQ(Shell(ENCODE_DEMO + " -o '" + image + "'").exitCode, 0);
    std::string chip = dir.Read("image.e2");
    chip.resize(4096, '\xFF');  // what a programmer reads out of a chip holding the image
    const std::string chipFile = dir.Write("chip.bin", chip);

    const struct {
        const char* name;
        std::string command;
    } inputs[] = {
        {"-o output", TOOL + " --decode '" + image + "'"},
        {"4096-byte chip", TOOL + " --decode '" + chipFile + "'"},
        {"capture on stdin", ENCODE_DEMO + " --groups 2>/dev/null | " + TOOL + " --decode -"},
    };
    for (const auto& input : inputs) {
        const Decoded decoded = Shell(input.command);
        EXPECT_EQ(decoded.exitCode, 0) << input.name << ": " << decoded.err;
        EXPECT_EQ(decoded.out, DEMO_LINES) << input.name;
    }
}

TEST(DecodeTool, JsonCarriesTheDecodersKeys) {
    TempFolder dir;
    const std::string image = dir.path + "/image.e2";
    ASSERT_EQ(Shell(ENCODE_DEMO + " -o '" + image + "'").exitCode, 0);
    const Decoded decoded = Shell(TOOL + " --decode '" + image + "' --json");
    EXPECT_EQ(decoded.exitCode, 0);
    for (const char* part :
         {"\"pi\":\"0x8A51\"", "\"pty\":10", "\"prog_type\":\"Pop music\"", "\"tp\":false", "\"ta\":false",
          "\"is_music\":true", "\"ps\":[\"ORVANE  \",\"  FM    \",\"97.4 MHz\",", "\"radiotext\":{\"A\":\"Orvane FM",
          "\"B\":\"Agora:\"}", "\"clock_time\":\"2026-12-06T13:34:00+01:00\"",
          "\"alt_frequencies_a\":[97400,101200,94800]"}) {
        EXPECT_NE(decoded.out.find(part), std::string::npos) << part << " in " << decoded.out;
    }
    EXPECT_EQ(decoded.out.back(), '\n');
    EXPECT_EQ(std::count(decoded.out.begin(), decoded.out.end(), '\n'), 1);
}

TEST(DecodeTool, FilesThatHoldNoImageAreRefusedWithExitTwo) {
    TempFolder dir;
    std::string foreign(4096, '\0');
    foreign[0] = 10;  // ten records of zeros
    std::string shortCount(2 + 13, '\0');
    shortCount[0] = 3;  // three records claimed, one there
    const struct {
        const char* name;
        std::string command, message;
    } cases[] = {
        {"blank chip", TOOL + " --decode '" + dir.Write("blank", std::string(4096, '\xFF')) + "'", "blank or erased"},
        {"larger chip", TOOL + " --decode '" + dir.Write("x24c64", std::string(8192, '\0')) + "'",
         "wrong size: 8192 bytes"},
        {"empty file", TOOL + " --decode '" + dir.Write("empty", "") + "'", "wrong size: 0 bytes"},
        {"count past the end", TOOL + " --decode '" + dir.Write("short", shortCount) + "'",
         "record count 3 runs past the end"},
        {"foreign content", TOOL + " --decode '" + dir.Write("foreign", foreign) + "'", "not an RDS group image"},
        {"missing file", TOOL + " --decode '" + dir.path + "/none'", "cannot be opened"},
        {"folder", TOOL + " --decode '" + dir.path + "'", "not a regular file"},
        {"bad capture line", "printf '8A51 0548 E363\\n' | " + TOOL + " --decode -", "line 1 is not four hex words"},
        {"json alone", TOOL + " --json", "--json goes with --decode"},
        {"decode with -o", TOOL + " --decode x -o y", "takes none of -o"},
    };
    for (const auto& c : cases) {
        const Decoded decoded = Shell(c.command);
        EXPECT_EQ(decoded.exitCode, 2) << c.name;
        EXPECT_EQ(decoded.out, "") << c.name;
        EXPECT_NE(decoded.err.find(c.message), std::string::npos) << c.name << ": " << decoded.err;
    }
}

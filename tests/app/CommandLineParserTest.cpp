// The option parser both programs use: values in two spellings, flags, and the refusals with
// their messages, the unknown-argument one in each program's own wording.

#include <gtest/gtest.h>

#include "CommandLineParser.h"

namespace {
using Args = std::vector<std::string>;

// "-o" takes a value (empty refused), "--at" takes any value, "--groups" is a flag; the
// result lists what was taken, in order, or "!" and the error.
std::string Parsed(const Args& args, bool toolWording = false) {
    std::string taken;
    CCommandLineParser parser;
    parser.AddValue("-o", [&](const std::string& v, std::string& why) {
        if (v.empty()) why = "option -o needs a non-empty value";
        taken += "o=" + v + ";";
        return !v.empty();
    });
    parser.AddValue("--at", [&](const std::string& v, std::string&) {
        taken += "at=" + v + ";";
        return true;
    });
    parser.AddFlag("--groups", [&] { taken += "groups;"; });
    if (toolWording) {
        parser.SetUnknownMessage(
            [](const std::string&, const std::string& name) { return "unknown argument \"" + name + "\""; });
    }
    std::string error;
    return parser.Parse(args, error) ? taken : "!" + error;
}
}  // namespace

TEST(CommandLineParser, ValuesFlagsAndRefusals) {
    const std::pair<Args, std::string> rows[] = {
        {{}, ""},
        {{"--at", "2024-05-17 14:30", "--groups"}, "at=2024-05-17 14:30;groups;"},
        {{"--at=12:00", "-o", "out.bin"}, "at=12:00;o=out.bin;"},
        {{"--at="}, "at=;"},                     // an empty value is the handler's to judge
        {{"--at", "--groups"}, "at=--groups;"},  // the next word is the value, whatever it looks like
        {{"-o", ""}, "!option -o needs a non-empty value"},
        {{"--groups", "--at"}, "!option --at needs a value"},
        {{"--groups=yes"}, "!option --groups takes no value"},
        {{"--frob=1"}, "!option --frob takes no value"},  // as both programs always said
        {{"-o=x"}, "!unknown option '-o=x'"},             // only long options carry "=value"
        {{"demo"}, "!unknown option 'demo'"},
    };
    for (const auto& [args, expected] : rows) EXPECT_EQ(Parsed(args), expected) << ::testing::PrintToString(args);
    EXPECT_EQ(Parsed({"--frob"}, true), "!unknown argument \"--frob\"");
}

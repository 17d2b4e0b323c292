// The headless face of the server: console lines and the command line.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ConsoleView.h"
#include "ServerOptions.h"

namespace {

std::string Drain(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[256];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return text;
}

struct Streams {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ~Streams() {
        std::fclose(out);
        std::fclose(err);
    }
};

TEST(ConsoleView, EveryListLineIsPrintedOnceInUtf8) {
    Streams s;
    CConsoleView view(s.out, s.err);
    view.AddLine(ServerList::Log, "DEF.INI n\xE3o encontrado :");
    view.AddLine(ServerList::Connections, "05-17-2024+14:30:0000 # 127.0.0.1 @ 40000");
    view.ClearList(ServerList::Log);  // the terminal keeps what it has shown
    view.AddLine(ServerList::Dump, "[0000]:Blocks=0002(word)");
    view.AddLine(ServerList::Log, "\x80 \x93" "aspas\x94 \x85 \xE7\xE3" "o \xFF");
    EXPECT_EQ(Drain(s.out),
              "[log] DEF.INI n\xC3\xA3o encontrado :\n"
              "[conn] 05-17-2024+14:30:0000 # 127.0.0.1 @ 40000\n"
              "[dump] [0000]:Blocks=0002(word)\n"
              "[log] \xE2\x82\xAC \xE2\x80\x9C" "aspas\xE2\x80\x9D \xE2\x80\xA6 \xC3\xA7\xC3\xA3o \xC3\xBF\n");
    EXPECT_EQ(Drain(s.err), "");
}

TEST(ConsoleView, MessageBoxIsOneLineOnStderr) {
    Streams s;
    CConsoleView view(s.out, s.err);
    view.ShowMessage("Erro de acesso ao hardware externo.",
                     "O interface n\xE3o respondeu, ou o cabo de liga\xE7\xE3o\nao controlador.\n",
                     BoxIcon::Information);
    view.ShowMessage("", "Impos\xEDvel.", BoxIcon::None);
    EXPECT_EQ(Drain(s.err),
              "[msg] Erro de acesso ao hardware externo.: O interface n\xC3\xA3o respondeu, ou o cabo "
              "de liga\xC3\xA7\xC3\xA3o ao controlador.\n"
              "[msg] Orvane Server: Impos\xC3\xADvel.\n");
    EXPECT_EQ(Drain(s.out), "");
}

TEST(ConsoleView, ControlsHoldWhatWasWrittenAndEndRunKeepsTheCode) {
    Streams s;
    CConsoleView view(s.out, s.err);
    ControlValues values;
    values.port = 6969;
    values.autoLoad = true;
    values.nextUpdateText = "15:05";
    view.WriteControls(values);
    EXPECT_EQ(view.ReadControls(), values);

    view.StartTickTimer(1000);
    EXPECT_TRUE(view.IsTimerActive());
    view.EndRun(1);
    EXPECT_FALSE(view.IsTimerActive());
    EXPECT_EQ(view.ExitCode(), 1);
}

struct OptionCase {
    std::vector<std::string> args;
    bool ok;
    ServerOptions expected;
};

ServerOptions With(std::string dir, std::string bus, std::string coder, bool headless = false,
                   bool version = false, bool help = false) {
    ServerOptions o;
    o.dir = std::move(dir);
    o.bus = std::move(bus);
    o.coder = std::move(coder);
    o.headless = headless;
    o.version = version;
    o.help = help;
    return o;
}

TEST(ServerOptions, CommandLineTable) {
    const OptionCase cases[] = {
        {{}, true, With(".", "sim:eeprom.sim", "sim")},
        {{"--dir", "demo", "--headless"}, true, With("demo", "sim:eeprom.sim", "sim", true)},
        {{"--dir=/srv/fm", "--bus=ppdev:/dev/parport0", "--coder", "tty:/dev/ttyS0"}, true,
         With("/srv/fm", "ppdev:/dev/parport0", "tty:/dev/ttyS0")},
        {{"--bus", "sim"}, true, With(".", "sim", "sim")},
        {{"--bus", "direct", "--coder", "direct"}, true, With(".", "direct", "direct")},
        {{"--version"}, true, With(".", "sim:eeprom.sim", "sim", false, true)},
        {{"--help"}, true, With(".", "sim:eeprom.sim", "sim", false, false, true)},
        {{"--bus", "usb"}, false, {}},
        {{"--bus", "ppdev:"}, false, {}},
        {{"--bus"}, false, {}},
        {{"--coder", "tty:"}, false, {}},
        {{"--coder", "serial"}, false, {}},
        {{"--dir", ""}, false, {}},
        {{"--frobnicate"}, false, {}},
        {{"demo"}, false, {}},
        {{"--headless=yes"}, false, {}},
    };
    for (const OptionCase& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        ServerOptions got;
        std::string error;
        ASSERT_EQ(ParseServerOptions(c.args, got, error), c.ok) << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(got.dir, c.expected.dir);
        EXPECT_EQ(got.bus, c.expected.bus);
        EXPECT_EQ(got.coder, c.expected.coder);
        EXPECT_EQ(got.headless, c.expected.headless);
        EXPECT_EQ(got.version, c.expected.version);
        EXPECT_EQ(got.help, c.expected.help);
    }
}

TEST(ServerOptions, UsageNamesEveryOptionAndItsDefault) {
    const std::string usage = ServerUsage();
    for (const char* word : {"--dir", "--bus", "--coder", "--headless", "--version", "--help",
                             "default: .", "default: sim:eeprom.sim", "default: sim)"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

}  // namespace

// The headless face of the server: console lines and the command line.

#include <gtest/gtest.h>

#include "ConsoleView.h"
#include "ServerOptions.h"

static std::string Drain(std::FILE* f) {
    std::string text(4096, '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

TEST(ConsoleView, ListLinesGoOnceToStdoutAndMessagesToStderrInUtf8) {
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    CConsoleView view(out, err);
    view.AddLine(ServerList::Log, "\x80 \x93" "aspas\x94 \x85 \xE7\xE3" "o \xFF");
    view.ClearList(ServerList::Log);  // the terminal keeps what it has shown
    view.AddLine(ServerList::Connections, "127.0.0.1 @ 40000\x1B[2J\rX\x7F\t.");  // no terminal control gets through
    view.AddLine(ServerList::Dump, "[0000]:Blocks=0002(word)");
    view.ShowMessage("Erro de acesso.", "O interface n\xE3o respondeu,\nou o cabo.\n", MessageIcon::Information);
    view.ShowMessage("", "Impos\xEDvel.", MessageIcon::None);  // an empty caption names the program
    EXPECT_EQ(Drain(out), "[log] \xE2\x82\xAC \xE2\x80\x9C" "aspas\xE2\x80\x9D \xE2\x80\xA6 \xC3\xA7\xC3\xA3o \xC3\xBF\n"
                          "[conn] 127.0.0.1 @ 40000\xEF\xBF\xBD[2J\xEF\xBF\xBDX\xEF\xBF\xBD\t.\n[dump] [0000]:Blocks=0002(word)\n");
    EXPECT_EQ(Drain(err), "[msg] Erro de acesso.: O interface n\xC3\xA3o respondeu, ou o cabo.\n"
                          "[msg] Orvane Server: Impos\xC3\xADvel.\n");
}

TEST(ServerOptions, CommandLineTable) {
    // Expected: dir, bus, coder, then H, V, ? for the switches given; empty when refused.
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, ". sim:eeprom.sim sim "}, {{"--dir", "demo", "--headless"}, "demo sim:eeprom.sim sim H"},
        {{"--dir=/srv/fm", "--bus=ppdev:/dev/parport0", "--coder", "tty:/dev/ttyS0"}, "/srv/fm ppdev:/dev/parport0 tty:/dev/ttyS0 "},
        {{"--bus", "sim", "--version"}, ". sim sim V"},
        {{"--bus", "direct", "--coder", "direct", "--help"}, ". direct direct ?"},
        {{"--bus", "usb"}, ""}, {{"--bus", "ppdev:"}, ""}, {{"--bus"}, ""}, {{"--coder", "tty:"}, ""},
        {{"--coder", "serial"}, ""}, {{"--dir", ""}, ""}, {{"--frobnicate"}, ""}, {{"demo"}, ""}, {{"--headless=yes"}, ""},
    };
    for (const auto& [args, expected] : rows) {
        ServerOptions o;
        std::string error;
        const bool ok = ParseServerOptions(args, o, error);
        EXPECT_EQ(ok ? o.dir + " " + o.bus + " " + o.coder + " " + (o.headless ? "H" : "") + (o.version ? "V" : "") +
                           (o.help ? "?" : "") : "", expected) << ::testing::PrintToString(args);
        EXPECT_EQ(error.empty(), ok) << error;
    }
    for (const char* word : {"--dir", "--bus", "--coder", "--headless", "--version", "--help", "default: .",
                             "default: sim:eeprom.sim", "default: sim)"}) {
        EXPECT_NE(ServerUsage().find(word), std::string::npos) << word;
    }
}

// The headless face of the server: console lines and the command line.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <thread>

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
    view.AddLine(ServerList::Log,
                 "\x80 \x93"
                 "aspas\x94 \x85 \xE7\xE3"
                 "o \xFF");
    view.ClearList(ServerList::Log);  // the terminal keeps what it has shown
    view.AddLine(ServerList::Connections, "127.0.0.1 @ 40000\x1B[2J\rX\x7F\t.");  // no terminal control gets through
    view.AddLine(ServerList::Dump, "[0000]:Blocks=0002(word)");
    view.ShowMessage("Erro de acesso.", "O interface n\xE3o respondeu,\nou o cabo.\n", MessageIcon::Information);
    view.ShowMessage("", "Impos\xEDvel.", MessageIcon::None);  // an empty caption names the program
    EXPECT_EQ(Drain(out),
              "[log] \xE2\x82\xAC \xE2\x80\x9C"
              "aspas\xE2\x80\x9D \xE2\x80\xA6 \xC3\xA7\xC3\xA3o \xC3\xBF\n"
              "[conn] 127.0.0.1 @ 40000\xEF\xBF\xBD[2J\xEF\xBF\xBDX\xEF\xBF\xBD\t.\n[dump] [0000]:Blocks=0002(word)\n");
    EXPECT_EQ(Drain(err),
              "[msg] Erro de acesso.: O interface n\xC3\xA3o respondeu, ou o cabo.\n"
              "[msg] Orvane Server: Impos\xC3\xADvel.\n");
}

// A pipe whose reader has stopped: the view's writer end and the test's reader end.
class StalledPipe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe(fds), 0);
        ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
        out = ::fdopen(fds[1], "w");
        err = std::tmpfile();
    }
    void TearDown() override {
        std::fclose(out);
        std::fclose(err);
        ::close(fds[0]);
    }
    // Many more lines than the pipe and a 4 KB queue hold; none of them may wait.
    static void Flood(CConsoleView& view) {
        for (int i = 0; i < LINES; ++i) view.AddLine(ServerList::Log, "line " + std::to_string(i));
    }
    std::string ReadWhatIsThere() {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        return text;
    }
    // The lines received must be an unbroken start of what was sent, then one notice that
    // counts the lines lost, then `tail`.
    static void ExpectGapNamedOnce(const std::string& received, const std::string& tail, int sent) {
        const std::string noticeEnd =
            " linhas perdidas: a sa\xC3\xAD"
            "da n\xC3\xA3o foi lida a tempo.\n";
        const std::size_t noticeAt = received.find(noticeEnd);
        ASSERT_NE(noticeAt, std::string::npos) << received.substr(0, 200);
        const std::size_t lineStart = received.rfind('\n', noticeAt) + 1;  // npos + 1 is 0
        std::string kept;
        int keptCount = 0;
        while (kept.size() < lineStart) kept += "[log] line " + std::to_string(keptCount++) + "\n";
        EXPECT_EQ(received.substr(0, lineStart), kept);
        EXPECT_EQ(received.substr(lineStart, noticeAt - lineStart), "[log] " + std::to_string(sent - keptCount));
        EXPECT_LT(keptCount, sent);
        EXPECT_EQ(received.substr(noticeAt + noticeEnd.size()), tail);
    }
    static constexpr int LINES = 20000;
    static constexpr std::size_t QUEUE = 4096;
    int fds[2] = {-1, -1};
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
};

TEST_F(StalledPipe, LinesAreDroppedThenCountedOnceTheReaderIsBack) {
    {
        CConsoleView view(out, err, QUEUE);
        // Checked before the first write, which would otherwise wait for ever.
        ASSERT_NE(::fcntl(fds[1], F_GETFL) & O_NONBLOCK, 0);
        Flood(view);
        std::string received;
        // The event loop sends the rest while the reader takes it; bounded, not timed.
        for (int round = 0; round < 10000 && received.find("perdidas") == std::string::npos; ++round) {
            received += ReadWhatIsThere();
            QCoreApplication::processEvents();
        }
        view.AddLine(ServerList::Log, "after");
        for (int round = 0; round < 10000 && received.find("[log] after\n") == std::string::npos; ++round) {
            QCoreApplication::processEvents();
            received += ReadWhatIsThere();
        }
        ExpectGapNamedOnce(received, "[log] after\n", LINES);
    }
    // The pipe or terminal is the shell's again, with the flags it had.
    EXPECT_EQ(::fcntl(fds[1], F_GETFL) & O_NONBLOCK, 0);
}

TEST_F(StalledPipe, FlushAtTheEndHandsTheQueueToAReaderThatComesBack) {
    std::string received;
    std::thread reader;
    {
        CConsoleView view(out, err, QUEUE);
        ASSERT_NE(::fcntl(fds[1], F_GETFL) & O_NONBLOCK, 0);
        Flood(view);
        view.AddLine(ServerList::Log, "last");  // the queue has not drained: lost with the others
        reader = std::thread([this, &received] {
            ::fcntl(fds[0], F_SETFL, 0);  // a blocking reader, until the writer end closes
            char buffer[4096];
            for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) received.append(buffer, n);
        });
        view.FlushOutput(60000);  // bounds a fault; a working flush returns once all is out
    }
    std::fclose(out);
    out = std::tmpfile();  // TearDown closes this one
    reader.join();
    ExpectGapNamedOnce(received, "", LINES + 1);
}

TEST(ServerOptions, CommandLineTable) {
    // Expected: dir, bus, coder, then H, V, ? for the switches given; empty when refused.
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, ". sim:eeprom.sim sim "},
        {{"--dir", "demo", "--headless"}, "demo sim:eeprom.sim sim H"},
        {{"--dir=/srv/fm", "--bus=ppdev:/dev/parport0", "--coder", "tty:/dev/ttyS0"},
         "/srv/fm ppdev:/dev/parport0 tty:/dev/ttyS0 "},
        {{"--bus", "sim", "--version"}, ". sim sim V"},
        {{"--bus", "direct", "--coder", "direct", "--help"}, ". direct direct ?"},
        {{"--bus", "usb"}, ""},
        {{"--bus", "ppdev:"}, ""},
        {{"--bus"}, ""},
        {{"--coder", "tty:"}, ""},
        {{"--coder", "serial"}, ""},
        {{"--dir", ""}, ""},
        {{"--frobnicate"}, ""},
        {{"demo"}, ""},
        {{"--headless=yes"}, ""},
    };
    for (const auto& [args, expected] : rows) {
        ServerOptions o;
        std::string error;
        const bool ok = ParseServerOptions(args, o, error);
        EXPECT_EQ(ok ? o.dir + " " + o.bus + " " + o.coder + " " + (o.headless ? "H" : "") + (o.version ? "V" : "") +
                           (o.help ? "?" : "")
                     : "",
                  expected)
            << ::testing::PrintToString(args);
        EXPECT_EQ(error.empty(), ok) << error;
    }
    for (const char* word : {"--dir", "--bus", "--coder", "--headless", "--version", "--help", "default: .",
                             "default: sim:eeprom.sim", "default: sim)"}) {
        EXPECT_NE(ServerUsage().find(word), std::string::npos) << word;
    }
}

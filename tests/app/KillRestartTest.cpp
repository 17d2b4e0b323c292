// The real orvane-server, killed with SIGKILL in the middle of its closing sync at a random
// write, then started again on the same EEPROM file: what the encoder would read after each
// kill, and whether the next run puts the whole image in place.

#include <QProcess>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <random>

#include "ServerFixture.h"

namespace {
using Chip = std::string;  // the 4096 bytes of the EEPROM file

const std::string KILL_SETTINGS = QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n";
// Two stations whose images differ in most bytes and in length, so each sync both rewrites
// records in place and grows or shrinks the count.
const std::string STATIONS[2] = {
    "PI=C201\nPTY=0A\nPSN=\"RADIO XX|FADO|NOITE\"\nTXT0=\"Musica portuguesa toda a noite\"\n",
    "PI=8A51\nPTY=05\nPSN=\"ORVANE|FM 97.4|LISBOA|NOTICIA|DESPORTO|TEMPO\"\n"
    "TXT0=\"Noticias de hora a hora, desporto e o tempo em Lisboa\"\nTXT1=\"Orvane FM\"\n",
};

int CountOf(const Chip& chip) { return static_cast<uint8_t>(chip[0]) | static_cast<uint8_t>(chip[1]) << 8; }

// The count word and the records it claims; what lies behind them is not read.
std::string Content(const Chip& chip) { return chip.substr(0, 2 + static_cast<size_t>(CountOf(chip)) * 13); }

std::string Record(const Chip& chip, int index) { return chip.substr(2 + static_cast<size_t>(index) * 13, 13); }

// Replacements of the file, seen as renames onto it.
class FileReplacements {
public:
    FileReplacements(const std::string& dir, std::string name) : m_name(std::move(name)) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) ::inotify_add_watch(m_fd, dir.c_str(), IN_MOVED_TO);
    }
    ~FileReplacements() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileReplacements(const FileReplacements&) = delete;
    FileReplacements& operator=(const FileReplacements&) = delete;
    [[nodiscard]] bool Ok() const { return m_fd >= 0; }
    // Waits up to boundMs for the next batch of events; returns how many named the file.
    int Wait(int boundMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, boundMs) <= 0) return 0;
        alignas(inotify_event) char buffer[8192];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        int seen = 0;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && m_name == event->name) ++seen;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return seen;
    }

private:
    int m_fd = -1;
    std::string m_name;
};

class KillRestart : public ServerFixture {
protected:
    [[nodiscard]] Chip ReadChip() const { return Read("eeprom.sim"); }
    // Starts the server and returns once its first EEPROM read is logged.
    void StartServer(QProcess& server) {
        server.start(ORVANE_SERVER_BINARY,
                     {"--headless", "--dir", QString::fromStdString(dir), "--bus", "sim:eeprom.sim"});
        ASSERT_TRUE(server.waitForStarted(30000));
        std::string out;
        while (out.find("[log] " + READ_LINE) == std::string::npos) {
            // Bounds a stuck server; this is no speed check.
            ASSERT_TRUE(server.waitForReadyRead(30000)) << out << server.readAllStandardError().toStdString();
            out += server.readAllStandardOutput().toStdString();
        }
    }
    // One run of the station that ends normally: its closing sync leaves the image in the chip.
    Chip RunToTheEnd(int station) {
        Write("RDS.TXT", STATIONS[station]);
        QProcess server;
        StartServer(server);
        ::kill(static_cast<pid_t>(server.processId()), SIGTERM);
        EXPECT_TRUE(server.waitForFinished(60000));
        EXPECT_EQ(server.exitCode(), 0) << server.readAllStandardError().toStdString();
        return ReadChip();
    }
};

// What a kill may leave: a count no larger than both, new records counted only once they
// are whole, and each counted record the old or the new one, but for the one being written.
::testing::AssertionResult SafeAfterKill(const Chip& chip, const Chip& old, const Chip& now) {
    const int count = CountOf(chip), from = CountOf(old), to = CountOf(now);
    if (count > std::max(from, to)) return ::testing::AssertionFailure() << "count " << count << " above both";
    int mixed = 0;
    for (int i = 0; i < count; ++i) {
        const bool isOld = i < from && Record(chip, i) == Record(old, i);
        const bool isNew = i < to && Record(chip, i) == Record(now, i);
        if (count > from && !isNew) return ::testing::AssertionFailure() << "record " << i << " counted before whole";
        mixed += !isOld && !isNew;
    }
    if (mixed > 1) return ::testing::AssertionFailure() << mixed << " counted records are neither old nor new";
    return ::testing::AssertionSuccess();
}
}  // namespace

TEST_F(KillRestart, AKillAtARandomWriteOfTheSyncLeavesASafeCountAndTheNextRunFinishesTheImage) {
    Write("DEF.INI", KILL_SETTINGS);
    // Each station's image as a clean run leaves it, from a blank chip.
    Chip image[2];
    for (const int station : {0, 1}) {
        std::filesystem::remove(dir + "/eeprom.sim");
        image[station] = RunToTheEnd(station);
        ASSERT_EQ(image[station].size(), 4096u);
        ASSERT_GT(CountOf(image[station]), 0);
    }
    ASSERT_NE(CountOf(image[0]), CountOf(image[1]));

    std::mt19937 random(20240517);
    int killsMidSync = 0;
    for (int round = 0; round < 4; ++round) {
        const int station = round % 2;
        const Chip old = ReadChip();
        // The chip takes a page of changed bytes in one write cycle, so the file is replaced
        // once per page that differs.
        int differingPages = 0;
        for (size_t page = 0; page < old.size(); page += 32)
            differingPages += old.compare(page, 32, image[station], page, 32) != 0;
        const int killAt = std::uniform_int_distribution<int>(1, std::max(1, differingPages - 1))(random);

        Write("RDS.TXT", STATIONS[station]);
        QProcess server;
        StartServer(server);
        FileReplacements writes(dir, "eeprom.sim");
        ASSERT_TRUE(writes.Ok());
        ::kill(static_cast<pid_t>(server.processId()), SIGTERM);  // its closing sync starts now
        int seen = 0;
        // waitForFinished(0) lets the process notice its end; the bound keeps a lost event from hanging the test.
        for (int waits = 0; seen < killAt && waits < 300 && !server.waitForFinished(0); ++waits)
            seen += writes.Wait(100);
        ::kill(static_cast<pid_t>(server.processId()), SIGKILL);
        ASSERT_TRUE(server.waitForFinished(60000));
        killsMidSync += server.exitStatus() == QProcess::CrashExit;

        const Chip killed = ReadChip();
        ASSERT_EQ(killed.size(), 4096u) << "round " << round;
        EXPECT_TRUE(SafeAfterKill(killed, old, image[station])) << "round " << round << ", kill at write " << killAt;
        EXPECT_EQ(Content(RunToTheEnd(station)), Content(image[station])) << "round " << round;
    }
    EXPECT_GT(killsMidSync, 0);  // at least one kill landed before the sync ended
}

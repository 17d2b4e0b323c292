// The real orvane-server in its window on a virtual X display, on a copy of the demo station:
// the screen shows the first sync on the EEPROM map, SIGTERM ends the run through "Finalizar"'s path.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "ServerFixture.h"

namespace {

// Screenshots every second until the test leaves a "stop" file, then SIGTERM and the exit code.
constexpr const char* SCRIPT = R"(
"$1" --dir "$2" > "$2/server.log" 2>&1 &
pid=$!
for i in $(seq 1 90); do
  [ -e "$2/stop" ] && break
  sleep 1
  import -window root "$2/shot.tmp.png" 2>/dev/null && mv "$2/shot.tmp.png" "$2/shot.png"
done
kill -TERM $pid
wait $pid
echo $? > "$2/exit"
)";

struct MapFound {
    QRect grey;       // where the positions beyond the chip lie
    int written = 0;  // pixels in the colour of a written byte above them
};

// The map's grey part is made of rows of 520 grey pixels (a band of the background may be as
// grey, but it runs the width of the window); the written bytes lie above it in the same columns.
MapFound FindMap(const QImage& screen) {
    MapFound found;
    for (int y = 0; y < screen.height(); ++y) {
        int run = 0;
        for (int x = 0; x <= screen.width(); ++x) {
            if (x < screen.width() && screen.pixel(x, y) == 0xFF646464u) {
                ++run;
                continue;
            }
            if (run == 520) found.grey |= QRect(x - run, y, run, 1);
            run = 0;
        }
    }
    if (found.grey.width() != 520) return found;
    for (int y = found.grey.top() - 16; y < found.grey.top(); ++y) {
        for (int x = found.grey.left(); x <= found.grey.right(); ++x) {
            found.written += screen.pixel(x, y) == 0xFF0000FFu;
        }
    }
    return found;
}

}  // namespace

// Only the station folder: the server runs in its own process.
using WindowEndToEnd = StationFixture;

TEST_F(WindowEndToEnd, ServerWindowShowsTheFirstSyncAndEndsCleanlyOnSigterm) {
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("import").isEmpty()) {
        GTEST_SKIP() << "xvfb-run or ImageMagick's import is not installed (scripts/install-deps installs them)";
    }
    std::filesystem::copy(ORVANE_DEMO_DIR, dir, std::filesystem::copy_options::recursive);

    QProcess xvfb;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");  // the server must take the X display, not the offscreen one
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    xvfb.setProcessEnvironment(env);
    xvfb.start("xvfb-run", {"-a", "-s", "-screen 0 1024x600x24", "bash", "-c", SCRIPT, "run", ORVANE_SERVER_BINARY,
                            QString::fromStdString(dir)});
    ASSERT_TRUE(xvfb.waitForStarted());

    MapFound map;
    const QString shot = QString::fromStdString(dir + "/shot.png");
    for (int i = 0; i < 120 && map.written == 0 && xvfb.state() == QProcess::Running; ++i) {
        xvfb.waitForFinished(1000);
        QImage screen;
        if (QFile::exists(shot) && screen.load(shot)) map = FindMap(screen.convertToFormat(QImage::Format_RGB32));
    }
    std::ofstream(dir + "/stop") << "\n";
    ASSERT_TRUE(xvfb.waitForFinished(60000));

    // 4096 bytes of a 32759-position map: 15 full rows and 196 of the 16th, whole grey rows after them,
    // and the 16 rows above them hold the chip.
    EXPECT_EQ(map.grey.width(), 520);
    EXPECT_EQ(map.grey.height(), 109);  // rows 16 to 124; the last is one short of 520
    EXPECT_GT(map.written, 100);
    std::ifstream exitFile(dir + "/exit");
    int exitCode = -1;
    exitFile >> exitCode;
    EXPECT_EQ(exitCode, 0);

    const std::string chip = Read("eeprom.sim");
    ASSERT_EQ(chip.size(), 4096u);
    const int records = static_cast<uint8_t>(chip[0]) | static_cast<uint8_t>(chip[1]) << 8;
    EXPECT_GT(records, 0);
    EXPECT_LE(2 + records * 13, 4096);
}

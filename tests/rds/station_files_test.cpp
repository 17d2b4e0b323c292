// Station files that are not plain readable files: what the command file reports and logs,
// and that neither it nor the title poll ever waits on a FIFO.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "CommandFile.h"
#include "TestSupport.h"
#include "Title.h"

namespace {

// A regression that blocks on a FIFO ends the test program instead of stalling the run.
struct HangWatchdog {
    HangWatchdog() { ::alarm(20); }
    ~HangWatchdog() { ::alarm(0); }
};

const std::string OPENING = "************** PROCESSAR O FICHEIRO RDS.TXT ***************\n";
const std::string CLOSING = std::string(74, '*') + "\n";
const std::string UNREADABLE = "Ficheiro RDS.TXT ileg\xEDvel: ";

}  // namespace

TEST(CommandFile, SaysWhetherItWasReadMissingOrUnreadableAndLogsTheCause) {
    TempFolder dir;
    const std::string good = dir.Write("good.txt", "PI=C201\n");
    const std::string fifo = dir.path + "/fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(dir.path + "/folder.txt");
    // A read that fails after the open: the kernel refuses reads of unmapped memory.
    const std::string readError = "/proc/self/mem";
    // A row builds nothing unless it says so; the defaults' rebuild gives one blank page.
    const struct {
        std::string path, logged;
        CommandFileRead read;
        std::string reason;
        int records = 0;
    } cases[] = {
        {good, "PI=C201 - OK\n" + CLOSING, CommandFileRead::Read, "", 4},
        {dir.path + "/none.txt", "Ficheiro RDS.TXT Inexistente.\n", CommandFileRead::Missing, ""},
        {dir.path + "/folder.txt", UNREADABLE + "\xE9 uma pasta\n", CommandFileRead::Unreadable, "\xE9 uma pasta"},
        {fifo, UNREADABLE + "n\xE3o \xE9 um ficheiro normal\n", CommandFileRead::Unreadable,
         "n\xE3o \xE9 um ficheiro normal"},
        {"/dev/null", UNREADABLE + "n\xE3o \xE9 um ficheiro normal\n", CommandFileRead::Unreadable,
         "n\xE3o \xE9 um ficheiro normal"},
        // What was read stays and is built, as at the end of the file; the caller still hears of it.
        {readError, UNREADABLE + "erro de leitura (EIO)\n" + CLOSING, CommandFileRead::Unreadable,
         "erro de leitura (EIO)", 4},
    };
    HangWatchdog watchdog;
    for (const auto& c : cases) {
        CommandFileStation station;
        const CommandFileReading reading = ProcessCommandFile(c.path, station.host);
        EXPECT_EQ(reading.read, c.read) << c.path;
        EXPECT_EQ(reading.reason, c.reason) << c.path;
        EXPECT_EQ(station.log.lines, OPENING + c.logged) << c.path;
        EXPECT_EQ(station.model.GetRecordCount(), c.records) << c.path;
    }
}

// Run as a user without the power to read every file: root drops to "nobody" in a child.
TEST(CommandFile, AFileWithoutReadPermissionIsUnreadableNotMissing) {
    TempFolder dir;
    ASSERT_EQ(::chmod(dir.path.c_str(), 0755), 0);
    const std::string locked = dir.Write("RDS.TXT", "PI=C201\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const auto readAsAnotherUser = [&locked] {
        if (::geteuid() == 0 && ::setuid(65534) != 0) std::_Exit(2);
        CommandFileStation station;
        const CommandFileReading reading = ProcessCommandFile(locked, station.host);
        const bool refused = reading.read == CommandFileRead::Unreadable &&
                             station.log.lines == OPENING + UNREADABLE + "permiss\xE3o negada\n";
        std::_Exit(refused ? 0 : 1);
    };
    EXPECT_EXIT(readAsAnotherUser(), ::testing::ExitedWithCode(0), "");
}

TEST(Title, AStatusFileThatIsNotARegularFileGivesNoTitleAndNeverBlocks) {
    TempFolder dir;
    const std::string fifo = dir.path + "/status.htm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(dir.path + "/folder.htm");
    HangWatchdog watchdog;
    for (const std::string& path : {fifo, dir.path + "/folder.htm", std::string("/dev/null")}) {
        std::string title = "unchanged";
        EXPECT_FALSE(ReadTitleFile(path, title)) << path;
        EXPECT_EQ(title, "unchanged") << path;
    }
}

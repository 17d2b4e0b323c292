// The offline encoder: what start-up does with RDS.TXT, one optional title poll, and the
// EEPROM content written out or listed as groups.

#include "EncodeTool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <ostream>

#include "CommandFile.h"
#include "CommandLineParser.h"
#include "ConfigReader.h"
#include "Cp1252.h"
#include "DecodeTool.h"
#include "FileLookup.h"
#include "IClock.h"
#include "RdsModel.h"
#include "RdsTypes.h"
#include "SystemClock.h"
#include "Title.h"

namespace {

constexpr char TOOL[] = "orvane-encode";
constexpr char COMMAND_FILE[] = "RDS.TXT";
constexpr char SETTINGS_FILE[] = "DEF.INI";
constexpr int BLOCK_BITS = 26;
constexpr int INFO_BITS = 16;

class StreamLog : public ILogSink {
public:
    explicit StreamLog(std::ostream& err) : m_err(err) {}
    void AddLog(const std::string& line) override { m_err << Cp1252ToUtf8(line) << '\n'; }

private:
    std::ostream& m_err;
};

// Information word of block `block` (0..3) of the record starting at `record`.
uint16_t InfoWord(const uint8_t* record, int block) {
    unsigned word = 0;
    for (int bit = block * BLOCK_BITS; bit < block * BLOCK_BITS + INFO_BITS; ++bit) {
        word = word << 1 | ((record[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    return static_cast<uint16_t>(word);
}

void PrintGroups(const CRdsModel& model, std::ostream& out) {
    const uint8_t* image = model.GetImage();
    for (int n = 0; n < model.GetRecordCount(); ++n) {
        const uint8_t* record = image + static_cast<std::ptrdiff_t>(n) * RECORD_BYTES;
        char line[24];
        std::snprintf(line, sizeof line, "%04X %04X %04X %04X", InfoWord(record, 0), InfoWord(record, 1),
                      InfoWord(record, 2), InfoWord(record, 3));
        out << line << '\n';
    }
}

// What the EEPROM holds: the record count, low byte first, then the image bytes.
std::string EepromContent(const CRdsModel& model) {
    const int count = model.GetRecordCount();
    std::string content = {static_cast<char>(count & 0xFF), static_cast<char>(count >> 8 & 0xFF)};
    content.append(reinterpret_cast<const char*>(model.GetImage()), static_cast<size_t>(model.GetImageLength()));
    return content;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A temporary file beside the target, renamed over it once complete: a full disk or a cut
// run leaves the previous image whole. False with `error` set when it could not be done.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    // mkstemp makes the file private; the image gets the mode a plain new file would.
    bool done = ::fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!done) error = std::strerror(errno);
    if (::close(fd) != 0 && done) {
        error = std::strerror(errno);
        done = false;
    }
    if (done && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        done = false;
    }
    if (!done) ::unlink(temp.c_str());
    return done;
}

// Which field of a well-shaped "YYYY-MM-DD HH:MM" lies outside its limits, named with them;
// empty when none does (then the clock's own refusal says why).
std::string AtFieldOutOfLimits(const std::string& text) {
    static constexpr char SHAPE[] = "0000-00-00 00:00";
    if (text.size() != sizeof(SHAPE) - 1) return {};
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (SHAPE[i] == '0' ? !digit : text[i] != SHAPE[i]) return {};
    }
    auto number = [&text](size_t at, size_t digits) { return std::stoi(text.substr(at, digits)); };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < CLOCK_FIRST_YEAR || year > CLOCK_LAST_YEAR) {
        return "year must be " + std::to_string(CLOCK_FIRST_YEAR) + ".." + std::to_string(CLOCK_LAST_YEAR);
    }
    if (month < 1 || month > 12) return "month must be 01..12";
    const std::chrono::year_month_day_last last{std::chrono::year{year} / std::chrono::month(month) /
                                                std::chrono::last};
    const auto lastDay = static_cast<unsigned>(last.day());
    if (day < 1 || static_cast<unsigned>(day) > lastDay) {
        return "day must be 01.." + std::to_string(lastDay) + " in " + text.substr(0, 7);
    }
    if (number(11, 2) > 23) return "hour must be 00..23";
    if (number(14, 2) > 59) return "minute must be 00..59";
    return {};
}

int Usage(std::ostream& err, const std::string& message) {
    err << TOOL << ": " << message << "\n\n" << EncodeUsage();
    return EXIT_USAGE;
}

// The status file as given; a bare name missing here is the station folder's own.
std::string TitlePath(const EncodeOptions& options) {
    std::string here = ResolveFileName(".", options.titleFile);
    std::error_code ec;
    if (std::filesystem::exists(here, ec) || std::filesystem::path(options.titleFile).is_absolute()) {
        return here;
    }
    return ResolveFileName(options.dir, options.titleFile);
}

// The system clock, or one fixed at `at`; null with `error` set when `at` is no such time.
std::unique_ptr<IClock> MakeClock(const std::string& at, std::string& error) {
    if (at.empty()) return std::make_unique<CSystemClock>();
    ClockReading reading;
    if (ClockReadingForLocalTime(at, reading, error)) return std::make_unique<CFixedClock>(reading);
    if (const std::string limits = AtFieldOutOfLimits(at); !limits.empty()) {
        error = limits + ", got \"" + at + "\"";
    }
    return nullptr;
}

}  // namespace

std::string EncodeUsage() {
    return "usage: orvane-encode [--dir DIR] [--title FILE] [--at \"YYYY-MM-DD HH:MM\"] [-o FILE]\n"
           "                     [--groups] [--version] [--help]\n"
           "       orvane-encode --decode FILE|- [--json]\n"
           "\n"
           "Codes the RDS.TXT of a station folder into the EEPROM image the RDS encoder reads,\n"
           "as the server does at start-up: the folder's DEF.INI (any case), when there is one,\n"
           "gives the settings that shape the image (RPSN=, the PS repeat count).\n"
           "\n"
           "  --dir DIR     working folder that holds RDS.TXT and DEF.INI (default: .)\n"
           "  --title FILE  status file to read the now-playing title from, once (default: none)\n"
           "                a relative FILE not found from here is taken from DIR\n"
           "  --at TIME     clock fixed at this local time, \"YYYY-MM-DD HH:MM\" in the system's\n"
           "                time zone (default: the system clock)\n"
           "  -o FILE       write the EEPROM content to FILE: record count, low byte first,\n"
           "                then the records (default: none)\n"
           "  --groups      print each record's four information words in hex, one record\n"
           "                per line, on stdout (default: off)\n"
           "  --decode FILE print what a receiver shows for an EEPROM file: the chip's 4096 bytes\n"
           "                or the -o output; FILE - reads four hex words a line from stdin,\n"
           "                as --groups and receivers' capture tools write them\n"
           "  --json        with --decode: one JSON object instead of the text lines\n"
           "  --version     print the version and stop\n"
           "  --help        print this help and stop\n"
           "\n"
           "The command file's log goes to stderr. Exit status:\n"
           "  0  done\n"
           "  1  no image: RDS.TXT is missing or cannot be read (a folder, a FIFO, no permission,\n"
           "     a read error), or FILE could not be written; a previous FILE is left as it was\n"
           "  2  bad arguments (--at outside 1900..2099 or not a real time) or unreadable folder;\n"
           "     with --decode, a file that is no EEPROM image (wrong size, a record count past\n"
           "     its end, no record with good checkwords, a line that is not four hex words)\n";
}

std::optional<EncodeOptions> ParseEncodeOptions(const std::vector<std::string>& args, std::string& error) {
    EncodeOptions options;
    CCommandLineParser parser;
    const auto value = [](const char* name, std::string& field) {
        return [name, &field](const std::string& text, std::string& why) {
            if (text.empty()) {
                why = std::string("option ") + name + " needs a non-empty value";
                return false;
            }
            field = text;
            return true;
        };
    };
    parser.AddValue("--dir", value("--dir", options.dir));
    parser.AddValue("--title", value("--title", options.titleFile));
    parser.AddValue("--at", value("--at", options.at));
    parser.AddValue("-o", value("-o", options.outFile));
    parser.AddFlag("--groups", [&options] { options.groups = true; });
    parser.AddValue("--decode", value("--decode", options.decodeFile));
    parser.AddFlag("--json", [&options] { options.json = true; });
    parser.AddFlag("--help", [&options] { options.help = true; });
    parser.AddFlag("-h", [&options] { options.help = true; });
    parser.AddFlag("--version", [&options] { options.version = true; });
    parser.SetUnknownMessage(
        [](const std::string&, const std::string& name) { return "unknown argument \"" + name + "\""; });
    if (!parser.Parse(args, error)) return std::nullopt;
    const bool encoding = options.groups || !options.outFile.empty() || !options.titleFile.empty() ||
                          !options.at.empty();
    if (!options.decodeFile.empty() && encoding) {
        error = "--decode reads an image: it takes none of -o, --groups, --title, --at";
        return std::nullopt;
    }
    if (options.json && options.decodeFile.empty()) {
        error = "--json goes with --decode";
        return std::nullopt;
    }
    return options;
}

int RunEncodeTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    std::optional<EncodeOptions> parsed = ParseEncodeOptions(args, error);
    if (!parsed) return Usage(err, error);
    const EncodeOptions& options = *parsed;
    if (options.help) {
        out << EncodeUsage();
        return EXIT_DONE;
    }
    if (options.version) {
        out << TOOL << ' ' << ORVANE_VERSION << '\n';
        return EXIT_DONE;
    }

    if (!options.decodeFile.empty()) return RunDecodeTool(options.decodeFile, options.json, std::cin, out, err);

    std::error_code ec;
    std::filesystem::directory_iterator probe(options.dir, ec);
    if (ec) return Usage(err, "cannot read the folder \"" + options.dir + "\": " + ec.message());

    std::unique_ptr<IClock> clock = MakeClock(options.at, error);
    if (!clock) return Usage(err, "--at: " + error);

    CRdsModel model(*clock);
    // As the server at start-up: DEF.INI's settings of the model before the command file.
    const ConfigReport config = CConfigReader::ReadFile(ResolveFileName(options.dir, SETTINGS_FILE));
    if (config.settings.psRepeat) model.SetPsRepeat(*config.settings.psRepeat);
    StreamLog log(err);
    CTitleTracker titles;
    bool autoLoad = false;
    CModelCommandFileHost host(model, log, titles, autoLoad);
    const std::string commandFile = ResolveFileName(options.dir, COMMAND_FILE);
    const CommandFileReading reading = ProcessCommandFile(commandFile, host);
    // Without the station's commands the image is the defaults, which no encoder should get.
    if (reading.read != CommandFileRead::Read) {
        const std::string cause = reading.read == CommandFileRead::Missing
                                      ? "is missing"
                                      : "cannot be read (" + Cp1252ToUtf8(reading.reason) + ")";
        err << TOOL << ": no image: \"" << commandFile << "\" " << cause << "\n";
        return EXIT_NOT_WRITTEN;
    }

    if (!options.titleFile.empty() && !titles.Poll(TitlePath(options), model, log)) {
        err << TOOL << ": no title taken from \"" << options.titleFile
            << "\" (missing, not a regular file, without the title markers, or empty)\n";
    }

    if (options.groups) PrintGroups(model, out);
    if (!options.outFile.empty() && !WriteFileReplacing(options.outFile, EepromContent(model), error)) {
        err << TOOL << ": cannot write \"" << options.outFile << "\": " << error
            << "; a previous file there is left as it was\n";
        return EXIT_NOT_WRITTEN;
    }
    err << TOOL << ": " << model.GetRecordCount() << " groups, " << model.GetImageLength() << " image bytes\n";
    return EXIT_DONE;
}

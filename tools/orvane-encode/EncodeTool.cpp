// The offline encoder: what start-up does with RDS.TXT, one optional title poll, and the
// EEPROM content written out or listed as groups.

#include "EncodeTool.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>

#include "CommandFile.h"
#include "ConfigReader.h"
#include "FileLookup.h"
#include "IClock.h"
#include "RdsModel.h"
#include "RdsTypes.h"
#include "SystemClock.h"
#include "Cp1252.h"
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
        const uint8_t* record = image + n * RECORD_BYTES;
        char line[24];
        std::snprintf(line, sizeof line, "%04X %04X %04X %04X", InfoWord(record, 0),
                      InfoWord(record, 1), InfoWord(record, 2), InfoWord(record, 3));
        out << line << '\n';
    }
}

// What the EEPROM holds: the record count, low byte first, then the image bytes.
bool WriteEepromContent(const CRdsModel& model, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    int count = model.GetRecordCount();
    const char header[EEPROM_HEADER_BYTES] = {static_cast<char>(count & 0xFF),
                                              static_cast<char>(count >> 8 & 0xFF)};
    file.write(header, EEPROM_HEADER_BYTES);
    file.write(reinterpret_cast<const char*>(model.GetImage()), model.GetImageLength());
    file.close();
    return static_cast<bool>(file);
}

bool TakesValue(const std::string& option) {
    return option == "--dir" || option == "--title" || option == "--at" || option == "-o";
}

int Usage(std::ostream& err, const std::string& message) {
    err << TOOL << ": " << message << "\n\n" << EncodeUsage();
    return EXIT_USAGE;
}

// The status file as given; a bare name missing here is the station folder's own.
std::string TitlePath(const EncodeOptions& options) {
    const std::string here = ResolveFileName(".", options.titleFile);
    std::error_code ec;
    if (std::filesystem::exists(here, ec) || std::filesystem::path(options.titleFile).is_absolute()) {
        return here;
    }
    return ResolveFileName(options.dir, options.titleFile);
}

}  // namespace

std::string EncodeUsage() {
    return "usage: orvane-encode [--dir DIR] [--title FILE] [--at \"YYYY-MM-DD HH:MM\"] [-o FILE]\n"
           "                     [--groups] [--version] [--help]\n"
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
           "  --version     print the version and stop\n"
           "  --help        print this help and stop\n"
           "\n"
           "The command file's log goes to stderr. Exit status: 0 done, 1 image not written,\n"
           "2 bad arguments or unreadable folder.\n";
}

std::optional<EncodeOptions> ParseEncodeOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    EncodeOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool inlineValue = false;
        if (size_t eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
            inlineValue = true;
        }
        if (TakesValue(option)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = "option " + option + " needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (value.empty()) {
                error = "option " + option + " needs a non-empty value";
                return std::nullopt;
            }
            if (option == "--dir") options.dir = value;
            if (option == "--title") options.titleFile = value;
            if (option == "--at") options.at = value;
            if (option == "-o") options.outFile = value;
        } else if (inlineValue) {
            error = "option " + option + " takes no value";
            return std::nullopt;
        } else if (option == "--groups") {
            options.groups = true;
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else {
            error = "unknown argument \"" + option + "\"";
            return std::nullopt;
        }
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

    std::error_code ec;
    std::filesystem::directory_iterator probe(options.dir, ec);
    if (ec) return Usage(err, "cannot read the folder \"" + options.dir + "\": " + ec.message());

    std::unique_ptr<IClock> clock;
    if (options.at.empty()) {
        clock = std::make_unique<CSystemClock>();
    } else {
        ClockReading reading;
        if (!ClockReadingForLocalTime(options.at, reading, error)) return Usage(err, "--at: " + error);
        clock = std::make_unique<CFixedClock>(reading);
    }

    CRdsModel model(*clock);
    // As the server at start-up: DEF.INI's settings of the model before the command file.
    const ConfigReport config = CConfigReader::ReadFile(ResolveFileName(options.dir, SETTINGS_FILE));
    if (config.settings.psRepeat) model.SetPsRepeat(*config.settings.psRepeat);
    StreamLog log(err);
    CTitleTracker titles;
    bool autoLoad = false;
    CModelCommandFileHost host(model, log, titles, autoLoad);
    ProcessCommandFile(ResolveFileName(options.dir, COMMAND_FILE), host);

    if (!options.titleFile.empty() && !titles.Poll(TitlePath(options), model, log)) {
        err << TOOL << ": no title taken from \"" << options.titleFile
            << "\" (missing, without the title markers, or empty)\n";
    }

    if (options.groups) PrintGroups(model, out);
    if (!options.outFile.empty() && !WriteEepromContent(model, options.outFile)) {
        err << TOOL << ": cannot write \"" << options.outFile << "\"\n";
        return EXIT_NOT_WRITTEN;
    }
    err << TOOL << ": " << model.GetRecordCount() << " groups, " << model.GetImageLength()
        << " image bytes\n";
    return EXIT_DONE;
}

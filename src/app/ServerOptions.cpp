#include "ServerOptions.h"

#include "CoderBackend.h"
#include "CommandLineParser.h"
#include "PortBackend.h"

bool ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error) {
    CCommandLineParser parser;
    parser.AddValue("--dir", [&options](const std::string& value, std::string& why) {
        if (value.empty()) {
            why = "option --dir needs a folder";
            return false;
        }
        options.dir = value;
        return true;
    });
    parser.AddValue("--bus", [&options](const std::string& value, std::string& why) {
        BusOption bus;
        std::string reason;
        if (!ParseBusOption(value, bus, reason)) {
            why = "bad --bus '" + value + "': " + reason;
            return false;
        }
        options.bus = value;
        return true;
    });
    parser.AddValue("--coder", [&options](const std::string& value, std::string& why) {
        CoderOption coder;
        std::string reason;
        if (!ParseCoderOption(value, coder, reason)) {
            why = "bad --coder '" + value + "': " + reason;
            return false;
        }
        options.coder = value;
        return true;
    });
    parser.AddFlag("--headless", [&options] { options.headless = true; });
    parser.AddFlag("--version", [&options] { options.version = true; });
    parser.AddFlag("--help", [&options] { options.help = true; });
    parser.AddFlag("-h", [&options] { options.help = true; });
    return parser.Parse(args, error);
}

std::string ServerUsage() {
    return "Usage: orvane-server [--dir DIR] [--bus sim[:FILE]|ppdev:DEV|direct]\n"
           "                     [--coder sim|tty:DEV|direct] [--headless] [--version] [--help]\n"
           "\n"
           "  --dir DIR        station folder with DEF.INI, RDS.TXT, STATUS.HTM (default: .)\n"
           "  --bus BUS        EEPROM bus: sim[:FILE] simulated interface and X24C32, kept in\n"
           "                   FILE of the station folder or, as plain sim, in memory only\n"
           "                   (default: sim:eeprom.sim),\n"
           "                   ppdev:DEV parallel port through DEV (e.g. /dev/parport0),\n"
           "                   direct for port I/O (root, x86 only)\n"
           "  --coder CODER    serial coder link: sim, tty:DEV or direct (default: sim)\n"
           "  --headless       no window: lists on stdout, messages on stderr\n"
           "  --version        print the version and exit\n"
           "  --help           print this help and exit\n"
           "\n"
           "SIGINT and SIGTERM end the run as the \"Finalizar\" button does.\n";
}

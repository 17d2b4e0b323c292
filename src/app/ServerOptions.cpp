#include "ServerOptions.h"

#include "PortBackend.h"

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ValidCoder(const std::string& coder) {
    if (coder == "sim" || coder == "direct") return true;
    if (StartsWith(coder, "tty:")) return coder.size() > 4;
    return false;
}

}  // namespace

bool ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                        std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasValue = false;
        const auto eq = arg.find('=');
        if (StartsWith(arg, "--") && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            hasValue = true;
        }
        const bool takesValue = arg == "--dir" || arg == "--bus" || arg == "--coder";
        if (takesValue && !hasValue) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = args[++i];
            hasValue = true;
        }
        if (!takesValue && hasValue) {
            error = "option " + arg + " takes no value";
            return false;
        }

        if (arg == "--dir") {
            if (value.empty()) {
                error = "option --dir needs a folder";
                return false;
            }
            options.dir = value;
        } else if (arg == "--bus") {
            BusOption bus;
            std::string why;
            if (!ParseBusOption(value, bus, why)) {
                error = "bad --bus '" + value + "': " + why;
                return false;
            }
            options.bus = value;
        } else if (arg == "--coder") {
            if (!ValidCoder(value)) {
                error = "unknown coder link '" + value + "' (sim, tty:DEV or direct)";
                return false;
            }
            options.coder = value;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
    }
    return true;
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

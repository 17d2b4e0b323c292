// orvane-server: the RDS encoder's control server, in its window when there is a display,
// else headless on the console.

#include <QApplication>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CoderBackend.h"
#include "ConsoleView.h"
#include "MainWindow.h"
#include "RdsServerDlg.h"
#include "ServerOptions.h"
#include "SimPortOpen.h"
#include "SimSerialCoder.h"
#include "SystemClock.h"

namespace {

int g_signalPipe[2] = {-1, -1};
constexpr int STOP_FLUSH_MS = 2000;

// Only the pipe is touched here: the run ends from the event loop, between two handlers.
void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool InstallStopSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A reader of stdout that goes away (a pager, a closed journal pipe) must not end the run
    // behind FinishRun's back; the lines then go nowhere and the station keeps running.
    ::signal(SIGPIPE, SIG_IGN);
    // A dropped SSH session (SIGHUP) or a quit key (SIGQUIT) ends the run as Ctrl-C does: through FinishRun.
    for (const int stopSignal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
        if (::sigaction(stopSignal, &action, nullptr) != 0) return false;
    }
    return true;
}

// The server's choice of backend: the simulator by default, or one of the real ports.
BusOpener ChooseBus(const std::string& text, const std::string& workDir) {
    BusOption bus;
    std::string error;
    if (!ParseBusOption(text, bus, error)) {
        return [error](uint16_t) { return PortOpenResult::Failure(error); };
    }
    return [bus, workDir](uint16_t basePort) {
        if (bus.kind == BusKind::Sim) return OpenSimPort(bus.path, workDir, basePort);
        return OpenHardwarePort(bus, basePort);
    };
}

// The serial coder link's port: the simulated encoder by default, or a tty or the UART itself.
CoderOpener ChooseCoder(const std::string& text) {
    CoderOption coder;
    std::string error;
    if (!ParseCoderOption(text, coder, error)) {
        return [error] { return PortOpenResult::Failure(error); };
    }
    return [coder] { return coder.kind == CoderKind::Sim ? OpenSimCoder() : OpenHardwareCoder(coder); };
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

// The window's run: the same controller, the same stop signals, the lists on screen.
int RunWindow(int argc, char** argv, ServerEnvironment environment) {
    QApplication app(argc, argv);
    // Only FinishRun ends the run; a hidden window must not.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!InstallStopSignals()) {
        std::perror("orvane-server: cannot watch SIGHUP, SIGINT, SIGQUIT and SIGTERM");
        return 1;
    }
    CMainWindow window;
    CSystemClock clock;
    CRdsServerDlg dlg(window, clock, std::move(environment));
    window.Attach(dlg);
    window.SetEndHandler([](int exitCode) { QCoreApplication::exit(exitCode); });
    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&dlg] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        dlg.FinishRun();
    });
    window.show();
    dlg.InitMainWindow();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ServerOptions options;
    std::string error;
    if (!ParseServerOptions(args, options, error)) {
        std::fprintf(stderr, "orvane-server: %s\n\n%s", error.c_str(), ServerUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ServerUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("orvane-server %s\n", ORVANE_VERSION);
        return 0;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(options.dir, ec)) {
        std::fprintf(stderr, "orvane-server: --dir %s is not a folder\n\n%s", options.dir.c_str(),
                     ServerUsage().c_str());
        return 2;
    }

    ServerEnvironment environment;
    environment.workDir = options.dir;
    environment.busName = options.bus;
    environment.coderName = options.coder;
    environment.openBus = ChooseBus(options.bus, options.dir);
    environment.openCoder = ChooseCoder(options.coder);
    if (!options.headless && HasDisplay()) {
        return RunWindow(argc, argv, std::move(environment));
    }

    QCoreApplication app(argc, argv);
    if (!InstallStopSignals()) {
        std::perror("orvane-server: cannot watch SIGHUP, SIGINT, SIGQUIT and SIGTERM");
        return 1;
    }

    CConsoleView view;
    CSystemClock clock;

    CRdsServerDlg dlg(view, clock, environment);
    view.SetTickHandler([&dlg] { dlg.OnTick(); });

    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&dlg] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        dlg.FinishRun();
    });

    dlg.InitMainWindow();
    const int exitCode = app.exec();
    // The last lines (the shutdown's) reach a slow reader if it takes them soon enough.
    view.FlushOutput(STOP_FLUSH_MS);
    return exitCode;
}

#pragma once
// The window of a headless run: every list line goes to stdout once, as it is added, so a
// list cleared in the window loses nothing from the terminal or the journal. A reader that
// stalls never holds the run: lines wait in a bounded queue; FlushOutput before the end.

#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>

#include "IServerView.h"
#include "NonBlockingOutput.h"

class CConsoleView : public IServerView {
public:
    // The streams are the process's stdout and stderr unless a test gives others.
    explicit CConsoleView(std::FILE* out = stdout, std::FILE* err = stderr,
                          std::size_t queueLimit = CNonBlockingOutput::DEFAULT_QUEUE_LIMIT);

    // Gives a slow reader at most `timeoutMs` on each stream to take the lines still queued.
    void FlushOutput(int timeoutMs);

    // What the tick timer runs; set before the run starts.
    void SetTickHandler(std::function<void()> onTick);
    [[nodiscard]] std::optional<int> ExitCode() const { return m_exitCode; }
    [[nodiscard]] bool IsTimerActive() const { return m_timer.isActive(); }

    void AddLine(ServerList list, const std::string& line) override;
    void ClearList(ServerList) override {}
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;

    [[nodiscard]] ControlValues ReadControls() override { return m_controls; }
    void WriteControls(const ControlValues& values) override { m_controls = values; }
    void EnableControl(int, bool) override {}
    void FocusControl(int) override {}
    void SetAddressEntry(int, const std::array<uint8_t, 4>&) override {}
    void SetSocketPicture(SocketPicture) override {}
    void SetWindowTitle(const std::string&) override {}
    void AddSystemMenuEntry(int, const std::string&) override {}

    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void SetProgressColour(uint8_t, uint8_t, uint8_t) override {}
    void SetBusyPointer(bool) override {}
    void DrawEepromMap(const uint8_t*, int) override {}
    // One "[onair] " line on stdout per line of the report.
    void ShowOnAir(const OnAirReport& report) override;

    void StartTickTimer(int periodMs) override;
    void StopTickTimer() override;
    void EndRun(int exitCode) override;

private:
    static void WriteLine(CNonBlockingOutput& stream, const std::string& prefix, const std::string& cp1252);

    CNonBlockingOutput m_out;
    CNonBlockingOutput m_err;
    ControlValues m_controls;
    QTimer m_timer;
    std::function<void()> m_onTick;
    std::optional<int> m_exitCode;
};

#pragma once
// The operator's console: the Qt window that shows the controller's lists, fields, lamp,
// progress bar and EEPROM map and hands its buttons, keys and mouse to the controller.
// main() builds it, builds the controller on it, calls Attach, then InitMainWindow and show().

#include <QDialog>
#include <QImage>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>

#include "IServerView.h"

class CRdsServerDlg;
class COnAirDialog;
class QLineEdit;
class QProgressBar;
class QLabel;
class QCheckBox;
class QListWidget;

class CMainWindow : public QDialog, public IServerView {
public:
    CMainWindow();
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // The controller that the buttons, keys, mouse and tick drive.
    void Attach(CRdsServerDlg& controller) { m_controller = &controller; }
    // What ends the event loop once the run is over (main's QApplication); tests leave it unset.
    void SetEndHandler(std::function<void(int exitCode)> onEnd) { m_onEnd = std::move(onEnd); }

    // The widget of a control of the window's table, or null.
    [[nodiscard]] QWidget* Control(int controlId) const;
    [[nodiscard]] std::optional<int> ExitCode() const { return m_exitCode; }
    [[nodiscard]] bool IsTickTimerActive() const { return m_tickTimer.isActive(); }
    // The rows of one list as the operator reads them.
    [[nodiscard]] QStringList ListLines(ServerList list) const;
    // Opens the about box modally.
    void ShowAbout();
    // Opens, or brings forward, the non-modal window of what is on air.
    void ShowOnAirWindow();
    // That window once opened, else null.
    [[nodiscard]] COnAirDialog* OnAirWindow() const { return m_onAirWindow; }

    // IServerView
    void AddLine(ServerList list, const std::string& line) override;
    void ClearList(ServerList list) override;
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
    [[nodiscard]] ControlValues ReadControls() override;
    void WriteControls(const ControlValues& values) override;
    void EnableControl(int controlId, bool enabled) override;
    void FocusControl(int controlId) override;
    void SetAddressEntry(int controlId, const std::array<uint8_t, 4>& octets) override;
    void SetSocketPicture(SocketPicture picture) override;
    void SetWindowTitle(const std::string& title) override;
    void AddSystemMenuEntry(int commandId, const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void SetProgressColour(uint8_t red, uint8_t green, uint8_t blue) override;
    void SetBusyPointer(bool busy) override;
    void DrawEepromMap(const uint8_t* states, int eepromSize) override;
    // Kept for the on-air window, not written to the event log.
    void ShowOnAir(const OnAirReport& report) override;
    void StartTickTimer(int periodMs) override;
    void StopTickTimer() override;
    void EndRun(int exitCode) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildControl(int id, int kind, const QString& text, unsigned state);
    void ConnectButtons();
    void SetFieldText(int controlId, const std::string& cp1252);
    [[nodiscard]] QListWidget* List(ServerList list) const;
    [[nodiscard]] QCheckBox* TickBox(int controlId) const;

    CRdsServerDlg* m_controller = nullptr;
    std::map<int, QWidget*> m_controls;
    // The read-only fields as the controller last wrote them, byte for byte.
    ControlValues m_shown;
    QImage m_map;
    QTimer m_tickTimer;
    int m_busyDepth = 0;
    bool m_ending = false;
    std::optional<int> m_exitCode;
    std::optional<OnAirReport> m_onAir;
    COnAirDialog* m_onAirWindow = nullptr;  // owned by the window as its child
    std::function<void(int)> m_onEnd;
};

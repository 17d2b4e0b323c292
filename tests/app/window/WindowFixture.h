#pragma once
// The real window with the real controller on a station folder in a temporary directory and
// the simulated interface; ticks are called by hand. Message boxes are answered by a watcher
// that runs inside their own event loop, so a test sees that loop turning.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "MainWindow.h"
#include "ServerFixture.h"

// Failures print texts as the operator reads them.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out) { *out << texts.join(" | ").toStdString(); }

// Answers every message box that opens and keeps its caption and text.
class MessageAnswerer {
public:
    MessageAnswerer() {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown.push_back(box->windowTitle() + ": " + box->text());
                box->accept();
            }
        });
        m_poll.start(0);
    }
    QStringList shown;

private:
    QTimer m_poll;
};

class WindowFixture : public StationFixture {
protected:
    void Start() {
        dlg = std::make_unique<CRdsServerDlg>(
            window, clock, ServerEnvironment{dir, "sim", "sim", SimBusOpener(dir + "/eeprom.sim"), {}});
        window.Attach(*dlg);
        window.show();
        dlg->InitMainWindow();
    }
    [[nodiscard]] QRgb ClientPixel(int x, int y) { return window.grab().toImage().pixel(x, y); }

    MessageAnswerer answerer;
    CMainWindow window;
};

#pragma once
// The real window with the real controller on a station folder in a temporary directory and
// the simulated interface; ticks are called by hand. Message boxes are answered by a watcher
// that runs inside their own event loop, so a test sees that loop turning.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "MainWindow.h"
#include "RdsServerDlg.h"
#include "SimParallelPort.h"

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

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = (std::filesystem::temp_directory_path() / "orvane-window-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    }
    void TearDown() override {
        dlg.reset();
        std::filesystem::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& s) {
        std::ofstream(dir + '/' + name, std::ios::binary) << s;
    }
    void Start() {
        BusOpener opener = [this](uint16_t base) {
            auto port = std::make_unique<CSimParallelPort>();
            port->SetBasePort(base);
            std::string error;
            if (!port->Chip().AttachFile(dir + "/eeprom.sim", error)) return PortOpenResult::Failure(error);
            PortOpenResult opened;
            opened.io = std::move(port);
            opened.description = "sim:test";
            return opened;
        };
        dlg = std::make_unique<CRdsServerDlg>(window, clock,
                                              ServerEnvironment{dir, "sim", "sim", std::move(opener), {}});
        window.Attach(*dlg);
        window.show();
        dlg->InitMainWindow();
    }
    void Ticks(int count) {
        while (count-- > 0) dlg->OnTick();
    }
    [[nodiscard]] QRgb ClientPixel(int x, int y) { return window.grab().toImage().pixel(x, y); }

    std::string dir;
    CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
    MessageAnswerer answerer;
    CMainWindow window;
    std::unique_ptr<CRdsServerDlg> dlg;
};

// The system picks the listening port, so runs never collide.
inline const std::string QUIET_PORT = "[RDS]PORT=0\n";

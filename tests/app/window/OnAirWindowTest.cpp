// The window of what is on air: its menu entry, its fields for reports made by hand (texts
// worked out by hand from the bytes), live updates while it stays open beside a running tick.

#include <QAction>
#include <QApplication>
#include <QLabel>

#include "OnAirDialog.h"
#include "WindowFixture.h"

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// PI C3A5, Pop music, two PS pages, both RadioTexts with CP1252 letters, a clock west of UTC,
// three AFs, an item number, and two records that failed their checkwords.
OnAirReport HandMadeReport() {
    OnAirReport report;
    report.pi = 0xC3A5;
    report.pty = 10;
    report.tp = true;
    report.ms = true;
    report.di = 1;
    report.psPages = {"ORVANE  ", "  FM    "};
    report.radioText[0] = "Can\xE7\xE3o do mar";
    report.radioText[1] = "Caf\xE9 \x80 5";
    report.clock = OnAirClock{2026, 12, 7, 12, 34, -60};
    report.afKhz = {97400, 101200, 94800};
    report.item = OnAirItem{15, 21, 30};
    report.groups = 12;
    report.badRecords = {0x000F, 0x0107};
    return report;
}

COnAirDialog* OpenFromMenu(CMainWindow& window) {
    auto* entry = window.findChild<QAction*>("onAirEntry");
    if (entry == nullptr) return nullptr;
    entry->trigger();
    return window.OnAirWindow();
}

}  // namespace

TEST(OnAirWindow, EntrySitsInTheWindowMenuBesideNoMenuBar) {
    CMainWindow window;
    auto* entry = window.findChild<QAction*>("onAirEntry");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), Utf8("O que est\u00e1 no &ar..."));
    EXPECT_TRUE(window.actions().contains(entry));
    EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(window.OnAirWindow(), nullptr);  // made only when asked for
}

TEST(OnAirWindow, BeforeAnyReportItSaysNothingWasRead) {
    CMainWindow window;
    COnAirDialog* dialog = OpenFromMenu(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), Utf8("O que est\u00e1 no ar"));
    EXPECT_EQ(dialog->FieldText("status"),
              Utf8("Ainda n\u00e3o foi lido nada da EEPROM: o que est\u00e1 no ar \u00e9 desconhecido."));
    for (const char* field : {"pi", "pty", "flags", "ps", "rtA", "rtB", "ct", "af", "pin"}) {
        SCOPED_TRACE(field);
        EXPECT_EQ(dialog->FieldText(field), "-");
    }
    EXPECT_TRUE(dialog->FieldText("warning").isEmpty());
}

TEST(OnAirWindow, ShowsEveryFieldOfAHandMadeReport) {
    CMainWindow window;
    window.ShowOnAir(HandMadeReport());  // before the window opens: kept for it
    COnAirDialog* dialog = OpenFromMenu(window);
    ASSERT_NE(dialog, nullptr);
    const struct {
        const char* field;
        const char* utf8;
    } cases[] = {
        {"pi", "C3A5"},
        {"pty", "10 (Pop music)"},
        {"flags", "TP 1  TA 0  MS 1  DI 1"},
        {"ps", "\"ORVANE  \" \"  FM    \""},
        {"rtA", "\"Can\u00e7\u00e3o do mar\""},
        {"rtB", "\"Caf\u00e9 \u20ac 5\""},  // 0x80 is the euro sign, not a control code
        {"ct", "2026-12-07 12:34 -01:00"},
        {"af", "97.4 101.2 94.8"},
        {"pin", "dia 15 21:30"},
        {"status", "12 registo(s) lido(s) da EEPROM."},
        {"warning",
         "Aviso: 2 registo(s) falham a palavra de verifica\u00e7\u00e3o, n\u00e3o mostrado(s), em 0x000F 0x0107"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(dialog->FieldText(c.field), Utf8(c.utf8));
    }
    // The labels the operator sees carry the same text.
    auto* rtA = dialog->findChild<QLabel*>("rtA");
    ASSERT_NE(rtA, nullptr);
    EXPECT_EQ(rtA->text(), Utf8("\"Can\u00e7\u00e3o do mar\""));
    // The report no longer floods the event log.
    EXPECT_TRUE(window.ListLines(ServerList::Log).isEmpty());
}

TEST(OnAirWindow, FollowsNewReportsWhileOpenAndAfterClosing) {
    CMainWindow window;
    window.show();
    COnAirDialog* dialog = OpenFromMenu(window);
    ASSERT_NE(dialog, nullptr);
    window.ShowOnAir(HandMadeReport());
    EXPECT_EQ(dialog->FieldText("ps"), "\"ORVANE  \" \"  FM    \"");
    EXPECT_FALSE(dialog->FieldText("warning").isEmpty());

    OnAirReport next = HandMadeReport();
    next.psPages = {"NOVO    "};
    next.radioText[1].reset();
    next.clock.reset();
    next.afKhz.clear();
    next.badRecords.clear();
    next.unreadRecords = {0x0203};
    window.ShowOnAir(next);
    EXPECT_EQ(dialog->FieldText("ps"), "\"NOVO    \"");
    EXPECT_EQ(dialog->FieldText("rtA"), Utf8("\"Can\u00e7\u00e3o do mar\""));
    EXPECT_EQ(dialog->FieldText("rtB"), Utf8("(n\u00e3o emitido)"));
    EXPECT_EQ(dialog->FieldText("ct"), Utf8("(n\u00e3o emitido)"));
    EXPECT_EQ(dialog->FieldText("af"), "-");
    EXPECT_EQ(dialog->FieldText("warning"),
              Utf8("Aviso: 1 registo(s) n\u00e3o lido(s) de volta da EEPROM, n\u00e3o mostrado(s), em 0x0203"));

    // Closed, it still follows; opened again it is the same window with the latest report.
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    OnAirReport broken;
    broken.groups = 3;
    broken.badRecords = {0x0007, 0x000F, 0x0017};
    window.ShowOnAir(broken);
    EXPECT_EQ(OpenFromMenu(window), dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->FieldText("status"), "Nenhum grupo intacto entre 3 registo(s).");
    EXPECT_EQ(dialog->FieldText("pi"), "-");
    EXPECT_EQ(dialog->FieldText("ps"), "-");
    EXPECT_TRUE(dialog->FieldText("warning").endsWith("em 0x0007 0x000F 0x0017"));
}

class OnAirWindowRun : public WindowFixture {};

TEST_F(OnAirWindowRun, StaysOpenBesideTheTickAndShowsTheStationFromTheChip) {
    Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=800\n");
    Write("RDS.TXT", "PI=C201\nPS=ORVANE\nENCODE\n");
    Write("eeprom.sim", std::string(4096, '\xFF'));
    Start();
    COnAirDialog* dialog = OpenFromMenu(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    Ticks(20);  // the tick runs while the window is open
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->FieldText("pi"), "C201");
    EXPECT_TRUE(dialog->FieldText("ps").contains("ORVANE")) << dialog->FieldText("ps").toStdString();
    for (const QString& line : window.ListLines(ServerList::Log)) {
        EXPECT_FALSE(line.startsWith("PI C201")) << line.toStdString();
        EXPECT_FALSE(line.startsWith("PS \"")) << line.toStdString();
    }
    EXPECT_FALSE(window.ExitCode().has_value());
}

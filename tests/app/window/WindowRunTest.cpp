// The window driving the real controller: readout, buttons, keys, close box, lamp and the
// port refusal, with message boxes answered from inside their own loops.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "WindowFixture.h"

namespace {

const QString ILLEGAL_CLOSE = QString::fromUtf8(
    "Encerramento ilegal do programa???: Se for intencional o encerramento do programa,\n"
    "use os procedimentos normais de encerramento...");
const QString PORT_REFUSED = "Orvane Server: Please enter an integer between 0 and 32767.";

// A chip whose byte at address a is a * 7 modulo 256.
std::string CountingChip() {
    std::string chip(4096, '\0');
    for (std::size_t a = 0; a < chip.size(); ++a) chip[a] = static_cast<char>(a * 7 % 256);
    return chip;
}

}  // namespace

class WindowRun : public WindowFixture {
protected:
    void StartStation() {
        Write("DEF.INI", QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=800\n");
        Write("RDS.TXT", "PI=C201\nPS=ORVANE\nENCODE\n");
        Write("eeprom.sim", CountingChip());
        Start();
    }
    QString Readout() { return static_cast<QLineEdit*>(window.Control(1020))->text(); }
    // Straight to the window, as the pointer over its bare client area (a move to where the
    // pointer already is would be dropped on the way).
    void MoveTo(int x, int y) {
        const QPointF at(x, y);
        QMouseEvent move(QEvent::MouseMove, at, window.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
    }
    QPushButton* Button(int id) { return static_cast<QPushButton*>(window.Control(id)); }
    // The lamp's colour a few pixels off its centre, clear of the crossing line.
    QColor Lamp() { return static_cast<QLabel*>(window.Control(1009))->pixmap().toImage().pixelColor(12, 12); }
    QColor LampCentre() { return static_cast<QLabel*>(window.Control(1009))->pixmap().toImage().pixelColor(15, 15); }
};

TEST_F(WindowRun, ReadoutShowsTheByteUnderThePointerAndGreysOffTheMap) {
    StartStation();
    MoveTo(420, 345);
    EXPECT_EQ(Readout(), "[0000]=--");  // nothing read yet
    Ticks(1);                           // the first read fills 2048 bytes
    const struct {
        int x, y;
        const char* shown;
    } cases[] = {
        {420, 345, "[0000]=00"}, {421, 345, "[0000]=00"},
        {430, 346, "[0109]=3F"}, {875, 352, "[07FF]=F9"},  // the last address read: 2047 * 7 = 14329 = 0x37F9
        {937, 470, "[7FF6]=--"},                           // on the map, beyond the chip
    };
    for (const auto& c : cases) {
        MoveTo(c.x, c.y);
        EXPECT_EQ(Readout(), c.shown) << c.x << "," << c.y;
        EXPECT_TRUE(window.Control(1020)->isEnabled());
    }
    MoveTo(939, 470);  // address 32759 would be there: off the map
    EXPECT_FALSE(window.Control(1020)->isEnabled());
    EXPECT_EQ(Readout(), "[7FF6]=--");
    MoveTo(100, 100);
    EXPECT_FALSE(window.Control(1020)->isEnabled());
    MoveTo(420, 345);
    EXPECT_TRUE(window.Control(1020)->isEnabled());
    EXPECT_EQ(Readout(), "[0000]=00");
}

TEST_F(WindowRun, MapAndBarShowTheEndOfATransferAtOnce) {
    StartStation();
    Ticks(1);
    const QImage client = window.grab().toImage();
    EXPECT_EQ(client.pixel(420, 345), 0xFF14C814u);            // read in step
    EXPECT_EQ(client.pixel(420 + 456, 345 + 7), 0xFF646464u);  // beyond 2048 bytes
    EXPECT_EQ(window.Control(1011)->palette().color(QPalette::Highlight), QColor(0, 0, 200));
    EXPECT_TRUE(window.windowTitle().startsWith("Orvane Server - Sistema opertativo : Linux "));
}

TEST_F(WindowRun, CloseBoxAndEscapeAreRefusedWithTheMessageAndTheWindowStays) {
    StartStation();
    window.close();
    QTest::keyClick(&window, Qt::Key_Escape);
    Button(2)->click();  // the hidden cancel command
    EXPECT_EQ(answerer.shown, (QStringList{ILLEGAL_CLOSE, ILLEGAL_CLOSE, ILLEGAL_CLOSE}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.ExitCode().has_value());
    EXPECT_TRUE(window.IsTickTimerActive());
}

TEST_F(WindowRun, FinalizarAndEnterEndTheRun) {
    StartStation();
    Ticks(1);
    Button(1)->click();
    EXPECT_EQ(window.ExitCode(), 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsTickTimerActive());
    EXPECT_TRUE(answerer.shown.isEmpty());
}

TEST_F(WindowRun, EnterPressesFinalizarWhicheverButtonHasTheFocus) {
    StartStation();
    Button(1012)->setFocus();
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(window.ExitCode(), 0);
}

TEST_F(WindowRun, EnviarAgoraStrikesOnlyOutsideATimeCycle) {
    StartStation();
    dlg->TimeServer().m_strikeTimeServer = false;
    dlg->TimeServer().m_timeSending = true;
    Button(1026)->click();
    EXPECT_FALSE(dlg->TimeServer().m_strikeTimeServer);
    dlg->TimeServer().m_timeSending = false;
    Button(1026)->click();
    EXPECT_TRUE(dlg->TimeServer().m_strikeTimeServer);
}

TEST_F(WindowRun, ReporValoresRunsTheCommandFileAgain) {
    StartStation();
    EXPECT_EQ(window.ListLines(ServerList::Log).count("PI=C201 - OK"), 1);
    Write("RDS.TXT", "PI=C202\nENCODE\n");
    Button(1012)->click();
    const QStringList log = window.ListLines(ServerList::Log);
    EXPECT_EQ(log.count("PI=C202 - OK"), 1);
    EXPECT_EQ(dlg->Model().Station().Pi(), 0xC202);
}

TEST_F(WindowRun, LigarAndFecharSwitchTheLampAndEachOther) {
    StartStation();
    EXPECT_FALSE(Button(1007)->isEnabled());
    EXPECT_TRUE(Button(1010)->isEnabled());
    EXPECT_GT(Lamp().red(), Lamp().green() + 80);  // listening: red
    Button(1010)->click();
    EXPECT_TRUE(Button(1007)->isEnabled());
    EXPECT_FALSE(Button(1010)->isEnabled());
    EXPECT_LT(std::abs(Lamp().red() - Lamp().green()), 20);    // closed: grey...
    EXPECT_GT(LampCentre().red(), LampCentre().green() + 80);  // ...crossed out in red
    Button(1007)->click();
    EXPECT_FALSE(Button(1007)->isEnabled());
    EXPECT_GT(Lamp().red(), Lamp().green() + 80);
    EXPECT_TRUE(dlg->CommandServer().IsListening());
}

TEST_F(WindowRun, BadPortIsRefusedOncePerValueWhileTheTickBoxesStillCount) {
    StartStation();
    ControlValues shown = window.ReadControls();
    shown.port = 40000;
    window.WriteControls(shown);
    static_cast<QCheckBox*>(window.Control(1022))->setChecked(true);
    Ticks(3);
    EXPECT_EQ(answerer.shown, QStringList{PORT_REFUSED});
    EXPECT_TRUE(static_cast<QCheckBox*>(window.Control(1022))->isChecked());
    static_cast<QCheckBox*>(window.Control(1022))->setChecked(false);
    Ticks(1);
    EXPECT_FALSE(static_cast<QCheckBox*>(window.Control(1022))->isChecked());
    shown = window.ReadControls();
    shown.port = -1;
    window.WriteControls(shown);
    Ticks(2);
    EXPECT_EQ(answerer.shown, (QStringList{PORT_REFUSED, PORT_REFUSED}));
    Button(1)->click();  // the run cannot end on a refused read
    EXPECT_FALSE(window.ExitCode().has_value());
}

TEST_F(WindowRun, AboutEntryOpensTheAboutBoxThatEscapeCloses) {
    StartStation();
    auto* entry = window.findChild<QAction*>("command16");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "&Acerca do Orvane...");
    QString title, text;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        if (auto* label = box->findChild<QLabel*>("aboutText")) text = label->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    entry->trigger();
    EXPECT_EQ(title, QString::fromUtf8("Informa\u00e7\u00e3o de vers\u00e3o do Software"));
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("Orvane Version 4.5 - Servidor TCP/IP de comuta\u00e7\u00e3o")));
    EXPECT_TRUE(window.isVisible());
}

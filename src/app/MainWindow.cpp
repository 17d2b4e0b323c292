#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStyleFactory>

#include "AboutBox.h"
#include "OnAirDialog.h"
#include "RdsServerDlg.h"
#include "ScreenText.h"
#include "WindowLayout.h"
#include "WindowPainting.h"
#include "WindowPictures.h"

namespace {

constexpr int ABOUT_COMMAND_MASK = ~0xF;
constexpr int ABOUT_COMMAND = 16;
constexpr int FONT_POINTS = 8;
constexpr const char* FONT_FAMILY = "DejaVu Sans Condensed";
constexpr const char* ON_AIR_ENTRY = "O que est\xE1 no &ar...";

// The tick boxes and buttons are as narrow as the window's grid: a 13-pixel box with 3 pixels
// before its caption, and buttons whose captions may come within a pixel of their edges.
class CCompactStyle : public QProxyStyle {
public:
    CCompactStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
            return 13;
        case PM_CheckBoxLabelSpacing:
            return 3;
        case PM_ButtonMargin:
            return 2;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
    // A frame is its outline only: the map inside it keeps its exact colours.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setPen(option->palette.color(QPalette::Light));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

CMainWindow::CMainWindow()
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_map(NewEepromMapImage()) {
    auto* style = new CCompactStyle;
    style->setParent(this);
    setStyle(style);
    QFont font(FONT_FAMILY);
    font.setPointSize(FONT_POINTS);
    setFont(font);
    setFixedSize(DluToPixelsX(kWindowWidthDlu), DluToPixelsY(kWindowHeightDlu));
    setWindowIcon(ApplicationIcon());
    setMouseTracking(true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    BuildControls();
    for (QWidget* child : findChildren<QWidget*>()) child->setStyle(style);
    ConnectButtons();
    // In the window's own menu, beside the about entry: the client area has no room for a menu bar.
    auto* onAir = new QAction(ScreenText(ON_AIR_ENTRY), this);
    onAir->setObjectName("onAirEntry");
    connect(onAir, &QAction::triggered, this, &CMainWindow::ShowOnAirWindow);
    addAction(onAir);
    connect(&m_tickTimer, &QTimer::timeout, this, [this] {
        if (m_controller) m_controller->OnTick();
    });
}

CMainWindow::~CMainWindow() {
    while (m_busyDepth > 0) SetBusyPointer(false);
}

QWidget* CMainWindow::Control(int controlId) const {
    const auto found = m_controls.find(controlId);
    return found == m_controls.end() ? nullptr : found->second;
}

QListWidget* CMainWindow::List(ServerList list) const {
    return static_cast<QListWidget*>(Control(static_cast<int>(list)));
}

QCheckBox* CMainWindow::TickBox(int controlId) const { return static_cast<QCheckBox*>(Control(controlId)); }

QStringList CMainWindow::ListLines(ServerList list) const {
    QStringList lines;
    const QListWidget* widget = List(list);
    for (int i = 0; i < widget->count(); ++i) lines.push_back(widget->item(i)->text());
    return lines;
}

// ---------------------------------------------------------------- lists and messages

void CMainWindow::AddLine(ServerList list, const std::string& line) {
    QListWidget* widget = List(list);
    const bool atEnd = widget->currentRow() < 0 || widget->currentRow() == widget->count() - 1;
    widget->addItem(ScreenText(line));
    if (atEnd) widget->scrollToBottom();
}

void CMainWindow::ClearList(ServerList list) { List(list)->clear(); }

void CMainWindow::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    const QString shownCaption = caption.empty() ? QString(kApplicationName) : ScreenText(caption);
    QMessageBox box(BoxIcon(icon), shownCaption, ScreenText(text), QMessageBox::Ok, this);
    box.setFont(font());
    // A nested loop: the tick and the sockets go on while the operator reads.
    box.exec();
}

// ---------------------------------------------------------------- controls

ControlValues CMainWindow::ReadControls() {
    // The fields are read-only: they hold what was last written; the tick boxes are the operator's.
    ControlValues values = m_shown;
    values.autoLoad = TickBox(kIdAutoLoadBox)->isChecked();
    values.forceWrite = TickBox(kIdForceWriteBox)->isChecked();
    values.pollWrite = TickBox(1021)->isChecked();
    values.autoTitles = TickBox(1022)->isChecked();
    values.timeServerActive = TickBox(1023)->isChecked();
    return values;
}

void CMainWindow::SetFieldText(int controlId, const std::string& cp1252) {
    auto* field = static_cast<QLineEdit*>(Control(controlId));
    const QString text = ScreenText(cp1252);
    if (field->text() == text) return;
    field->setText(text);
    field->setCursorPosition(0);  // a text longer than its field shows its beginning
}

void CMainWindow::WriteControls(const ControlValues& values) {
    m_shown = values;
    SetFieldText(kIdPortField, std::to_string(values.port));
    SetFieldText(1014, values.clockText);
    SetFieldText(1013, values.imageLengthText);
    TickBox(kIdAutoLoadBox)->setChecked(values.autoLoad);
    TickBox(kIdForceWriteBox)->setChecked(values.forceWrite);
    SetFieldText(kIdMapReadout, values.mapReadout);
    TickBox(1021)->setChecked(values.pollWrite);
    TickBox(1022)->setChecked(values.autoTitles);
    TickBox(1023)->setChecked(values.timeServerActive);
    SetFieldText(1024, values.nextUpdateText);
}

void CMainWindow::EnableControl(int controlId, bool enabled) {
    if (QWidget* widget = Control(controlId)) widget->setEnabled(enabled);
}

void CMainWindow::FocusControl(int controlId) {
    if (QWidget* widget = Control(controlId)) widget->setFocus(Qt::OtherFocusReason);
}

void CMainWindow::SetAddressEntry(int controlId, const std::array<uint8_t, 4>& octets) {
    QWidget* entry = Control(controlId);
    if (entry == nullptr) return;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (auto* field = entry->findChild<QLineEdit*>(QString("octet%1").arg(i))) {
            field->setText(QString::number(octets[i]));
        }
    }
}

void CMainWindow::SetSocketPicture(SocketPicture picture) {
    const int holder = picture == SocketPicture::Connected ? 1005 : picture == SocketPicture::Listening ? 1006 : 1008;
    static_cast<QLabel*>(Control(kIdSocketState))->setPixmap(static_cast<QLabel*>(Control(holder))->pixmap());
}

void CMainWindow::SetWindowTitle(const std::string& title) { setWindowTitle(ScreenText(title)); }

void CMainWindow::AddSystemMenuEntry(int commandId, const std::string& text) {
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    auto* entry = new QAction(ScreenText(text), this);
    entry->setObjectName(QString("command%1").arg(commandId));
    connect(entry, &QAction::triggered, this, [this, commandId] {
        if ((commandId & ABOUT_COMMAND_MASK) == ABOUT_COMMAND) ShowAbout();
    });
    addAction(entry);
}

void CMainWindow::ShowAbout() {
    const std::unique_ptr<QDialog> box = BuildAboutBox(this);
    box->setFont(font());
    box->exec();
}

void CMainWindow::ShowOnAirWindow() {
    if (m_onAirWindow == nullptr) {
        m_onAirWindow = new COnAirDialog(this);
        m_onAirWindow->setFont(font());
        m_onAirWindow->ShowReport(m_onAir);
    }
    // show(), never exec(): the tick and the server go on while the operator watches.
    m_onAirWindow->show();
    m_onAirWindow->raise();
    m_onAirWindow->activateWindow();
}

void CMainWindow::ShowOnAir(const OnAirReport& report) {
    m_onAir = report;
    if (m_onAirWindow != nullptr) m_onAirWindow->ShowReport(m_onAir);
}

// ---------------------------------------------------------------- progress, pointer, map

void CMainWindow::SetProgressRange(int low, int high) {
    static_cast<QProgressBar*>(Control(1011))->setRange(low, high);
}

void CMainWindow::SetProgressPos(int pos) { static_cast<QProgressBar*>(Control(1011))->setValue(pos); }

void CMainWindow::SetProgressColour(uint8_t red, uint8_t green, uint8_t blue) {
    QWidget* bar = Control(1011);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Highlight, QColor(red, green, blue));
    bar->setPalette(palette);
}

void CMainWindow::SetBusyPointer(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyDepth;
    } else if (m_busyDepth > 0) {
        QApplication::restoreOverrideCursor();
        --m_busyDepth;
    }
}

void CMainWindow::DrawEepromMap(const uint8_t* states, int eepromSize) {
    PaintEepromMap(m_map, states, eepromSize);
    // Now, not at the next paint: a transfer has just ended and the operator looks for it.
    if (isVisible() && !isMinimized()) {
        repaint(EepromMap::LEFT, EepromMap::TOP, EepromMap::WIDTH, EepromMap::HEIGHT);
    }
}

void CMainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintBackgroundBands(painter, width(), height());
    painter.drawImage(EepromMap::LEFT, EepromMap::TOP, m_map);
}

void CMainWindow::mouseMoveEvent(QMouseEvent* event) {
    QDialog::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (m_controller) m_controller->ShowMapReadout(at.x(), at.y());
}

// ---------------------------------------------------------------- the run

void CMainWindow::StartTickTimer(int periodMs) { m_tickTimer.start(periodMs); }

void CMainWindow::StopTickTimer() { m_tickTimer.stop(); }

void CMainWindow::EndRun(int exitCode) {
    m_tickTimer.stop();
    m_exitCode = exitCode;
    m_ending = true;
    hide();
    if (m_onEnd) m_onEnd(exitCode);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    if (m_ending) {
        event->accept();
        return;
    }
    // Only "Finalizar" ends the run; the close box is answered with a message.
    event->ignore();
    if (m_controller) m_controller->RejectClose();
}

void CMainWindow::reject() {
    if (m_controller && !m_ending) m_controller->RejectClose();
}

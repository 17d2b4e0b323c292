// The main window's widgets, built from the control table, and its buttons wired to the controller.

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "MainWindow.h"
#include "RdsServerDlg.h"
#include "ScreenText.h"
#include "WindowLayout.h"
#include "WindowPictures.h"

namespace {

constexpr int LAMP_SIZE = 30;
constexpr int kIdClockField = 1014;
constexpr int CLOCK_LETTER_SPACING = 92;  // per cent

QPixmap HolderPicture(int id) {
    switch (id) {
    case 1005:
        return DrawLamp(LampPicture::Green, LAMP_SIZE);
    case 1006:
        return DrawLamp(LampPicture::Red, LAMP_SIZE);
    case 1008:
        return DrawLamp(LampPicture::CrossedOut, LAMP_SIZE);
    default:
        return DrawLamp(LampPicture::Power, LAMP_SIZE);
    }
}

// Four small fields with dots between them, as a network address is typed.
QWidget* BuildAddressEntry(QWidget* parent) {
    auto* entry = new QFrame(parent);
    entry->setFrameShape(QFrame::StyledPanel);
    entry->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(entry);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) row->addWidget(new QLabel(".", entry));
        auto* field = new QLineEdit(entry);
        field->setObjectName(QString("octet%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setMaxLength(3);
        row->addWidget(field);
    }
    return entry;
}

QWidget* BuildField(QWidget* parent, unsigned state) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly((state & ControlState::READ_ONLY) != 0);
    // A one-pixel border and no padding: the clock's text fills its field at this font.
    field->setFrame(false);
    field->setStyleSheet(
        "QLineEdit { border: 1px solid #7a7a7a; padding: 0px; background: white; }"
        "QLineEdit:disabled { background: #e4e4e4; color: #707070; }");
    if ((state & ControlState::CENTRED) != 0) field->setAlignment(Qt::AlignCenter);
    return field;
}

QWidget* BuildList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

void CMainWindow::BuildControls() {
    for (const ControlTemplate& control : MainWindowControls()) {
        QWidget* widget = BuildControl(control.id, static_cast<int>(control.kind), ScreenText(control.text),
                                       control.state);
        widget->setGeometry(DluRect(control));
        widget->setEnabled((control.state & ControlState::DISABLED) == 0);
        widget->setVisible((control.state & ControlState::HIDDEN) == 0);
        if (control.id != kNoId) {
            widget->setObjectName(QString::number(control.id));
            m_controls[control.id] = widget;
        }
    }
    // The frames lie under everything they surround.
    for (QGroupBox* frame : findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) frame->lower();
    Control(kIdPortField)->installEventFilter(this);
    // The clock's 21 characters fill its field only when set a little closer together.
    QFont clockFont = font();
    clockFont.setLetterSpacing(QFont::PercentageSpacing, CLOCK_LETTER_SPACING);
    Control(kIdClockField)->setFont(clockFont);
}

QWidget* CMainWindow::BuildControl(int id, int kind, const QString& text, unsigned state) {
    switch (static_cast<ControlKind>(kind)) {
    case ControlKind::Label: {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        return label;
    }
    case ControlKind::Field:
        return BuildField(this, state);
    case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        // Enter means "Finalizar", whichever button has the focus.
        button->setAutoDefault(false);
        button->setDefault((state & ControlState::DEFAULT_BUTTON) != 0);
        return button;
    }
    case ControlKind::Logo: {
        auto* logo = new QLabel(this);
        logo->setPixmap(DrawLogo());
        logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        logo->setAttribute(Qt::WA_TransparentForMouseEvents);
        return logo;
    }
    case ControlKind::List:
        return BuildList(this);
    case ControlKind::AddressEntry:
        return BuildAddressEntry(this);
    case ControlKind::Frame: {
        auto* frame = new QGroupBox(text, this);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    case ControlKind::IconHolder:
    case ControlKind::IconDisplay: {
        auto* icon = new QLabel(this);
        if (static_cast<ControlKind>(kind) == ControlKind::IconHolder) icon->setPixmap(HolderPicture(id));
        icon->setAttribute(Qt::WA_TransparentForMouseEvents);
        return icon;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::TickBox:
        return new QCheckBox(text, this);
    }
    return new QWidget(this);
}

void CMainWindow::ConnectButtons() {
    auto onClick = [this](int id, auto&& action) {
        connect(static_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this, [this, action] {
            if (m_controller) action(*m_controller);
        });
    };
    onClick(1, [](CRdsServerDlg& c) { c.FinishRun(); });
    onClick(2, [](CRdsServerDlg& c) { c.RejectClose(); });
    onClick(kIdConnectButton, [](CRdsServerDlg& c) { c.CommandServer().StartListening(); });
    onClick(kIdCloseButton, [](CRdsServerDlg& c) { c.CommandServer().StopListening(); });
    onClick(1012, [](CRdsServerDlg& c) { c.ReloadCommandFile(); });
    onClick(1026, [](CRdsServerDlg& c) { c.TimeServer().OnSendNow(); });
    onClick(1029, [](CRdsServerDlg& c) { c.EraseEeprom(); });
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(kIdPortField) && event->type() == QEvent::FocusOut && m_controller) {
        m_controller->OnPortFieldLeft();
    }
    return QDialog::eventFilter(watched, event);
}

// The window's controls as the operator meets them before any run: place, caption, state, font.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

#include "MainWindow.h"
#include "ScreenText.h"
#include "WindowLayout.h"

TEST(WindowControls, ClientAreaAndRectanglesAreTheDialogUnitsRoundedDown) {
    CMainWindow window;
    EXPECT_EQ(window.size(), QSize(955, 492));
    // Worked by hand: x * 6 / 4 and y * 13 / 8, each rounded down.
    const struct {
        int id;
        QRect pixels;
    } cases[] = {
        {1012, {382, 251, 127, 22}}, {1, {832, 211, 105, 81}},   {1017, {7, 302, 397, 178}}, {1009, {315, 178, 30, 32}},
        {1020, {667, 308, 67, 19}},  {1023, {690, 56, 112, 16}}, {1000, {7, 8, 352, 146}},   {1003, {97, 170, 112, 19}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_NE(window.Control(c.id), nullptr);
        EXPECT_EQ(window.Control(c.id)->geometry(), c.pixels);
    }
}

TEST(WindowControls, CaptionsAndStatesAreThoseOfTheTemplate) {
    CMainWindow window;
    const struct {
        int id;
        const char* caption;  // UTF-8 as the operator reads it
        bool enabled, visible;
    } buttons[] = {
        {1, "Finalizar", true, true},
        {2, "Cancel", true, false},
        {1007, "Ligar", true, true},
        {1010, "Fechar", true, true},
        {1012, "Repor valores por defeito", true, true},
        {1026, "Enviar agora.", true, true},
        {1029, "Apagar EEPROM", true, true},
        {1015, "AutoLoad E2PROM", true, true},
        {1019, "Force EE Write", true, true},
        {1021, "Poll WR", false, true},
        {1022, "Autocarga titulos", true, true},
        {1023, "Time Server active.", true, true},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.caption);
        auto* button = qobject_cast<QAbstractButton*>(window.Control(b.id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(button->isEnabled(), b.enabled);
        EXPECT_EQ(button->isVisibleTo(&window), b.visible);
    }
    for (const int id : {1002, 1013, 1014, 1020, 1024}) {
        auto* field = qobject_cast<QLineEdit*>(window.Control(id));
        ASSERT_NE(field, nullptr) << id;
        EXPECT_TRUE(field->isReadOnly()) << id;
    }
    for (const int id : {1003, 1004}) EXPECT_FALSE(window.Control(id)->isEnabled()) << id;
    for (const int id : {1005, 1006, 1008, 1030}) EXPECT_FALSE(window.Control(id)->isVisibleTo(&window)) << id;
    for (const int id : {1000, 1016, 1017}) {
        auto* list = qobject_cast<QListWidget*>(window.Control(id));
        ASSERT_NE(list, nullptr) << id;
        EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    const QStringList labels = [&] {
        QStringList texts;
        for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
        return texts;
    }();
    EXPECT_TRUE(labels.contains(QString::fromUtf8("Endere\u00e7o")));
    EXPECT_TRUE(labels.contains(QString::fromUtf8("Proxima actualiza\u00e7\u00e3o")));
    EXPECT_TRUE(labels.contains(" Estado do\n Socket."));
}

// Without the condensed face, "Repor valores por defeito" alone needs 138 of its 127 pixels.
TEST(WindowControls, EveryCaptionFitsItsControlInTheCondensedFont) {
    CMainWindow window;
    const QFontInfo used(window.font());
    EXPECT_EQ(used.family(), "DejaVu Sans Condensed");
    EXPECT_EQ(used.pointSize(), 8);
    QStyle* style = window.Control(1015)->style();
    const int tickRoom = style->pixelMetric(QStyle::PM_IndicatorWidth) +
                         style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    int checked = 0;
    for (const ControlTemplate& control : MainWindowControls()) {
        const QString caption = ScreenText(control.text);
        if (caption.isEmpty()) continue;
        const QRect rect = DluRect(control);
        const QFontMetrics metrics(window.font());
        const QStringList lines = caption.split('\n');
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
        int room = rect.width();
        if (control.kind == ControlKind::Button) room -= 2;  // a pixel of edge on each side
        if (control.kind == ControlKind::TickBox) room -= tickRoom;
        if (control.kind == ControlKind::Frame) room -= 16;  // the frame's corners beside its title
        SCOPED_TRACE(caption.toStdString());
        EXPECT_LE(widest, room);
        EXPECT_LE(metrics.height() * lines.size(), rect.height());
        ++checked;
    }
    EXPECT_EQ(checked, 20);
    // The clock's text as the model writes it, inside the border and the field's own margins.
    const QWidget* clock = window.Control(1014);
    EXPECT_LE(QFontMetrics(clock->font()).horizontalAdvance("07-12-2026+18:00:4800"),
              clock->width() - 6);  // 7 labels, 7 buttons, 5 tick boxes, 1 titled frame
}

TEST(WindowControls, ScreenTextTakesTheCodePagesOwnTable) {
    const struct {
        unsigned char byte;
        char16_t shown;
    } cases[] = {
        {0x41, u'A'},      {0x80, u'\u20AC'}, {0x81, u'\uFFFD'}, {0x8A, u'\u0160'}, {0x8D, u'\uFFFD'},
        {0x8F, u'\uFFFD'}, {0x90, u'\uFFFD'}, {0x92, u'\u2019'}, {0x9D, u'\uFFFD'}, {0x9F, u'\u0178'},
        {0xA0, u'\u00A0'}, {0xE7, u'\u00E7'}, {0xFF, u'\u00FF'},
    };
    for (const auto& c : cases) {
        const QString shown = ScreenText(std::string(1, static_cast<char>(c.byte)));
        ASSERT_EQ(shown.size(), 1) << int(c.byte);
        EXPECT_EQ(shown.at(0).unicode(), c.shown) << int(c.byte);
    }
}

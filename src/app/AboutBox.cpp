#include "AboutBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ScreenText.h"
#include "WindowLayout.h"
#include "WindowPictures.h"

namespace {

constexpr const char* ABOUT_CAPTION = "Informa\xE7\xE3o de vers\xE3o do Software";
constexpr const char* ABOUT_TEXT =
    "Orvane Version 4.5 - Servidor TCP/IP de comuta\xE7\xE3o e codifica\xE7\xE3o de dados.\n"
    "Direitos de autor: Orvane Sistemas de Radiodifus\xE3o.\n"
    "Feito pela equipa de desenvolvimento da Orvane.";

constexpr int BOX_WIDTH_DLU = 325;
constexpr int BOX_HEIGHT_DLU = 55;

QRect Dlu(int x, int y, int width, int height) {
    return {DluToPixelsX(x), DluToPixelsY(y), DluToPixelsX(width), DluToPixelsY(height)};
}

}  // namespace

std::unique_ptr<QDialog> BuildAboutBox(QWidget* parent) {
    auto box = std::make_unique<QDialog>(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box->setWindowTitle(ScreenText(ABOUT_CAPTION));
    box->setFixedSize(DluToPixelsX(BOX_WIDTH_DLU), DluToPixelsY(BOX_HEIGHT_DLU));

    auto* frame = new QGroupBox(box.get());
    frame->setGeometry(Dlu(35, 0, 285, 50));

    auto* icon = new QLabel(box.get());
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(Dlu(5, 5, 21, 20));

    auto* text = new QLabel(ScreenText(ABOUT_TEXT), box.get());
    text->setObjectName("aboutText");
    text->setGeometry(QRect(Dlu(65, 10, 0, 0).topLeft(), Dlu(35, 0, 285, 50).bottomRight() - QPoint(6, 4)));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);

    auto* confirm = new QPushButton(box.get());
    confirm->setObjectName("1");
    confirm->setGeometry(Dlu(7, 34, 22, 14));
    confirm->setDefault(true);
    QObject::connect(confirm, &QPushButton::clicked, box.get(), &QDialog::accept);

    auto* power = new QLabel(box.get());
    power->setPixmap(DrawLamp(LampPicture::Power, 30));
    power->hide();
    return box;
}

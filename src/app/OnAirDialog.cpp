#include "OnAirDialog.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cstdio>

#include "ScreenText.h"

namespace {

constexpr const char* CAPTION = "O que est\xE1 no ar";
constexpr const char* NOTHING_READ = "Ainda n\xE3o foi lido nada da EEPROM: o que est\xE1 no ar \xE9 desconhecido.";
constexpr const char* NOT_SENT = "(n\xE3o emitido)";
constexpr const char* NO_VALUE = "-";
constexpr int MIN_WIDTH = 460;

std::string Format(const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

std::string Addresses(const std::vector<int>& addresses) {
    std::string text;
    for (const int address : addresses) text += Format(" 0x%04X", static_cast<unsigned>(address));
    return text;
}

std::string ClockText(const OnAirClock& c) {
    const int magnitude = c.offsetMinutes < 0 ? -c.offsetMinutes : c.offsetMinutes;
    return Format("%04d-%02d-%02d %02d:%02d ", c.year, c.month, c.day, c.hour, c.minute) +
           Format("%c%02d:%02d", c.offsetMinutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
}

std::string AfText(const std::vector<int>& afKhz) {
    std::string text;
    for (const int khz : afKhz) text += (text.empty() ? "" : " ") + Format("%d.%d", khz / 1000, khz % 1000 / 100);
    return text.empty() ? NO_VALUE : text;
}

// The records a receiver throws away, each kind on its line; empty when all came through.
std::string WarningText(const OnAirReport& report) {
    std::string text;
    const auto add = [&text](const std::string& line) { text += (text.empty() ? "" : "\n") + line; };
    if (!report.problem.empty()) add("Aviso: " + report.problem);
    if (!report.badRecords.empty() && report.fromCapture) {
        std::string lines;
        for (const int line : report.badRecords) lines += ' ' + std::to_string(line);
        add("Aviso: " + std::to_string(report.badRecords.size()) +
            " grupo(s) com um bloco perdido, n\xE3o mostrado(s), na(s) linha(s)" + lines);
    } else if (!report.badRecords.empty()) {
        add("Aviso: " + std::to_string(report.badRecords.size()) +
            " registo(s) falham a palavra de verifica\xE7\xE3o, n\xE3o mostrado(s), em" + Addresses(report.badRecords));
    }
    if (!report.unreadRecords.empty()) {
        add("Aviso: " + std::to_string(report.unreadRecords.size()) +
            " registo(s) n\xE3o lido(s) de volta da EEPROM, n\xE3o mostrado(s), em" + Addresses(report.unreadRecords));
    }
    return text;
}

}  // namespace

COnAirDialog::COnAirDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("onAirDialog");
    setWindowTitle(ScreenText(CAPTION));
    setModal(false);
    setMinimumWidth(MIN_WIDTH);
    auto* column = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    column->addWidget(m_status);
    m_form = new QFormLayout;
    column->addLayout(m_form);
    AddRow("PI", "pi", true);
    AddRow("PTY", "pty", false);
    AddRow("Sinais", "flags", true);
    AddRow("PS", "ps", true);
    AddRow("RT A", "rtA", true);
    AddRow("RT B", "rtB", true);
    AddRow("RT+", "rtPlus", false);
    AddRow("Hora (CT)", "ct", true);
    AddRow("AF (MHz)", "af", true);
    AddRow("PIN", "pin", true);
    m_warning = new QLabel(this);
    m_warning->setWordWrap(true);
    QPalette warningColours = m_warning->palette();
    warningColours.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    m_warning->setPalette(warningColours);
    column->addWidget(m_warning);
    ShowReport(std::nullopt);
}

void COnAirDialog::AddRow(const char* captionCp1252, const std::string& field, bool fixedPitch) {
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromStdString(field));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    // Fixed pitch: the spaces that centre a PS page or pad a RadioText stay visible.
    if (fixedPitch) value->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_form->addRow(ScreenText(captionCp1252), value);
    m_values[field] = value;
}

void COnAirDialog::SetField(const std::string& field, const std::string& cp1252) {
    m_values.at(field)->setText(ScreenText(cp1252));
}

void COnAirDialog::ShowReport(const std::optional<OnAirReport>& report) {
    for (const auto& [field, value] : m_values) value->setText(NO_VALUE);
    m_warning->setText(report ? ScreenText(WarningText(*report)) : QString());
    m_warning->setVisible(!m_warning->text().isEmpty());
    if (!report) {
        m_status->setText(ScreenText(NOTHING_READ));
        return;
    }
    if (!report->pi) {
        m_status->setText(ScreenText("Nenhum grupo intacto entre " + std::to_string(report->groups) + " registo(s)."));
        return;
    }
    m_status->setText(ScreenText(std::to_string(report->groups) + " registo(s) lido(s) da EEPROM."));
    const OnAirReport& r = *report;
    SetField("pi", Format("%04X", static_cast<unsigned>(*r.pi)));
    SetField("pty", std::to_string(r.pty) + " (" + ProgrammeTypeName(r.pty) + ")");
    SetField("flags", Format("TP %d  TA %d  MS %d  DI %d", r.tp ? 1 : 0, r.ta ? 1 : 0, r.ms ? 1 : 0, r.di));
    std::string pages;
    for (const std::string& page : r.psPages) pages += (pages.empty() ? "" : " ") + Quoted(page);
    SetField("ps", pages.empty() ? NOT_SENT : pages);
    SetField("rtA", r.radioText[0] ? Quoted(*r.radioText[0]) : NOT_SENT);
    SetField("rtB", r.radioText[1] ? Quoted(*r.radioText[1]) : NOT_SENT);
    std::string tags;
    const char* flags[2] = {"A: ", "B: "};
    for (int ab = 0; ab < 2; ++ab) {
        if (r.rtPlus[ab]) tags += (tags.empty() ? "" : "\n") + std::string(flags[ab]) + RtPlusText(*r.rtPlus[ab]);
    }
    SetField("rtPlus", tags.empty() ? NOT_SENT : tags);
    SetField("ct", r.clock ? ClockText(*r.clock) : NOT_SENT);
    SetField("af", AfText(r.afKhz));
    SetField("pin", r.item ? Format("dia %d %02d:%02d", r.item->day, r.item->hour, r.item->minute) : NOT_SENT);
}

QString COnAirDialog::FieldText(const std::string& field) const {
    if (field == "status") return m_status->text();
    if (field == "warning") return m_warning->text();
    const auto found = m_values.find(field);
    return found == m_values.end() ? QString() : found->second->text();
}

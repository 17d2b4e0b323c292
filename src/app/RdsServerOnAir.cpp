// The controller's monitor: what a receiver makes of the records the chip holds, as far as
// they read back right, and a log line when the chip does not send the image.

#include <algorithm>
#include <cstdio>

#include "EepromDecoder.h"
#include "RdsServerDlg.h"

namespace {

std::string DifferenceLine(const ImageDifference& d) {
    std::string parts;
    char text[128];
    if (d.bytesNotKept > 0) {
        std::snprintf(text, sizeof text, "a EEPROM n\xE3o guardou %d byte(s) da imagem (o primeiro em 0x%04X)",
                      d.bytesNotKept, static_cast<unsigned>(d.firstAddress));
        parts += text;
    }
    if (d.countUnread) {
        parts += std::string(parts.empty() ? "" : "; ") + "a contagem de registos n\xE3o foi lida";
    } else if (d.chipCount != d.imageCount) {
        std::snprintf(text, sizeof text, "a EEPROM conta %d registos e a imagem %d", d.chipCount, d.imageCount);
        parts += (parts.empty() ? "" : "; ") + std::string(text);
    }
    return "O que est\xE1 no ar n\xE3o \xE9 a imagem: " + parts + ".";
}

}  // namespace

void CRdsServerDlg::ReportOnAir() {
    const int size = m_mirror.GetEepromSize();
    const uint8_t* chip = m_mirror.ShadowData();
    const uint8_t* readBack = m_mirror.ReadBackData();
    // Decoded again only when a byte or its read-back changed: most syncs change nothing.
    std::vector<uint8_t> content(chip, chip + size);
    content.insert(content.end(), readBack, readBack + size);
    if (content == m_onAirContent) return;
    m_onAirContent = std::move(content);
    const OnAirReport report = DecodeEeprom(chip, size, readBack).report;
    if (m_onAirShown && *m_onAirShown == report) return;
    m_view.ShowOnAir(report);
    m_onAirShown = report;
}

void CRdsServerDlg::LogOnAirDifference() {
    const int size = m_mirror.GetEepromSize();
    const int fitting = size > EEPROM_HEADER_BYTES ? (size - EEPROM_HEADER_BYTES) / RECORD_BYTES : 0;
    const int records = std::min(m_model.GetRecordCount(), fitting);
    const ImageDifference difference = CompareWithImage(m_mirror.ShadowData(), m_mirror.ReadBackData(), size,
                                                        m_model.GetImage(), records);
    // Once per new difference: a dead byte would otherwise fill the log every 15 seconds.
    if (difference.Any() && !(difference == m_onAirDifference)) AddLog(DifferenceLine(difference));
    m_onAirDifference = difference;
}

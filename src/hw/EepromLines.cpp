// The event-log lines of the EEPROM transfers' reports, in the station's language (CP1252).

#include <cstdio>
#include <string>

#include "EepromMirror.h"

std::string ReadLine(const ReadReport& report) {
    return "EEPROM lida: " + std::to_string(report.bytesRead) + " bytes.";
}

std::string ReadFailedLine(const ReadReport& report) {
    if (report.ready) return {};
    if (report.interfaceSilent) return "EEPROM: o interface n\xE3o respondeu.";
    char line[128];
    std::snprintf(line, sizeof line, "EEPROM: erro de leitura a partir de 0x%04X (EEPROMSIZE maior do que a EEPROM?)",
                  static_cast<unsigned>(report.failedAt));
    return line;
}

std::string DeadByteLine(int address) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "EEPROM: posi\xE7\xE3o 0x%04X falhou %d sincroniza\xE7\xF5"
                  "es seguidas - dada como avariada",
                  static_cast<unsigned>(address), CEepromMirror::DEAD_SYNCS);
    return line;
}

std::string LeftOutLine(const SyncReport& report) {
    if (report.recordsLeftOut == 0) return {};
    char line[128];
    std::snprintf(line, sizeof line, "EEPROM: %d registos ficam de fora (n\xE3o cabem em %d bytes)",
                  report.recordsLeftOut, report.eepromSize);
    return line;
}

std::string VerifyFailedLine(int bytes) {
    if (bytes == 0) return {};
    char line[96];
    std::snprintf(line, sizeof line, "EEPROM: %d bytes falharam a verifica\xE7\xE3o", bytes);
    return line;
}

std::string SyncedLine(const SyncReport& report) {
    if (report.bytesChanged == 0) return {};
    char held[32];
    std::snprintf(held, sizeof held, " em %.2f s.", static_cast<double>(report.busHeldNs) * 1e-9);
    return "EEPROM sincronizada: " + std::to_string(report.bytesChanged) + " bytes alterados" + held;
}

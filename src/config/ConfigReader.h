#pragma once
// The station's settings file DEF.INI: read once at start, echoed line by line into the
// event log, never written back. Qt-free so that the tests and tools can use it alone.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "ParallelPort.h"
#include "ReplyMode.h"

// What DEF.INI asked for. Values that belong to the bus and the model are optional because
// their owners keep their own defaults unless the file names them.
struct ServerSettings {
    int eepromSize = 0x7FF7;
    int port = 6969;
    uint16_t basePort = DEFAULT_LPT_BASE;
    std::optional<uint8_t> psRepeat;
    bool autoLoad = false;
    bool pollWrite = false;
    bool byteWrite = false;  // one EEPROM byte per write cycle instead of page writes
    bool autoTitles = false;
    std::string titleFile = ".\\STATUS.HTM";
    std::optional<uint32_t> writeWait;
    std::optional<uint32_t> clockDelay;
    int timeMinute = 0;
    bool externalCoder = false;
    bool timeServerActive = false;
    bool strikeTimeServer = false;
    ReplyMode replyMode = ReplyMode::None;
    int webStatusPort = 0;  // the status page's TCP port; 0: no page
    std::string webBind = "127.0.0.1";
};

struct ConfigReport {
    bool found = false;  // the file could be opened
    ServerSettings settings;
    std::vector<std::string> logLines;  // CP1252, in the order the event log shows them
};

class CConfigReader {
public:
    static constexpr int MAX_PORT = 32767;
    static constexpr int MAX_EEPROM_SIZE = 0x7FF7;
    static constexpr int MAX_WEB_PORT = 65535;

    // Reads the file at path; a path that cannot be opened gives the "not found" report.
    [[nodiscard]] static ConfigReport ReadFile(const std::string& path);
    // Reads an open stream; a null stream counts as a missing file.
    [[nodiscard]] static ConfigReport Read(std::istream* in);

    // The scanf conversions " %x" and " %d" as the C library on this platform performs them:
    // no value when no digit follows, otherwise the low 32 bits of the number read.
    [[nodiscard]] static std::optional<uint32_t> ScanHex(const std::string& text);
    [[nodiscard]] static std::optional<int32_t> ScanDecimal(const std::string& text);

private:
    static void ApplyLine(const std::string& rawPiece, ConfigReport& report);
    static void ApplyStatusPageLine(const std::string& line, std::size_t start, ConfigReport& report);
};

#include "ConfigReader.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>

#include "TextTrim.h"

namespace {

constexpr const char* HEADER_LINE = "**************** PROCESSO DO FICHEIRO DEF.INI *************";
constexpr const char* NOT_FOUND_LINE = "DEF.INI n\xE3o encontrado :";
constexpr const char* DEFAULTS_LINE = "V\xE3o ser usados parametros BASE ( podem afectar o Hardware ).";
constexpr const char* SUCCESS_LINE = "******** DEF.INI PROCESSADO COM SUCESSO ********";

// A line is read as by fgets into 256 bytes: a longer line arrives in pieces.
constexpr std::size_t PIECE_LIMIT = 255;

enum class Key {
    EepromSize,
    Port,
    Lpt,
    Rpsn,
    AutoSyncEeprom,
    UsePollWrLoop,
    StripName,
    StrfName,
    WrHaltTime,
    I2cClkCycle,
    ClTimerMinute,
    UseExternalCoder,
    EnableTimeServer,
    StrikeInitial,
    ByteWrite,
    Reply
};

struct KeyEntry {
    const char* text;
    Key key;
};

// The order of testing decides which key wins on a line that holds several.
constexpr std::array<KeyEntry, 16> KEYS{{
    {"EEPROMSIZE=", Key::EepromSize},
    {"PORT=", Key::Port},
    {"LPT=", Key::Lpt},
    {"RPSN=", Key::Rpsn},
    {"AUTOSYNCEEPROM", Key::AutoSyncEeprom},
    {"USEPOLLWRLOOP", Key::UsePollWrLoop},
    {"STRIPNAME", Key::StripName},
    {"STRFNAME=", Key::StrfName},
    {"WRHALTTIME=", Key::WrHaltTime},
    {"I2CCLKCYCLE=", Key::I2cClkCycle},
    {"CLTIMERMINUTE=", Key::ClTimerMinute},
    {"USEEXTERNALCODER", Key::UseExternalCoder},
    {"ENABLETIMESERVER", Key::EnableTimeServer},
    {"STRIKEINITIALTIMESERVER", Key::StrikeInitial},
    {"BYTEWRITE", Key::ByteWrite},
    {"REPLY=", Key::Reply},
}};

// Keys without a value: each switches one setting on and logs its own line.
struct FlagEntry {
    Key key;
    const char* logLine;
    bool ServerSettings::*setting;
};

constexpr std::array<FlagEntry, 7> FLAGS{{
    {Key::AutoSyncEeprom, "Auto Sincroniza EEPROM", &ServerSettings::autoLoad},
    {Key::UsePollWrLoop, "Uso de ciclos WRITE-POLL ( FAST WRITES )", &ServerSettings::pollWrite},
    {Key::StripName, "Processa titulos do WINAMP.", &ServerSettings::autoTitles},
    {Key::UseExternalCoder, "Envio de comandos em porta SERIE ( modo antigo )", &ServerSettings::externalCoder},
    {Key::EnableTimeServer, "O envio de Packetes de horario vai ser activo.", &ServerSettings::timeServerActive},
    {Key::StrikeInitial, "A enviar Packetes de horario imediatamente.", &ServerSettings::strikeTimeServer},
    {Key::ByteWrite, "Escrita na EEPROM byte a byte ( BYTEWRITE )", &ServerSettings::byteWrite},
}};

bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

struct Scanned {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;
};

// The part the two conversions share: blanks, sign, optional 0x for base 16, digits.
std::optional<Scanned> ScanNumber(const std::string& text, int base) {
    std::size_t i = 0;
    while (i < text.size() && IsScanSpace(text[i])) ++i;
    Scanned s;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        s.negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2], 16) >= 0) {
        i += 2;
    }
    bool any = false;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0) break;
        any = true;
        const uint64_t limit = (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) /
                               static_cast<uint64_t>(base);
        if (s.magnitude > limit) s.overflow = true;
        else s.magnitude = s.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (!any) return std::nullopt;
    return s;
}

void ToUpperAscii(std::string& line) {
    for (char& c : line) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

}  // namespace

std::optional<uint32_t> CConfigReader::ScanHex(const std::string& text) {
    const auto s = ScanNumber(text, 16);
    if (!s) return std::nullopt;
    // Overflow saturates as strtoul does, whatever the sign.
    uint64_t v = s->overflow ? std::numeric_limits<uint64_t>::max() : s->magnitude;
    if (s->negative && !s->overflow) v = 0 - v;
    return static_cast<uint32_t>(v & 0xFFFFFFFFu);
}

std::optional<int32_t> CConfigReader::ScanDecimal(const std::string& text) {
    const auto s = ScanNumber(text, 10);
    if (!s) return std::nullopt;
    // strtol saturates at the 64-bit limits; the int then keeps the low 32 bits.
    constexpr uint64_t maxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t bits = 0;
    if (!s->negative) {
        bits = (s->overflow || s->magnitude > maxPositive) ? maxPositive : s->magnitude;
    } else {
        bits = (s->overflow || s->magnitude > maxPositive + 1) ? maxPositive + 1 : s->magnitude;
        bits = 0 - bits;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(bits & 0xFFFFFFFFu));
}

ConfigReport CConfigReader::ReadFile(const std::string& path) {
    std::ifstream file;
    // Only a regular file: a FIFO in its place would hold the start-up for ever.
    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) file.open(path, std::ios::binary);
    return Read(file.is_open() ? &file : nullptr);
}

ConfigReport CConfigReader::Read(std::istream* in) {
    ConfigReport report;
    report.logLines.emplace_back(HEADER_LINE);
    if (in == nullptr || !*in) {
        report.logLines.emplace_back(NOT_FOUND_LINE);
        report.logLines.emplace_back(DEFAULTS_LINE);
        return report;
    }
    report.found = true;

    while (true) {
        std::string piece;
        int c = 0;
        while (piece.size() < PIECE_LIMIT && (c = in->get()) != std::char_traits<char>::eof()) {
            // CR LF, LF and a lone CR (old editors) each end a line.
            if (c == '\r') c = in->peek() == '\n' ? in->get() : '\n';
            piece.push_back(static_cast<char>(c));
            if (c == '\n') break;
        }
        if (piece.empty()) break;
        const auto nul = piece.find('\0');
        if (nul != std::string::npos) piece.resize(nul);
        if (piece.empty()) break;
        ApplyLine(piece, report);
    }

    report.logLines.emplace_back(SUCCESS_LINE);
    return report;
}

namespace {

void ApplyEepromSize(const std::string& value, ConfigReport& report) {
    const auto v = CConfigReader::ScanHex(value);
    if (!v) return;
    int size = static_cast<int32_t>(*v);
    if (size > CConfigReader::MAX_EEPROM_SIZE) size = CConfigReader::MAX_EEPROM_SIZE;
    if (size < 0) {
        // A negative count would index before the arrays; no byte is transferred.
        report.logLines.emplace_back("EEPROMSIZE negativo - usado 0.");
        size = 0;
    }
    report.settings.eepromSize = size;
}

void ApplyPort(const std::string& value, ConfigReport& report) {
    const auto v = CConfigReader::ScanDecimal(value);
    if (!v) return;
    if (*v < 0 || *v > CConfigReader::MAX_PORT) {
        // Such a port would fail every read of the controls and freeze the tick boxes.
        report.logLines.push_back("PORT fora de 0..32767 - mantido " + std::to_string(report.settings.port) + ".");
    } else {
        report.settings.port = *v;
    }
}

// Playout systems wait for "+"/"!" or "OK"/"NO" after each line; anything else keeps silence.
void ApplyReply(const std::string& text, ConfigReport& report) {
    const std::size_t begin = std::min(text.find_first_not_of(' '), text.size());
    std::size_t end = begin;
    while (end < text.size() && !IsBelowPrintable(text[end])) ++end;
    const std::string value = text.substr(begin, end - begin);
    if (value == "PLUS") {
        report.settings.replyMode = ReplyMode::Plus;
    } else if (value == "OK") {
        report.settings.replyMode = ReplyMode::Ok;
    } else {
        report.settings.replyMode = ReplyMode::None;
        report.logLines.emplace_back("REPLY desconhecido (PLUS ou OK) - sem respostas.");
    }
}

void ApplyKey(Key key, const std::string& echoed, const std::string& value, ConfigReport& report) {
    ServerSettings& s = report.settings;
    auto& log = report.logLines;
    for (const FlagEntry& flag : FLAGS) {
        if (flag.key != key) continue;
        log.emplace_back(flag.logLine);
        s.*flag.setting = true;
        return;
    }
    switch (key) {
    case Key::EepromSize:
        log.push_back(echoed);
        ApplyEepromSize(value, report);
        break;
    case Key::Port:
        log.push_back(echoed);
        ApplyPort(value, report);
        break;
    case Key::Lpt:
        log.push_back(echoed);
        if (const auto v = CConfigReader::ScanDecimal(value)) {
            s.basePort = static_cast<uint16_t>(static_cast<uint32_t>(*v) & 0xFFFFu);
        }
        break;
    case Key::Rpsn:
        log.push_back(echoed);
        if (const auto v = CConfigReader::ScanDecimal(value)) {
            s.psRepeat = static_cast<uint8_t>(static_cast<uint32_t>(*v) & 0xFFu);
        }
        break;
    case Key::StrfName:
        log.push_back(echoed);
        s.titleFile = value;
        // An editor's stray blanks would name a file that is never there.
        TrimTrailingBelow(s.titleFile, 0x21);
        break;
    case Key::WrHaltTime:
        log.push_back(echoed);
        if (const auto v = CConfigReader::ScanHex(value)) s.writeWait = *v;
        break;
    case Key::I2cClkCycle:
        log.push_back(echoed);
        if (const auto v = CConfigReader::ScanHex(value)) s.clockDelay = *v;
        break;
    case Key::ClTimerMinute:
        log.push_back(echoed);
        log.emplace_back("( MINUTO ao qual sera enviado o TimeSync )");
        if (const auto v = CConfigReader::ScanDecimal(value)) s.timeMinute = *v;
        break;
    case Key::Reply:
        log.push_back(echoed);
        ApplyReply(value, report);
        break;
    default:  // the flags, taken above
        break;
    }
}

}  // namespace

void CConfigReader::ApplyLine(const std::string& rawPiece, ConfigReport& report) {
    std::string line = rawPiece;
    TrimTrailingBelow(line, 0x20);
    ToUpperAscii(line);

    std::size_t start = 0;
    while (start < line.size() && line[start] == ' ') ++start;
    if (start < line.size() && line[start] == ';') return;
    if (line.find("[RDS]", start) == std::string::npos) return;

    for (const KeyEntry& entry : KEYS) {
        const std::size_t at = line.find(entry.text, start);
        if (at == std::string::npos) continue;

        const std::string echoed = line.substr(at);
        const std::string value = line.substr(at + std::char_traits<char>::length(entry.text));
        ApplyKey(entry.key, echoed, value, report);
        return;
    }
    ApplyStatusPageLine(line, start, report);
}

// The status page's keys come after the table, so a line holding one of its keys still means that key.
void CConfigReader::ApplyStatusPageLine(const std::string& line, std::size_t start, ConfigReport& report) {
    static constexpr const char* PORT_KEY = "WEBSTATUS=";
    static constexpr const char* BIND_KEY = "WEBBIND=";
    if (const std::size_t at = line.find(PORT_KEY, start); at != std::string::npos) {
        report.logLines.push_back(line.substr(at));
        const auto v = ScanDecimal(line.substr(at + std::char_traits<char>::length(PORT_KEY)));
        if (v && *v >= 0 && *v <= MAX_WEB_PORT) {
            report.settings.webStatusPort = *v;
        } else {
            report.logLines.emplace_back("WEBSTATUS fora de 0..65535 - p\xE1gina de estado desligada.");
            report.settings.webStatusPort = 0;
        }
    } else if (const std::size_t bindAt = line.find(BIND_KEY, start); bindAt != std::string::npos) {
        report.logLines.push_back(line.substr(bindAt));
        std::string address = line.substr(bindAt + std::char_traits<char>::length(BIND_KEY));
        TrimTrailingBelow(address, 0x21);
        std::size_t first = 0;
        while (first < address.size() && address[first] == ' ') ++first;
        report.settings.webBind = address.substr(first);
    }
}

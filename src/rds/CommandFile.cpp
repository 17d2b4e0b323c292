// Start-up processing of RDS.TXT.

#include "CommandFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "CommandLanguage.h"
#include "RdsModel.h"
#include "RdsTypes.h"
#include "TextFile.h"
#include "TextTrim.h"
#include "Title.h"

namespace {

constexpr char OPENING_LINE[] = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
constexpr char MISSING_LINE[] = "Ficheiro RDS.TXT Inexistente.";
constexpr char UNREADABLE_LINE[] = "Ficheiro RDS.TXT ileg\xEDvel: ";
const std::string CLOSING_LINE(74, '*');
constexpr char END_DIRECTIVE[] = ".END";
constexpr char ASYNCLOAD_DIRECTIVE[] = ".ASYNCLOAD";
constexpr size_t SHORTEST_COMMAND = 3;

// The symbolic errno name, not strerror: the core keeps CP1252 whatever the locale says.
std::string ErrorName(const char* what, int error) {
    const char* name = ::strerrorname_np(error);
    return std::string(what) + " (" + (name ? name : std::to_string(error)) + ")";
}

std::string RefusalReason(const TextFileOpening& opening) {
    switch (opening.refusal) {
    case FileRefusal::NoPermission:
        return "permiss\xE3o negada";
    case FileRefusal::Folder:
        return "\xE9 uma pasta";
    case FileRefusal::NotRegular:
        return "n\xE3o \xE9 um ficheiro normal";
    default:
        return ErrorName("erro ao abrir", opening.error);
    }
}

}  // namespace

CommandFileReading ProcessCommandFile(const std::string& path, ICommandFileHost& host) {
    host.AddLog(OPENING_LINE);
    host.ResetRememberedTitle();
    TextFileOpening opening = OpenRegularTextFile(path);
    if (opening.refusal == FileRefusal::Missing) {
        host.AddLog(MISSING_LINE);
        return {CommandFileRead::Missing, {}};
    }
    if (opening.refusal != FileRefusal::None) {
        CommandFileReading reading{CommandFileRead::Unreadable, RefusalReason(opening)};
        host.AddLog(UNREADABLE_LINE + reading.reason);
        return reading;
    }
    FilePtr file = std::move(opening.file);
    CommandFileReading reading;
    std::string line;
    while (ReadLinePiece(file.get(), COMMAND_LINE_PIECE, line)) {
        if (!line.empty() && line.front() == ';') continue;
        TrimCommandLineEnd(line);
        if (line.size() < SHORTEST_COMMAND) continue;
        if (line == END_DIRECTIVE) break;
        if (line == ASYNCLOAD_DIRECTIVE) {
            host.SwitchOnAutoLoad();
            continue;
        }
        const CommandResult result = host.ExecuteCommandLine(line);
        host.AddLog(CommandLogLine(line, result));
        if (!result.remark.empty()) host.AddLog(result.remark);
    }
    // A read error ends the reading like the end of the file, but the station's data is
    // incomplete, so the caller hears of it.
    if (std::ferror(file.get())) {
        reading = {CommandFileRead::Unreadable, ErrorName("erro de leitura", errno)};
        host.AddLog(UNREADABLE_LINE + reading.reason);
    }
    file.reset();
    host.AddLog(CLOSING_LINE);
    host.Rebuild();
    return reading;
}

CommandResult CModelCommandFileHost::ExecuteCommandLine(const std::string& line) {
    CommandResult result = m_model.ExecuteCommand(line.c_str());
    if (result.title) m_titles.NoteCommandTitle(*result.title);
    return result;
}

void CModelCommandFileHost::ResetRememberedTitle() { m_titles.Reset(); }

void CModelCommandFileHost::Rebuild() { m_model.Rebuild(); }

// Start-up processing of RDS.TXT.

#include "CommandFile.h"

#include "RdsModel.h"
#include "RdsTypes.h"
#include "TextFile.h"
#include "TextTrim.h"
#include "Title.h"

namespace {

constexpr char OPENING_LINE[] = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
constexpr char MISSING_LINE[] = "Ficheiro RDS.TXT Inexistente.";
const std::string CLOSING_LINE(74, '*');
constexpr char END_DIRECTIVE[] = ".END";
constexpr char ASYNCLOAD_DIRECTIVE[] = ".ASYNCLOAD";
constexpr size_t SHORTEST_COMMAND = 3;

}  // namespace

void ProcessCommandFile(const std::string& path, ICommandFileHost& host) {
    host.AddLog(OPENING_LINE);
    host.ResetRememberedTitle();
    FilePtr file(std::fopen(path.c_str(), "r"));
    if (!file) {
        host.AddLog(MISSING_LINE);
        return;
    }
    std::string line;
    while (ReadLinePiece(file.get(), COMMAND_LINE_PIECE, line)) {
        if (!line.empty() && line.front() == ';') continue;
        TrimTrailingBelow(line, 0x21);  // a trailing accent goes with the line end
        if (line.size() < SHORTEST_COMMAND) continue;
        if (line == END_DIRECTIVE) break;
        if (line == ASYNCLOAD_DIRECTIVE) {
            host.SwitchOnAutoLoad();
            continue;
        }
        const CommandResult result = host.ExecuteCommandLine(line);
        host.AddLog(line + (result.executed == 1 ? " - OK" : " - ERROR"));
        if (!result.remark.empty()) host.AddLog(result.remark);
    }
    file.reset();
    host.AddLog(CLOSING_LINE);
    host.Rebuild();
}

CommandResult CModelCommandFileHost::ExecuteCommandLine(const std::string& line) {
    return m_model.ExecuteCommand(line.c_str());
}

void CModelCommandFileHost::ResetRememberedTitle() { m_titles.Reset(); }

void CModelCommandFileHost::Rebuild() { m_model.Rebuild(); }

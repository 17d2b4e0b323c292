// Start-up processing of RDS.TXT.

#include "CommandFile.h"

#include <cstdio>
#include <memory>

#include "RdsModel.h"
#include "RdsTypes.h"
#include "Title.h"

namespace {

constexpr char OPENING_LINE[] = "************** PROCESSAR O FICHEIRO RDS.TXT ***************";
constexpr char MISSING_LINE[] = "Ficheiro RDS.TXT Inexistente.";
const std::string CLOSING_LINE(74, '*');
constexpr char END_DIRECTIVE[] = ".END";
constexpr char ASYNCLOAD_DIRECTIVE[] = ".ASYNCLOAD";
constexpr size_t SHORTEST_COMMAND = 3;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Up to COMMAND_LINE_PIECE characters, through the line end when it fits; false at the end
// of the file or on a read error. A zero byte ends the text as it ends a C string.
bool ReadPiece(std::FILE* file, std::string& line) {
    line.clear();
    int c = 0;
    while (static_cast<int>(line.size()) < COMMAND_LINE_PIECE && (c = std::fgetc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (line.empty()) return false;
    size_t zero = line.find('\0');
    if (zero != std::string::npos) line.resize(zero);
    return true;
}

// Bytes 0x80..0xFF count as below the blank, so a trailing accent goes with the line end.
void TrimTrailing(std::string& line) {
    while (!line.empty() && IsBelowPrintable(line.back())) line.pop_back();
}

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
    while (ReadPiece(file.get(), line)) {
        if (!line.empty() && line.front() == ';') continue;
        TrimTrailing(line);
        if (line.size() < SHORTEST_COMMAND) continue;
        if (line == END_DIRECTIVE) break;
        if (line == ASYNCLOAD_DIRECTIVE) {
            host.SwitchOnAutoLoad();
            continue;
        }
        int result = host.ExecuteCommandLine(line);
        host.AddLog(line + (result == 1 ? " - OK" : " - ERROR"));
    }
    file.reset();
    host.AddLog(CLOSING_LINE);
    host.Rebuild();
}

int CModelCommandFileHost::ExecuteCommandLine(const std::string& line) {
    return m_model.ExecuteCommand(line.c_str());
}

void CModelCommandFileHost::ResetRememberedTitle() { m_titles.Reset(); }

void CModelCommandFileHost::Rebuild() { m_model.Rebuild(); }

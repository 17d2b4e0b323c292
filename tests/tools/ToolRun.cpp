#include "ToolRun.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "orvane-tool-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!m_path.empty()) fs::remove_all(m_path, ec);
}

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const {
    std::string path = m_path + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string TempFolder::Read(const std::string& name) const {
    std::ifstream in(m_path + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ToolResult RunEncodeTool(const std::vector<std::string>& args, const std::string& timeZone) {
    TempFolder capture;
    std::string command = timeZone.empty() ? "" : "TZ=" + Quoted(timeZone) + " ";
    command += Quoted(ORVANE_ENCODE_TOOL);
    for (const auto& a : args) command += " " + Quoted(a);
    command += " >" + Quoted(capture.Path() + "/out") + " 2>" + Quoted(capture.Path() + "/err");
    int status = std::system(command.c_str());
    ToolResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = capture.Read("out");
    r.err = capture.Read("err");
    return r;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

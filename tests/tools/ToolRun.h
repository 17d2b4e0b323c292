#pragma once
// Runs the built orvane-encode in a shell and collects what it printed.

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `timeZone` non-empty sets TZ for the run only.
ToolResult RunEncodeTool(const std::vector<std::string>& args, const std::string& timeZone = "");

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Write(const std::string& name, const std::string& bytes) const;
    [[nodiscard]] std::string Read(const std::string& name) const;
    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

[[nodiscard]] std::vector<std::string> SplitLines(const std::string& text);

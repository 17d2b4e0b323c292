// Case-blind lookup of station file names inside the working folder.

#include "FileLookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::vector<std::string> SplitComponents(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : name + '/') {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".") parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    return parts;
}

// The entry of `dir` whose name equals `component` without regard to case; the smallest
// name when several do, so the choice does not depend on the directory's order.
bool FindNoCase(const fs::path& dir, const std::string& component, std::string& found) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return false;
    bool any = false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string entry = it->path().filename().string();
        if (EqualNoCase(entry, component) && (!any || entry < found)) {
            found = entry;
            any = true;
        }
    }
    return any;
}

}  // namespace

std::string ResolveFileName(const std::string& folder, const std::string& name) {
    bool absolute = !name.empty() && (name.front() == '/' || name.front() == '\\');
    fs::path path = absolute ? fs::path("/") : fs::path(folder.empty() ? "." : folder);
    std::vector<std::string> parts = SplitComponents(name);
    bool matching = true;
    for (const std::string& part : parts) {
        std::error_code ec;
        if (matching && part != ".." && !fs::exists(path / part, ec)) {
            std::string found;
            if (FindNoCase(path, part, found)) {
                path /= found;
                continue;
            }
            matching = false;  // the rest cannot exist either
        }
        path /= part;
    }
    return path.string();
}

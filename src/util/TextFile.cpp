#include "TextFile.h"

bool ReadLinePiece(std::FILE* file, int limit, std::string& line) {
    line.clear();
    int c = 0;
    while (static_cast<int>(line.size()) < limit && (c = std::fgetc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (line.empty()) return false;
    const size_t zero = line.find('\0');
    if (zero != std::string::npos) line.resize(zero);
    return true;
}

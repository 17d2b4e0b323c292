#pragma once
// Reading the station's text files the way the command file, the title poll and the time
// client list all do: line by line, in pieces of a fixed size.

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Up to `limit` characters, through the line end when it fits; false when nothing could be
// read (end of file or a read error). A zero byte ends the text as it ends a C string.
bool ReadLinePiece(std::FILE* file, int limit, std::string& line);

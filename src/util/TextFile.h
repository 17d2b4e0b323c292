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

// Why a station file was not opened. Only a regular file is read: a FIFO or a device put
// in a station file's place would stall the reader (the server's tick or the offline tool).
enum class FileRefusal { None, Missing, NoPermission, Folder, NotRegular, Other };

struct TextFileOpening {
    FilePtr file;  // open for reading when `refusal` is None
    FileRefusal refusal = FileRefusal::None;
    int error = 0;  // errno of the refusal, 0 when there is none
};

// Opens `path` for reading if it is a regular file; never blocks, whatever is in its place.
[[nodiscard]] TextFileOpening OpenRegularTextFile(const std::string& path);

// Up to `limit` characters, through the line end when it fits; false when nothing could be
// read (end of file or a read error). A zero byte ends the text as it ends a C string.
bool ReadLinePiece(std::FILE* file, int limit, std::string& line);

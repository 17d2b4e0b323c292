#include "TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

FileRefusal RefusalOf(int error) {
    if (error == ENOENT || error == ENOTDIR) return FileRefusal::Missing;
    if (error == EACCES || error == EPERM) return FileRefusal::NoPermission;
    return FileRefusal::Other;
}

}  // namespace

TextFileOpening OpenRegularTextFile(const std::string& path) {
    TextFileOpening opening;
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        opening.error = errno;
        opening.refusal = RefusalOf(opening.error);
        return opening;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        opening.error = errno;
        opening.refusal = FileRefusal::Other;
    } else if (S_ISDIR(info.st_mode)) {
        opening.error = EISDIR;
        opening.refusal = FileRefusal::Folder;
    } else if (!S_ISREG(info.st_mode)) {
        opening.error = ENODEV;
        opening.refusal = FileRefusal::NotRegular;
    }
    if (opening.refusal != FileRefusal::None) {
        ::close(fd);
        return opening;
    }
    opening.file.reset(::fdopen(fd, "r"));
    if (!opening.file) {
        opening.error = errno;
        opening.refusal = FileRefusal::Other;
        ::close(fd);
    }
    return opening;
}

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

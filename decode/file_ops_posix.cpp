#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "decode/file_ops.h"

namespace fileops {

FileHandle InvalidHandle() { return -1; }
bool IsValid(FileHandle file) { return file >= 0; }

FileHandle OpenForReading(const char* utf8Path) {
    const int fd = ::open(utf8Path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    // Windows refuses to open a folder as a file; do the same here.
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool GetSize(FileHandle file, int64_t& size) {
    struct stat info {};
    if (::fstat(file, &info) != 0) {
        size = 0;
        return false;
    }
    size = static_cast<int64_t>(info.st_size);
    return true;
}

bool SeekFromStart(FileHandle file, int64_t position) {
    if (position < 0) return false;
    return ::lseek(file, static_cast<off_t>(position), SEEK_SET) != static_cast<off_t>(-1);
}

bool SkipForward(FileHandle file, uint32_t distance) {
    return ::lseek(file, static_cast<off_t>(distance), SEEK_CUR) != static_cast<off_t>(-1);
}

bool Read(FileHandle file, void* buffer, uint32_t count, uint32_t& got) {
    // Like ReadFile on a disk file: keep reading until `count` bytes or the end.
    uint32_t total = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (total < count) {
        const ssize_t n = ::read(file, bytes + total, count - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            got = total;
            return false;
        }
        if (n == 0) break;
        total += static_cast<uint32_t>(n);
    }
    got = total;
    return true;
}

void Close(FileHandle file) { ::close(file); }

}  // namespace fileops

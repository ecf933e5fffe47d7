#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/platform_files.h"

namespace platform {

std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason) {
    // 0666 lets the umask decide the permissions, as for any newly written file.
    const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream) {
        reason = std::strerror(errno);
        ::close(fd);
        ::unlink(utf8Path.c_str());
    }
    return stream;
}

bool MoveOver(const std::string& from, const std::string& to, std::string& reason) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

void RemoveFile(const std::string& utf8Path) { ::unlink(utf8Path.c_str()); }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace platform

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/platform_files.h"

namespace platform {

namespace {

// As the kernel's own limit on links followed while resolving one path.
constexpr int kMaxLinksFollowed = 40;

std::string ErrorText(int error) { return std::strerror(error); }

std::string FolderPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadLink(const std::string& path, std::string& target, std::string& reason) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            reason = ErrorText(errno);
            return false;
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Follows the links that the last part of `path` names, also to a target that does not
// exist yet, so a new file is made where the link points.
bool FollowLinks(const std::string& path, std::string& final, std::string& reason) {
    std::string current = path;
    for (int followed = 0; followed <= kMaxLinksFollowed; ++followed) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            final = current;
            return true;
        }
        std::string link;
        if (!ReadLink(current, link, reason)) return false;
        current = (!link.empty() && link[0] == '/') ? link : FolderPart(current) + link;
    }
    reason = ErrorText(ELOOP);
    return false;
}

std::FILE* StreamOver(int fd, const char* mode, std::string& reason) {
    if (fd < 0) {
        reason = ErrorText(errno);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) {
        reason = ErrorText(errno);
        ::close(fd);
    }
    return stream;
}

// A socket is written by connecting to it; open() refuses sockets.
int ConnectSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

bool InspectOutput(const std::string& utf8Path, OutputTarget& target, std::string& reason) {
    struct stat info {};
    if (::stat(utf8Path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            reason = ErrorText(errno);
            return false;
        }
        target.kind = OutputKind::Missing;
        return FollowLinks(utf8Path, target.path, reason);
    }
    if (S_ISDIR(info.st_mode)) {
        reason = ErrorText(EISDIR);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        target.kind = OutputKind::Stream;
        target.path = utf8Path;
        return true;
    }
    target.kind = OutputKind::RegularFile;
    target.sharedByLinks = info.st_nlink > 1;
    return FollowLinks(utf8Path, target.path, reason);
}

std::FILE* OpenExistingForWriting(const std::string& utf8Path, std::string& reason) {
    struct stat info {};
    if (::stat(utf8Path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        return StreamOver(ConnectSocket(utf8Path), "wb", reason);
    return StreamOver(::open(utf8Path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC), "wb", reason);
}

std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason) {
    const int fd = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    std::FILE* stream = StreamOver(fd, "w+b", reason);
    if (fd >= 0 && !stream) ::unlink(utf8Path.c_str());
    return stream;
}

void CopyPermissions(std::FILE* model, std::FILE* file) {
    struct stat info {};
    if (::fstat(::fileno(model), &info) != 0) return;
    mode_t mode = info.st_mode & 07777;
    // A file that keeps set-id bits must keep the owner they were meant for.
    if (::fchown(::fileno(file), info.st_uid, info.st_gid) != 0) mode &= ~mode_t{S_ISUID | S_ISGID};
    ::fchmod(::fileno(file), mode);
}

bool SetLength(std::FILE* file, uint64_t length, std::string& reason) {
    if (::ftruncate(::fileno(file), static_cast<off_t>(length)) == 0) return true;
    reason = ErrorText(errno);
    return false;
}

bool MoveOver(const std::string& from, const std::string& to, std::string& reason) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = ErrorText(errno);
    return false;
}

void RemoveFile(const std::string& utf8Path) { ::unlink(utf8Path.c_str()); }

void ClearRuntimeError() { errno = 0; }

std::string LastRuntimeError() { return errno != 0 ? ErrorText(errno) : "write error"; }

std::string OpenFailureReason(const std::string&) { return ErrorText(errno); }

FileHandle DuplicateStandardInput(std::string& reason) {
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) reason = ErrorText(errno);
    return fd;
}

bool IsRegularFileAtStart(FileHandle file) {
    struct stat info {};
    return ::fstat(file, &info) == 0 && S_ISREG(info.st_mode) && ::lseek(file, 0, SEEK_CUR) == 0;
}

FileHandle CreateScratchFile(std::string& reason) {
    const char* folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    const int fd = ::open(folder, O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) reason = ErrorText(errno) + " (in " + folder + ")";
    return fd;
}

bool ReadSome(FileHandle file, void* buffer, uint32_t count, uint32_t& got, std::string& reason) {
    for (;;) {
        const ssize_t n = ::read(file, buffer, count);
        if (n >= 0) {
            got = static_cast<uint32_t>(n);
            return true;
        }
        if (errno != EINTR) {
            reason = ErrorText(errno);
            return false;
        }
    }
}

bool WriteAll(FileHandle file, const void* buffer, uint32_t count, std::string& reason) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::write(file, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            reason = ErrorText(errno);
            return false;
        }
        bytes += n;
        count -= static_cast<uint32_t>(n);
    }
    return true;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace platform

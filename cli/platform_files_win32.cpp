#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/platform_files.h"
#include "decode/utf8.h"

namespace platform {

namespace {

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? WideToUtf8(text) : "Windows error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

}  // namespace

std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason) {
    const std::wstring path = Utf8ToWide(utf8Path.c_str());
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (!stream) {
        reason = std::strerror(errno);
        _close(fd);
        _wremove(path.c_str());
    }
    return stream;
}

bool MoveOver(const std::string& from, const std::string& to, std::string& reason) {
    const std::wstring source = Utf8ToWide(from.c_str());
    const std::wstring target = Utf8ToWide(to.c_str());
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    reason = SystemMessage(GetLastError());
    return false;
}

void RemoveFile(const std::string& utf8Path) {
    _wremove(Utf8ToWide(utf8Path.c_str()).c_str());
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace platform

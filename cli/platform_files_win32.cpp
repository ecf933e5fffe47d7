#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/platform_files.h"
#include "decode/utf8.h"

namespace platform {

std::string SystemMessage(unsigned long error) {
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

namespace {

std::wstring Wide(const std::string& utf8) { return Utf8ToWide(utf8.c_str()); }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The C runtime's wording, which Windows has no better one for.
std::string FolderReason() { return std::strerror(EISDIR); }

HANDLE OpenForWriting(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::FILE* StreamOver(HANDLE file, int flags, const char* mode, std::string& reason) {
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags | _O_BINARY);
    if (fd < 0) {
        reason = std::strerror(errno);
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, mode);
    if (!stream) {
        reason = std::strerror(errno);
        _close(fd);
    }
    return stream;
}

// Where links lead, so that the replacement is made beside the file it replaces.
std::string FinalPath(HANDLE file, const std::string& given) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleW(file, buffer, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= MAX_PATH * 4) return given;
    std::wstring path(buffer, length);
    if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() > 5 && path[5] == L':') path.erase(0, 4);
    return WideToUtf8(path.c_str());
}

}  // namespace

bool InspectOutput(const std::string& utf8Path, OutputTarget& target, std::string& reason) {
    const std::wstring path = Wide(utf8Path);
    target.path = utf8Path;
    if (IsFolder(path)) {
        reason = FolderReason();
        return false;
    }
    const HANDLE file = OpenForWriting(path);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        target.kind = OutputKind::Missing;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        reason = SystemMessage(error);
        return false;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        target.kind = OutputKind::Stream;
    } else {
        target.kind = OutputKind::RegularFile;
        BY_HANDLE_FILE_INFORMATION information{};
        target.sharedByLinks = GetFileInformationByHandle(file, &information) &&
                               information.nNumberOfLinks > 1;
        target.path = FinalPath(file, utf8Path);
    }
    CloseHandle(file);
    return true;
}

std::FILE* OpenExistingForWriting(const std::string& utf8Path, std::string& reason) {
    return StreamOver(OpenForWriting(Wide(utf8Path)), _O_WRONLY, "wb", reason);
}

std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason) {
    const HANDLE file = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    std::FILE* stream = StreamOver(file, _O_RDWR, "w+b", reason);
    if (file != INVALID_HANDLE_VALUE && !stream) RemoveFile(utf8Path);
    return stream;
}

// ReplaceFileW gives the replacement the replaced file's attributes and security.
void CopyPermissions(std::FILE*, std::FILE*) {}

bool SetLength(std::FILE* file, uint64_t length, std::string& reason) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(length);
    if (SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(handle)) return true;
    reason = SystemMessage(GetLastError());
    return false;
}

bool MoveOver(const std::string& from, const std::string& to, std::string& reason) {
    const std::wstring source = Wide(from);
    const std::wstring target = Wide(to);
    if (ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {  // nothing to replace
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        error = GetLastError();
    }
    reason = SystemMessage(error);
    return false;
}

void RemoveFile(const std::string& utf8Path) { DeleteFileW(Wide(utf8Path).c_str()); }

void ClearRuntimeError() {
    errno = 0;
    _doserrno = 0;
}

std::string LastRuntimeError() {
    if (_doserrno != 0) return SystemMessage(static_cast<DWORD>(_doserrno));
    return errno != 0 ? std::strerror(errno) : "write error";
}

std::string OpenFailureReason(const std::string& utf8Path) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && IsFolder(Wide(utf8Path))) return FolderReason();
    return SystemMessage(error);
}

FileHandle DuplicateStandardInput(std::string& reason) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(ERROR_INVALID_HANDLE);
    } else if (!DuplicateHandle(GetCurrentProcess(), input, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
        reason = SystemMessage(GetLastError());
        copy = INVALID_HANDLE_VALUE;
    }
    return copy;
}

bool IsRegularFileAtStart(FileHandle file) {
    LARGE_INTEGER position{};
    return GetFileType(file) == FILE_TYPE_DISK &&
           SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT) && position.QuadPart == 0;
}

FileHandle CreateScratchFile(std::string& reason) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"pxr", 0, name) == 0) {
        reason = SystemMessage(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(GetLastError());
        DeleteFileW(name);
    }
    return file;
}

bool ReadSome(FileHandle file, void* buffer, uint32_t count, uint32_t& got, std::string& reason) {
    DWORD read = 0;
    const bool ok = ReadFile(file, buffer, count, &read, nullptr) != FALSE;
    got = read;
    if (ok || GetLastError() == ERROR_BROKEN_PIPE) return true;
    reason = SystemMessage(GetLastError());
    return false;
}

bool WriteAll(FileHandle file, const void* buffer, uint32_t count, std::string& reason) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, count, &written, nullptr)) {
            reason = SystemMessage(GetLastError());
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace platform

#include <string>

#include "decode/file_ops.h"
#include "decode/utf8.h"

namespace fileops {

FileHandle InvalidHandle() { return INVALID_HANDLE_VALUE; }
bool IsValid(FileHandle file) { return file != INVALID_HANDLE_VALUE && file != nullptr; }

FileHandle OpenForReading(const char* utf8Path) {
    const std::wstring path = Utf8ToWide(utf8Path);
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool GetSize(FileHandle file, int64_t& size) {
    LARGE_INTEGER value{};
    const bool ok = GetFileSizeEx(file, &value) != FALSE;
    size = value.QuadPart;
    return ok;
}

bool SeekFromStart(FileHandle file, int64_t position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = position;
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != FALSE;
}

bool SkipForward(FileHandle file, uint32_t distance) {
    LARGE_INTEGER step{};
    step.QuadPart = static_cast<int64_t>(distance);
    return SetFilePointerEx(file, step, nullptr, FILE_CURRENT) != FALSE;
}

bool Read(FileHandle file, void* buffer, uint32_t count, uint32_t& got) {
    DWORD read = 0;
    const bool ok = ReadFile(file, buffer, count, &read, nullptr) != FALSE;
    got = read;
    return ok;
}

void Close(FileHandle file) { CloseHandle(file); }

}  // namespace fileops

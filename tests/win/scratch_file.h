// A file of given bytes in the temporary folder, deleted at the end, and documents on it
// opened as the program opens files.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decode/raw_doc.h"

// The size of a scratch file that reads as zeros, made without writing them.
struct ScratchSize {
    int64_t bytes;
};

class CScratchFile {
public:
    explicit CScratchFile(const std::vector<uint8_t>& bytes) : m_path(NewTempPath()) {
        HANDLE file = CreateForWriting();
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    explicit CScratchFile(ScratchSize size) : m_path(NewTempPath()) {
        HANDLE file = CreateForWriting();
        LARGE_INTEGER end{};
        end.QuadPart = size.bytes;
        ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file);
        ::CloseHandle(file);
    }
    ~CScratchFile() { ::DeleteFileW(m_path.c_str()); }
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    // Read access, others may only read; null when the file cannot be opened.
    std::shared_ptr<CRawDoc> Open() const {
        HANDLE file = ::CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : std::make_shared<CRawDoc>(file);
    }

    bool CanOpenForWriting() const {
        HANDLE file = ::CreateFileW(m_path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(file);
        return true;
    }

    // The same pseudo-random bytes on every run.
    static std::vector<uint8_t> RandomBytes(size_t count) {
        std::mt19937 random(12345);
        std::vector<uint8_t> bytes(count);
        for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
        return bytes;
    }

private:
    static std::wstring NewTempPath() {
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        wchar_t path[MAX_PATH] = {};
        ::GetTempFileNameW(folder, L"pxv", 0, path);
        return path;
    }
    HANDLE CreateForWriting() const {
        return ::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                             nullptr);
    }

    std::wstring m_path;
};

// The five file operations that decoding needs, over the platform's own calls:
// Win32 on Windows, POSIX elsewhere. Nothing above this header touches the platform.
#pragma once

#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
using FileHandle = HANDLE;
#else
using FileHandle = int;
#endif

namespace fileops {

FileHandle InvalidHandle();
bool IsValid(FileHandle file);

// Opens an existing file for reading; others may read it meanwhile but not write it
// (on Windows: GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING). The path is UTF-8.
// Returns InvalidHandle() on failure, leaving the reason in errno or GetLastError().
FileHandle OpenForReading(const char* utf8Path);

// Current size of the file in bytes.
bool GetSize(FileHandle file, int64_t& size);
// Absolute seek; fails for a negative position, succeeds at or beyond the end.
bool SeekFromStart(FileHandle file, int64_t position);
// Relative seek forward; succeeds also when it passes the end.
bool SkipForward(FileHandle file, uint32_t distance);
// Reads up to `count` bytes; `got` is what was read (fewer at the end, 0 past it).
bool Read(FileHandle file, void* buffer, uint32_t count, uint32_t& got);
void Close(FileHandle file);

}  // namespace fileops

// The few file calls the exporter needs beyond decoding, over the platform's own calls so
// that UTF-8 paths work on Windows too. Every `reason` is the system's own wording.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "decode/file_ops.h"

namespace platform {

// What an output path names once symbolic links are followed.
enum class OutputKind {
    Missing,      // nothing there yet
    RegularFile,  // replaced by a complete picture
    Stream,       // a device, FIFO, socket, pipe or console: written in place
};

struct OutputTarget {
    OutputKind kind = OutputKind::Missing;
    std::string path;            // the final target of the links (the path itself for a Stream)
    bool sharedByLinks = false;  // a regular file with more than one hard link
};

// Returns false, with the reason, when the path cannot be looked at or names a folder.
bool InspectOutput(const std::string& utf8Path, OutputTarget& target, std::string& reason);

// Opens an existing file, device, FIFO or socket for writing from its start, without
// creating or truncating it.
std::FILE* OpenExistingForWriting(const std::string& utf8Path, std::string& reason);

// Creates a new file for binary reading and writing, failing when it exists already; a new
// file gets the usual permissions (0666 less the umask).
std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason);

// Gives `file` the permission bits, owner and group of `model`, as far as the process may.
void CopyPermissions(std::FILE* model, std::FILE* file);

// Cuts `file` to `length` bytes.
bool SetLength(std::FILE* file, uint64_t length, std::string& reason);

// Renames `from` to `to`, replacing a file already at `to` (on Windows keeping that file's
// attributes and security).
bool MoveOver(const std::string& from, const std::string& to, std::string& reason);

void RemoveFile(const std::string& utf8Path);

// Clears the record of the last error, so that LastRuntimeError() after a failed C stream
// call describes that call.
void ClearRuntimeError();
// Why the last C stream call failed.
std::string LastRuntimeError();

// Why fileops::OpenForReading(utf8Path) just failed.
std::string OpenFailureReason(const std::string& utf8Path);

// Standard input as a handle of its own: closing it leaves standard input open.
FileHandle DuplicateStandardInput(std::string& reason);

// A regular file whose position is at its start, which the decoder can read as it is.
bool IsRegularFileAtStart(FileHandle file);

// A new empty file in the temporary folder (TMPDIR, TEMP), gone once closed and never seen
// under a name on POSIX. The system keeps it in memory as far as it can; unlike memory of
// the process's own, it is bounded by the folder's free space.
FileHandle CreateScratchFile(std::string& reason);

// Reads up to `count` bytes from the current position; `got` is 0 only at the end (a pipe
// whose writer has closed counts as the end).
bool ReadSome(FileHandle file, void* buffer, uint32_t count, uint32_t& got, std::string& reason);
bool WriteAll(FileHandle file, const void* buffer, uint32_t count, std::string& reason);

unsigned long CurrentProcessId();

#ifdef _WIN32
// The system's wording of a Windows error code.
std::string SystemMessage(unsigned long error);
#endif

}  // namespace platform

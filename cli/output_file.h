// Where an export goes, by what its path names:
// - a new file, or an existing regular file: written under a temporary name in the final
//   target's folder (after following symbolic links) and renamed into place, so a failed
//   export leaves no partial file and never damages the file that was there. A replaced
//   file keeps its permission bits, owner and group; a file with several hard links is
//   instead overwritten in place once the picture is complete, so every name sees it;
// - a device, FIFO, socket or pipe (/dev/null, /dev/stdout, process substitution, NUL,
//   CON): opened and written in place, never removed or renamed over;
// - a folder: refused, as is anything that cannot be opened for writing.
#pragma once

#include <cstdio>
#include <string>

// A C stream that remembers why its first failed write failed, since later calls on the
// stream overwrite the error code. Writes after a failure are skipped.
class OutputStream {
public:
    explicit OutputStream(std::FILE* stream) : m_stream(stream) {}

    void Write(const void* data, size_t size);
    // Flushes; true when every write so far succeeded.
    bool Finish();
    bool Failed() const { return !m_failure.empty(); }
    // The system's reason for the first failure.
    const std::string& FailureReason() const { return m_failure; }

private:
    void NoteFailure();

    std::FILE* m_stream;
    std::string m_failure;
};

class OutputFile {
public:
    // Throws RenderError when the path cannot take an export.
    explicit OutputFile(const std::string& utf8Path);
    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    OutputStream& Stream() { return m_output; }

    // Finishes writing and puts the picture in place. Throws RenderError on any failure.
    void Commit();

private:
    void OpenInPlace();
    void CreateTemporary();
    void CopyIntoSharedFile();
    void Discard();
    [[noreturn]] void FailWriting(const std::string& reason);

    std::string m_path;         // as given, for messages
    std::string m_targetPath;   // where the picture ends up
    std::string m_temporaryPath;
    std::FILE* m_file = nullptr;      // what is written: the temporary file, or the target in place
    std::FILE* m_existing = nullptr;  // a hard-linked target, overwritten at commit
    OutputStream m_output{nullptr};
    bool m_committed = false;
};

// An output file that appears only when complete: it is written under a temporary name
// in the same folder and renamed into place, so a failed export leaves no partial file
// and does not damage a file already at that path.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
public:
    // Throws RenderError when the temporary file cannot be created.
    explicit OutputFile(const std::string& utf8Path);
    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* Stream() const { return m_stream; }

    // Flushes, closes and renames into place. Throws RenderError on any write failure.
    void Commit();

private:
    void Discard();

    std::string m_path;
    std::string m_temporaryPath;
    std::FILE* m_stream = nullptr;
    bool m_committed = false;
};

// Flushes a stream and reports whether every write to it succeeded.
bool FinishWriting(std::FILE* stream);

#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "cli/errors.h"
#include "cli/platform_files.h"

namespace {

constexpr int kNameAttempts = 100;

std::string TemporaryName(const std::string& path, int attempt) {
    return path + ".~" + std::to_string(platform::CurrentProcessId()) + "-" +
           std::to_string(attempt) + ".tmp";
}

}  // namespace

bool FinishWriting(std::FILE* stream) {
    return std::fflush(stream) == 0 && std::ferror(stream) == 0;
}

OutputFile::OutputFile(const std::string& utf8Path) : m_path(utf8Path) {
    std::string reason;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        bool exists = false;
        m_temporaryPath = TemporaryName(m_path, attempt);
        m_stream = platform::CreateNewFile(m_temporaryPath, exists, reason);
        if (m_stream || !exists) break;
    }
    if (!m_stream) throw RenderError("cannot create '" + m_path + "': " + reason);
}

OutputFile::~OutputFile() {
    if (!m_committed) Discard();
}

void OutputFile::Commit() {
    errno = 0;
    bool written = FinishWriting(m_stream);
    int error = errno;
    if (std::fclose(m_stream) != 0 && written) {
        written = false;
        error = errno;
    }
    m_stream = nullptr;
    if (!written) {
        Discard();
        throw RenderError("cannot write '" + m_path + "': " +
                          (error != 0 ? std::strerror(error) : "write error"));
    }
    std::string reason;
    if (!platform::MoveOver(m_temporaryPath, m_path, reason)) {
        Discard();
        throw RenderError("cannot write '" + m_path + "': " + reason);
    }
    m_committed = true;
}

void OutputFile::Discard() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    platform::RemoveFile(m_temporaryPath);
}

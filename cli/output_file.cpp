#include "cli/output_file.h"

#include <vector>

#include "cli/errors.h"
#include "cli/platform_files.h"

namespace {

constexpr int kNameAttempts = 100;
constexpr size_t kCopyChunkBytes = size_t{1} << 20;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string TemporaryName(const std::string& path, int attempt) {
    return path + ".~" + std::to_string(platform::CurrentProcessId()) + "-" +
           std::to_string(attempt) + ".tmp";
}

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    const size_t separator = path.find_last_of("/\\:");
#else
    const size_t separator = path.rfind('/');
#endif
    if (separator == std::string::npos) return ".";
    return separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

void CloseQuietly(std::FILE*& file) {
    if (file) std::fclose(file);
    file = nullptr;
}

}  // namespace

void OutputStream::Write(const void* data, size_t size) {
    if (Failed() || size == 0) return;
    platform::ClearRuntimeError();
    if (std::fwrite(data, 1, size, m_stream) != size) NoteFailure();
}

bool OutputStream::Finish() {
    if (Failed()) return false;
    platform::ClearRuntimeError();
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream) != 0) NoteFailure();
    return !Failed();
}

void OutputStream::NoteFailure() { m_failure = platform::LastRuntimeError(); }

OutputFile::OutputFile(const std::string& utf8Path) : m_path(utf8Path) {
    platform::OutputTarget target;
    std::string reason;
    if (!platform::InspectOutput(m_path, target, reason))
        throw RenderError("cannot open " + Quoted(m_path) + ": " + reason);
    m_targetPath = target.path;
    switch (target.kind) {
        case platform::OutputKind::Stream:
            OpenInPlace();
            break;
        case platform::OutputKind::RegularFile:
            // Opening it first refuses a file that may not be written, as a shell would.
            m_existing = platform::OpenExistingForWriting(m_targetPath, reason);
            if (!m_existing) throw RenderError("cannot open " + Quoted(m_path) + ": " + reason);
            CreateTemporary();
            platform::CopyPermissions(m_existing, m_file);
            if (!target.sharedByLinks) CloseQuietly(m_existing);
            break;
        case platform::OutputKind::Missing:
            CreateTemporary();
            break;
    }
    m_output = OutputStream(m_file);
}

OutputFile::~OutputFile() {
    if (!m_committed) Discard();
}

void OutputFile::OpenInPlace() {
    std::string reason;
    m_file = platform::OpenExistingForWriting(m_path, reason);
    if (!m_file) throw RenderError("cannot open " + Quoted(m_path) + ": " + reason);
}

void OutputFile::CreateTemporary() {
    std::string reason;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        bool exists = false;
        m_temporaryPath = TemporaryName(m_targetPath, attempt);
        m_file = platform::CreateNewFile(m_temporaryPath, exists, reason);
        if (m_file || !exists) break;
    }
    if (m_file) return;
    m_temporaryPath.clear();
    CloseQuietly(m_existing);
    throw RenderError("cannot create a file in the folder " + Quoted(FolderOf(m_targetPath)) +
                      " to write " + Quoted(m_path) + ": " + reason);
}

void OutputFile::Commit() {
    if (!m_output.Finish()) FailWriting(m_output.FailureReason());
    if (m_existing) {
        CopyIntoSharedFile();
    } else {
        platform::ClearRuntimeError();
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!closed) FailWriting(platform::LastRuntimeError());
        std::string reason;
        if (!m_temporaryPath.empty() && !platform::MoveOver(m_temporaryPath, m_targetPath, reason)) {
            Discard();
            throw RenderError("cannot replace " + Quoted(m_path) + ": " + reason);
        }
    }
    m_committed = true;
}

// Every name of the file must see the new picture, so its contents are overwritten rather
// than a new file renamed over one name.
void OutputFile::CopyIntoSharedFile() {
    std::rewind(m_file);
    std::rewind(m_existing);
    OutputStream target(m_existing);
    std::vector<char> chunk(kCopyChunkBytes);
    uint64_t length = 0;
    platform::ClearRuntimeError();
    for (size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), m_file)) > 0;) {
        target.Write(chunk.data(), got);
        length += got;
    }
    if (std::ferror(m_file)) FailWriting(platform::LastRuntimeError());
    std::string reason;
    if (!target.Finish()) FailWriting(target.FailureReason());
    if (!platform::SetLength(m_existing, length, reason)) FailWriting(reason);
    platform::ClearRuntimeError();
    const bool closed = std::fclose(m_existing) == 0;
    m_existing = nullptr;
    if (!closed) FailWriting(platform::LastRuntimeError());
    Discard();
}

void OutputFile::FailWriting(const std::string& reason) {
    Discard();
    throw RenderError("cannot write " + Quoted(m_path) + ": " + reason);
}

void OutputFile::Discard() {
    CloseQuietly(m_file);
    CloseQuietly(m_existing);
    if (!m_temporaryPath.empty()) platform::RemoveFile(m_temporaryPath);
    m_temporaryPath.clear();
}

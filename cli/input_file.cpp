#include "cli/input_file.h"

#include <vector>

#include "cli/errors.h"
#include "cli/platform_files.h"

namespace {

constexpr uint32_t kChunkBytes = uint32_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;

// Closes the handle it holds unless released.
class HandleGuard {
public:
    explicit HandleGuard(FileHandle file) : m_file(file) {}
    ~HandleGuard() {
        if (fileops::IsValid(m_file)) fileops::Close(m_file);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

    FileHandle Get() const { return m_file; }
    FileHandle Release() {
        const FileHandle file = m_file;
        m_file = fileops::InvalidHandle();
        return file;
    }

private:
    FileHandle m_file;
};

std::string ByteCount(uint64_t bytes) {
    if (bytes % kGiB == 0) return std::to_string(bytes / kGiB) + " GiB";
    return std::to_string(bytes) + " bytes";
}

FileHandle OpenNamed(const std::string& utf8Path, const std::string& name) {
    const FileHandle file = fileops::OpenForReading(utf8Path.c_str());
    if (!fileops::IsValid(file))
        throw RenderError("cannot open " + name + ": " + platform::OpenFailureReason(utf8Path));
    return file;
}

FileHandle OpenStandardInput() {
    std::string reason;
    const FileHandle file = platform::DuplicateStandardInput(reason);
    if (!fileops::IsValid(file)) throw RenderError("cannot read standard input: " + reason);
    return file;
}

FileHandle ReadIntoScratchFile(FileHandle source, const std::string& name, uint64_t limit) {
    std::string reason;
    HandleGuard copy(platform::CreateScratchFile(reason));
    if (!fileops::IsValid(copy.Get()))
        throw RenderError("cannot keep a copy of " + name + ": " + reason);
    std::vector<uint8_t> chunk(kChunkBytes);
    uint64_t total = 0;
    for (;;) {
        uint32_t got = 0;
        if (!platform::ReadSome(source, chunk.data(), kChunkBytes, got, reason))
            throw RenderError("cannot read " + name + ": " + reason);
        if (got == 0) break;
        total += got;
        if (total > limit)
            throw RenderError(name + " holds more than " + ByteCount(limit) +
                              ", the most read before decoding; save it to a file and give its name");
        if (!platform::WriteAll(copy.Get(), chunk.data(), got, reason))
            throw RenderError("cannot keep a copy of " + name + ": " + reason);
    }
    return copy.Release();
}

}  // namespace

FileHandle OpenInput(const std::string& utf8Path, uint64_t streamLimit) {
    const bool standardInput = utf8Path == "-";
    const std::string name = standardInput ? "standard input" : "'" + utf8Path + "'";
    HandleGuard input(standardInput ? OpenStandardInput() : OpenNamed(utf8Path, name));
    if (platform::IsRegularFileAtStart(input.Get())) return input.Release();
    return ReadIntoScratchFile(input.Get(), name, streamLimit);
}

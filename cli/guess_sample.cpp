#include "cli/guess_sample.h"

#include <algorithm>

#include "cli/errors.h"

namespace {

constexpr int64_t kWholeFileLimit = int64_t{8} << 20;
constexpr size_t kWindowBytes = size_t{2} << 20;
constexpr uint32_t kReadChunk = uint32_t{1} << 20;

SampleWindow ReadWindow(FileHandle file, int64_t start, size_t length) {
    SampleWindow window;
    window.start = start;
    window.bytes.resize(length);
    if (!fileops::SeekFromStart(file, start)) throw RenderError("cannot read the file");
    size_t filled = 0;
    while (filled < length) {
        const uint32_t wanted = static_cast<uint32_t>(std::min<size_t>(kReadChunk, length - filled));
        uint32_t got = 0;
        if (!fileops::Read(file, window.bytes.data() + filled, wanted, got))
            throw RenderError("cannot read the file");
        if (got == 0) break;
        filled += got;
    }
    window.bytes.resize(filled);
    return window;
}

}  // namespace

FileSample FileSample::Read(FileHandle file) {
    FileSample sample;
    if (!fileops::GetSize(file, sample.m_fileSize)) throw RenderError("cannot read the file's size");
    const int64_t size = sample.m_fileSize;
    if (size <= kWholeFileLimit) {
        sample.m_windows.push_back(ReadWindow(file, 0, static_cast<size_t>(size)));
        return sample;
    }
    // The head holds any header; three windows inside; the tail holds any trailer.
    const int64_t window = static_cast<int64_t>(kWindowBytes);
    for (const int64_t start : {int64_t{0}, size / 4, size / 2, size / 4 * 3, size - window})
        sample.m_windows.push_back(ReadWindow(file, start, kWindowBytes));
    return sample;
}

FileSample FileSample::FromBytes(std::vector<uint8_t> bytes) {
    FileSample sample;
    sample.m_fileSize = static_cast<int64_t>(bytes.size());
    sample.m_windows.push_back(SampleWindow{0, std::move(bytes)});
    return sample;
}

const SampleWindow& FileSample::Largest() const {
    return *std::max_element(m_windows.begin(), m_windows.end(),
                             [](const SampleWindow& a, const SampleWindow& b) {
                                 return a.bytes.size() < b.bytes.size();
                             });
}

const uint8_t* FileSample::At(int64_t position, uint64_t length) const {
    if (position < 0) return nullptr;
    for (const SampleWindow& window : m_windows) {
        if (position >= window.start && position <= window.End() &&
            static_cast<uint64_t>(window.End() - position) >= length)
            return window.bytes.data() + (position - window.start);
    }
    return nullptr;
}

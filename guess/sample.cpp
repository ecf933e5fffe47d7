#include "guess/sample.h"

#include <algorithm>

namespace {

// Files up to this size are read whole. Set in the first version (932a95d), not tuned since.
constexpr int64_t kWholeFileLimit = int64_t{8} << 20;
// Each window of a larger file. Set in the first version (932a95d): five of them keep the
// 64 MB benchmark file well under its 1 s limit.
constexpr size_t kWindowBytes = size_t{2} << 20;

}  // namespace

std::vector<WindowSpan> SamplingPlan(int64_t fileSize) {
    if (fileSize <= kWholeFileLimit) return {{0, static_cast<size_t>(fileSize)}};
    // The head holds any header; three windows inside; the tail holds any trailer.
    const int64_t window = static_cast<int64_t>(kWindowBytes);
    std::vector<WindowSpan> plan;
    for (const int64_t start : {int64_t{0}, fileSize / 4, fileSize / 2, fileSize / 4 * 3, fileSize - window})
        plan.push_back({start, kWindowBytes});
    return plan;
}

FileSample::FileSample(int64_t fileSize, std::vector<SampleWindow> windows)
    : m_fileSize(fileSize), m_windows(std::move(windows)) {}

FileSample FileSample::FromBytes(std::vector<uint8_t> bytes) {
    const int64_t size = static_cast<int64_t>(bytes.size());
    std::vector<SampleWindow> windows;
    windows.push_back(SampleWindow{0, std::move(bytes)});
    return FileSample(size, std::move(windows));
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

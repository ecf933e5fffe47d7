#include "cli/guess_sample.h"

#include <algorithm>

#include "cli/errors.h"

namespace {

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

FileSample ReadFileSample(FileHandle file) {
    int64_t size = 0;
    if (!fileops::GetSize(file, size)) throw RenderError("cannot read the file's size");
    std::vector<SampleWindow> windows;
    for (const WindowSpan& span : SamplingPlan(size)) windows.push_back(ReadWindow(file, span.start, span.length));
    return FileSample(size, std::move(windows));
}

std::vector<LayoutGuess> GuessFileLayout(FileHandle file, const LayoutHints& hints, size_t count) {
    FileSample sample = ReadFileSample(file);
    try {
        return GuessLayout(sample, hints, count);
    } catch (const GuessError& error) {
        throw RenderError(error.what());
    }
}

// Stage 1, the sampling plan: the part of a file the layout guess looks at, the whole of a
// small file and a few windows of a large one, so that the time does not grow with the
// file. The plan names the windows; the caller reads them and hands them over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SampleWindow {
    int64_t start = 0;
    std::vector<uint8_t> bytes;

    int64_t End() const { return start + static_cast<int64_t>(bytes.size()); }
};

// A stretch of the file to read into a window.
struct WindowSpan {
    int64_t start = 0;
    size_t length = 0;
};

// The windows to read from a file of `fileSize` bytes, the head first, in file order.
std::vector<WindowSpan> SamplingPlan(int64_t fileSize);

class FileSample {
public:
    // The windows read as the plan names them (each may be shorter, where the file was).
    FileSample(int64_t fileSize, std::vector<SampleWindow> windows);
    // A sample over bytes held in memory: a whole file.
    static FileSample FromBytes(std::vector<uint8_t> bytes);

    int64_t FileSize() const { return m_fileSize; }
    const std::vector<SampleWindow>& Windows() const { return m_windows; }
    const SampleWindow& Head() const { return m_windows.front(); }
    const SampleWindow& Largest() const;
    bool IsWholeFile() const { return m_windows.size() == 1; }

    // The `length` bytes at file position `position` when one window holds them all, else null.
    const uint8_t* At(int64_t position, uint64_t length) const;

private:
    int64_t m_fileSize = 0;
    std::vector<SampleWindow> m_windows;  // the head first, in file order
};

// The part of a file the layout guess looks at: the whole of a small file, a few windows
// of a large one, so that the time does not grow with the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/file_ops.h"

struct SampleWindow {
    int64_t start = 0;
    std::vector<uint8_t> bytes;

    int64_t End() const { return start + static_cast<int64_t>(bytes.size()); }
};

class FileSample {
public:
    // Reads the sample of the open file; throws RenderError when the file cannot be read.
    static FileSample Read(FileHandle file);
    // A sample over bytes held in memory, for tests and benchmarks.
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

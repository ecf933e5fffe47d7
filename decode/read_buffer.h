// A read buffer beneath the file operations, so that decoding costs one system call per
// chunk of the file instead of one per unit. The file position it leaves behind is not
// meaningful; every decode starts with a seek of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/file_ops.h"

class CReadBuffer {
public:
    // Reads `file` from its current position on.
    explicit CReadBuffer(FileHandle file) : m_file(file) {}
    CReadBuffer(const CReadBuffer&) = delete;
    CReadBuffer& operator=(const CReadBuffer&) = delete;

    // Makes at least `count` bytes (one unit, far less than the buffer holds) contiguous at
    // Data(), reading more of the file when fewer are buffered. Returns how many bytes are ready:
    // fewer than `count` only when the file has ended or a read failed.
    size_t Fill(size_t count);
    const uint8_t* Data() const { return m_buffer + m_begin; }
    size_t Buffered() const { return m_end - m_begin; }
    void Consume(size_t count) { m_begin += count; }

    // Moves `distance` bytes forward. Beyond what is buffered it seeks rather than reads, so
    // a far skip costs nothing however long it is; returns false when that seek fails.
    bool Skip(uint32_t distance);

    // Reads at most about `bytes` at a time from now on: when the bytes wanted lie far
    // apart, reading a whole buffer for each run would cost more than the reads it saves.
    void LimitReads(size_t bytes) { m_readSize = bytes < kCapacity ? bytes : kCapacity; }

    static constexpr size_t kCapacity = 64 * 1024;

private:
    void MoveRestToFront();

    FileHandle m_file;
    size_t m_begin = 0;
    size_t m_end = 0;
    // After the end of the file or a failed read, nothing more is asked of the file.
    bool m_exhausted = false;
    size_t m_readSize = kCapacity;
    uint8_t m_buffer[kCapacity];
};

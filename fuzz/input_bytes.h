// Reads a fuzzer's input from the front: parameters first, then the bytes left over.
#pragma once

#include <cstddef>
#include <cstdint>

class InputBytes {
public:
    InputBytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    // Missing bytes read as 0.
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // Four bytes, low byte first.
    uint32_t Word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= uint32_t{Byte()} << (8 * i);
        return value;
    }
    const uint8_t* Rest() const { return m_data + (m_at < m_size ? m_at : m_size); }
    size_t RestSize() const { return m_at < m_size ? m_size - m_at : 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

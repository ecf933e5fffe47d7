#include "decode/read_buffer.h"

#include <algorithm>
#include <cstring>

size_t CReadBuffer::Fill(size_t count) {
    if (Buffered() >= count || m_exhausted) return Buffered();
    MoveRestToFront();
    while (Buffered() < count) {
        const size_t wanted = std::max(count - Buffered(), m_readSize);
        const size_t room = std::min(wanted, kCapacity - m_end);
        uint32_t got = 0;
        const bool ok = fileops::Read(m_file, m_buffer + m_end, static_cast<uint32_t>(room), got);
        m_end += got;
        if (!ok || got == 0) {
            m_exhausted = true;
            break;
        }
    }
    return Buffered();
}

void CReadBuffer::MoveRestToFront() {
    const size_t rest = Buffered();
    std::memmove(m_buffer, m_buffer + m_begin, rest);
    m_begin = 0;
    m_end = rest;
}

bool CReadBuffer::Skip(uint32_t distance) {
    if (distance <= Buffered()) {
        m_begin += distance;
        return true;
    }
    const uint32_t beyond = distance - static_cast<uint32_t>(Buffered());
    m_begin = m_end = 0;
    return fileops::SkipForward(m_file, beyond);
}

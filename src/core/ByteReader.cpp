#include "core/ByteReader.h"

#include "core/Failure.h"

void ByteReader::outOfRange(std::size_t offset) {
    throw Failure(failure::SubscriptOutOfRange, offset);
}

std::uint8_t ByteReader::u8(std::size_t offset) const {
    if (!has(offset, 1)) {
        outOfRange(offset);
    }
    return m_bytes[offset];
}

std::uint16_t ByteReader::u16le(std::size_t offset) const {
    if (!has(offset, 2)) {
        outOfRange(has(offset, 1) ? offset + 1 : offset);
    }
    return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
}

std::uint16_t ByteReader::u16be(std::size_t offset) const {
    if (!has(offset, 2)) {
        outOfRange(has(offset, 1) ? offset + 1 : offset);
    }
    return static_cast<std::uint16_t>((m_bytes[offset] << 8) | m_bytes[offset + 1]);
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t offset, std::size_t count) const {
    if (!has(offset, count)) {
        outOfRange(offset > m_bytes.size() ? offset : m_bytes.size());
    }
    return m_bytes.subspan(offset, count);
}

std::span<const std::uint8_t> ByteReader::bytesUpTo(std::size_t offset, std::size_t count) const {
    if (offset >= m_bytes.size()) {
        return {};
    }
    const std::size_t available = m_bytes.size() - offset;
    return m_bytes.subspan(offset, count < available ? count : available);
}

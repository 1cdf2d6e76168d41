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
    const auto b = bytes(offset, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint16_t ByteReader::u16be(std::size_t offset) const {
    const auto b = bytes(offset, 2);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ByteReader::u32le(std::size_t offset) const {
    const auto b = bytes(offset, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint32_t ByteReader::u32be(std::size_t offset) const {
    const auto b = bytes(offset, 4);
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]);
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t offset, std::size_t count) const {
    if (!has(offset, count)) {
        outOfRange(firstMissing(offset));
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

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Every byte the decoders read from a disk or a file goes through this reader.
// A read outside the buffer throws a Failure (Subscript out of range) that
// carries the offset; nothing is ever padded or read past the end.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] std::size_t size() const { return m_bytes.size(); }
    [[nodiscard]] bool has(std::size_t offset, std::size_t count = 1) const {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }

    [[nodiscard]] std::uint8_t u8(std::size_t offset) const;
    [[nodiscard]] std::uint16_t u16le(std::size_t offset) const;
    [[nodiscard]] std::uint16_t u16be(std::size_t offset) const;
    [[nodiscard]] std::uint32_t u32le(std::size_t offset) const;
    [[nodiscard]] std::uint32_t u32be(std::size_t offset) const;

    // Exactly count bytes from offset, or a Failure.
    [[nodiscard]] std::span<const std::uint8_t> bytes(std::size_t offset, std::size_t count) const;
    // Up to count bytes from offset: fewer when the buffer ends first, none
    // when offset lies at or past the end.
    [[nodiscard]] std::span<const std::uint8_t> bytesUpTo(std::size_t offset, std::size_t count) const;

private:
    [[noreturn]] static void outOfRange(std::size_t offset);
    // The offset of the first missing byte of a count-byte read at offset.
    [[nodiscard]] std::size_t firstMissing(std::size_t offset) const {
        return offset < m_bytes.size() ? m_bytes.size() : offset;
    }
    std::span<const std::uint8_t> m_bytes;
};

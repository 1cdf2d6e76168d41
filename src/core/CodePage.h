#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The one place where bytes become display text and back. Display text is
// UTF-8 everywhere; "the ANSI code page" of the byte-to-character mappings
// (catalogue dump, byte grid, search) is Windows-1252 on every platform.

// The character of a Windows-1252 byte, as UTF-8. Bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, as Windows itself does.
[[nodiscard]] std::string cp1252ToUtf8(std::uint8_t byte);
[[nodiscard]] std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 text to Windows-1252 bytes; a character the code page cannot hold
// becomes '?'. Malformed UTF-8 sequences are taken byte by byte.
[[nodiscard]] std::string utf8ToCp1252(std::string_view text);

// Upper-case hexadecimal of a value with at least the given number of digits.
[[nodiscard]] std::string hexUpper(std::uint32_t value, int digits);

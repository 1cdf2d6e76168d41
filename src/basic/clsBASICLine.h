#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// One line of a BASIC program, held as two display texts:
//
//   expanded    every control code, hidden 5-byte number and graphics
//               character shown in braces ("  10 PRINT 10{10}{ENTER}")
//   unexpanded  only what the Spectrum's own listing shows ("  10 PRINT 10")
//
// Both start with the line number right-aligned in four columns and a space
// ("  10 ", "9999 "); a five-digit number loses its leading digit ("2345 ").
// A keyword gets a space in front when the text so far ends in a letter or a
// digit, decided for each text on its own (after "{INK 2}" the expanded text
// gets none while the unexpanded one may).
//
// The texts belong to the line; callers copy what they keep.
//
// Set LineNumber (and LineLength) first, then SetBytes with the line's body:
// the bytes after the 4-byte line header, up to and including ENTER.
class clsBASICLine {
public:
    [[nodiscard]] const std::string& ExpandedLine() const { return m_expanded; }
    [[nodiscard]] std::int32_t LineLength() const { return m_lineLength; }
    // The stored length field, kept for the caller; this class does not use it.
    void LineLength(std::int32_t lNewLength) { m_lineLength = lNewLength; }
    [[nodiscard]] std::int32_t LineNumber() const { return m_lineNumber; }
    void LineNumber(std::int32_t lNewNumber) { m_lineNumber = lNewNumber; }
    [[nodiscard]] const std::string& UnexpandedLine() const { return m_unexpanded; }

    // Rebuilds both texts from the line body. A code whose parameter bytes are
    // cut off by the end of the body ends the walk: both texts keep what came
    // before it. A hidden number cut short is shown as far as it goes
    // ("{(error)}") and then ends the walk.
    void SetBytes(std::span<const std::uint8_t> sBytes);
    void SetBytes(std::string_view sBytes);

private:
    std::int32_t m_lineNumber = 0;
    std::int32_t m_lineLength = 0;
    std::string m_expanded;
    std::string m_unexpanded;
};

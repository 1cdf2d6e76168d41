#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/Log.h"

// One variable of a saved program's variables area.
//
// A record starts with a byte whose top three bits give the kind and whose
// low five bits the first letter of the name ((bits) + 96, so 1 is "a").
// Counts are little-endian; numbers are 5-byte ZX numbers.
//
//   0x40 string          L(2) chars[L]                       "a$"     String
//   0x60 number          value(5)                            "a"      Numeric
//   0x80 number array    T(2) D(1) sizes[D](2) values[E](5)  "b(2,3)" Num Array
//   0xA0 long-named num  chars.. (bit 7 ends) value(5)       "abc"    Numeric
//   0xC0 char array      T(2) D(1) sizes[D](2) chars[E]      "c$(3)"  Char Array
//   0xE0 FOR-NEXT        value(5) limit(5) step(5) line(2) statement(1)
//   0x00, 0x20           no variable
//
// T counts the bytes after itself; E is the product of the sizes.
class clsBASICVar {
public:
    enum Type : std::int32_t {
        kUnknown = 0,
        kNumeric = 1,
        kString = 2,
        kForNext = 3,
        kNumArray = 4,
        kCharArray = 5,
    };

    // Decodes the record at the start of sBytes (which may go on past it).
    // True on success: the fields are set and lOffset becomes the 1-based
    // position of the first byte after the record (its size + 1).
    //
    // False, with lOffset untouched, for a first byte of no kind and when the
    // record fails: a length, count, size, name, line or statement byte that is
    // not there (failure 9), or a length, size or line number of 32768 or more
    // (failure 6). An array whose element count could never fit in the
    // Spectrum's 64K (more than 65,535 elements) is refused as an overflow too,
    // so damaged sizes cannot make the value text grow without bound.
    // Failures are logged as "Error <n> (<description>) happened in
    // CreateVariable at line <step>".
    //
    // Number fields and characters cut short are no failure: a short number
    // reads "(error)", missing characters read as nothing.
    [[nodiscard]] bool CreateVariable(std::span<const std::uint8_t> sBytes, std::int32_t& lOffset,
                                      ActivityLog& log);
    [[nodiscard]] bool CreateVariable(std::string_view sBytes, std::int32_t& lOffset, ActivityLog& log);

    [[nodiscard]] const std::string& VariableName() const { return m_name; }
    [[nodiscard]] std::int32_t VariableType() const { return m_type; }
    // "Numeric", "String", "FOR-NEXT", "Num Array", "Char Array" or "(unknown)".
    [[nodiscard]] std::string VariableTypeString() const;
    // UTF-8: strings and characters through ExpandZXText, numbers through
    // FormatZXNumber, array elements joined by "; ", a FOR-NEXT variable as
    // "Value: 1; Limit: 10; Step: 1; Line: 20:2".
    [[nodiscard]] const std::string& VariableValues() const { return m_values; }

private:
    std::string m_name;
    std::int32_t m_type = kUnknown;
    std::string m_values;
};

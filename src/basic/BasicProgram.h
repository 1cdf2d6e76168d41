#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "basic/clsBASICLine.h"
#include "basic/clsBASICVar.h"
#include "core/Log.h"

// A saved BASIC program split into its lines and its saved variables, with no
// window attached: the BASIC viewer shows it, the text export and the command
// line print it.
//
// The data of a BASIC file is the program area, then the variables area, then
// the byte 0x80. The program area is a run of line records:
//
//   +0 line number (2, big-endian)  +2 body length n (2, little-endian)  +4 body[n]
//
// No line number is above 9999, and the first byte of every variable has bit 6
// or 7 set, so the first two bytes of the variables area always read as 16384
// or more: that is where the program area ends. The length stored in the
// file's header is not used; the split looks at the bytes alone.

// A program line under its key, "_" + line number ("_10").
struct KeyedLine {
    std::string key;
    clsBASICLine line;
};

struct BasicProgram {
    std::vector<KeyedLine> m_colLines;        // in file order, keys unique
    std::vector<clsBASICVar> m_colVariables;  // in file order
};

// Splits a BASIC file's data into lines and variables. Never throws; failures
// are logged as "Error <n> (<description>) happened in AnalyzeBlock at line
// <step>" and the split ends there, keeping what was reached:
//
//   - the data ends inside a line header (failure 9; empty data included, the
//     lone end marker 0x80 after the last line excepted): the lines so far,
//     no variables;
//   - a line number repeats an earlier one (failure 457): the lines before it,
//     no variables;
//   - CreateVariable refuses a record (a first byte of no kind, or a damaged
//     record, failure 5): the variables before it. Nothing in the variables
//     area says where the record after a bad one would start, so the split
//     ends at the first refused record rather than guessing; it always ends.
[[nodiscard]] BasicProgram AnalyzeBlock(std::span<const std::uint8_t> data, ActivityLog& log);

// The rows of the variables list: one per variable in stored order, until a
// name that is already listed (its key would be taken). That repeated name is
// logged as "Error 457 (...) happened in ShowVariables at line <step>" and ends
// the list.
[[nodiscard]] std::vector<clsBASICVar> ShowVariables(const BasicProgram& program, ActivityLog& log);

// The displayed form of each line, in order: its ExpandedLine when expanded,
// else its UnexpandedLine. No line breaks; the caller adds its own.
[[nodiscard]] std::vector<std::string> ListingLines(const BasicProgram& program, bool expanded);

#include "basic/BasicProgram.h"

#include <unordered_set>

#include "core/ByteReader.h"
#include "core/Failure.h"

namespace {

constexpr std::uint8_t kEndMarker = 0x80;
constexpr std::int32_t kLastLineNumber = 9999;

// How many line records the program area seems to hold, hopping from header
// to header, so the collection grows once; damage only makes it a guess.
std::size_t countLineRecords(std::span<const std::uint8_t> data) {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 4 <= data.size() && data[i] * 256 + data[i + 1] <= kLastLineNumber; ++count) {
        i += 4 + static_cast<std::size_t>(data[i + 2] + 256 * data[i + 3]);
    }
    return count;
}

}  // namespace

BasicProgram AnalyzeBlock(std::span<const std::uint8_t> data, ActivityLog& log) {
    BasicProgram program;
    const ByteReader reader(data);
    int line = 1;
    try {
        line = 2;
        program.m_colLines.reserve(countLineRecords(data));
        std::vector<bool> taken(kLastLineNumber + 1, false);
        std::size_t i = 0;
        for (;;) {
            if (data.size() - i == 1 && data[i] == kEndMarker) {
                return program;
            }
            const std::int32_t number = reader.u16be(i);
            if (number > kLastLineNumber) {
                break;
            }
            KeyedLine keyed;
            keyed.key = "_" + std::to_string(number);
            keyed.line.LineNumber(number);
            const std::uint16_t length = reader.u16le(i + 2);
            keyed.line.LineLength(length);
            keyed.line.SetBytes(reader.bytesUpTo(i + 4, length));

            line = 3;
            if (taken[static_cast<std::size_t>(number)]) {
                throw Failure(failure::DuplicateKey);
            }
            taken[static_cast<std::size_t>(number)] = true;
            program.m_colLines.push_back(std::move(keyed));

            line = 2;
            i += 4 + static_cast<std::size_t>(length);
            if (i >= data.size()) {
                return program;
            }
        }

        line = 4;
        std::span<const std::uint8_t> rest = data.subspan(i);
        while (!rest.empty() && rest.front() != kEndMarker) {
            clsBASICVar variable;
            std::int32_t offset = 0;
            if (!variable.CreateVariable(rest, offset, log)) {
                // Without a record size there is no telling where the next
                // record starts; the variables before this one stay.
                throw Failure(failure::InvalidProcedureCall);
            }
            program.m_colVariables.push_back(std::move(variable));
            const auto skip = static_cast<std::size_t>(offset - 1);
            rest = skip < rest.size() ? rest.subspan(skip) : std::span<const std::uint8_t>{};
        }
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "AnalyzeBlock", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "AnalyzeBlock", line);
    }
    return program;
}

std::vector<clsBASICVar> ShowVariables(const BasicProgram& program, ActivityLog& log) {
    std::vector<clsBASICVar> rows;
    int line = 1;
    try {
        rows.reserve(program.m_colVariables.size());
        line = 2;
        std::unordered_set<std::string> names;
        for (const clsBASICVar& variable : program.m_colVariables) {
            if (!names.insert(variable.VariableName()).second) {
                throw Failure(failure::DuplicateKey);
            }
            rows.push_back(variable);
        }
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "ShowVariables", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "ShowVariables", line);
    }
    return rows;
}

std::vector<std::string> ListingLines(const BasicProgram& program, bool expanded) {
    std::vector<std::string> lines;
    lines.reserve(program.m_colLines.size());
    for (const KeyedLine& keyed : program.m_colLines) {
        lines.push_back(expanded ? keyed.line.ExpandedLine() : keyed.line.UnexpandedLine());
    }
    return lines;
}

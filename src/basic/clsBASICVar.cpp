#include "basic/clsBASICVar.h"

#include <algorithm>
#include <limits>

#include "core/ByteReader.h"
#include "core/Failure.h"
#include "core/ZxText.h"

namespace {

constexpr std::size_t kNumberSize = 5;
// More elements than this could not fit in the Spectrum's 64K even as single
// characters; only damaged sizes get there.
constexpr std::uint64_t kMostElements = 65535;

// Lengths, sizes and line numbers are 16-bit signed on the way in.
std::int32_t signed16(std::uint16_t value) {
    if (value >= 32768) {
        throw Failure(failure::Overflow);
    }
    return value;
}

std::int32_t offsetAfter(std::size_t recordSize) {
    if (recordSize >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw Failure(failure::Overflow);
    }
    return static_cast<std::int32_t>(recordSize + 1);
}

std::string numberAt(const ByteReader& reader, std::size_t offset) {
    return FormatZXNumber(reader.bytesUpTo(offset, kNumberSize));
}

}  // namespace

bool clsBASICVar::CreateVariable(std::span<const std::uint8_t> sBytes, std::int32_t& lOffset,
                                 ActivityLog& log) {
    const ByteReader reader(sBytes);
    int line = 1;
    try {
        const std::uint8_t first = reader.u8(0);
        std::string name(1, static_cast<char>((first & 31) + 96));
        std::string values;
        std::int32_t type = kUnknown;
        std::int32_t offset = 0;

        line = 2;
        switch (first & 0xE0) {
            case 0x40: {
                const std::int32_t length = signed16(reader.u16le(1));
                name += '$';
                type = kString;
                values = ExpandZXText(reader.bytesUpTo(3, static_cast<std::size_t>(length)));
                offset = length + 4;
                break;
            }
            case 0x60:
                type = kNumeric;
                values = numberAt(reader, 1);
                offset = 7;
                break;
            case 0x80:
            case 0xC0: {
                const bool numbers = (first & 0xE0) == 0x80;
                name += numbers ? "(" : "$(";
                const std::int32_t total = signed16(reader.u16le(1));
                const std::size_t dimensions = reader.u8(3);
                std::uint64_t elements = 1;
                for (std::size_t j = 0; j < dimensions; ++j) {
                    const std::int32_t size = signed16(reader.u16le(4 + 2 * j));
                    name += std::to_string(size);
                    name += ',';
                    // Saturating, so that a later size of 0 still gives none.
                    elements = std::min<std::uint64_t>(elements * static_cast<std::uint64_t>(size),
                                                       kMostElements + 1);
                }
                if (elements > kMostElements) {
                    throw Failure(failure::Overflow);
                }
                // The final "," becomes ")"; with no dimensions at all the
                // "(" does, as the record gives nothing better.
                name.back() = ')';
                const std::size_t start = 4 + 2 * dimensions;
                for (std::uint64_t e = 0; e < elements; ++e) {
                    if (numbers) {
                        values += numberAt(reader, start + kNumberSize * static_cast<std::size_t>(e));
                    } else {
                        values += ExpandZXText(reader.bytesUpTo(start + static_cast<std::size_t>(e), 1));
                    }
                    values += "; ";
                }
                if (!values.empty()) {
                    values.resize(values.size() - 2);
                }
                type = numbers ? kNumArray : kCharArray;
                offset = total + 4;
                break;
            }
            case 0xA0: {
                std::size_t p = 1;
                for (;; ++p) {
                    const std::uint8_t c = reader.u8(p);
                    name += static_cast<char>(c & 0x7F);
                    if ((c & 0x80) != 0) {
                        break;
                    }
                }
                type = kNumeric;
                values = numberAt(reader, p + 1);
                offset = offsetAfter(name.size() + kNumberSize);
                break;
            }
            case 0xE0: {
                type = kForNext;
                values = "Value: " + numberAt(reader, 1) + "; Limit: " + numberAt(reader, 6) +
                         "; Step: " + numberAt(reader, 11);
                const std::int32_t loopLine = signed16(reader.u16le(16));
                const std::uint8_t statement = reader.u8(18);
                values += "; Line: " + std::to_string(loopLine) + ":" + std::to_string(statement);
                offset = 20;
                break;
            }
            default:
                // 0x00 and 0x20: no kind, no variable.
                return false;
        }

        m_name = std::move(name);
        m_type = type;
        m_values = std::move(values);
        lOffset = offset;
        return true;
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "CreateVariable", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "CreateVariable", line);
    }
    return false;
}

bool clsBASICVar::CreateVariable(std::string_view sBytes, std::int32_t& lOffset, ActivityLog& log) {
    return CreateVariable(asByteSpan(sBytes), lOffset, log);
}

std::string clsBASICVar::VariableTypeString() const {
    switch (m_type) {
        case kNumeric:
            return "Numeric";
        case kString:
            return "String";
        case kForNext:
            return "FOR-NEXT";
        case kNumArray:
            return "Num Array";
        case kCharArray:
            return "Char Array";
        default:
            return "(unknown)";
    }
}

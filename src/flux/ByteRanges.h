#pragma once

#include <cstddef>
#include <map>

namespace flux {

// The parts of a file already read, so that two table entries pointing at the
// same bytes are caught instead of decoded twice (a crafted file can point
// every track and revolution at one block and multiply its cost).
class ByteRanges {
public:
    // Takes [begin, end) when it overlaps nothing taken before.
    [[nodiscard]] bool claim(std::size_t begin, std::size_t end) {
        if (begin >= end) {
            return true;
        }
        const auto next = m_ranges.lower_bound(begin);
        if (next != m_ranges.end() && next->first < end) {
            return false;
        }
        if (next != m_ranges.begin() && std::prev(next)->second > begin) {
            return false;
        }
        m_ranges.emplace(begin, end);
        return true;
    }

private:
    std::map<std::size_t, std::size_t> m_ranges;  // begin -> end
};

}  // namespace flux

#include "export/SaveTAP.h"

#include <new>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"

namespace {

constexpr std::uint8_t kHeaderFlag = 0x00;
constexpr std::uint8_t kDataFlag = 0xFF;
constexpr std::size_t kStoredNameLength = 10;
constexpr std::uint8_t kHeaderBlockLength = 19;

void putWord(std::vector<std::uint8_t>& block, std::int64_t value) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    SplitWord(value, low, high);
    block.push_back(low);
    block.push_back(high);
}

// XOR of everything after the two length bytes, appended to the block.
void appendChecksum(std::vector<std::uint8_t>& block) {
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i < block.size(); ++i) {
        sum ^= block[i];
    }
    block.push_back(sum);
}

}  // namespace

void SplitWord(std::int64_t value, std::uint8_t& byLow, std::uint8_t& byHigh) {
    const std::int64_t high = value / 256;
    const std::int64_t low = value % 256;
    if (high < 0 || high > 255 || low < 0 || low > 255) {
        throw Failure(failure::Overflow);
    }
    byLow = static_cast<std::uint8_t>(low);
    byHigh = static_cast<std::uint8_t>(high);
}

std::vector<std::uint8_t> BuildTapHeaderBlock(const CatalogueEntry& entry) {
    if (entry.RawName.size() != kStoredNameLength) {
        throw Failure(failure::InvalidProcedureCall,
                      "the stored name is " + std::to_string(entry.RawName.size()) + " bytes long, not 10");
    }
    if (entry.Type < 0 || entry.Type > 255) {
        throw Failure(failure::Overflow);
    }
    std::vector<std::uint8_t> block{kHeaderBlockLength, 0, kHeaderFlag,
                                    static_cast<std::uint8_t>(entry.Type)};
    for (const char c : entry.RawName) {
        block.push_back(static_cast<std::uint8_t>(c));
    }
    putWord(block, entry.Length);
    putWord(block, entry.Param1);
    putWord(block, entry.Param2);
    appendChecksum(block);
    return block;
}

std::vector<std::uint8_t> BuildTapDataBlock(const CatalogueEntry& entry) {
    std::vector<std::uint8_t> block;
    block.reserve(entry.Data.size() + 4);
    putWord(block, static_cast<std::int64_t>(entry.Length) + 2);
    if (entry.Data.size() != static_cast<std::size_t>(entry.Length)) {
        throw Failure(failure::InputPastEnd, "the file holds " + std::to_string(entry.Data.size()) +
                                                 " of its " + std::to_string(entry.Length) + " data bytes");
    }
    block.push_back(kDataFlag);
    block.insert(block.end(), entry.Data.begin(), entry.Data.end());
    appendChecksum(block);
    return block;
}

std::vector<std::uint8_t> BuildTapBlocks(const CatalogueEntry& entry) {
    std::vector<std::uint8_t> bytes = BuildTapHeaderBlock(entry);
    const std::vector<std::uint8_t> data = BuildTapDataBlock(entry);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::optional<std::string> TapeDamage(std::span<const std::uint8_t> tape) {
    std::size_t at = 0;
    for (int block = 1; at < tape.size(); ++block) {
        const std::string where = "block " + std::to_string(block) + " at byte " + std::to_string(at);
        if (tape.size() - at < 2) {
            return where + " has no whole length word";
        }
        const std::size_t length = tape[at] | (static_cast<std::size_t>(tape[at + 1]) << 8);
        if (length < 2) {
            return where + " is " + std::to_string(length) +
                   " bytes long, too short for a flag and a checksum";
        }
        if (tape.size() - at - 2 < length) {
            return where + " promises " + std::to_string(length) + " bytes but " +
                   std::to_string(tape.size() - at - 2) + " follow";
        }
        std::uint8_t sum = 0;
        for (std::size_t i = at + 2; i < at + 2 + length; ++i) {
            sum ^= tape[i];
        }
        if (sum != 0) {
            return where + " has a wrong checksum";
        }
        at += 2 + length;
    }
    return std::nullopt;
}

void SaveTAP(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter,
             ActivityLog& log) {
    int line = 1;
    try {
        {
            const BusyPointer busy(prompter);
            line = 2;
            std::vector<std::uint8_t> bytes = BuildTapHeaderBlock(entry);
            line = 4;
            const std::vector<std::uint8_t> data = BuildTapDataBlock(entry);
            bytes.insert(bytes.end(), data.begin(), data.end());
            line = 6;
            RefuseReadOnlyTarget(sFileName);
            appendFileSafely(sFileName, bytes);
            line = 7;
        }
        line = 8;
        prompter.message(SavedMessage(sFileName), ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "SaveTAP", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "SaveTAP", line);
    }
}

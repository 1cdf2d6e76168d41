#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"

// A disk file as a ZX Spectrum .TAP tape file: two blocks, each stored as a
// 16-bit little-endian length followed by the block (flag, contents, checksum).
//
//   header block:  13 00 | 00 | type | name[10] | length | param 1 | param 2 | xor
//   data block:    (length + 2) | FF | data ... | xor
//
// Each checksum is the XOR of the block's flag and contents; the two length
// bytes in front are not part of the block. The name goes in as the 10 bytes
// stored in the catalogue, with no character-set conversion.

// Splits a value into its low and high byte. Values outside 0 to 65535 have a
// part outside a byte and throw a Failure (Overflow).
void SplitWord(std::int64_t value, std::uint8_t& byLow, std::uint8_t& byHigh);

// The 21 bytes of the header block, its length word and checksum included.
[[nodiscard]] std::vector<std::uint8_t> BuildTapHeaderBlock(const CatalogueEntry& entry);
// The Length + 4 bytes of the data block. An entry whose Data does not hold
// its Length bytes (an image that ended early) is refused: the block's length
// word would promise bytes that are not there.
[[nodiscard]] std::vector<std::uint8_t> BuildTapDataBlock(const CatalogueEntry& entry);
// Both blocks, 25 + Length bytes: what one save appends.
[[nodiscard]] std::vector<std::uint8_t> BuildTapBlocks(const CatalogueEntry& entry);

// What keeps the bytes from being a tape file we may append to: every block
// needs its length word, at least a flag and a checksum, and a checksum that
// matches. nullopt for a sound tape (no bytes at all is a sound, empty tape);
// otherwise a sentence naming the first bad block and its offset.
[[nodiscard]] std::optional<std::string> TapeDamage(std::span<const std::uint8_t> tape);

// Appends the entry's two blocks to the tape file (created when missing), in
// one write that keeps the former bytes whatever happens, and tells the user.
// Every failure is trapped and logged ("... happened in SaveTAP at line n");
// nothing is written then and the user sees no message.
void SaveTAP(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter, ActivityLog& log);

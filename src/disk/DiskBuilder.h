#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/DiskImage.h"

// Builds Opus disk images in memory, for the tests and the demo disk.
//
// The catalogue starts in block 1; files are laid out one after another from
// block 8 (or after the catalogue when it is longer), each as a 7-byte header
// and its data, rounded up to whole blocks. Slot 0 names the disk.
class DiskBuilder {
public:
    explicit DiskBuilder(std::string diskName = "DISK");

    // A file with its header and data; declaredLength overrides the header's
    // length field (for headers that promise more data than there is).
    DiskBuilder& addFile(const std::string& name, std::uint8_t type, std::vector<std::uint8_t> data,
                         std::uint16_t param1 = 0, std::uint16_t param2 = 0,
                         std::optional<std::uint16_t> declaredLength = std::nullopt);

    // A slot with the given words that points wherever Word1 says.
    DiskBuilder& addRawSlot(std::uint16_t word0, std::uint16_t word1, std::uint16_t word2,
                            const std::string& name);

    DiskBuilder& withoutEndMark();
    DiskBuilder& imageLength(std::size_t length);
    // Fills the image with this byte before anything is placed (0xE5 like a
    // freshly formatted disk, 0x00 by default).
    DiskBuilder& filler(std::uint8_t byte);

    [[nodiscard]] std::vector<std::uint8_t> build() const;
    [[nodiscard]] DiskImage image() const { return {build()}; }

    // The 10 stored name bytes: the name cut or padded with spaces.
    [[nodiscard]] static std::string storedName(const std::string& name);

private:
    struct Slot {
        std::uint16_t word0 = 0;
        std::uint16_t word1 = 0;
        std::uint16_t word2 = 0;
        std::string name;
        bool isFile = false;
        std::uint8_t type = 0;
        std::vector<std::uint8_t> data;
        std::uint16_t param1 = 0;
        std::uint16_t param2 = 0;
        std::optional<std::uint16_t> declaredLength;
    };
    std::vector<Slot> m_slots;
    bool m_endMark = true;
    std::size_t m_length = kNominalImageLength;
    std::uint8_t m_filler = 0;
};

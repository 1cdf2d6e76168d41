#include "disk/DiskBuilder.h"

#include <algorithm>

namespace {

void put16(std::vector<std::uint8_t>& image, std::size_t at, std::uint16_t value) {
    if (at + 1 < image.size()) {
        image[at] = static_cast<std::uint8_t>(value & 0xFF);
        image[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

void putBytes(std::vector<std::uint8_t>& image, std::size_t at, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size() && at + i < image.size(); ++i) {
        image[at + i] = bytes[i];
    }
}

}  // namespace

DiskBuilder::DiskBuilder(std::string diskName) {
    Slot disk;
    disk.name = std::move(diskName);
    disk.word2 = 0;
    m_slots.push_back(disk);
}

std::string DiskBuilder::storedName(const std::string& name) {
    std::string stored = name.substr(0, std::min<std::size_t>(name.size(), 10));
    stored.resize(10, ' ');
    return stored;
}

DiskBuilder& DiskBuilder::addFile(const std::string& name, std::uint8_t type, std::vector<std::uint8_t> data,
                                  std::uint16_t param1, std::uint16_t param2,
                                  std::optional<std::uint16_t> declaredLength) {
    Slot slot;
    slot.name = name;
    slot.isFile = true;
    slot.type = type;
    slot.data = std::move(data);
    slot.param1 = param1;
    slot.param2 = param2;
    slot.declaredLength = declaredLength;
    m_slots.push_back(std::move(slot));
    return *this;
}

DiskBuilder& DiskBuilder::addRawSlot(std::uint16_t word0, std::uint16_t word1, std::uint16_t word2,
                                     const std::string& name) {
    Slot slot;
    slot.word0 = word0;
    slot.word1 = word1;
    slot.word2 = word2;
    slot.name = name;
    m_slots.push_back(std::move(slot));
    return *this;
}

DiskBuilder& DiskBuilder::withoutEndMark() {
    m_endMark = false;
    return *this;
}

DiskBuilder& DiskBuilder::imageLength(std::size_t length) {
    m_length = length;
    return *this;
}

DiskBuilder& DiskBuilder::filler(std::uint8_t byte) {
    m_filler = byte;
    return *this;
}

std::vector<std::uint8_t> DiskBuilder::build() const {
    std::vector<std::uint8_t> image(m_length, m_filler);
    const std::size_t slotCount = m_slots.size() + (m_endMark ? 1 : 0);
    const std::size_t catalogueEnd = kBlockSize + 16 * slotCount;
    std::size_t block = std::max<std::size_t>(8, (catalogueEnd + kBlockSize - 1) / kBlockSize);

    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        Slot slot = m_slots[i];
        if (slot.isFile) {
            const std::size_t total = 7 + slot.data.size();
            const std::size_t blocks = (total + kBlockSize - 1) / kBlockSize;
            slot.word0 = static_cast<std::uint16_t>(block);
            slot.word1 = static_cast<std::uint16_t>(block - 1);
            slot.word2 = static_cast<std::uint16_t>(block + blocks - 1);
            const std::size_t h = block * kBlockSize;
            if (h < image.size()) {
                image[h] = slot.type;
            }
            put16(image, h + 1, slot.declaredLength.value_or(static_cast<std::uint16_t>(slot.data.size())));
            put16(image, h + 3, slot.param1);
            put16(image, h + 5, slot.param2);
            putBytes(image, h + 7, slot.data);
            block += blocks;
        }
        const std::size_t s = kBlockSize + 16 * i;
        put16(image, s, slot.word0);
        put16(image, s + 2, slot.word1);
        put16(image, s + 4, slot.word2);
        const std::string name = storedName(slot.name);
        putBytes(image, s + 6, std::vector<std::uint8_t>(name.begin(), name.end()));
    }
    if (m_endMark) {
        const std::size_t s = kBlockSize + 16 * m_slots.size();
        put16(image, s + 4, 0xFFFF);
    }
    return image;
}

#include "screen/ScreenRenderer.h"

#include <algorithm>
#include <cstring>

#include "core/Failure.h"

namespace {

// Normal colours at 0xD7, bright ones at full strength: close to what a real
// Spectrum's video output looks like on a modern display.
constexpr std::uint8_t kNormal = 0xD7;
constexpr std::uint8_t kBright = 0xFF;

// Spectrum colour number: bit 0 blue, bit 1 red, bit 2 green.
RgbColor spectrumColor(int number, std::uint8_t level) {
    return {static_cast<std::uint8_t>((number & 2) != 0 ? level : 0),
            static_cast<std::uint8_t>((number & 4) != 0 ? level : 0),
            static_cast<std::uint8_t>((number & 1) != 0 ? level : 0)};
}

}  // namespace

ScreenRenderer::ScreenRenderer() : m_data(kScreenBytes, 0) {
    ResetColorPalette();
    ResetBitmapPalette();
}

std::optional<std::string> ScreenRenderer::ScreenDataRefusal(std::span<const std::uint8_t> bytes) {
    if (bytes.size() == kScreenBytes) {
        return std::nullopt;
    }
    return "A screen is exactly 6912 bytes (6144 bitmap bytes and 768 attribute bytes), but this file has " +
           std::to_string(bytes.size()) + " bytes.";
}

void ScreenRenderer::setScreenData(std::span<const std::uint8_t> bytes) {
    if (auto refusal = ScreenDataRefusal(bytes)) {
        throw Failure(failure::InvalidProcedureCall, *refusal);
    }
    m_data.assign(bytes.begin(), bytes.end());
    m_hasScreen = true;
}

bool ScreenRenderer::GetColorColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                   std::uint8_t& byBlue) const {
    if (lColorIndex < 0 || lColorIndex >= kColorEntries) {
        return false;
    }
    const RgbColor& c = m_colors[static_cast<std::size_t>(lColorIndex)];
    byRed = c.red;
    byGreen = c.green;
    byBlue = c.blue;
    return true;
}

bool ScreenRenderer::GetBitmapColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                    std::uint8_t& byBlue) const {
    if (lColorIndex < 0 || lColorIndex >= kBitmapEntries) {
        return false;
    }
    const RgbColor& c = m_bitmap[static_cast<std::size_t>(lColorIndex)];
    byRed = c.red;
    byGreen = c.green;
    byBlue = c.blue;
    return true;
}

bool ScreenRenderer::SetColorColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen,
                                   std::uint8_t byBlue) {
    if (lColorIndex < 0 || lColorIndex >= kColorEntries) {
        return false;
    }
    m_colors[static_cast<std::size_t>(lColorIndex)] = {byRed, byGreen, byBlue};
    return true;
}

bool ScreenRenderer::SetBitmapColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen,
                                    std::uint8_t byBlue) {
    if (lColorIndex < 0 || lColorIndex >= kBitmapEntries) {
        return false;
    }
    m_bitmap[static_cast<std::size_t>(lColorIndex)] = {byRed, byGreen, byBlue};
    return true;
}

void ScreenRenderer::ResetColorPalette() {
    for (int i = 0; i < kColorEntries; ++i) {
        m_colors[static_cast<std::size_t>(i)] = DefaultColorColor(i);
    }
}

void ScreenRenderer::ResetBitmapPalette() {
    for (int i = 0; i < kBitmapEntries; ++i) {
        m_bitmap[static_cast<std::size_t>(i)] = DefaultBitmapColor(i);
    }
}

RgbColor ScreenRenderer::DefaultColorColor(int lColorIndex) {
    if (lColorIndex < 0 || lColorIndex >= kColorEntries) {
        throw Failure(failure::SubscriptOutOfRange);
    }
    return spectrumColor(lColorIndex & 7, lColorIndex >= 8 ? kBright : kNormal);
}

RgbColor ScreenRenderer::DefaultBitmapColor(int lColorIndex) {
    switch (lColorIndex) {
        case 0:
            return {0xFF, 0xFF, 0xFF};  // "Background": clear pixels
        case 1:
            return {0x00, 0x00, 0x00};  // "Foreground": set pixels
        default:
            throw Failure(failure::SubscriptOutOfRange);
    }
}

ScreenRenderer::Attribute ScreenRenderer::DecodeAttribute(std::uint8_t attr) {
    return {attr & 0x07, (attr >> 3) & 0x07, (attr & 0x40) != 0, (attr & 0x80) != 0};
}

std::size_t ScreenRenderer::BitmapOffset(int x, int y) {
    const auto ux = static_cast<std::size_t>(x);
    const auto uy = static_cast<std::size_t>(y);
    return ((uy & 0xC0) << 5) | ((uy & 0x07) << 8) | ((uy & 0x38) << 2) | (ux >> 3);
}

std::size_t ScreenRenderer::AttributeOffset(int x, int y) {
    return kBitmapBytes + static_cast<std::size_t>(y / 8) * 32 + static_cast<std::size_t>(x / 8);
}

ScreenRenderer::FlashPhase ScreenRenderer::FlashPhaseAt(std::chrono::milliseconds elapsed) {
    if (elapsed.count() < 0) {
        return FlashPhase::Steady;
    }
    return (elapsed / kFlashPeriod) % 2 == 0 ? FlashPhase::Steady : FlashPhase::Swapped;
}

bool ScreenRenderer::hasFlashingCells() const {
    return std::any_of(m_data.begin() + static_cast<std::ptrdiff_t>(kBitmapBytes), m_data.end(),
                       [](std::uint8_t a) { return (a & 0x80) != 0; });
}

RgbPicture ScreenRenderer::render(int zoom, FlashPhase phase) const {
    RgbPicture picture;
    renderInto(picture, zoom, phase);
    return picture;
}

void ScreenRenderer::renderInto(RgbPicture& picture, int zoom, FlashPhase phase) const {
    if (zoom < kMinZoom || zoom > kMaxZoom) {
        throw Failure(failure::InvalidProcedureCall,
                      "zoom " + std::to_string(zoom) + " is outside 1 to " + std::to_string(kMaxZoom));
    }
    const auto z = static_cast<std::size_t>(zoom);
    picture.width = kWidth * zoom;
    picture.height = kHeight * zoom;
    const std::size_t stride = picture.stride();
    picture.rgb.resize(stride * static_cast<std::size_t>(picture.height));
    const bool swapFlash = m_useAttr && m_useFlash && phase == FlashPhase::Swapped;

    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture.rgb.data() + static_cast<std::size_t>(y) * z * stride;
        std::uint8_t* out = row;
        for (int x = 0; x < kWidth; x += 8) {
            RgbColor ink = m_bitmap[1];
            RgbColor paper = m_bitmap[0];
            if (m_useAttr) {
                const Attribute a = DecodeAttribute(m_data[AttributeOffset(x, y)]);
                const int brightAdd = a.bright ? 8 : 0;
                ink = m_colors[static_cast<std::size_t>(a.ink + brightAdd)];
                paper = m_colors[static_cast<std::size_t>(a.paper + brightAdd)];
                if (a.flash && swapFlash) {
                    std::swap(ink, paper);
                }
            }
            const std::uint8_t bits = m_data[BitmapOffset(x, y)];
            for (int bit = 7; bit >= 0; --bit) {
                const RgbColor& c = ((bits >> bit) & 1) != 0 ? ink : paper;
                for (std::size_t k = 0; k < z; ++k) {
                    *out++ = c.red;
                    *out++ = c.green;
                    *out++ = c.blue;
                }
            }
        }
        for (std::size_t k = 1; k < z; ++k) {
            std::memcpy(row + k * stride, row, stride);
        }
    }
}

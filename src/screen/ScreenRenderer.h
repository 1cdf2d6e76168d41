#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/RgbPicture.h"

// The drawing logic behind the screen viewer's RasterPane control, free of Qt so
// the tests and the command line draw exactly what the window shows.
//
// A ZX Spectrum display file is 6,912 bytes: a 256 x 192 bitmap of 6,144 bytes
// in the machine's interleaved line order (the three thirds of the screen each
// hold 8 character rows; a pixel line y lives at
//   ((y & 0xC0) << 5) | ((y & 0x07) << 8) | ((y & 0x38) << 2) + x / 8),
// then 768 attribute bytes, one per 8 x 8 cell, 32 to a row:
//   bits 0-2 ink, bits 3-5 paper, bit 6 BRIGHT, bit 7 FLASH.
//
// Palette numbers follow the Spectrum colour numbers, with 8 added for BRIGHT.
// Black and bright black are the same on the real machine; both are kept as
// separate entries so the palette dialog can tell them apart.
// What the viewer shows above the renderer's refusal (on a line of its own).
inline constexpr const char* kCannotRenderMessage = "File cannot be rendered as a ZX Spectrum Screen:";

class ScreenRenderer {
public:
    static constexpr std::size_t kScreenBytes = 6912;
    static constexpr std::size_t kBitmapBytes = 6144;
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 192;
    static constexpr int kColorEntries = 16;
    static constexpr int kBitmapEntries = 2;
    static constexpr int kMinZoom = 1;
    static constexpr int kMaxZoom = 3;
    // The Spectrum inverts FLASH cells every 16 frames of its 50 Hz display.
    static constexpr std::chrono::milliseconds kFlashPeriod{320};

    // Which way round FLASH cells are drawn. Steady draws ink on set pixels,
    // as every still picture (clipboard, file, print) does.
    enum class FlashPhase { Steady, Swapped };

    struct Attribute {
        int ink = 0;
        int paper = 0;
        bool bright = false;
        bool flash = false;
    };

    ScreenRenderer();

    // Why the bytes cannot be drawn, or nothing when they can.
    [[nodiscard]] static std::optional<std::string> ScreenDataRefusal(std::span<const std::uint8_t> bytes);

    // Takes a copy of a display file. Bytes it cannot draw throw a Failure whose
    // description says why; the screen shown before stays.
    void setScreenData(std::span<const std::uint8_t> bytes);
    [[nodiscard]] const std::vector<std::uint8_t>& screenData() const { return m_data; }
    [[nodiscard]] bool hasScreen() const { return m_hasScreen; }

    [[nodiscard]] bool UseATTR() const { return m_useAttr; }
    void setUseATTR(bool on) { m_useAttr = on; }
    [[nodiscard]] bool UseFLASH() const { return m_useFlash; }
    void setUseFLASH(bool on) { m_useFlash = on; }

    // Palette access in the control's own form: false for an entry number the
    // palette does not have, the colour left untouched.
    [[nodiscard]] bool GetColorColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                     std::uint8_t& byBlue) const;
    [[nodiscard]] bool GetBitmapColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                      std::uint8_t& byBlue) const;
    bool SetColorColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    bool SetBitmapColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    void ResetColorPalette();
    void ResetBitmapPalette();

    [[nodiscard]] static RgbColor DefaultColorColor(int lColorIndex);
    [[nodiscard]] static RgbColor DefaultBitmapColor(int lColorIndex);

    [[nodiscard]] static Attribute DecodeAttribute(std::uint8_t attr);
    // Offset in the display file of the bitmap byte holding pixels x..x+7 of
    // line y (x a multiple of 8 from 0 to 248, y from 0 to 191).
    [[nodiscard]] static std::size_t BitmapOffset(int x, int y);
    [[nodiscard]] static std::size_t AttributeOffset(int x, int y);

    // The phase a flashing cell shows after the given time since the picture
    // was first drawn.
    [[nodiscard]] static FlashPhase FlashPhaseAt(std::chrono::milliseconds elapsed);
    // True when some cell has its FLASH bit; the window needs its timer only then.
    [[nodiscard]] bool hasFlashingCells() const;

    // The picture at zoom 1 to 3 (256 x 192 pixels times the zoom). With
    // UseFLASH off, or ATTR off, the phase makes no difference.
    [[nodiscard]] RgbPicture render(int zoom, FlashPhase phase = FlashPhase::Steady) const;
    // The same into a picture the caller keeps, so a redraw allocates nothing.
    void renderInto(RgbPicture& picture, int zoom, FlashPhase phase = FlashPhase::Steady) const;

private:
    std::vector<std::uint8_t> m_data;
    bool m_hasScreen = false;
    bool m_useAttr = true;
    bool m_useFlash = true;
    std::array<RgbColor, kColorEntries> m_colors{};
    std::array<RgbColor, kBitmapEntries> m_bitmap{};
};

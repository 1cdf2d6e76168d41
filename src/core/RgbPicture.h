#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// A picture as the renderer produces it and the image writers take it: rows
// from the top, three bytes (red, green, blue) per pixel, no row padding. The
// layout is the one Qt calls Format_RGB888, so a widget can wrap it as is.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    [[nodiscard]] std::size_t stride() const { return static_cast<std::size_t>(width) * 3; }
    [[nodiscard]] bool valid() const {
        return width > 0 && height > 0 && rgb.size() == stride() * static_cast<std::size_t>(height);
    }
    // The pixel at (x, y); the caller keeps x and y inside the picture.
    [[nodiscard]] RgbColor pixel(int x, int y) const {
        const std::size_t o = static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 3;
        return {rgb.at(o), rgb.at(o + 1), rgb.at(o + 2)};
    }
};

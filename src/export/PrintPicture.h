#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A picture handed to the printer: rows from the top, three bytes (red, green,
// blue) per pixel, no row padding. The screen viewer converts its rendered
// screen into one of these.
struct PrintPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    [[nodiscard]] bool valid() const {
        return width > 0 && height > 0 &&
               rgb.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    }
};

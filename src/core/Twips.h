#pragma once

// Window layout is given in twips (1,440 to the inch); the screen has 15 twips
// to a pixel. The printer converts at its own resolution instead.
inline constexpr int kTwipsPerPixel = 15;

[[nodiscard]] constexpr int twipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}
[[nodiscard]] constexpr int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

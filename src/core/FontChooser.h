#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A font as the font dialog hands it over and the settings file keeps it. The
// colour is the Windows 0x00BBGGRR form (pure red is 0xFF).
struct FontChoice {
    std::string name = "Courier New";
    double size = 8.25;  // points
    bool bold = false;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
    std::uint32_t color = 0;

    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

// The font dialog: screen and printer fonts that exist, with the effects
// (strikeout, underline, colour). Nothing is returned when the person cancels
// or the dialog cannot be shown.
class FontChooser {
public:
    virtual ~FontChooser() = default;
    [[nodiscard]] virtual std::optional<FontChoice> chooseFont(const std::string& title,
                                                               const FontChoice& initial) = 0;
};

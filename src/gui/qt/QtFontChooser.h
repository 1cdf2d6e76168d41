#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "core/FontChooser.h"

// The font dialog of the desktop program. Qt's font dialog knows nothing of
// colour, so it sits in one window with a colour button under it that opens
// Qt's colour dialog; OK takes the font and the colour together, Cancel
// neither.
class QtFontChooser : public FontChooser {
public:
    explicit QtFontChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    std::optional<FontChoice> chooseFont(const std::string& title, const FontChoice& initial) override;

private:
    QPointer<QWidget> m_parent;
};

// The Qt font of a choice. A family the system does not have becomes its
// fixed-pitch font, so that listings and dumps keep their columns lined up
// ("Courier New" is missing from most systems outside Windows).
[[nodiscard]] QFont qFontOfChoice(const FontChoice& choice);
// What a Qt font and a text colour are as a choice.
[[nodiscard]] FontChoice fontChoiceOf(const QFont& font, const QColor& color);
// Colours travel in the Windows 0x00BBGGRR form.
[[nodiscard]] QColor qColorOf(std::uint32_t color);
[[nodiscard]] std::uint32_t colorOf(const QColor& color);

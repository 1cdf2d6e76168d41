#include "gui/qt/QtFontChooser.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>

QColor qColorOf(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

std::uint32_t colorOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

namespace {

// The face that stands in for a family the system does not have. The
// system's fixed font may be an alias ("monospace") or, on a platform without
// a theme, no fixed font at all; the face it resolves to is what the font
// dialog and the printer know, and it must keep the columns lined up.
QString standInFixedFamily() {
    static const QString family = [] {
        const QFontInfo system(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        if (system.fixedPitch()) {
            return system.family();
        }
        for (const QString& candidate : QFontDatabase::families()) {
            if (QFontDatabase::isFixedPitch(candidate) && !QFontDatabase::isPrivateFamily(candidate) &&
                QFontInfo(QFont(candidate)).fixedPitch()) {
                return candidate;
            }
        }
        return system.family();
    }();
    return family;
}

// The family's own name for the style of the font ("Book", "Oblique"): a
// family whose upright face is not called "Regular" or "Normal" would
// otherwise open the font dialog on whichever style it lists first. Italic
// and oblique count as one slant.
QString styleNameOf(const QFont& font) {
    const QString family = font.family();
    const bool slanted = font.style() != QFont::StyleNormal;
    QString best;
    int bestDistance = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont face = QFontDatabase::font(family, style, 10);
        if ((face.style() != QFont::StyleNormal) != slanted) {
            continue;
        }
        const int distance = std::abs(face.weight() - font.weight()) + (face.style() == font.style() ? 0 : 1);
        if (best.isEmpty() || distance < bestDistance) {
            best = style;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

QFont qFontOfChoice(const FontChoice& choice) {
    const QString family = QString::fromStdString(choice.name);
    QFont font(family);
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) {
        font = QFont(standInFixedFamily());
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(choice.size > 0 ? choice.size : 8.25);
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
    font.setStrikeOut(choice.strikethrough);
    font.setUnderline(choice.underline);
    return font;
}

FontChoice fontChoiceOf(const QFont& font, const QColor& color) {
    FontChoice choice;
    choice.name = font.family().toStdString();
    if (font.pointSizeF() > 0) {
        choice.size = font.pointSizeF();
    }
    choice.bold = font.bold();
    choice.italic = font.italic();
    choice.strikethrough = font.strikeOut();
    choice.underline = font.underline();
    choice.color = colorOf(color);
    return choice;
}

namespace {

void paintSwatch(QPushButton* button, const QColor& color) {
    QPixmap swatch(16, 16);
    swatch.fill(color);
    button->setIcon(QIcon(swatch));
}

}  // namespace

std::optional<FontChoice> QtFontChooser::chooseFont(const std::string& title, const FontChoice& initial) {
    QDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("dlgListingFont"));
    dialog.setWindowTitle(QString::fromStdString(title));

    // The font dialog serves as a plain widget here: its own buttons would
    // close it without the colour.
    auto* fonts = new QFontDialog(&dialog);
    fonts->setObjectName(QStringLiteral("fontDialog"));
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    QFont start = qFontOfChoice(initial);
    start.setStyleName(styleNameOf(start));
    fonts->setCurrentFont(start);
    // OK on an untouched dialog hands back the choice it was given: the face
    // standing in for a missing family is the listing's look, not a new choice.
    bool fontTouched = false;
    QObject::connect(fonts, &QFontDialog::currentFontChanged, &dialog, [&] { fontTouched = true; });
    // Enter in its lists and Esc anywhere end the embedded dialog, which would
    // leave this one empty: they end this one instead.
    QObject::connect(fonts, &QDialog::accepted, &dialog, &QDialog::accept);
    QObject::connect(fonts, &QDialog::rejected, &dialog, &QDialog::reject);

    QColor color = qColorOf(initial.color);
    auto* colorButton = new QPushButton(QStringLiteral("&Color..."), &dialog);
    colorButton->setObjectName(QStringLiteral("cmdColor"));
    paintSwatch(colorButton, color);
    QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
        QColorDialog picker(color, &dialog);
        picker.setObjectName(QStringLiteral("colorDialog"));
        picker.setOption(QColorDialog::DontUseNativeDialog);
        if (picker.exec() == QDialog::Accepted && picker.selectedColor().isValid()) {
            color = picker.selectedColor();
            paintSwatch(colorButton, color);
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(colorButton);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(bottom);

    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    if (!fontTouched) {
        FontChoice unchanged = initial;
        unchanged.color = colorOf(color);
        return unchanged;
    }
    QFont chosen = fonts->currentFont();
    chosen.setStyleName(QString());
    FontChoice choice = fontChoiceOf(chosen, color);
    // The dialog offers whole points: a size it shows rounded (8.25 as 8) is
    // the size it was given, not a new one.
    if (std::abs(choice.size - initial.size) < 0.5) {
        choice.size = initial.size;
    }
    return choice;
}

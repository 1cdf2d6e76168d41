#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <span>

#include "screen/ScreenRenderer.h"

// The screen viewer's drawing control: it keeps the screen, the two palettes
// and the ATTR and FLASH switches in a ScreenRenderer and paints its picture
// stretched over the whole widget, so the widget's size is the zoom. Pixels
// are repeated, never blended: a Spectrum screen is meant to look blocky.
class RasterPaneWidget : public QWidget {
    Q_OBJECT
public:
    explicit RasterPaneWidget(QWidget* parent = nullptr);

    // Takes a copy of the display file and draws it. Bytes that cannot be
    // drawn throw a Failure whose description says why; the former screen
    // stays.
    void setScreenData(std::span<const std::uint8_t> bytes);

    // The still picture at 256 x 192 pixels, flashing cells in their steady
    // phase: what the clipboard, the bitmap file and the printer get.
    [[nodiscard]] QImage Picture() const;
    [[nodiscard]] RgbPicture pictureRgb() const;

    [[nodiscard]] bool UseATTR() const { return m_renderer.UseATTR(); }
    void setUseATTR(bool on);
    [[nodiscard]] bool UseFLASH() const { return m_renderer.UseFLASH(); }
    void setUseFLASH(bool on);

    [[nodiscard]] bool GetColorColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                     std::uint8_t& byBlue) const;
    [[nodiscard]] bool GetBitmapColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                      std::uint8_t& byBlue) const;
    void SetColorColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    void SetBitmapColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    void ResetColorPalette();
    void ResetBitmapPalette();

    [[nodiscard]] const ScreenRenderer& renderer() const { return m_renderer; }
    // The phase the widget paints now, and whether the flash clock runs.
    [[nodiscard]] ScreenRenderer::FlashPhase flashPhase() const { return m_phase; }
    [[nodiscard]] bool flashRunning() const { return m_flashTimer.isActive(); }
    // The picture as last painted, at 256 x 192 pixels.
    [[nodiscard]] QImage shownPicture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void changed();
    void updateFlashClock();
    void flashTick();
    const QImage& frame();

    ScreenRenderer m_renderer;
    ScreenRenderer::FlashPhase m_phase = ScreenRenderer::FlashPhase::Steady;
    RgbPicture m_picture;
    QImage m_image;
    bool m_stale = true;
    QTimer m_flashTimer;
    QElapsedTimer m_flashClock;
};

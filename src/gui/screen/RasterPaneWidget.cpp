#include "gui/screen/RasterPaneWidget.h"

#include <QPainter>
#include <chrono>

namespace {

// The picture's bytes as an image that shares them.
QImage wrap(const RgbPicture& picture) {
    return QImage(picture.rgb.data(), picture.width, picture.height, static_cast<qsizetype>(picture.stride()),
                  QImage::Format_RGB888);
}

}  // namespace

RasterPaneWidget::RasterPaneWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_flashTimer.setInterval(static_cast<int>(ScreenRenderer::kFlashPeriod.count()));
    connect(&m_flashTimer, &QTimer::timeout, this, &RasterPaneWidget::flashTick);
}

void RasterPaneWidget::setScreenData(std::span<const std::uint8_t> bytes) {
    m_renderer.setScreenData(bytes);
    m_flashClock.start();
    m_phase = ScreenRenderer::FlashPhase::Steady;
    changed();
}

QImage RasterPaneWidget::Picture() const {
    const RgbPicture picture = pictureRgb();
    return wrap(picture).copy();
}

RgbPicture RasterPaneWidget::pictureRgb() const {
    return m_renderer.render(1, ScreenRenderer::FlashPhase::Steady);
}

void RasterPaneWidget::setUseATTR(bool on) {
    m_renderer.setUseATTR(on);
    changed();
}

void RasterPaneWidget::setUseFLASH(bool on) {
    m_renderer.setUseFLASH(on);
    changed();
}

bool RasterPaneWidget::GetColorColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                     std::uint8_t& byBlue) const {
    return m_renderer.GetColorColor(lColorIndex, byRed, byGreen, byBlue);
}

bool RasterPaneWidget::GetBitmapColor(int lColorIndex, std::uint8_t& byRed, std::uint8_t& byGreen,
                                      std::uint8_t& byBlue) const {
    return m_renderer.GetBitmapColor(lColorIndex, byRed, byGreen, byBlue);
}

void RasterPaneWidget::SetColorColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen,
                                     std::uint8_t byBlue) {
    if (m_renderer.SetColorColor(lColorIndex, byRed, byGreen, byBlue)) {
        changed();
    }
}

void RasterPaneWidget::SetBitmapColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen,
                                      std::uint8_t byBlue) {
    if (m_renderer.SetBitmapColor(lColorIndex, byRed, byGreen, byBlue)) {
        changed();
    }
}

void RasterPaneWidget::ResetColorPalette() {
    m_renderer.ResetColorPalette();
    changed();
}

void RasterPaneWidget::ResetBitmapPalette() {
    m_renderer.ResetBitmapPalette();
    changed();
}

QImage RasterPaneWidget::shownPicture() {
    return frame().copy();
}

void RasterPaneWidget::changed() {
    m_stale = true;
    updateFlashClock();
    update();
}

// The clock runs only while something on screen can flash: a hidden pane or a
// steady picture costs no timer events.
void RasterPaneWidget::updateFlashClock() {
    const bool needed =
        isVisible() && m_renderer.UseFLASH() && m_renderer.UseATTR() && m_renderer.hasFlashingCells();
    if (needed && !m_flashTimer.isActive()) {
        if (!m_flashClock.isValid()) {
            m_flashClock.start();
        }
        m_flashTimer.start();
    } else if (!needed && m_flashTimer.isActive()) {
        m_flashTimer.stop();
    }
    if (!m_renderer.UseFLASH() && m_phase != ScreenRenderer::FlashPhase::Steady) {
        m_phase = ScreenRenderer::FlashPhase::Steady;
        m_stale = true;
    }
}

void RasterPaneWidget::flashTick() {
    // Timer events can bunch up; the phase follows the clock, not the count.
    const auto phase = ScreenRenderer::FlashPhaseAt(std::chrono::milliseconds(m_flashClock.elapsed()));
    if (phase != m_phase) {
        m_phase = phase;
        m_stale = true;
        update();
    }
}

const QImage& RasterPaneWidget::frame() {
    if (m_stale) {
        m_renderer.renderInto(m_picture, 1,
                              m_renderer.UseFLASH() ? m_phase : ScreenRenderer::FlashPhase::Steady);
        m_image = wrap(m_picture);
        m_stale = false;
    }
    return m_image;
}

void RasterPaneWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), frame());
}

void RasterPaneWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateFlashClock();
}

void RasterPaneWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_flashTimer.stop();
}

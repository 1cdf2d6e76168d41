#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <array>
#include <cstdint>

class RasterPaneWidget;

// The palette dialog of one screen viewer. It reads colours and the ATTR
// state straight from the viewer's control and reports every change as a
// signal; the viewer forwards those to its own control, so the picture
// follows a scroll bar while it moves.
class frmScreenSettings : public QDialog {
    Q_OBJECT
public:
    // The palette list's numbers.
    static constexpr int kMonoBitmap = 0;
    static constexpr int kColorScreen = 1;

    explicit frmScreenSettings(QWidget* parent = nullptr);

    // Must be given before the dialog is first shown.
    void setRasterPaneControl(RasterPaneWidget* control);
    // cppcheck-suppress CastIntegerToAddressAtReturn ; the pointer is a QPointer, not an integer
    [[nodiscard]] RasterPaneWidget* rasterPaneControl() const { return m_oRasterPane; }

    [[nodiscard]] QComboBox* cboPalette() const { return m_cboPalette; }
    [[nodiscard]] QComboBox* cboColor() const { return m_cboColor; }
    [[nodiscard]] QScrollBar* vscRGB(int i) const { return m_vscRGB.at(static_cast<std::size_t>(i)); }
    [[nodiscard]] QLineEdit* txtRGB(int i) const { return m_txtRGB.at(static_cast<std::size_t>(i)); }
    [[nodiscard]] QLabel* lblRGB(int i) const { return m_lblRGB.at(static_cast<std::size_t>(i)); }
    [[nodiscard]] QLabel* lblPreview() const { return m_lblPreview; }
    [[nodiscard]] QPushButton* cmdReset() const { return m_cmdReset; }
    [[nodiscard]] bool updating() const { return m_updating; }
    // A bar's colour component, 0 to 255; moving it this way is a change like any other.
    [[nodiscard]] int component(int i) const;
    void setComponent(int i, int value);

    // "&h0A": the text boxes' form of a component.
    [[nodiscard]] static QString componentText(int value);

signals:
    void SetColorColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    void SetBitmapColor(int lColorIndex, std::uint8_t byRed, std::uint8_t byGreen, std::uint8_t byBlue);
    void ResetColorPalette();
    void ResetBitmapPalette();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void cboPalette_Click();
    void cboColor_Click();
    void vscRGB_Change();
    void cmdReset_Click();
    [[nodiscard]] int chosenPalette() const;
    [[nodiscard]] int chosenEntry() const;

    QPointer<RasterPaneWidget> m_oRasterPane;
    bool m_updating = false;

    QComboBox* m_cboPalette = nullptr;
    QComboBox* m_cboColor = nullptr;
    std::array<QScrollBar*, 3> m_vscRGB{};
    std::array<QLabel*, 3> m_lblRGB{};
    std::array<QLineEdit*, 3> m_txtRGB{};
    QLabel* m_lblPreview = nullptr;
    QPushButton* m_cmdReset = nullptr;
};

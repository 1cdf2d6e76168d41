#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cstdint>
#include <string>

// Asks for a search text and how to read it: as text, as decimal byte values
// or as hexadecimal byte values. The replace box and its text are carried
// along but nothing acts on them yet.
class frmSearch : public QDialog {
    Q_OBJECT
public:
    explicit frmSearch(QWidget* parent = nullptr);
    ~frmSearch() override;

    // Fills the fields, centres the dialog on its owner and shows it modally;
    // returns when it is closed.
    void StartUp(QWidget* frmOwner, bool bReplace, std::int32_t eSearchType, const std::string& sSearchFor,
                 const std::string& sReplaceWith);

    // True only when the dialog was left with Cancel (or Esc); the title-bar
    // close button leaves it false.
    [[nodiscard]] bool Canceled() const { return m_canceled; }
    // Hexadecimal needles come trimmed and upper-cased, others as typed.
    [[nodiscard]] std::string SearchString() const;
    [[nodiscard]] std::string ReplaceString() const;
    [[nodiscard]] std::int32_t SearchType() const { return m_searchType; }

    [[nodiscard]] QLineEdit* txtSearch() const { return m_txtSearch; }
    [[nodiscard]] QRadioButton* optSearchType(int index) const;
    [[nodiscard]] QCheckBox* chkReplace() const { return m_chkReplace; }
    [[nodiscard]] QLineEdit* txtReplace() const { return m_txtReplace; }
    [[nodiscard]] QPushButton* cmdOK() const { return m_cmdOK; }
    [[nodiscard]] QPushButton* cmdCancel() const { return m_cmdCancel; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> m_owner;
    bool m_canceled = false;
    std::string m_searchText;
    std::string m_replaceText;
    std::int32_t m_searchType = 0;

    QLabel* m_lblSearch = nullptr;
    QLineEdit* m_txtSearch = nullptr;
    QButtonGroup* m_optSearchType = nullptr;
    std::array<QRadioButton*, 3> m_options{};
    QCheckBox* m_chkReplace = nullptr;
    QLineEdit* m_txtReplace = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

#pragma once

#include <QDialog>

#include <memory>

class CDailyInputHost;
class CSettings;
class CPrompt;
class CResultBook;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dlg {
class Controls;
}

// The modeless window in which one day's result is entered or corrected. It deletes itself when
// its window is destroyed; the host keeps only a pointer.
//
// There is no changed flag: the shown day counts as changed exactly while the OK button is
// enabled.
class CDailyInputDlg : public QDialog
{
    Q_OBJECT
public:
    // Results of ConfirmChanges, as the message box answers them.
    enum { Cancelled = 2, Unchanged = 5, Applied = 6, Discarded = 7 };

    // Control identifiers of template 104.
    enum : int {
        IDC_KEEP_SHOWN = 1037,
        IDC_DATE = 1019,
        IDC_METHOD_AMOUNTS = 1040,
        IDC_METHOD_BALANCE = 1041,
        IDC_COLLECTED = 1042,
        IDC_INVESTED = 1043,
        IDC_MINUS = 1044,
        IDC_BALANCE = 1045,
    };

    CDailyInputDlg(CDailyInputHost *host, CPrompt &prompt);
    ~CDailyInputDlg() override;

    // Builds the window from its template as an owned window of the host and shows it.
    bool Create(CResultBook *book, const CSettings *settings);
    // Shows the day whose date text equals dateText; an unknown text blanks the window.
    void ShowDay(const QString &dateText);
    // Asks what to do with pending changes: Cancelled, Unchanged, Applied or Discarded. Unless the
    // keep-shown box is checked, the window has closed itself on every answer but Cancelled.
    int ConfirmChanges();

protected:
    void accept() override; // OnOK
    void reject() override; // OnCancel: Cancel button, Esc and the close box

private:
    int FindDay(const QString &dateText) const;
    void ResetFields(bool enable);
    void UpdateEntryMethod();
    void UpdateBalance();
    void ApplyChanges();
    void DiscardChanges();
    void OnInitDialog();
    void OnOK();
    void OnCancel();
    void OnDestroy();
    void OnMethodAmounts();
    void OnMethodBalance();
    void OnAmountChange();
    void OnBalanceChange();

    bool IsChanged() const;
    void SetChanged(bool changed);
    void SetNumber(QLineEdit *edit, qint64 value);
    // Tells the host, then destroys the window; the object goes once control returns to the loop.
    void CloseWindow();
    void DestroyWindow();

    CDailyInputHost *m_parent;
    CPrompt &m_prompt;
    CResultBook *m_book = nullptr;
    const CSettings *m_settings = nullptr;
    int m_index = -1;
    bool m_destroyed = false;

    std::unique_ptr<dlg::Controls> m_controls;
    QCheckBox *m_keepShown = nullptr;
    QPushButton *m_ok = nullptr;
    QLineEdit *m_date = nullptr;
    QLineEdit *m_collected = nullptr;
    QLineEdit *m_invested = nullptr;
    QLineEdit *m_balance = nullptr;
    QCheckBox *m_minus = nullptr;
    QRadioButton *m_methodAmounts = nullptr;
    QRadioButton *m_methodBalance = nullptr;
};

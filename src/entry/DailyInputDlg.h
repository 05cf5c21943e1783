#pragma once

#include "data/ResultBook.h"
#include "session/DiarySession.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class CButtonCommands;
class CPrompt;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dlg {
class Controls;
}

// The daily input window's controls. The values become the widgets' object names.
struct EntryCtl
{
    enum Id : int {
        Ok = 1,
        Cancel = 2,
        Date = 1019,
        KeepShown = 1037, // keeps the window open after OK and after a change of day
        MethodAmounts = 1040,
        MethodBalance = 1041,
        Collected = 1042,
        Invested = 1043,
        Minus = 1044, // the sign of the balance
        Balance = 1045,
    };
};

// The modeless window in which one day's result is entered or corrected. It shows the day the
// session names, enters it through the book, and answers the session's question before a command
// leaves its day. It deletes itself when it closes.
//
// There is no changed flag: the shown day counts as changed exactly while the OK button is
// enabled.
class CDailyInputDlg : public QDialog
{
    Q_OBJECT
public:
    // defaultMethod: how a day without a result is entered, amounts or the balance alone.
    CDailyInputDlg(QWidget *owner, CDiarySession &session, CPrompt &prompt,
                   EntryMethod defaultMethod);
    ~CDailyInputDlg() override;

    // Makes the window over owner and shows it; nullptr when it could not be built.
    static QWidget *Open(QWidget *owner, CDiarySession &session, CPrompt &prompt,
                         EntryMethod defaultMethod);

    // Builds the window from its template, attaches it to the session and shows it.
    bool Create();
    // Shows the day with this date key; a key the book does not hold blanks the window.
    void ShowDay(int dateKey);
    // Asks what to do with pending changes. Unless the keep-shown box is checked, the window has
    // closed itself on every answer but Cancelled.
    EntryAnswer ConfirmChanges();

protected:
    void accept() override; // OnOK
    void reject() override; // OnCancel: Cancel button, Esc and the close box

private:
    const DayResult *ShownDay() const;
    void ResetFields(bool enable);
    void UpdateEntryMethod();
    void UpdateBalance();
    void ApplyChanges();
    void DiscardChanges();
    void ApplyPendingUnasked(); // the program ends: pending changes are entered without a question
    void CloseUnasked(); // the period takes no entries
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
    // Detaches from the session, then destroys the window; the object goes once control returns
    // to the event loop.
    void CloseWindow();
    void DestroyWindow();
    bool IsOpen() const { return m_controls && !m_destroyed; }

    QPointer<CDiarySession> m_session;
    CPrompt &m_prompt;
    const EntryMethod m_defaultMethod;
    int m_date = 0; // the day shown; an unknown key leaves it
    bool m_destroyed = false;

    std::unique_ptr<dlg::Controls> m_controls;
    std::unique_ptr<CButtonCommands> m_commands;
    QCheckBox *m_keepShown = nullptr;
    QPushButton *m_ok = nullptr;
    QLineEdit *m_dateField = nullptr;
    QLineEdit *m_collected = nullptr;
    QLineEdit *m_invested = nullptr;
    QLineEdit *m_balance = nullptr;
    QCheckBox *m_minus = nullptr;
    QRadioButton *m_methodAmounts = nullptr;
    QRadioButton *m_methodBalance = nullptr;
};

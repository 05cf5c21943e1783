#pragma once

#include "data/ResultBook.h"
#include "playdlg/PlayEditDlg.h"
#include "session/DiarySession.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class CButtonCommands;
class CPrompt;
class QCheckBox;
class QLabel;
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
        Plays = 1046, // "稼働記録(&V)...": the day's play sessions
        PlaysNote
        = 1047, // says when the day's result comes from its sessions, or why there are none
    };
};

// The modeless window in which one day's result is entered or corrected. It shows the day the
// session names, enters it through the book, and answers the session's question before a command
// leaves its day. It deletes itself when it closes.
//
// There is no changed flag: the shown day counts as changed exactly while the OK button is
// enabled.
//
// A day with play sessions shows their sums by amounts, read-only: its result is entered through
// the sessions window, which the plays button opens. When its last session goes, the day keeps
// those sums and can be typed again.
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
    // The time of day that the session editor proposes as a start; the system's by default.
    void SetClock(PlayClock clock) { m_clock = std::move(clock); }
    // The sessions window, while it is open.
    QWidget *PlaysWindow() const { return m_playsWindow; }

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
    void OnPlays();

    // ShowDay; focus: the window is activated and its field focused, unless only the day's
    // sessions changed under another window.
    void ShowDayFocused(int dateKey, bool focus);
    // The plays button and note for the day shown, and the fields read-only while its result
    // comes from its sessions.
    void ShowPlaysState();
    void FocusDay();

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
    bool m_dayShown = false; // a day of the book is shown, not the blanked window
    bool m_fromPlays = false; // the day shown has play sessions: its fields are their sums
    PlayClock m_clock;
    QPointer<QWidget> m_playsWindow;
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
    QPushButton *m_plays = nullptr;
    QLabel *m_playsNote = nullptr;
};

#pragma once

#include "data/DailyBackup.h"
#include "data/ResultBook.h"

#include <QDate>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

// The two lists the main window shows.
enum class DiaryView { Monthly, Daily };

// What the daily input window answers when a command would leave its day.
enum class EntryAnswer {
    Cancelled, // the user stays on the day: the command stops
    Unchanged, // nothing was pending
    Applied, // the pending changes were entered
    Discarded, // the pending changes were dropped
};

// How a change of the target period went.
enum class PeriodOutcome {
    Loaded,
    ReadFailed, // the new period is laid out, but the file could not be read whole
    KeptOld, // the old period's changes could not be saved: it stays loaded, with them
};

// The diary without its windows: the book of the loaded period, the target period, the view, the
// selected month and day, and the commands that move between them. The windows render what it
// says and learn of changes through its signals.
//
// The selection follows the lists' clicks by number: the day number stays when another month is
// shown, and the month number when another period is loaded, even where that month or period has
// no such day or month (then nothing is selected until one that has it is shown).
//
// Every day entered reaches the data file at once: the session saves the day as soon as the
// book has applied it, before the lists hear of it; the lists are then told from the first day
// that changed, which the reading after the save may have moved earlier (another program's edit).
// Every save of the data file, whatever its occasion, first makes the day's dated backup; when the
// disk then has no room for the save, that fresh backup gives its room back and the save is tried
// once more. What the user should be told of a save that did
// not happen, or of a backup that failed, waits in Reports() until a window takes it;
// reportsWaiting announces it. Saves made on a caller's behalf (period change, closing) answer for
// themselves, and an earlier failure they retried is no longer reported.
class CPlayDiary;

class CDiarySession : public QObject
{
    Q_OBJECT
public:
    // The daily input window's question before its day is left; installed while it is open.
    using EntryGuard = std::function<EntryAnswer()>;

    // today stays the reference for today and this month for the whole run. yearBasis is 1 when
    // the year runs from January, otherwise the twelve months ending with this month.
    CDiarySession(const QDate &today, std::unique_ptr<CResultBook> book, int yearBasis,
                  QObject *parent = nullptr);
    ~CDiarySession() override;

    // The date that names a backup: the day on which a save happens, not the start-up date.
    using Clock = std::function<QDate()>;
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    const CResultBook &Book() const { return *m_book; }
    // The play sessions of the diary, beside the data file.
    CPlayDiary &Plays() { return *m_plays; }
    CResultBook &Book() { return *m_book; }

    int Today() const { return m_today; } // yyyymmdd
    int ThisMonth() const { return m_today / 100; } // yyyymm
    int YearsBack() const { return m_yearsBack; } // -1 until a period is loaded
    DiaryView View() const { return m_view; }
    int MonthIndex() const { return m_monthIndex; } // month of the daily view; -1 until shown
    int SelMonth() const { return m_selectedMonth % 100; } // month number the monthly list selects
    int SelDay() const { return m_selectedDay % 100; } // day number the daily list selects
    // Date key of the selected day in the daily view's month; 0 in the monthly view or when the
    // month has no day of that number.
    int SelectedDay() const;

    // The period yearsBack years back (0: the current one). Unsaved changes of the old period are
    // saved first; KeptOld when that failed. A period that could not be read whole takes no
    // entries: an open daily input window is told to close. Ends in no view: callers show one.
    PeriodOutcome SelectPeriod(int yearsBack);
    // Whether days can be entered in the loaded period: it is laid out and was read whole.
    bool CanEnter() const;
    // The only way a day's result comes in: the book takes it, the day's backup is made, the
    // period is saved and the lists are told. False when the period takes no entry for that day.
    bool EnterDay(int date, EntryMethod method, int32_t collected, int32_t invested,
                  int32_t balance);
    // Days of any year written in one save, like an entered day's: the day's backup first, the
    // failures and the backup's problems in Reports(); days of the loaded period show at once.
    // The dates ascend, each at most once. False when the save failed.
    bool ApplyDays(std::span<const DayChange> changes);
    // A backup of the data file and the database now, whatever was backed up today (before an
    // import or a repair): under a further name of the day when the day's exists.
    BackupOutcome BackUpNow();
    // The day's backup before a change outside the data file (the play sessions' database), so
    // that it holds the state before the change; its problems are told with the save that
    // follows, or by EndChange when none did.
    void BackUpBeforeChange();
    void EndChange();
    // A problem of the play sessions to be told like a failed save.
    void ReportProblem(const QString &text);
    // A new year basis takes effect with the next SelectPeriod.
    void SetYearBasis(int yearBasis) { m_yearBasis = yearBasis; }

    // Commands that could leave the day in the daily input window ask it first and return false
    // when it keeps the user there.
    bool ShowMonthly();
    bool PrevMonth();
    bool NextMonth();
    // A click on the row with this key (a date key in the daily view, a month key in the monthly
    // view). The selection follows it even when the daily input window then keeps its day.
    bool SelectRow(int key);
    // These only follow a month or a day and never leave a pending day: no question.
    void ShowDaily(int monthKey);
    void ShowToday(); // the daily view of this month with today selected

    // The daily input window.
    void AttachEntry(EntryGuard guard);
    void DetachEntry();
    bool IsEntryOpen() const { return bool(m_guard); }
    EntryAnswer ConfirmEntry(); // Unchanged while no daily input window is open
    void ShowInEntry(int dateKey); // the day it is to show; 0 (or any unknown key) blanks it

    // Closing: saves unsaved changes; false when that failed and they are still unsaved. After a
    // successful save, or DiscardChanges, the book is empty and unmodified.
    bool SaveForClose();
    void DiscardChanges();
    // When the program must end, or the desktop session saves its state: what the daily input
    // window still holds is entered as it stands, then anything unsaved is saved. Nothing is
    // asked and nothing waits in Reports(); what went wrong is in problems. False when changes
    // are still unsaved. The book keeps its period.
    bool SaveWithoutQuestions(QStringList *problems = nullptr);

    // What the user is to be told and has not been yet, oldest first; taking them empties the list.
    QStringList TakeReports();

    // While one of these lives, days that change are redrawn once, at its end, unless the whole
    // view was redrawn meanwhile: a command whose question enters the pending day and then
    // changes the month draws the list once.
    class RefreshHold
    {
    public:
        explicit RefreshHold(CDiarySession &session);
        ~RefreshHold();
        RefreshHold(const RefreshHold &) = delete;
        RefreshHold &operator=(const RefreshHold &) = delete;

    private:
        CDiarySession &m_session;
    };
    [[nodiscard]] RefreshHold HoldRefresh() { return RefreshHold(*this); }

signals:
    void viewChanged(); // the view or its month changed: draw the list, summary and graph anew
    void daysChanged(int fromIndex); // the days from fromIndex on changed
    void entryDayChanged(int dateKey); // the daily input window is to show this day
    void entryOpenChanged(bool open);
    void entryApplyRequested(); // the daily input window enters its pending changes unasked
    void entryCloseRequested(); // the daily input window closes: the period takes no entries
    void reportsWaiting(); // TakeReports has something

private:
    enum class ReportKind { SaveFailed, Backup, ChangedElsewhere };
    struct Report
    {
        ReportKind kind;
        QString text;
    };

    void OnDayChanged(int index);
    // Backs the data file up if the day needs it, then saves (save: the book's save to run);
    // false when the save failed. Callers that tell of a failure themselves do not have it
    // reported.
    bool SaveBook(bool reportFailure, const std::function<bool()> &save = {});
    void TellDays(int fromIndex);
    void AddReport(ReportKind kind, const QString &text);
    void DropReports(ReportKind kind);
    void SetView(DiaryView view);
    void ShowMonthAt(int index);
    void FollowInEntry();
    bool MayLeaveDay();

    std::unique_ptr<CResultBook> m_book;
    std::unique_ptr<CPlayDiary> m_plays;
    int m_today = 0;
    int m_yearBasis = 1;
    int m_yearsBack = -1;
    DiaryView m_view = DiaryView::Monthly;
    int m_monthIndex = -1;
    int m_selectedMonth = 0; // yyyymm; matched by its month number
    int m_selectedDay = 0; // yyyymmdd; matched by its day number
    EntryGuard m_guard;
    CDailyBackup m_backup;
    Clock m_clock;
    QList<Report> m_reports;
    bool m_backupHeld = false; // made by BackUpBeforeChange, for the next save
    QString m_heldBackupProblem;
    int m_unasked = 0; // inside SaveWithoutQuestions: nothing is announced
    int m_holds = 0;
    int m_heldFrom = -1; // first day changed while held; -1 for none
};

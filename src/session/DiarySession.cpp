#include "session/DiarySession.h"

#include "session/PlayDiary.h"

#include "data/FileProblem.h"
#include "session/Messages.h"

#include <utility>
#include <vector>

CDiarySession::CDiarySession(const QDate &today, std::unique_ptr<CResultBook> book, int yearBasis,
                             QObject *parent)
    : QObject(parent)
    , m_book(std::move(book))
    , m_today(today.year() * 10000 + today.month() * 100 + today.day())
    , m_yearBasis(yearBasis)
    , m_selectedMonth(m_today / 100)
    , m_selectedDay(m_today)
    , m_backup(m_book->dataFilePath())
    , m_clock([] { return QDate::currentDate(); })
{
    // The first to hear of an entered day, so that it is on disk before anything is drawn.
    connect(m_book.get(), &CResultBook::dayChanged, this, &CDiarySession::OnDayChanged);
    m_plays = std::make_unique<CPlayDiary>(*this, m_book->dataFilePath());
    // The day's backup takes a copy of the database with the data file's.
    m_backup.SetDatabaseBackup(
            {[this] { return m_plays->HasDatabaseToCopy(); },
             [this](const QString &target) { return m_plays->CopyDatabase(target); }});
}

CDiarySession::~CDiarySession() = default;

int CDiarySession::SelectedDay() const
{
    if (m_view != DiaryView::Daily || m_monthIndex < 0 || m_monthIndex >= m_book->MonthCount())
        return 0;
    const int key = m_book->Month(m_monthIndex).month * 100 + SelDay();
    return m_book->IndexOf(key) >= 0 ? key : 0;
}

PeriodOutcome CDiarySession::SelectPeriod(int yearsBack)
{
    int endMonth = ThisMonth() - 100 * yearsBack;
    // A past year that runs from January ends in its December.
    if (yearsBack > 0 && m_yearBasis == 1)
        endMonth = endMonth / 100 * 100 + 12;
    if (m_book->IsModified()) {
        // This save answers for the failures of the entries before it.
        DropReports(ReportKind::SaveFailed);
        if (!SaveBook(false))
            return PeriodOutcome::KeptOld;
        DropReports(ReportKind::ChangedElsewhere); // the new period is read anyway
    }
    const bool loaded = m_book->LoadPeriod(endMonth, m_yearBasis, yearsBack);
    m_yearsBack = yearsBack;
    if (!CanEnter())
        emit entryCloseRequested();
    return loaded ? PeriodOutcome::Loaded : PeriodOutcome::ReadFailed;
}

bool CDiarySession::CanEnter() const
{
    return m_book->DayCount() > 0 && m_book->IsReadWhole() && !m_book->IsViewOnly();
}

bool CDiarySession::SaveBook(bool reportFailure, const std::function<bool()> &save)
{
    // Play days whose earlier save failed go with this one.
    QList<int32_t> carriedDays;
    std::vector<DayChange> carried;
    const bool carry
            = !save && m_plays->HasUnsavedDays() && m_plays->PendingChanges(&carriedDays, &carried);
    const auto run = [&] {
        return save ? save() : carry ? m_book->SaveDays(carried) : m_book->Save();
    };
    // A failed backup is told with the save it preceded, when that went through: beside a failed
    // save, which mostly has the same cause, it would only confuse. It is then asked about again.
    QString backupProblem = m_backupHeld
            ? std::exchange(m_heldBackupProblem, QString())
            : m_backup.BeforeSave(m_clock ? m_clock() : QDate::currentDate());
    m_backupHeld = false;
    bool saved = run();
    // The backup just made holds what the file still holds: on a disk with room for only one of
    // them, the save has it.
    if (!saved && FileProblem::IsNoSpace(m_book->LastErrorCode())) {
        if (const QString dropped = m_backup.DropJustCreated(); !dropped.isEmpty()) {
            saved = run();
            if (saved)
                backupProblem = dropped;
            else
                m_backup.BackUpDayAgain();
        }
    }
    if (saved) {
        if (carry)
            m_plays->Written(carriedDays);
        if (!backupProblem.isEmpty())
            AddReport(ReportKind::Backup, backupProblem);
        if (m_book->FoundChangedElsewhere()) {
            DropReports(ReportKind::ChangedElsewhere);
            AddReport(ReportKind::ChangedElsewhere, msg::FileChangedElsewhere());
        }
        return true;
    }
    if (!backupProblem.isEmpty())
        m_backup.ReportAgain();
    if (reportFailure) {
        // Save always says why; the plain text stands in should it ever not.
        const QString &error = m_book->LastError();
        AddReport(ReportKind::SaveFailed, error.isEmpty() ? CResultBook::SaveFailedText() : error);
    }
    return false;
}

void CDiarySession::AddReport(ReportKind kind, const QString &text)
{
    m_reports.append({kind, text});
    if (m_unasked == 0)
        emit reportsWaiting();
}

void CDiarySession::DropReports(ReportKind kind)
{
    m_reports.removeIf([kind](const Report &report) { return report.kind == kind; });
}

QStringList CDiarySession::TakeReports()
{
    QStringList texts;
    for (const Report &report : std::as_const(m_reports))
        texts.append(report.text);
    m_reports.clear();
    return texts;
}

bool CDiarySession::ShowMonthly()
{
    const RefreshHold hold(*this);
    if (!MayLeaveDay())
        return false;
    SetView(DiaryView::Monthly);
    FollowInEntry();
    return true;
}

bool CDiarySession::PrevMonth()
{
    const RefreshHold hold(*this);
    if (!MayLeaveDay())
        return false;
    if (m_monthIndex > 0)
        ShowMonthAt(m_monthIndex - 1);
    return true;
}

bool CDiarySession::NextMonth()
{
    const RefreshHold hold(*this);
    if (!MayLeaveDay())
        return false;
    if (m_monthIndex < m_book->MonthCount() - 1)
        ShowMonthAt(m_monthIndex + 1);
    return true;
}

void CDiarySession::ShowMonthAt(int index)
{
    m_monthIndex = index;
    const int month = m_book->Month(index).month;
    m_selectedMonth = month;
    m_selectedDay = month * 100 + SelDay();
    SetView(DiaryView::Daily);
    FollowInEntry();
}

bool CDiarySession::SelectRow(int key)
{
    if (m_view == DiaryView::Daily)
        m_selectedDay = key;
    else
        m_selectedMonth = key;
    if (!MayLeaveDay())
        return false;
    FollowInEntry();
    return true;
}

void CDiarySession::ShowDaily(int monthKey)
{
    for (int m = 0; m < m_book->MonthCount(); ++m) {
        if (m_book->Month(m).month == monthKey) {
            // Only the month to show: the monthly list keeps selecting the month it selected.
            m_monthIndex = m;
            m_selectedDay = monthKey * 100 + SelDay();
            SetView(DiaryView::Daily);
            FollowInEntry();
            return;
        }
    }
}

void CDiarySession::ShowToday()
{
    // The current period always holds this month; a period without months gives the first index.
    m_monthIndex = 0;
    for (int m = 0; m < m_book->MonthCount(); ++m) {
        if (m_book->Month(m).month % 100 == ThisMonth() % 100) {
            m_monthIndex = m;
            break;
        }
    }
    m_selectedMonth = m_book->MonthCount() > 0 ? m_book->Month(m_monthIndex).month : 0;
    m_selectedDay = m_today;
    SetView(DiaryView::Daily);
    FollowInEntry();
}

void CDiarySession::SetView(DiaryView view)
{
    m_view = view;
    m_heldFrom = -1; // drawn anew as a whole
    emit viewChanged();
}

void CDiarySession::FollowInEntry()
{
    if (IsEntryOpen())
        ShowInEntry(SelectedDay());
}

void CDiarySession::AttachEntry(EntryGuard guard)
{
    m_guard = std::move(guard);
    emit entryOpenChanged(true);
}

void CDiarySession::DetachEntry()
{
    if (!m_guard)
        return;
    m_guard = nullptr;
    emit entryOpenChanged(false);
}

EntryAnswer CDiarySession::ConfirmEntry()
{
    if (!m_guard)
        return EntryAnswer::Unchanged;
    // The answer may close the window, which detaches the guard while it runs.
    const EntryGuard guard = m_guard;
    return guard();
}

bool CDiarySession::MayLeaveDay()
{
    return ConfirmEntry() != EntryAnswer::Cancelled;
}

void CDiarySession::ShowInEntry(int dateKey)
{
    emit entryDayChanged(dateKey);
}

bool CDiarySession::SaveForClose()
{
    if (!m_book->IsModified())
        return true;
    // The closing window asks about this save itself.
    DropReports(ReportKind::SaveFailed);
    if (!SaveBook(false))
        return false;
    DropReports(ReportKind::ChangedElsewhere); // nothing is shown any more
    m_book->Clear();
    return true;
}

bool CDiarySession::SaveWithoutQuestions(QStringList *problems)
{
    ++m_unasked;
    emit entryApplyRequested();
    if (m_book->IsModified()) {
        DropReports(ReportKind::SaveFailed); // tried again here
        if (SaveBook(true) && m_book->FirstChangedBySave() >= 0)
            TellDays(m_book->FirstChangedBySave());
    }
    --m_unasked;
    DropReports(ReportKind::ChangedElsewhere); // news, not a problem
    const QStringList texts = TakeReports();
    if (problems)
        *problems = texts;
    return !m_book->IsModified();
}

void CDiarySession::DiscardChanges()
{
    m_book->Clear();
}

bool CDiarySession::EnterDay(int date, EntryMethod method, int32_t collected, int32_t invested,
                             int32_t balance)
{
    return m_book->EnterDay(date, method, collected, invested, balance);
}

BackupOutcome CDiarySession::BackUpNow()
{
    return m_backup.BackUpNow(m_clock ? m_clock() : QDate::currentDate());
}

void CDiarySession::BackUpBeforeChange()
{
    EndChange();
    m_heldBackupProblem = m_backup.BeforeSave(m_clock ? m_clock() : QDate::currentDate());
    m_backupHeld = true;
}

void CDiarySession::EndChange()
{
    if (!m_backupHeld)
        return;
    m_backupHeld = false;
    if (const QString problem = std::exchange(m_heldBackupProblem, QString()); !problem.isEmpty())
        AddReport(ReportKind::Backup, problem);
}

void CDiarySession::ReportProblem(const QString &text)
{
    AddReport(ReportKind::SaveFailed, text);
}

bool CDiarySession::ApplyDays(std::span<const DayChange> changes)
{
    if (m_book->IsViewOnly())
        return false;
    DropReports(ReportKind::SaveFailed); // this save answers for the failures before it
    if (!SaveBook(true, [&] { return m_book->SaveDays(changes); }))
        return false;
    if (m_book->FirstChangedBySave() >= 0)
        TellDays(m_book->FirstChangedBySave());
    return true;
}

void CDiarySession::OnDayChanged(int index)
{
    // A failure keeps the change in memory and the book modified: the next entry, period change
    // or close tries again. The reading after a save may have changed days before this one.
    int from = index;
    if (SaveBook(true) && m_book->FirstChangedBySave() >= 0)
        from = qMin(from, m_book->FirstChangedBySave());
    TellDays(from);
}

void CDiarySession::TellDays(int fromIndex)
{
    if (m_holds > 0) {
        m_heldFrom = m_heldFrom < 0 ? fromIndex : qMin(m_heldFrom, fromIndex);
        return;
    }
    emit daysChanged(fromIndex);
}

CDiarySession::RefreshHold::RefreshHold(CDiarySession &session)
    : m_session(session)
{
    ++m_session.m_holds;
}

CDiarySession::RefreshHold::~RefreshHold()
{
    if (--m_session.m_holds > 0 || m_session.m_heldFrom < 0)
        return;
    const int from = m_session.m_heldFrom;
    m_session.m_heldFrom = -1;
    emit m_session.daysChanged(from);
}

#include "session/PlayDiary.h"

#include "data/DayRecord.h"
#include "data/ResultBook.h"
#include "data/YearReader.h"
#include "session/DiarySession.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

const QString kViewOnly = QStringLiteral("閲覧専用で開いているため、稼働記録は変更できません。");
const QString kRewritten = QStringLiteral("データファイルに稼働記録の合計と合わない日があったため、"
                                          "稼働記録の合計に書き換えました。");
const QString kBackupNamed = QStringLiteral("書き換える前のバックアップ: %1");

// The file holds yen in 32 bits: an amount in hundreds beyond this would not read back as written,
// and the day would be taken for a mismatch at every start.
constexpr qint64 kLineLimit = std::numeric_limits<int32_t>::max() / 100;

int32_t LineAmount(qint64 hundreds)
{
    return int32_t(std::clamp(hundreds, -kLineLimit, kLineLimit));
}

// What the data file is to hold for a day with these sums: by amounts, the balance their
// difference, each saturated.
DayRecord RecordOf(const PlayDaySums &sums)
{
    return DayRecord{0, LineAmount(sums.collected), LineAmount(sums.invested),
                     LineAmount(sums.collected - sums.invested)};
}

// A day's line as the lists show it: the balance, and collected/invested when entered by amounts.
QString BalanceText(const DayRecord &record)
{
    return record.HasResult() ? QString::number(record.balance) : QStringLiteral("なし");
}

QString AmountsText(const DayRecord &record)
{
    if (record.method != 0)
        return QStringLiteral("-");
    return QString::number(record.collected) + QLatin1Char('/') + QString::number(record.invested);
}

// "2003/05/12 (月): 収支 -30 → 20", with the amounts when they changed.
QString ChangeLine(int32_t date, const DayRecord &before, const DayRecord &after)
{
    QString line = CResultBook::DateText(date) + QStringLiteral(": 収支 ") + BalanceText(before)
            + QStringLiteral(" → ") + BalanceText(after);
    if (AmountsText(before) != AmountsText(after))
        line += QStringLiteral("、回収/投資 ") + AmountsText(before) + QStringLiteral(" → ")
                + AmountsText(after);
    return line;
}

// The days of the data file whose record differs from their sessions' sums. The file is read once
// by years; each year's days with sessions are read from the store as the year comes, and the
// years without any line are asked for afterwards.
class CMismatchSink : public CYearSink
{
public:
    struct Mismatch
    {
        DayChange change;
        DayRecord before;
    };

    explicit CMismatchSink(CPlayStore &store)
        : m_store(store)
        , m_seen(10000, false)
    { }

    void Begin() override
    {
        m_found.clear();
        std::fill(m_seen.begin(), m_seen.end(), false);
    }
    void TakeYear(int year, std::span<const DayRecord> days) override
    {
        if (year < 1 || year > 9999 || !m_ok)
            return;
        m_seen[size_t(year)] = true;
        m_ok = m_store.ForEachDaySums(year * 10000 + 101, year * 10000 + 1231,
                                      [&](const PlayDaySums &sums) {
                                          const int index = CYearReader::DayOfYear(sums.day);
                                          if (index >= 0 && size_t(index) < days.size())
                                              Compare(sums, days[size_t(index)]);
                                          return true;
                                      });
    }
    // The days with sessions in the years the file has no line of.
    bool TakeUnseenYears()
    {
        for (int year = 1; m_ok && year <= 9999;) {
            if (m_seen[size_t(year)]) {
                ++year;
                continue;
            }
            int last = year;
            while (last < 9999 && !m_seen[size_t(last + 1)])
                ++last;
            m_ok = m_store.ForEachDaySums(year * 10000 + 101, last * 10000 + 1231,
                                          [&](const PlayDaySums &sums) {
                                              Compare(sums, DayRecord());
                                              return true;
                                          });
            year = last + 1;
        }
        std::sort(m_found.begin(), m_found.end(), [](const Mismatch &a, const Mismatch &b) {
            return a.change.date < b.change.date;
        });
        return m_ok;
    }
    bool Ok() const { return m_ok; }
    std::vector<Mismatch> &Found() { return m_found; }

private:
    void Compare(const PlayDaySums &sums, const DayRecord &inFile)
    {
        if (sums.sessions <= 0)
            return;
        const DayRecord wanted = RecordOf(sums);
        if (!(wanted == inFile))
            m_found.push_back({{sums.day, wanted}, inFile});
    }

    CPlayStore &m_store;
    std::vector<bool> m_seen; // by year
    std::vector<Mismatch> m_found;
    bool m_ok = true;
};

// Marks the end of a change: a backup problem that no save took is told now.
class ChangeEnd
{
public:
    explicit ChangeEnd(CDiarySession &session)
        : m_session(session)
    { }
    ~ChangeEnd() { m_session.EndChange(); }
    ChangeEnd(const ChangeEnd &) = delete;
    ChangeEnd &operator=(const ChangeEnd &) = delete;

private:
    CDiarySession &m_session;
};

} // namespace

CPlayDiary::CPlayDiary(CDiarySession &session, const QString &dataFilePath, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_store(std::make_unique<CPlayStore>(CPlayStore::PathFor(dataFilePath)))
{
    // Whatever is asked first, a view-only diary never opens the shared file as a database.
    m_store->SetViewOnly(session.Book().IsViewOnly());
    m_fold.setSingleShot(true);
    m_fold.setInterval(kFoldDelayMs);
    connect(&m_fold, &QTimer::timeout, this, [this] { m_store->FoldLog(); });
}

CPlayDiary::~CPlayDiary() = default;

void CPlayDiary::UseStore(std::unique_ptr<CPlayStore> store)
{
    m_store = std::move(store);
    m_store->SetViewOnly(m_session.Book().IsViewOnly());
}

QList<PlayNotice> CPlayDiary::Start()
{
    if (m_started)
        return {};
    m_started = true;
    const bool viewOnly = m_session.Book().IsViewOnly();
    if (!m_store->Check()) {
        m_problem = m_store->LastError();
        return {{PlayNotice::Icon::Warning, m_problem}};
    }
    if (viewOnly || !m_store->HasDatabase())
        return {};
    return Reconcile();
}

QList<PlayNotice> CPlayDiary::Reconcile()
{
    QList<int32_t> pending;
    if (!m_store->PendingDays(&pending))
        return {{PlayNotice::Icon::Warning, m_store->LastError()}};
    CMismatchSink sink(*m_store);
    CYearReader reader(m_session.Book().dataFilePath());
    // A file that cannot be read is not compared; its save would fail as well, and says so.
    const bool read = reader.Read(sink) && sink.TakeUnseenYears();
    if (!sink.Ok())
        return {{PlayNotice::Icon::Warning, m_store->LastError()}};
    if (!read) {
        WritePending();
        return {};
    }

    std::vector<DayChange> changes;
    QStringList lines;
    int told = 0;
    for (const CMismatchSink::Mismatch &found : sink.Found()) {
        changes.push_back(found.change);
        // A pending day was changed here and not yet saved: nothing the user did not ask for.
        if (std::binary_search(pending.cbegin(), pending.cend(), found.change.date))
            continue;
        if (++told <= kListedDays)
            lines << ChangeLine(found.change.date, found.before, found.change.record);
    }
    sink.Found().clear();
    sink.Found().shrink_to_fit();

    QString backupText;
    if (told > 0) {
        // The lines about to go, hand-written perhaps, are kept in a backup of their own.
        const BackupOutcome backup = m_session.BackUpNow();
        if (backup.status == BackupOutcome::Failed)
            backupText = backup.message;
        else if (!backup.path.isEmpty())
            backupText = kBackupNamed.arg(backup.path);
    }
    if (!changes.empty() && !m_session.ApplyDays(changes)) {
        m_unsaved = true; // the marks stay; the failure is told by the session
        return {};
    }
    Written(pending);
    if (told == 0)
        return {};
    if (told > kListedDays)
        lines << QStringLiteral("ほか %1 日").arg(told - kListedDays);
    QString text = kRewritten;
    if (!backupText.isEmpty())
        text += QLatin1Char('\n') + backupText;
    text += QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
    return {{PlayNotice::Icon::Information, text}};
}

bool CPlayDiary::IsAvailable() const
{
    return m_store->IsAvailable();
}

bool CPlayDiary::CanChange() const
{
    return m_store->IsAvailable() && !m_session.Book().IsViewOnly();
}

QString CPlayDiary::Problem() const
{
    if (!m_problem.isEmpty())
        return m_problem;
    if (m_store->IsAvailable() && m_session.Book().IsViewOnly())
        return kViewOnly;
    return m_store->LastError();
}

QList<PlaySession> CPlayDiary::SessionsOfDay(int date)
{
    QList<PlaySession> sessions;
    if (!m_store->SessionsOfDay(date, &sessions))
        sessions.clear();
    return sessions;
}

bool CPlayDiary::HasSessions(int date)
{
    PlayDaySums sums;
    return m_store->DaySums(date, &sums) && sums.sessions > 0;
}

QStringList CPlayDiary::Stores()
{
    QStringList names;
    m_store->Stores(&names);
    return names;
}

QStringList CPlayDiary::Machines()
{
    QStringList names;
    m_store->Machines(&names);
    return names;
}

bool CPlayDiary::Add(PlaySession &session, QString *problem)
{
    if (!CanChange()) {
        *problem = Problem();
        return false;
    }
    const ChangeEnd end(m_session);
    m_session.BackUpBeforeChange();
    if (!m_store->Add(session)) {
        *problem = m_store->LastError();
        return false;
    }
    WritePending();
    return true;
}

bool CPlayDiary::Update(PlaySession &session, QString *problem)
{
    if (!CanChange()) {
        *problem = Problem();
        return false;
    }
    const ChangeEnd end(m_session);
    m_session.BackUpBeforeChange();
    if (!m_store->Update(session)) {
        *problem = m_store->LastError();
        return false;
    }
    WritePending();
    return true;
}

bool CPlayDiary::Delete(qint64 id, QString *problem)
{
    if (!CanChange()) {
        *problem = Problem();
        return false;
    }
    const ChangeEnd end(m_session);
    m_session.BackUpBeforeChange();
    if (!m_store->Delete(id)) {
        *problem = m_store->LastError();
        return false;
    }
    WritePending();
    return true;
}

bool CPlayDiary::Import(std::span<const DayChange> days, QList<PlaySession> &sessions,
                        QString *backupPath, QString *problem)
{
    if (m_session.Book().IsViewOnly() || (!sessions.isEmpty() && !CanChange())) {
        *problem = m_session.Book().IsViewOnly() ? kViewOnly : Problem();
        return false;
    }
    const BackupOutcome backup = m_session.BackUpNow();
    if (backup.status == BackupOutcome::Failed) {
        *problem = backup.message;
        return false;
    }
    *backupPath = backup.path;
    if (!sessions.isEmpty() && !m_store->AddAll(sessions)) {
        *problem = m_store->LastError();
        return false;
    }
    // The days as given, but a day with sessions holds their sums, whatever the file said.
    std::vector<DayChange> changes(days.begin(), days.end());
    QList<int32_t> pending;
    std::vector<DayChange> sums;
    if (!PendingChanges(&pending, &sums)) {
        *problem = m_store->LastError();
        m_unsaved = true;
        return false;
    }
    if (!changes.empty()) {
        auto byDate = [](const DayChange &a, const DayChange &b) { return a.date < b.date; };
        const bool read = m_store->ForEachDaySums(
                changes.front().date, changes.back().date, [&](const PlayDaySums &day) {
                    const auto it = std::lower_bound(changes.begin(), changes.end(),
                                                     DayChange{day.day, {}}, byDate);
                    if (it != changes.end() && it->date == day.day && day.sessions > 0)
                        it->record = RecordOf(day);
                    return true;
                });
        if (!read) {
            *problem = m_store->LastError();
            m_unsaved = true;
            return false;
        }
        // The pending days' sums win over the given days.
        changes.insert(changes.end(), sums.begin(), sums.end());
        std::stable_sort(changes.begin(), changes.end(), byDate);
        std::vector<DayChange> unique;
        for (size_t k = 0; k < changes.size(); ++k)
            if (k + 1 == changes.size() || changes[k + 1].date != changes[k].date)
                unique.push_back(changes[k]);
        changes = std::move(unique);
    } else {
        changes = std::move(sums);
    }
    if (!m_session.ApplyDays(changes)) {
        *problem = QString(); // told through the session's reports; the marks stay
        m_unsaved = true;
        return false;
    }
    Written(pending);
    for (const DayChange &day : days)
        emit sessionsChanged(day.date);
    return true;
}

bool CPlayDiary::PendingChanges(QList<int32_t> *days, std::vector<DayChange> *changes)
{
    changes->clear();
    if (!m_store->PendingDays(days))
        return false;
    for (const int32_t day : std::as_const(*days)) {
        PlayDaySums sums;
        if (!m_store->DaySums(day, &sums))
            return false;
        // Without sessions left the day keeps the total it has: nothing to write.
        if (sums.sessions > 0)
            changes->push_back({day, RecordOf(sums)});
    }
    return true;
}

void CPlayDiary::Written(const QList<int32_t> &days)
{
    m_unsaved = false;
    // A mark that stays only has its day written again.
    m_store->ClearPending(days);
    if (!days.isEmpty())
        m_fold.start();
}

bool CPlayDiary::WritePending()
{
    QList<int32_t> days;
    std::vector<DayChange> changes;
    if (!PendingChanges(&days, &changes)) {
        m_unsaved = true;
        m_session.ReportProblem(m_store->LastError());
        return false;
    }
    const bool saved = changes.empty() || m_session.ApplyDays(changes);
    if (saved)
        Written(days);
    else
        m_unsaved = true;
    for (const int32_t day : std::as_const(days))
        emit sessionsChanged(day);
    return saved;
}

bool CPlayDiary::HasDatabaseToCopy() const
{
    return m_store->IsAvailable() && !m_store->IsViewOnly() && QFileInfo::exists(m_store->Path());
}

QString CPlayDiary::CopyDatabase(const QString &target)
{
    return m_store->BackupTo(target) ? QString() : m_store->LastError();
}

#pragma once

#include "data/DayRecord.h"
#include "data/DurableFile.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QIODevice;

// How a day's result was entered; the values are the integers of the data file. Any other integer
// read from the file is kept as read and written back unchanged.
enum class EntryMethod : int32_t {
    None = -1, // no result
    Amounts = 0, // collected and invested
    Balance = 1, // the balance alone
};

// One calendar day of the loaded period. Amounts are in units of 100 yen.
struct DayResult
{
    QString dateText; // "yyyy/mm/dd (曜)"
    int32_t date = 0; // yyyymmdd
    EntryMethod entryMethod = EntryMethod::None;
    int32_t collected = 0;
    int32_t invested = 0;
    int32_t balance = 0;
    int32_t monthCollected = 0;
    int32_t monthInvested = 0;
    int32_t monthBalance = 0;
    int32_t periodBalance = 0;
};

struct MonthEntry
{
    int32_t month = 0; // yyyymm
    QString monthText; // "yyyy/mm"
    int32_t lastDay = 0; // index in days of the month's last day
};

// The days of one target period (at most twelve months) and the data file they live in. The book
// is the only writer of its days: others read them through the const accessors, and a day's result
// changes only through EnterDay. The arrays are allocated once and reused for every period.
//
// A save changes only the days entered since the last save (SaveDays: any days, of the period or
// not). It reads the file as it is then: a day that has lines gets one line as the writer makes
// it in place of its last line and loses its others; a new day goes before the first line with a
// later date, or at the end; a day without a result loses its lines. Every other line keeps its
// bytes; only its line end becomes CR LF. The period is then read again from what was written
// when another program had changed the file, so that its edits show at once.
class CResultBook : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxDays = 370;
    static constexpr int kMaxMonths = 12;

    explicit CResultBook(const QString &dataFilePath = QStringLiteral("Murel1.Dat"),
                         QObject *parent = nullptr);
    // Never saves: whoever closes decides what happens to unsaved changes.
    ~CResultBook() override;

    // Never saves: a modified book is refused (false, the period kept with its changes); save or
    // Clear it first. When the file cannot be read whole, the period is laid out and its running
    // sums computed from what was read all the same, and it is never saved (IsReadWhole).
    bool LoadPeriod(int endMonth, int yearBasisJanuary, int yearsBack);
    void BuildCalendar(int endMonth, int yearBasisJanuary, int yearsBack);
    bool Load();
    // Writes the days entered since the last save into the data file; once the file holds them,
    // the book is no longer modified. Nothing entered: nothing is written.
    bool Save();
    // Writes these days (ascending dates, each at most once; of the period or not) and the days
    // entered since the last save into the data file, the given records winning. The period is
    // then read again from the file.
    bool SaveDays(std::span<const DayChange> changes);
    void Clear();

    // Enters the result of the day with this date key: by amounts, collected and invested are kept
    // and the balance is collected minus invested, whatever balance is given; by the balance alone,
    // collected and invested are stored as 0; all three 0 leave the day without a result.
    // Recalculates the running sums from that day, marks the book modified and emits dayChanged.
    // False when the period has no such day, or was not read whole (IsReadWhole).
    bool EnterDay(int date, EntryMethod method, int32_t collected, int32_t invested,
                  int32_t balance);

    std::span<const DayResult> Days() const;
    const DayResult &Day(int index) const { return days[index]; }
    const MonthEntry &Month(int index) const { return months[index]; }
    int DayCount() const { return dayCount; }
    int MonthCount() const { return monthCount; }
    // Index of the day with this date key, or -1.
    int IndexOf(int date) const;
    const QString &LastError() const { return lastError; }
    // The error number behind the last failure (0 when it had none).
    int LastErrorCode() const { return m_lastErrorCode; }
    bool IsModified() const { return modified; }
    // After a successful save: whether the file had been changed by another program since this
    // book last read or wrote it, and the first day whose result the reading after the save
    // changed (-1: none besides the entered days).
    bool FoundChangedElsewhere() const { return m_changedElsewhere; }
    int FirstChangedBySave() const { return m_firstChanged; }
    // False after a load that could not read the file whole: saving that period could drop lines
    // it never read, so it takes no entries and Save refuses it until another load succeeds.
    bool IsReadWhole() const { return !m_loadFailed; }
    // A diary opened for viewing only (another computer holds the data file): it takes no
    // entries and never writes the file.
    void SetViewOnly(bool viewOnly) { m_viewOnly = viewOnly; }
    bool IsViewOnly() const { return m_viewOnly; }

    static QString DateText(int key);
    static int DaysInMonth(int monthKey);
    static int AddMonths(int monthKey, int n);
    // What LastError() says after a failed load or save.
    static QString LoadFailedText();
    static QString SaveFailedText();

    QString dataFilePath() const { return m_path; }

    // Empty when the data file can be saved as far as can be seen without writing; otherwise the
    // warning to show once at start, naming the file and the reason. Viewing works either way.
    QString WritableProblem() const;

signals:
    // The result of the day at index changed; the running sums from it on were recalculated.
    void dayChanged(int index);

protected:
    // Every byte read from the data file passes through ReadIn, and every save through the writer
    // MakeWriter makes, so that tests can make each step fail. ReadIn returns what
    // QIODevice::read returns; a failing read leaves errno at its reason (0 when it has none),
    // which the failure text names.
    virtual qint64 ReadIn(QIODevice &in, char *buffer, qint64 size);
    virtual std::unique_ptr<CDurableFile> MakeWriter(const QString &target);

    void Recalculate(int fromDay);
    // Every day of the period counts as entered: the next save writes them all.
    void SetModified();
    // The day at index counts as entered: the next save writes it as the book holds it.
    void MarkEntered(int index);

    // For test subclasses and the data file fuzzer only: the whole day table, writable, and a day
    // count taken as given. They lay out states that no entry can make, such as amounts on a day
    // without a result or a count outside the table.
    std::span<DayResult, kMaxDays> DayTable() { return days; }
    void SetDayCountUnchecked(int32_t count) { dayCount = count; }

private:
    class FileSave;
    bool Fail(const QString &what, int code, const QString &fallback = QString());
    void ClearEntered();
    // The period's lines as the save wrote them: where each day's last line stands and, for the
    // days to take, their records; the running sums from the first change on. A file that nobody
    // else wrote since the book last read or wrote it holds what the book holds but for the days
    // written.
    void TakeReadBack(const DayRecord *records, const qint64 *lastLines,
                      const std::vector<bool> &take);

    QString lastError;
    DayResult days[kMaxDays];
    int32_t dayCount = 0;
    MonthEntry months[kMaxMonths];
    int32_t monthCount = 0;
    bool modified = false;

    QString m_path;
    bool m_loadFailed = false; // a period whose load failed must never be saved over the file
    bool m_viewOnly = false;
    int m_lastErrorCode = 0;
    bool m_changedElsewhere = false;
    int m_firstChanged = -1;

    // The days entered since the last save.
    bool m_entered[kMaxDays] = {};
    // What the book knows of the file as it last read or wrote it: its stamp and, when every line
    // was looked at, the offset of each period day's last line (-1: none). A save into a file
    // with the same stamp need not look for those lines first.
    FileStamp m_stamp;
    bool m_linesKnown = false;
    qint64 m_lastLine[kMaxDays] = {};
};

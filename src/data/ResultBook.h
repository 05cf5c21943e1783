#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <span>

class QFileDevice;
class QIODevice;
class QSaveFile;

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

    // Saves a modified period first; when that fails the old period stays loaded and modified.
    // When the file cannot be read whole, the period is laid out and its running sums computed from
    // what was read all the same, and it is never saved (IsReadWhole).
    bool LoadPeriod(int endMonth, int yearBasisJanuary, int yearsBack);
    void BuildCalendar(int endMonth, int yearBasisJanuary, int yearsBack);
    bool Load();
    // Writes the period into the data file; once the file holds it, the book is no longer
    // modified.
    bool Save();
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
    std::span<const MonthEntry> Months() const;
    const MonthEntry &Month(int index) const { return months[index]; }
    int DayCount() const { return dayCount; }
    int MonthCount() const { return monthCount; }
    // Index of the day with this date key, or -1.
    int IndexOf(int date) const;
    const QString &LastError() const { return lastError; }
    bool IsModified() const { return modified; }
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
    // Every byte of the data file passes through ReadIn and WriteOut, and every save through the
    // steps after them, so that tests can make each step fail. ReadIn and WriteOut return what
    // QIODevice::read and QIODevice::write return; the others return false on failure. A failing
    // step leaves errno at its reason (0 when it has none), which the failure text names.
    virtual qint64 ReadIn(QIODevice &in, char *buffer, qint64 size);
    virtual qint64 WriteOut(QIODevice &out, const char *data, qint64 size);
    virtual bool FlushOut(QFileDevice &out); // whatever the device still buffers
    virtual bool SyncOut(QFileDevice &out); // the new file's data onto the disk
    virtual bool CommitOut(QSaveFile &out); // the new file replaces the data file

    void Recalculate(int fromDay);
    void SetModified();

    // For test subclasses and the data file fuzzer only: the whole day table, writable, and a day
    // count taken as given. They lay out states that no entry can make, such as amounts on a day
    // without a result or a count outside the table.
    std::span<DayResult, kMaxDays> DayTable() { return days; }
    void SetDayCountUnchecked(int32_t count) { dayCount = count; }

private:
    bool Fail(const QString &what, int code, const QString &fallback = QString());

    QString lastError;
    DayResult days[kMaxDays];
    int32_t dayCount = 0;
    MonthEntry months[kMaxMonths];
    int32_t monthCount = 0;
    bool modified = false;

    QString m_path;
    bool m_loadFailed = false; // a period whose load failed must never be saved over the file
    bool m_viewOnly = false;
};

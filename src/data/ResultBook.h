#pragma once

#include <QString>

#include <cstdint>

class QFileDevice;
class QIODevice;
class QSaveFile;

// One calendar day of the loaded period. Amounts are in units of 100 yen.
struct DayResult
{
    QString dateText; // "yyyy/mm/dd (曜)"; also the key the daily input window looks the day up by
    int32_t date = 0; // yyyymmdd
    int32_t entryMethod = -1; // -1 no result, 0 collected and invested, 1 balance alone
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

// The days of one target period (at most twelve months) and the data file they live in.
// The arrays are allocated once and reused for every period.
class CResultBook
{
public:
    static constexpr int kMaxDays = 370;
    static constexpr int kMaxMonths = 12;

    explicit CResultBook(const QString &dataFilePath = QStringLiteral("Murel1.Dat"));
    virtual ~CResultBook();

    CResultBook(const CResultBook &) = delete;
    CResultBook &operator=(const CResultBook &) = delete;

    bool LoadPeriod(int endMonth, int yearBasisJanuary, int yearsBack);
    void BuildCalendar(int endMonth, int yearBasisJanuary, int yearsBack);
    bool Load();
    bool Save();
    void Recalculate(int fromDay);
    void SetModified();
    void Clear();

    static QString DateText(int key);
    static int DaysInMonth(int monthKey);
    static int AddMonths(int monthKey, int n);

    QString dataFilePath() const { return m_path; }

    // Empty when the data file can be saved as far as can be seen without writing; otherwise the
    // warning to show once at start, naming the file and the reason. Viewing works either way.
    QString WritableProblem() const;

    QString lastError;
    DayResult days[kMaxDays];
    int32_t dayCount = 0;
    MonthEntry months[kMaxMonths];
    int32_t monthCount = 0;
    int modified = 0;

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

private:
    bool Fail(const QString &what, int code, const QString &fallback = QString());

    QString m_path;
    bool m_loadFailed = false; // a period whose load failed must never be saved over the file
};

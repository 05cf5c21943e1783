#include "data/YearReader.h"

#include "data/DataLine.h"
#include "data/DayLine.h"
#include "data/ResultBook.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString kLoadFailed = CResultBook::LoadFailedText();

constexpr int kMonthStart[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthStartLeap[13] = {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};
constexpr int kMonthLength[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Index of a day within its year, or -1 when it is no real calendar day of a year from 1 on.
inline int DayIndex(int year, int month, int day)
{
    if (year < 1 || unsigned(month - 1) > 11 || day < 1)
        return -1;
    // Only a day past the 28th needs the month's length; only from March on does a leap year
    // shift the index.
    if (day > 28 || month > 2) {
        const bool leap = CYearReader::IsLeapYear(year);
        if (day > kMonthLength[month] + (leap && month == 2))
            return -1;
        return (leap ? kMonthStartLeap : kMonthStart)[month] + day - 1;
    }
    return kMonthStart[month] + day - 1;
}

// The index of each day of the year by month * 32 + day, -1 for no calendar day: the reading of
// a date whose year is already known then needs no test of the month's length. The last key is
// that of the day after 31 December.
struct DayKeys
{
    int16_t index[13 * 32 + 1];
};

constexpr DayKeys MakeDayKeys(bool leap)
{
    DayKeys keys{};
    keys.index[13 * 32] = -1;
    for (int month = 0; month <= 12; ++month) {
        for (int day = 0; day < 32; ++day) {
            const int length = month == 0 ? 0 : kMonthLength[month] + (leap && month == 2);
            const int start = (leap ? kMonthStartLeap : kMonthStart)[month];
            keys.index[month * 32 + day]
                    = int16_t(day >= 1 && day <= length ? start + day - 1 : -1);
        }
    }
    return keys;
}

constexpr DayKeys kDayKeys[2] = {MakeDayKeys(false), MakeDayKeys(true)};

constexpr std::array<DayRecord, 366> NoDays()
{
    std::array<DayRecord, 366> days{};
    for (DayRecord &day : days)
        day = DayRecord();
    return days;
}

// A year without any day, copied over a slot taken for a new year.
constexpr std::array<DayRecord, 366> kNoDays = NoDays();

struct YearTable
{
    int year = 0; // 0: the slot is free
    int length = 0;
    DayRecord days[366];

    void Reset(int y)
    {
        year = y;
        length = CYearReader::DaysInYear(y);
        std::copy(std::begin(kNoDays), std::end(kNoDays), days);
    }
    std::span<const DayRecord> Days() const { return {days, size_t(length)}; }
};

} // namespace

// The open year tables of one pass through the file.
//
// The first pass keeps a window of the most recent years and hands the oldest one out when a
// newer year needs its slot, so a file in ascending order (as the program writes it) is read
// once with a fixed amount of memory. A line of a year that was handed out already (or older
// than every open year) means the file is far out of order, which only a hand-edited file is:
// the reading then starts over, and each following pass collects the next kBatchYears years
// above those handed out, whatever their order in the file.
class CYearReader::Pass
{
public:
    enum Mode { Window, Batch };

    Pass(CYearSink &sink, Mode mode, int after)
        : m_sink(sink)
        , m_mode(mode)
        , m_after(after)
        , m_capacity(mode == Window ? kWindowYears : kBatchYears)
    { }

    // The table of a year for a line to go into; nullptr when the line is not for this pass.
    DayRecord *Table(int year)
    {
        if (year == m_lastYear)
            return m_lastDays;
        return Lookup(year);
    }

    // Reads the whole lines of [p, end) into their years' tables. Returns nullptr when the pass
    // has to stop because the reading starts over, otherwise the start of the first line left: it
    // stops when fewer than linemasks::kReach bytes are left, or at a line whose LF is not in the
    // buffer.
    const char *TakeLines(const char *p, const char *end);

    // TakeLine and TakePieces read one line of any form, the general way. False when the pass
    // has to stop because the reading starts over.

    // A line whole in the buffer from p up to end (its line end removed).
    Q_NEVER_INLINE bool TakeLine(const char *p, const char *end)
    {
        if (end > p && end[-1] == '\r')
            --end;
        const int32_t date = dataline::Date(p, end);
        if (DayOfYear(date) < 0)
            return true;
        int32_t read;
        return Take(date, dataline::Read(p, end, read));
    }

    // A line longer than the buffer, fed in pieces and finished.
    bool TakePieces(const dataline::LineFields &pieces)
    {
        return Take(pieces.Date(), pieces.Record());
    }

    bool restart = false;

    // Hands out the open years in ascending order. True when a further pass is needed.
    bool Finish()
    {
        std::vector<YearTable *> open;
        for (auto &table : m_tables)
            if (table->year != 0)
                open.push_back(table.get());
        std::sort(open.begin(), open.end(),
                  [](const YearTable *a, const YearTable *b) { return a->year < b->year; });
        for (const YearTable *table : open)
            m_sink.TakeYear(table->year, table->Days());
        if (!open.empty())
            m_after = open.back()->year;
        return m_mode == Batch && int(open.size()) == m_capacity;
    }
    int LastHandedOut() const { return m_after; }

private:
    bool Take(int32_t date, const DayRecord &record)
    {
        const int index = DayOfYear(date);
        if (index < 0)
            return true;
        DayRecord *const table = Table(date / 10000);
        if (!table)
            return !restart;
        table[index] = record;
        return true;
    }

    // The year that plain lines go to: its four digits as they stand in the file (0, which is no
    // four digits, when there is none), its table and its day keys.
    struct PlainYear
    {
        uint32_t digits = 0;
        DayRecord *days = nullptr;
        const int16_t *keys = nullptr;
    };

    // The year of a date of eight digits, when the date is a calendar day of a year this pass
    // collects.
    Q_NEVER_INLINE PlainYear OpenYear(uint64_t dateWord)
    {
        int year, month, day;
        dayline::DateParts(dateWord, year, month, day);
        if (DayIndex(year, month, day) < 0)
            return {};
        DayRecord *const table = Table(year);
        if (!table)
            return {};
        return {uint32_t(dateWord), table, kDayKeys[IsLeapYear(year)].index};
    }

    DayRecord *Lookup(int year)
    {
        if (year <= m_after) {
            // Handed out already: a second pass collects it again.
            restart = m_mode == Window;
            return nullptr;
        }
        YearTable *slot = nullptr;
        for (auto &table : m_tables) {
            if (table->year == year)
                return Remember(table.get());
        }
        if (int(m_tables.size()) < m_capacity) {
            m_tables.push_back(std::make_unique<YearTable>());
            slot = m_tables.back().get();
        } else {
            const auto extreme = m_mode == Window
                    ? std::min_element(
                            m_tables.begin(), m_tables.end(),
                            [](const auto &a, const auto &b) { return a->year < b->year; })
                    : std::max_element(
                            m_tables.begin(), m_tables.end(),
                            [](const auto &a, const auto &b) { return a->year < b->year; });
            slot = extreme->get();
            if (m_mode == Window) {
                if (year < slot->year) {
                    restart = true; // older than every open year
                    return nullptr;
                }
                m_sink.TakeYear(slot->year, slot->Days());
                m_after = slot->year;
            } else if (year > slot->year) {
                return nullptr; // a later pass takes it
            }
            // A batch drops its newest year for an older one; a later pass reads it again.
        }
        slot->Reset(year);
        return Remember(slot);
    }

    DayRecord *Remember(YearTable *table)
    {
        m_lastYear = table->year;
        m_lastDays = table->days;
        return m_lastDays;
    }

    CYearSink &m_sink;
    const Mode m_mode;
    int m_after; // every year up to this one is handed out
    const int m_capacity;
    std::vector<std::unique_ptr<YearTable>> m_tables;
    int m_lastYear = 0;
    DayRecord *m_lastDays = nullptr;
};

const char *CYearReader::Pass::TakeLines(const char *p, const char *const end)
{
    // The year of the last plain line, and its date as its eight bytes (0 when there is none)
    // with its key. They are kept here rather than in members, where every record written might
    // have changed them as far as the compiler knows.
    PlainYear year;
    uint64_t lastDate = 0;
    unsigned lastKey = 0;
    while (end - p >= linemasks::kReach) {
        // Nearly every line is plain and fits in 32 bytes.
        linemasks::Masks m;
        linemasks::Classify<0>(p, m);
        linemasks::Classify<16>(p + 16, m);
        dayline::PlainCommas commas;
        unsigned length = dayline::PlainLength(p, m, commas);
        if (length == 0) {
            linemasks::Classify<32>(p + 32, m);
            linemasks::Classify<48>(p + 48, m);
            length = dayline::PlainLength(p, m, commas);
        }
        if (length == 0) {
            const auto *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!nl)
                return p;
            if (!TakeLine(p, nl))
                return nullptr;
            // The slot of the plain lines' year may have been given to another year.
            year = {};
            lastDate = 0;
            p = nl + 1;
            continue;
        }
        // Nearly every date is the day after the line before (the next day of a month differs
        // in the last byte alone), or else of the same year.
        const uint64_t date = dayline::Load8(p);
        unsigned key;
        if (date - lastDate == uint64_t(1) << 56) {
            key = lastKey + 1;
        } else {
            if (uint32_t(date) != year.digits) {
                year = OpenYear(date);
                lastDate = 0;
                if (year.digits == 0) {
                    if (restart)
                        return nullptr;
                    p += length; // no calendar day, or a year this pass leaves
                    continue;
                }
            }
            key = dayline::MonthDayKey(date);
        }
        lastDate = date;
        lastKey = key;
        if (const int index = year.keys[key]; index >= 0)
            dayline::PlainRecord(p, m, commas, year.days[index]);
        p += length;
    }
    return p;
}

CYearReader::CYearReader(const QString &dataFilePath)
    : m_path(dataFilePath)
{ }

CYearReader::~CYearReader() = default;

int CYearReader::DayOfYear(int32_t date)
{
    return DayIndex(date / 10000, date / 100 % 100, date % 100);
}

qint64 CYearReader::ReadIn(QIODevice &in, char *buffer, qint64 size)
{
    return in.read(buffer, size);
}

bool CYearReader::Read(CYearSink &sink)
{
    lastError.clear();
    lastReason.clear();
    m_passes = 0;
    sink.Begin();

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!file.exists())
            return true; // nothing entered yet
        lastError = kLoadFailed;
        lastReason = file.errorString();
        return false;
    }
    m_file = &file;

    Pass first(sink, Pass::Window, 0);
    bool ok = RunPass(first);
    if (ok && first.restart) {
        sink.Begin();
        int after = 0;
        bool more = true;
        while (ok && more) {
            Pass pass(sink, Pass::Batch, after);
            ok = file.seek(0) && RunPass(pass);
            if (ok) {
                more = pass.Finish();
                after = pass.LastHandedOut();
            }
        }
    } else if (ok) {
        first.Finish();
    }
    if (!ok) {
        lastError = kLoadFailed;
        lastReason = file.errorString();
    }
    m_file = nullptr;
    return ok;
}

bool CYearReader::RunPass(Pass &pass)
{
    ++m_passes;
    // The reader's own buffer rather than a LineReader's: TakeLines needs the buffer's lines
    // side by side, not one at a time, and the bytes after each line's start.
    const qsizetype capacity = std::max(m_capacity, LineReader::kMinCapacity);
    const std::unique_ptr<char[]> buffer(new char[size_t(capacity)]);
    char *const begin = buffer.get();
    qsizetype size = 0;
    dataline::LineFields pieces;
    bool inLongLine = false;
    for (;;) {
        const qint64 n = ReadIn(*m_file, begin + size, capacity - size);
        if (n < 0)
            return false;
        const bool atEnd = n == 0;
        size += qsizetype(n);
        const char *p = begin;
        const char *const end = begin + size;
        if (inLongLine) {
            const auto *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(size)));
            pieces.Feed(p, (nl ? nl : end) - p);
            if (!nl && !atEnd) {
                size = 0;
                continue;
            }
            inLongLine = false;
            pieces.Finish();
            if (!pass.TakePieces(pieces))
                return true;
            pieces.Reset();
            p = nl ? nl + 1 : end;
        }
        p = pass.TakeLines(p, end);
        if (!p)
            return true;
        // The last lines of the buffer, too close to its end for the walk.
        while (const auto *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) {
            if (!pass.TakeLine(p, nl))
                return true;
            p = nl + 1;
        }
        if (atEnd) {
            if (p < end)
                pass.TakeLine(p, end); // the last line has no line end
            return true;
        }
        if (p == begin && size == capacity) {
            // A line longer than the buffer goes on in pieces.
            pieces.Feed(p, size);
            inLongLine = true;
            size = 0;
            continue;
        }
        size = end - p;
        std::memmove(begin, p, size_t(size));
    }
}

void ForEachBookDay(const CResultBook &book,
                    const std::function<void(int32_t date, const DayRecord &day)> &visit)
{
    for (const DayResult &d : book.Days()) {
        visit(d.date,
              DayRecord{static_cast<int32_t>(d.entryMethod), d.collected, d.invested, d.balance});
    }
}

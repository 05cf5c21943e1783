#include "data/YearReader.h"

#include "data/DayLine.h"
#include "data/ResultBook.h"

#include <QFile>

#include <algorithm>
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

// The four fields behind the date: entry method, balance, collected, invested (the amounts in
// yen, made hundreds by a division that truncates toward zero).
inline void Store(DayRecord &day, const int32_t (&fields)[4])
{
    day.method = fields[0];
    day.balance = fields[1] / 100;
    day.collected = fields[2] / 100;
    day.invested = fields[3] / 100;
}

struct YearTable
{
    int year = 0; // 0: the slot is free
    int length = 0;
    DayRecord days[366];

    void Reset(int y)
    {
        year = y;
        length = CYearReader::DaysInYear(y);
        std::fill(std::begin(days), std::end(days), DayRecord());
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
    LineReader reader([this](char *buffer, qint64 size) { return ReadIn(*m_file, buffer, size); },
                      m_capacity);
    LineFields pieces;
    LineReader::Piece piece;
    while (reader.Next(piece)) {
        int32_t fields[4] = {};
        int year = 0;
        int dayIndex = -1;
        if (piece.firstOfLine && piece.lastOfLine) {
            // The whole line is at hand: the date first, the other fields only for a real date.
            const char *p = piece.data;
            const char *const end = p + piece.size;
            uint64_t commas = 0;
            int month = 0;
            int day = 0;
            if (dayline::kFast && piece.size >= 16 && piece.size <= 64
                && ((commas = dayline::CommaMask(p, piece.size)) & 0x1FF) == 0x100
                && dayline::DateDigits(p, year, month, day)) {
                // The common line: eight digits, a comma, short fields.
                if ((dayIndex = DayIndex(year, month, day)) < 0)
                    continue;
                dayline::FastFields(p, commas, fields);
            } else {
                const auto *comma
                        = static_cast<const char *>(std::memchr(p, ',', size_t(piece.size)));
                if (!comma)
                    continue;
                const int32_t date = ReadNumber(p, comma);
                if ((dayIndex = DayOfYear(date)) < 0)
                    continue;
                year = date / 10000;
                p = comma + 1;
                for (int k = 0; k < 4 && p; ++k)
                    p = dayline::ReadField(p, end, fields[k]);
            }
        } else {
            // A line longer than the buffer, in pieces.
            pieces.Feed(piece.data, piece.size);
            if (!piece.lastOfLine)
                continue;
            const int32_t date = pieces.Complete() > 0 ? pieces.Value(0) : 0;
            for (int k = 0; k < 4; ++k)
                fields[k] = pieces.Value(k + 1);
            pieces.Reset();
            if ((dayIndex = DayOfYear(date)) < 0)
                continue;
            year = date / 10000;
        }
        DayRecord *const table = pass.Table(year);
        if (!table) {
            if (pass.restart)
                break;
            continue;
        }
        Store(table[dayIndex], fields);
    }
    return !reader.Failed();
}

void ForEachBookDay(const CResultBook &book,
                    const std::function<void(int32_t date, const DayRecord &day)> &visit)
{
    for (const DayResult &d : book.Days()) {
        visit(d.date,
              DayRecord{static_cast<int32_t>(d.entryMethod), d.collected, d.invested, d.balance});
    }
}

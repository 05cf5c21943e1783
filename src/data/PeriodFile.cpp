// The result book on its data file: reading the period, and saving the days entered.
#include "data/DataLine.h"
#include "data/FileProblem.h"
#include "data/LineReader.h"
#include "data/ResultBook.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kLoadFailed = CResultBook::LoadFailedText();
const QString kSaveFailed = CResultBook::SaveFailedText();
const QString kCreateFailed = QStringLiteral("ファイルを作成できませんでした。");
const QString kCannotSave
        = QStringLiteral("データファイルに書き込めないため、結果を保存できません。");

// The first failure of a read, as errno and the device's own words right after it.
struct StepFailure
{
    bool failed = false;
    int code = 0;
    QString text;

    void Note(int errnoNow, const QIODevice &device)
    {
        if (failed)
            return;
        failed = true;
        code = errnoNow;
        text = FileProblem::DeviceText(device);
    }
};

#if defined(Q_OS_UNIX)
// The file behind a device that keeps no buffer of its own, or -1.
int DirectHandle(const QIODevice &device)
{
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    if (!file || !device.openMode().testFlag(QIODevice::Unbuffered))
        return -1;
    return file->handle();
}
#endif

// The days of the period, and a quick answer to whether a date is one of them.
struct Period
{
    Period(std::span<const DayResult> days)
        : days(days)
        , first(days.empty() ? 1 : days.front().date)
        , last(days.empty() ? 0 : days.back().date)
    { }

    int IndexOf(int32_t date) const
    {
        if (date < first || date > last)
            return -1;
        const auto it = std::lower_bound(
                days.begin(), days.end(), date,
                [](const DayResult &day, int32_t value) { return day.date < value; });
        return it != days.end() && it->date == date ? int(it - days.begin()) : -1;
    }

    std::span<const DayResult> days;
    int32_t first;
    int32_t last;
};

// Every line of the input, the long ones in pieces: take(date, record, offset) for each line whose
// date wants(date) says is wanted. The record is read only for those, and a line whose start
// skip(begin) rules out is not read at all.
template<class Skip, class Wants, class Take>
bool ReadLines(LineReader &reader, Skip &&skip, Wants &&wants, Take &&take)
{
    auto whole = [&](const char *begin, const char *nl) {
        if (skip(begin))
            return true;
        const char *const end = LineReader::LineEnd(begin, nl);
        const int32_t date = dataline::Date(begin, end);
        if (wants(date)) {
            int32_t read;
            take(date, dataline::Read(begin, end, read), reader.OffsetOf(begin));
        }
        return true;
    };
    dataline::LineFields fields;
    qint64 start = 0;
    LineReader::Piece piece;
    for (;;) {
        reader.TakeWholeLines(whole);
        if (!reader.Next(piece))
            break;
        if (piece.firstOfLine && piece.lastOfLine) {
            const int32_t date = dataline::Date(piece.data, piece.data + piece.size);
            if (wants(date)) {
                int32_t read;
                take(date, dataline::Read(piece.data, piece.data + piece.size, read),
                     reader.OffsetOf(piece.data));
            }
            continue;
        }
        if (piece.firstOfLine) {
            fields.Reset();
            start = reader.OffsetOf(piece.data);
        }
        fields.Feed(piece.data, piece.size);
        if (!piece.lastOfLine)
            continue;
        fields.Finish();
        if (wants(fields.Date()))
            take(fields.Date(), fields.Record(), start);
    }
    return !reader.Failed();
}

} // namespace

qint64 CResultBook::ReadIn(QIODevice &in, char *buffer, qint64 size)
{
#if defined(Q_OS_UNIX)
    // Straight to the system, so that errno still holds the reason when this fails.
    if (const int fd = DirectHandle(in); fd >= 0) {
        ssize_t n;
        do
            n = ::read(fd, buffer, size_t(size));
        while (n < 0 && errno == EINTR);
        return n;
    }
#endif
    return in.read(buffer, size);
}

std::unique_ptr<CDurableFile> CResultBook::MakeWriter(const QString &target)
{
    return std::make_unique<CDurableFile>(target);
}

bool CResultBook::Fail(const QString &what, int code, const QString &fallback)
{
    lastError = FileProblem::Message(what, m_path, FileProblem::Reason(code, fallback));
    m_lastErrorCode = code;
    return false;
}

QString CResultBook::WritableProblem() const
{
    const int code = FileProblem::WriteProbe(m_path);
    if (code == 0)
        return QString();
    return FileProblem::Message(kCannotSave, m_path, FileProblem::Reason(code));
}

bool CResultBook::Load()
{
    lastError.clear();
    m_lastErrorCode = 0;
    m_loadFailed = false;
    m_linesKnown = false;
    QFile file(m_path);
#if defined(Q_OS_UNIX)
    // A FIFO or a device is never opened: opening one can wait for ever or never end.
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode)
        && !S_ISDIR(st.st_mode)) {
        m_loadFailed = true;
        return Fail(kLoadFailed, 0, FileProblem::NotRegularFile());
    }
#endif
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        if (FileProblem::AbsentInExistingFolder(m_path)) {
            // The first start leaves an empty data file behind. When it cannot be made, there is
            // no file whose lines a later save could drop, so this period may still be saved.
            errno = 0;
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                m_stamp = FileStamp::OfHandle(file.handle());
                std::fill(std::begin(m_lastLine), std::end(m_lastLine), -1);
                m_linesKnown = true;
                return true;
            }
            const int created = errno;
            const int probe = FileProblem::WriteProbe(m_path);
            return Fail(kCreateFailed, probe ? probe : created, FileProblem::DeviceText(file));
        }
        // The file may be there without being readable, or its folder may come back with it (a
        // drive not yet mounted): saving this period could then drop the lines it never read.
        m_loadFailed = true;
        if (const int folder = FileProblem::WriteProbe(m_path);
            folder == ENOENT || folder == ENOTDIR)
            return Fail(kCreateFailed, folder);
        const int probe = FileProblem::ReadProbe(m_path);
        return Fail(kLoadFailed, probe ? probe : seen, FileProblem::DeviceText(file));
    }
    // Taken before reading: a change made meanwhile shows at the next save.
    m_stamp = FileStamp::OfHandle(file.handle());

    StepFailure failure;
    LineReader reader([&](char *buffer, qint64 size) {
        errno = 0;
        const qint64 n = ReadIn(file, buffer, size);
        if (n < 0)
            failure.Note(errno, file);
        return n;
    });
    const Period period(Days());
    std::fill(std::begin(m_lastLine), std::end(m_lastLine), -1);
    // Every line is looked at: a file that was edited, merged or restored by hand can hold a day
    // of the period anywhere. The last line of a day wins.
    // A line that starts with eight bytes and a comma has them as its date: when they do not lie
    // between the period's first and last date (compared as text), no day of the period is read
    // from it, whatever they are. Only dates of eight digits compare so.
    const bool eightDigits = period.first >= 10000000 && period.last <= 99999999;
    const uint64_t low = dataline::DateWord(period.first);
    const uint64_t span = dataline::DateWord(period.last) - low;
    const bool read = ReadLines(
            reader,
            [&](const char *begin) {
                uint64_t word;
                std::memcpy(&word, begin, sizeof word);
                return eightDigits && begin[8] == ',' && qFromBigEndian(word) - low > span;
            },
            [&](int32_t date) { return date >= period.first && date <= period.last; },
            [&](int32_t date, const DayRecord &record, qint64 offset) {
                const int index = period.IndexOf(date);
                if (index < 0)
                    return;
                DayResult &day = days[index];
                day.entryMethod = static_cast<EntryMethod>(record.method);
                day.balance = record.balance;
                day.collected = record.collected;
                day.invested = record.invested;
                m_lastLine[index] = offset;
            });
    if (!read) {
        m_loadFailed = true;
        return Fail(kLoadFailed, failure.code, failure.text);
    }
    m_linesKnown = true;
    return true;
}

bool CResultBook::Save()
{
    return SaveDays({});
}

// A save of the result book: the days to change applied to the data file as it is now, every
// other line kept, and the period read back from what was written.
#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "data/SavePass.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

const QString kSaveFailed = CResultBook::SaveFailedText();

} // namespace

using namespace savepass;

bool CResultBook::SaveDays(std::span<const DayChange> given)
{
    lastError.clear();
    m_lastErrorCode = 0;
    m_changedElsewhere = false;
    m_firstChanged = -1;
    if (m_viewOnly)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("表示専用で開いているため、ファイルを書き換えません。"));
    // The days of a period that was not read whole are no ground for a save.
    if (m_loadFailed)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("読み込めなかった期間のため、ファイルを書き換えません。"));

    // The days given (the last of one date winning), and those entered that they do not name.
    Changes changes;
    changes.days.assign(given.begin(), given.end());
    std::stable_sort(changes.days.begin(), changes.days.end(),
                     [](const DayChange &a, const DayChange &b) { return a.date < b.date; });
    for (size_t k = 0; k + 1 < changes.days.size();)
        changes.days[k].date == changes.days[k + 1].date
                ? void(changes.days.erase(changes.days.begin() + qsizetype(k)))
                : void(++k);
    const size_t named = changes.days.size();
    for (int i = 0; i < dayCount; ++i) {
        const DayResult &day = days[i];
        const auto end = changes.days.begin() + qsizetype(named);
        if (m_entered[i]
            && !std::binary_search(
                    changes.days.begin(), end, DayChange{day.date, {}},
                    [](const DayChange &a, const DayChange &b) { return a.date < b.date; }))
            changes.days.push_back({day.date,
                                    DayRecord{static_cast<int32_t>(day.entryMethod), day.collected,
                                              day.invested, day.balance}});
    }
    if (changes.days.empty())
        return true;
    std::sort(changes.days.begin(), changes.days.end(),
              [](const DayChange &a, const DayChange &b) { return a.date < b.date; });
    changes.lastLine.assign(changes.days.size(), -1);

    // The file as it is now. One that disappeared meanwhile reads as an empty one.
    QFile in(m_path);
    const bool haveInput = in.exists();
    errno = 0;
    if (haveInput && !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        const int probe = FileProblem::ReadProbe(m_path);
        return Fail(kSaveFailed, probe ? probe : seen, FileProblem::DeviceText(in));
    }
    const FileStamp stamp = haveInput ? FileStamp::OfHandle(in.handle()) : FileStamp();
    bool elsewhere = m_stamp.valid && !(stamp == m_stamp);

    const PeriodDates period{days, dayCount};
    // Where the lines of the days stand is known from the last read or write when the file is
    // the same and every day is of the period.
    bool known = haveInput && !elsewhere && m_linesKnown;
    for (size_t k = 0; known && k < changes.days.size(); ++k) {
        const int index = period.IndexOf(changes.days[k].date);
        known = index >= 0;
        if (known)
            changes.lastLine[k] = m_lastLine[index];
    }

    QString readText;
    int readCode = 0;
    auto read = [&](char *buffer, qint64 size) -> qint64 {
        if (!haveInput)
            return 0;
        errno = 0;
        const qint64 n = ReadIn(in, buffer, size);
        if (n < 0 && readText.isEmpty() && readCode == 0) {
            readCode = errno;
            readText = FileProblem::DeviceText(in);
        }
        return n;
    };
    LineReader::SeekFunction seek = [&](qint64 offset) { return !haveInput || in.seek(offset); };
    LineReader reader(read);
    auto rewind = [&] {
        if (!seek(0))
            return false;
        reader.Restart(0);
        return true;
    };

    std::unique_ptr<CDurableFile> file = MakeWriter(m_path);
    auto writeFailed = [&] { return Fail(kSaveFailed, file->ErrorCode(), file->ErrorText()); };
    if (!known && !FindLastLines(reader, changes))
        return Fail(kSaveFailed, readCode, readText);
    if (!file->Open())
        return writeFailed();
    Output out(*file);
    std::vector<DayRecord> readBack;
    std::vector<qint64> readBackLines;
    for (int attempt = 0;; ++attempt) {
        if ((attempt > 0 || !known) && !rewind())
            return Fail(kSaveFailed, errno, FileProblem::DeviceText(in));
        readBack.assign(size_t(std::max(dayCount, 0)), DayRecord());
        readBackLines.assign(size_t(std::max(dayCount, 0)), -1);
        Writer writer(reader, seek, out, changes, period, readBack.data(), readBackLines.data());
        if (writer.Run())
            break;
        if (!writer.Misplaced() || !out.Ok())
            return out.Ok() ? Fail(kSaveFailed, readCode, readText) : writeFailed();
        // The lines were not where the last read left them: the file changed unseen. Look again.
        if (attempt > 0)
            return Fail(kSaveFailed, 0,
                        QStringLiteral("保存中にほかのプログラムがファイルを変更しました。"));
        elsewhere = true;
        if (!rewind() || !FindLastLines(reader, changes))
            return Fail(kSaveFailed, readCode ? readCode : errno, readText);
        out.Reset();
        if (!file->Restart())
            return writeFailed();
    }
    out.Flush();
    in.close();
    if (!out.Ok() || !file->Commit())
        return writeFailed();

    m_stamp = file->Stamp();
    m_changedElsewhere = elsewhere;
    ClearEntered();
    if (dayCount > 0) {
        // The days written, and when another program had written the file every day, are taken
        // as read back.
        std::vector<bool> take(size_t(dayCount), elsewhere);
        for (const DayChange &change : changes.days)
            if (const int index = period.IndexOf(change.date); index >= 0)
                take[size_t(index)] = true;
        TakeReadBack(readBack.data(), readBackLines.data(), take);
    } else {
        m_linesKnown = false;
    }
    return true;
}

void CResultBook::TakeReadBack(const DayRecord *records, const qint64 *lastLines,
                               const std::vector<bool> &take)
{
    m_firstChanged = -1;
    for (int i = 0; i < dayCount; ++i)
        m_lastLine[i] = lastLines[i];
    m_linesKnown = true;
    for (int i = 0; i < dayCount; ++i) {
        if (!take[size_t(i)])
            continue;
        DayResult &day = days[i];
        const DayRecord &record = records[i];
        const DayRecord held{static_cast<int32_t>(day.entryMethod), day.collected, day.invested,
                             day.balance};
        if (held != record && m_firstChanged < 0)
            m_firstChanged = i;
        day.entryMethod = static_cast<EntryMethod>(record.method);
        day.collected = record.collected;
        day.invested = record.invested;
        day.balance = record.balance;
    }
    if (m_firstChanged >= 0)
        Recalculate(m_firstChanged);
}

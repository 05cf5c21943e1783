// Feeds arbitrary bytes as a data file to Load for a period, then Saves and reloads it: the save
// must keep every line outside the period in its order and match a model of the rules, the
// reloaded days must equal the loaded ones, and saving again must give the same bytes.
#include "data/DataFileFormat.h"
#include "data/ResultBook.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

QString WorkDir()
{
    static QTemporaryDir dir(QDir(QFile::exists(QStringLiteral("/dev/shm"))
                                          ? QStringLiteral("/dev/shm")
                                          : QDir::tempPath())
                                     .filePath(QStringLiteral("murel-fuzz-XXXXXX")));
    return dir.path();
}

bool WriteFile(const QString &path, const char *data, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data, size) == size;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Splits the bytes into lines with the reader at the given capacity, and reads each line's fields
// piece by piece; both capacities must agree, and the pieces must agree with the whole-line
// reading.
void CheckReader(const char *data, qsizetype size)
{
    auto lines = [&](qsizetype capacity) {
        qsizetype offset = 0;
        LineReader reader(
                [&](char *buffer, qint64 want) {
                    const qint64 n = std::min<qint64>(want, size - offset);
                    std::memcpy(buffer, data + offset, size_t(n));
                    offset += n;
                    return n;
                },
                capacity);
        QList<QByteArray> result;
        LineReader::Piece piece;
        while (reader.Next(piece)) {
            if (piece.firstOfLine)
                result.append(QByteArray());
            result.last().append(piece.data, piece.size);
            if (piece.firstOfLine && !piece.lastOfLine)
                Check(piece.size >= capacity - 1, "short first piece");
        }
        return result;
    };
    const QList<QByteArray> small = lines(LineReader::kMinCapacity);
    Check(small == lines(LineReader::kDefaultCapacity), "lines differ between buffer sizes");
    for (const QByteArray &line : small) {
        LineFields fields;
        for (qsizetype k = 0; k < line.size(); k += 3)
            fields.Feed(line.constData() + k, std::min<qsizetype>(3, line.size() - k));
        const char *p = line.constData();
        const char *const end = p + line.size();
        int complete = 0;
        while (complete < LineFields::kFields) {
            const char *comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
            if (!comma)
                break;
            Check(fields.Value(complete) == ReadNumber(p, comma), "field value differs");
            ++complete;
            p = comma + 1;
        }
        Check(fields.Complete() == complete, "field count differs");
    }
}

// An independent model of the file rules, to hold the writer to: lines split at LF (a CR before
// it belongs to the line end; the last line may lack one), a line's date is the number before its
// first comma (0 without a comma), and a line belongs to the period when its date is a day of it.
// Lines are views into the bytes, so that the model costs few allocations per run.
struct ModelLine
{
    QByteArrayView text;
    int32_t date;
};

int32_t ModelDate(QByteArrayView line)
{
    const qsizetype comma = line.indexOf(',');
    if (comma < 0)
        return 0;
    const std::string text(line.data(), size_t(comma));
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return int32_t(std::clamp<long long>(value, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

std::vector<ModelLine> ModelLines(QByteArrayView bytes)
{
    std::vector<ModelLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        QByteArrayView line = bytes.sliced(start, (nl < 0 ? bytes.size() : nl) - start);
        if (nl >= 0 && line.endsWith('\r'))
            line.chop(1);
        lines.push_back({line, ModelDate(line)});
        if (nl < 0)
            break;
        start = nl + 1;
    }
    return lines;
}

// The dates of the period's days, ascending.
std::vector<int32_t> PeriodDates(const CResultBook &b)
{
    std::vector<int32_t> dates;
    for (const DayResult &day : b.Days())
        dates.push_back(day.date);
    return dates;
}

bool InPeriod(const std::vector<int32_t> &period, int32_t date)
{
    return std::binary_search(period.begin(), period.end(), date);
}

// What a save of the book over the input must write.
QByteArray ModelSave(const CResultBook &b, const std::vector<int32_t> &period,
                     const std::vector<ModelLine> &input)
{
    QByteArray block;
    for (const DayResult &d : b.Days()) {
        if (d.entryMethod == EntryMethod::None)
            continue;
        for (long long v : {(long long)d.date, (long long)d.entryMethod, d.balance * 100LL,
                            d.collected * 100LL, d.invested * 100LL})
            block += QByteArray::number(v) + ',';
        block += "\r\n";
    }
    QByteArray out;
    bool placed = false;
    for (const ModelLine &line : input) {
        if (!placed && line.date >= period.front()) {
            out += block;
            placed = true;
        }
        if (!InPeriod(period, line.date))
            out.append(line.text).append("\r\n");
    }
    return placed ? out : out + block;
}

// No line outside the period is lost: the output less the period's lines is the input less them,
// in the same order.
void CheckKeptLines(const std::vector<int32_t> &period, const std::vector<ModelLine> &input,
                    const std::vector<ModelLine> &output)
{
    auto in = input.begin();
    auto out = output.begin();
    for (;;) {
        while (in != input.end() && InPeriod(period, in->date))
            ++in;
        while (out != output.end() && InPeriod(period, out->date))
            ++out;
        if (in == input.end() || out == output.end())
            break;
        Check(in->text == out->text, "a line outside the period was changed or moved");
        ++in;
        ++out;
    }
    Check(in == input.end() && out == output.end(), "a line outside the period was lost or added");
}

// A book whose day table the harness fills through the reader directly, without a file.
class FuzzBook : public CResultBook
{
public:
    using CResultBook::CResultBook;
    using CResultBook::Recalculate;
    DayResult *Table() { return DayTable().data(); }
};

struct Books
{
    std::unique_ptr<FuzzBook> book[4];
    std::vector<int32_t> period;
};

void ClearResults(FuzzBook &b)
{
    for (int i = 0; i < b.DayCount(); ++i) {
        DayResult &day = b.Table()[i];
        day.entryMethod = EntryMethod::None;
        day.balance = day.collected = day.invested = 0;
    }
}

bool ReadInto(FuzzBook &b, const QByteArray &bytes, qsizetype capacity)
{
    ClearResults(b);
    qsizetype offset = 0;
    const bool ok = ReadPeriod(
            b.Table(), b.DayCount(),
            [&](char *buffer, qint64 want) {
                const qint64 n = std::min<qint64>(want, bytes.size() - offset);
                std::memcpy(buffer, bytes.constData() + offset, size_t(n));
                offset += n;
                return n;
            },
            capacity);
    if (ok)
        b.Recalculate(0);
    return ok;
}

QByteArray WriteFrom(const CResultBook &b, const QByteArray &old, qsizetype capacity)
{
    QByteArray out;
    qsizetype offset = 0;
    qint64 meant = -1;
    const bool ok = WritePeriod(
            b.Days().data(), b.DayCount(),
            [&](char *buffer, qint64 want) {
                const qint64 n = std::min<qint64>(want, old.size() - offset);
                std::memcpy(buffer, old.constData() + offset, size_t(n));
                offset += n;
                return n;
            },
            [&](qint64 to) {
                if (to < 0 || to > old.size())
                    return false;
                offset = qsizetype(to);
                return true;
            },
            [&](const char *data, qint64 size) {
                out.append(data, size);
                return size;
            },
            capacity, &meant);
    Check(ok, "write failed");
    Check(meant == out.size(), "bytes meant differ from bytes written");
    return out;
}

// Days loaded with entry method -1 have no line after a save, but their amounts, if the line had
// any, still count in the running sums of the first load.
bool HasHiddenAmounts(const CResultBook &b)
{
    for (const DayResult &d : b.Days()) {
        if (d.entryMethod == EntryMethod::None
            && (d.balance != 0 || d.collected != 0 || d.invested != 0))
            return true;
    }
    return false;
}

bool SameResults(const CResultBook &a, const CResultBook &b, bool exact)
{
    const bool sums = exact || !HasHiddenAmounts(a);
    for (int i = 0; i < a.DayCount(); ++i) {
        const DayResult &x = a.Day(i);
        const DayResult &y = b.Day(i);
        if (x.entryMethod != y.entryMethod)
            return false;
        if (sums
            && (x.periodBalance != y.periodBalance || x.monthBalance != y.monthBalance
                || x.monthCollected != y.monthCollected || x.monthInvested != y.monthInvested))
            return false;
        if (x.entryMethod == EntryMethod::None && !exact)
            continue;
        if (x.balance != y.balance || x.collected != y.collected || x.invested != y.invested)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size) - 1);
    CheckReader(input.constData(), input.size());

    // The first byte chooses the period: year basis, years back and an end month around 2003.
    const int january = bytes[0] & 1;
    const int back = (bytes[0] >> 1) % 10;
    int endMonth = CResultBook::AddMonths(200305, (bytes[0] >> 5) * 3 - 12) - 100 * back;
    if (back > 0 && january == 1)
        endMonth = endMonth / 100 * 100 + 12;

    static const QString path = QDir(WorkDir()).filePath(QStringLiteral("Murel1.Dat"));
    // Books per period, laid out once and kept across runs as the main window keeps its book.
    static Books books[256];
    Books &slot = books[bytes[0]];
    if (!slot.book[0]) {
        for (auto &b : slot.book) {
            b = std::make_unique<FuzzBook>(path);
            b->BuildCalendar(endMonth, january, back);
        }
        slot.period = PeriodDates(*slot.book[0]);
    }
    FuzzBook &book = *slot.book[0];
    FuzzBook &pieces = *slot.book[1];
    FuzzBook &reloaded = *slot.book[2];
    FuzzBook &onDisk = *slot.book[3];

    // The whole-line and the piecewise reading agree, and so do writers of either buffer size.
    Check(ReadInto(book, input, LineReader::kDefaultCapacity), "load failed");
    Check(ReadInto(pieces, input, LineReader::kMinCapacity), "load in pieces failed");
    Check(SameResults(book, pieces, true), "piecewise load differs");
    const QByteArray saved = WriteFrom(book, input, LineReader::kDefaultCapacity);
    Check(WriteFrom(book, input, LineReader::kMinCapacity) == saved, "piecewise save differs");
    const std::vector<ModelLine> inputLines = ModelLines(input);
    CheckKeptLines(slot.period, inputLines, ModelLines(saved));
    Check(ModelSave(book, slot.period, inputLines) == saved, "save differs from the model");

    // Now and then the same through the files, with the crash-safe replace.
    static unsigned runs = 0;
    if (runs++ % 256 == 0) {
        Check(WriteFile(path, input.constData(), input.size()), "cannot write the input");
        ClearResults(onDisk);
        Check(onDisk.Load(), "file load failed");
        onDisk.Recalculate(0);
        Check(SameResults(book, onDisk, true), "file load differs");
        Check(onDisk.Save(), "file save failed");
        Check(ReadFile(path) == saved, "file save differs");
    }

    Check(ReadInto(reloaded, saved, LineReader::kDefaultCapacity), "reload failed");
    Check(SameResults(book, reloaded, false), "reloaded days differ");
    Check(WriteFrom(reloaded, saved, LineReader::kDefaultCapacity) == saved, "second save differs");
    return 0;
}

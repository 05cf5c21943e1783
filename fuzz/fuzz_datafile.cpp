// Feeds arbitrary bytes as a data file to the result book: loads a period, enters days and writes
// days of other years, saves, and holds everything to a model of the rules. The line reader must
// split the same lines at any buffer size, the piecewise reading of fields must agree with the
// whole-line reading, the load must read what the model reads, the save must change only the lines
// of the days written (as the model does), the period must be read back from what was written,
// and a save with nothing entered must leave the bytes alone.
#include "common/RandomDataFile.h"
#include "data/DataLine.h"
#include "data/LineReader.h"
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
#include <map>
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

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Splits the bytes into lines with the reader at the given capacity, whole lines and pieces alike;
// both capacities must agree, and the pieces' fields must agree with the whole line's.
void CheckReader(const QByteArray &input)
{
    auto lines = [&](qsizetype capacity) {
        qsizetype offset = 0;
        LineReader reader(
                [&](char *buffer, qint64 want) {
                    const qint64 n = std::min<qint64>(want, input.size() - offset);
                    std::memcpy(buffer, input.constData() + offset, size_t(n));
                    offset += n;
                    return n;
                },
                capacity);
        QList<QByteArray> result;
        LineReader::Piece piece;
        for (;;) {
            reader.TakeWholeLines([&](const char *begin, const char *nl) {
                Check(reader.OffsetOf(begin) >= 0, "offset before the input");
                result.append(QByteArray(begin, LineReader::LineEnd(begin, nl) - begin));
                return true;
            });
            if (!reader.Next(piece))
                break;
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
    Check(small == ModelLines(input), "lines differ from the model's");
    for (const QByteArray &line : small) {
        dataline::LineFields fields;
        for (qsizetype k = 0; k < line.size(); k += 3)
            fields.Feed(line.constData() + k, std::min<qsizetype>(3, line.size() - k));
        fields.Finish();
        int32_t date;
        const DayRecord whole
                = dataline::Read(line.constData(), line.constData() + line.size(), date);
        Check(fields.Date() == date && fields.Record() == whole, "piecewise fields differ");
        Check(date == dataline::Date(line.constData(), line.constData() + line.size()),
              "the date differs from the fields' first");
        const ModelDay model = ModelRecord(line);
        Check(date == ModelDate(line) && whole.method == model.method
                      && whole.balance == model.balance && whole.collected == model.collected
                      && whole.invested == model.invested,
              "a line reads otherwise than the model reads it");
    }
}

QByteArray Results(const CResultBook &book)
{
    QByteArray out;
    for (const DayResult &d : book.Days())
        if (d.entryMethod != EntryMethod::None)
            out += QByteArray::number(d.date) + ':' + QByteArray::number(int(d.entryMethod)) + ':'
                    + QByteArray::number(d.balance) + ':' + QByteArray::number(d.collected) + ':'
                    + QByteArray::number(d.invested) + ' ';
    return out;
}

QByteArray ModelResults(const CResultBook &book, const QByteArray &file)
{
    const std::map<int, ModelDay> days = ModelDays(file);
    QByteArray out;
    for (const DayResult &d : book.Days()) {
        const auto it = days.find(d.date);
        if (it == days.end() || it->second.method == -1)
            continue;
        const ModelDay &m = it->second;
        out += QByteArray::number(d.date) + ':' + QByteArray::number(m.method) + ':'
                + QByteArray::number(m.balance) + ':' + QByteArray::number(m.collected) + ':'
                + QByteArray::number(m.invested) + ' ';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 3)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(bytes) + 3, qsizetype(size) - 3);
    CheckReader(input);

    // The first byte chooses the period: year basis, years back and an end month around 2003.
    const int january = bytes[0] & 1;
    const int back = (bytes[0] >> 1) % 10;
    int endMonth = CResultBook::AddMonths(200305, (bytes[0] >> 5) * 3 - 12) - 100 * back;
    if (back > 0 && january == 1)
        endMonth = endMonth / 100 * 100 + 12;

    static const QString path = QDir(WorkDir()).filePath(QStringLiteral("Murel1.Dat"));
    Check(WriteFile(path, input), "cannot write the input");
    CResultBook book(path);
    Check(book.LoadPeriod(endMonth, january, back), "load failed");
    Check(Results(book) == ModelResults(book, input), "load differs from the model");

    // The second byte enters a day of the period, the third writes a day of another year: days
    // the file has or has not, with a result or none.
    std::map<int, ModelDay> changes;
    const DayResult &entered = book.Day(bytes[1] % book.DayCount());
    const int balance = (bytes[1] >> 4) - 8;
    const int date = entered.date;
    Check(book.EnterDay(date, EntryMethod::Balance, 0, 0, balance), "entry refused");
    changes[date] = balance == 0 ? ModelDay{} : ModelDay{1, 0, 0, balance};
    std::vector<DayChange> given;
    const int other = 19990101 + (bytes[2] % 8) * 10000 + (bytes[2] >> 3) % 12 * 100;
    if (!changes.count(other)) {
        const int amount = (bytes[2] & 7) * 10;
        given.push_back({other, amount == 0 ? DayRecord{} : DayRecord{0, amount, 5, amount - 5}});
        changes[other] = amount == 0 ? ModelDay{} : ModelDay{0, amount, 5, amount - 5};
    }
    Check(book.SaveDays(given), "save failed");
    const QByteArray saved = ReadFile(path);
    Check(saved == ModelSave(input, changes), "save differs from the model");
    Check(Results(book) == ModelResults(book, saved), "the period read back differs");

    Check(book.Save(), "empty save failed");
    Check(ReadFile(path) == saved, "a save with nothing entered changed the file");
    CResultBook reloaded(path);
    Check(reloaded.LoadPeriod(endMonth, january, back), "reload failed");
    Check(Results(reloaded) == Results(book), "reloaded days differ");
    return 0;
}

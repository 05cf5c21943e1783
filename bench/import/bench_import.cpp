// Times a CSV import of 100,000 rows up to the change list: the file opened and detected, every
// row read, compared with a data file of a hundred years, and the changes built (the median of
// five runs), and the peak memory of a first run beyond what the process held before it, against
// the file's size; each file in a process of its own. Three files: the diary's own export of every
// year, a spreadsheet's Shift_JIS file with yyyy年m月d日 dates and yen amounts with separators, and
// the diary's own session rows.
//
// Usage: bench_import [directory]   (default: the current directory; files are removed after)
#include "export/CsvExport.h"
#include "import/CsvImport.h"

#include "common/DataFileGenerator.h"
#include "common/Measure.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 5;

qint64 StatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void WriteOut(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

size_t Import(const QString &csv, const QString &data)
{
    CCsvImport import(csv);
    if (!import.Open() || !import.Read() || !import.Compare(data, nullptr))
        qFatal("import failed: %s", qPrintable(import.Problem()));
    const ImportChanges changes = import.Changes(true);
    return changes.days.size() + changes.sessions.size();
}

// In a process of its own, so that nothing freed before stays counted: the peak of the first
// import beyond what the process held before it, then the median time of further imports.
int Measure(const QString &name, const QString &csv, const QString &data)
{
    const qint64 before = StatusKb("VmRSS:");
    size_t changes = Import(csv, data);
    const qint64 peak = StatusKb("VmHWM:");
    const double ms = MedianMs(kRuns, [&] { changes = Import(csv, data); });
    const qint64 fileKb = QFileInfo(csv).size() / 1024;
    std::printf("%s = %.1f ms (%zu changes)\n", qPrintable(name), ms, changes);
    std::printf("  peak memory of the import: %lld kB for a file of %lld kB (%.2fx the file)\n",
                peak - before, fileKb, double(peak - before) / double(fileKb));
    return 0;
}

void MeasureApart(const QString &name, const QString &csv, const QString &data)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--measure"), name, csv, data});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        qFatal("the measuring process failed");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--measure"))
        return Measure(args[2], args[3], args[4]);
    QTemporaryDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                               : QDir::current().filePath(QStringLiteral("bench-XXXXXX")));
    if (!dir.isValid())
        qFatal("no scratch directory");

    // The diary: a hundred years, the last of which the files overlap.
    const QString data = dir.filePath(QStringLiteral("Murel1.Dat"));
    GenerateDataFile(data, 1900, 36524);

    // The diary's own export of 100,000 days.
    const QString source = dir.filePath(QStringLiteral("source.Dat"));
    GenerateDataFile(source, 1800, kRows);
    const QString own = dir.filePath(QStringLiteral("own.csv"));
    if (!CCsvExport().WriteAllYears(source, own).isEmpty())
        qFatal("export failed");

    // A spreadsheet's file: Shift_JIS, kanji dates, yen with separators and signs, a memo.
    QString sheet = QStringLiteral("日付,投資額,回収額,収支,メモ\r\n");
    QString sessions = CCsvImport::OwnSessionsHeader() + QStringLiteral("\r\n");
    QDate day(1800, 1, 1);
    for (int n = 0; n < kRows; ++n, day = day.addDays(1)) {
        const int invested = int(qint64(n) * 7919 % 900) * 100 + 1000;
        const int collected = int(qint64(n) * 104729 % 1500) * 100;
        sheet += QStringLiteral("%1年%2月%3日,\"￥%4\",\"￥%5\",%6円,\r\n")
                         .arg(day.year())
                         .arg(day.month())
                         .arg(day.day())
                         .arg(QLocale(QLocale::English).toString(invested))
                         .arg(QLocale(QLocale::English).toString(collected))
                         .arg(collected >= invested
                                      ? QString::number(collected - invested)
                                      : QStringLiteral("△%1").arg(invested - collected));
        sessions += QStringLiteral("%1,ホール%2,機種%3,10:00,%4:30,%5,%6,%7,\"メモ, %8\"\r\n")
                            .arg(day.toString(QStringLiteral("yyyy/MM/dd")))
                            .arg(n % 50)
                            .arg(n % 300)
                            .arg(11 + n % 12)
                            .arg(invested)
                            .arg(collected)
                            .arg(collected - invested)
                            .arg(n);
    }
    // The sheet goes through the day mapping: its memo column is left out.
    const QString spreadsheet = dir.filePath(QStringLiteral("sheet.csv"));
    WriteOut(spreadsheet,
             QStringEncoder("windows-31j")
                     .encode(sheet.replace(QStringLiteral(",メモ\r\n"),
                                           QStringLiteral(",その他\r\n"))));
    const QString own2 = dir.filePath(QStringLiteral("sessions.csv"));
    WriteOut(own2, QByteArray("\xEF\xBB\xBF") + sessions.toUtf8());

    std::fflush(stdout);
    MeasureApart(QStringLiteral("import 100k"), own, data);
    MeasureApart(QStringLiteral("import 100k Shift_JIS sheet"), spreadsheet, data);
    MeasureApart(QStringLiteral("import 100k sessions"), own2, data);
    return 0;
}

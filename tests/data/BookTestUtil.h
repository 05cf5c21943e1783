#pragma once

// Helpers shared by the data file tests: files as bytes, the book's results as text, and a book
// whose file steps can be made to fail.
#include "common/TestBook.h"
#include "data/ResultBook.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTest>

#include <cerrno>
#include <functional>

#include <unistd.h>

namespace BookTest {

inline const QString kLoadFailed = QStringLiteral("ファイルの読み込みに失敗しました。");
inline const QString kSaveFailed = QStringLiteral("ファイルの保存に失敗しました。");
inline const QString kCreateFailed = QStringLiteral("ファイルを作成できませんでした。");

// A book whose reads, writes, flush, sync and commit fail on demand, each with an errno of the
// test's choosing, as the system would report them.
class FaultyBook : public CTestBook
{
public:
    using CTestBook::CTestBook;

    qint64 readLimit = -1; // bytes that may still be read before reads fail; -1: no limit
    int readErrno = 0;
    qint64 writeLimit = -1; // likewise for writes
    int writeErrno = 0;
    qint64 lieAfter = -1; // bytes written truly; after them writes claim success and drop the bytes
    int flushErrno = 0; // nonzero: that step fails with it
    int syncErrno = 0;
    int commitErrno = 0;
    std::function<void()> beforeCommit; // runs before the real commit
    QStringList steps; // flush, sync and commit in the order they ran

protected:
    qint64 ReadIn(QIODevice &in, char *buffer, qint64 size) override
    {
        if (readLimit < 0)
            return CResultBook::ReadIn(in, buffer, size);
        if (readLimit == 0) {
            errno = readErrno;
            return -1;
        }
        const qint64 n = CResultBook::ReadIn(in, buffer, qMin(size, readLimit));
        readLimit -= qMax<qint64>(n, 0);
        return n;
    }

    qint64 WriteOut(QIODevice &out, const char *data, qint64 size) override
    {
        if (lieAfter >= 0) {
            const qint64 truly = qMin(size, lieAfter);
            if (truly > 0 && CResultBook::WriteOut(out, data, truly) != truly)
                return -1;
            lieAfter -= truly;
            return size;
        }
        if (writeLimit < 0)
            return CResultBook::WriteOut(out, data, size);
        if (writeLimit == 0) {
            errno = writeErrno;
            return -1;
        }
        const qint64 n = CResultBook::WriteOut(out, data, qMin(size, writeLimit));
        writeLimit -= qMax<qint64>(n, 0);
        return n;
    }

    bool FlushOut(QFileDevice &out) override
    {
        steps << QStringLiteral("flush");
        return Step(flushErrno) && CResultBook::FlushOut(out);
    }

    bool SyncOut(QFileDevice &out) override
    {
        steps << QStringLiteral("sync");
        return Step(syncErrno) && CResultBook::SyncOut(out);
    }

    bool CommitOut(QSaveFile &out) override
    {
        steps << QStringLiteral("commit");
        if (!Step(commitErrno))
            return false;
        if (beforeCommit)
            beforeCommit();
        return CResultBook::CommitOut(out);
    }

private:
    static bool Step(int failure)
    {
        if (failure == 0)
            return true;
        errno = failure;
        return false;
    }
};

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The days that have a result, as "date:method:balance:collected:invested" joined by blanks.
inline QByteArray Results(const CResultBook &book)
{
    QByteArrayList parts;
    for (const DayResult &d : book.Days()) {
        if (d.entryMethod != EntryMethod::None)
            parts << QByteArray::number(d.date) + ':'
                            + QByteArray::number(static_cast<int>(d.entryMethod)) + ':'
                            + QByteArray::number(d.balance) + ':' + QByteArray::number(d.collected)
                            + ':' + QByteArray::number(d.invested);
    }
    return parts.join(' ');
}

// Sets a day as the data file would store it and marks the book changed.
inline void SetDay(CTestBook &book, int date, int method, int collected, int invested, int balance)
{
    const int i = book.IndexOf(date);
    QVERIFY(i >= 0);
    book.SetDay(date, static_cast<EntryMethod>(method), collected, invested, balance);
    book.Recalculate(i);
    book.SetModified();
}

// The failure text as the user reads it: the operation's text, then the file and the reason.
inline QString Expected(const QString &what, const QString &path, const QString &reason)
{
    return what + QLatin1Char('\n') + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())
            + QStringLiteral(": ") + reason;
}

inline bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace BookTest

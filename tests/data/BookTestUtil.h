#pragma once

// Helpers shared by the data file tests: files as bytes, the book's results as text, and a book
// whose reads and save steps can be made to fail.
#include "common/TestBook.h"
#include "data/ResultBook.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTest>

#include <cerrno>
#include <functional>
#include <memory>

#include <unistd.h>

namespace BookTest {

inline const QString kLoadFailed = QStringLiteral("ファイルの読み込みに失敗しました。");
inline const QString kSaveFailed = QStringLiteral("ファイルの保存に失敗しました。");
inline const QString kCreateFailed = QStringLiteral("ファイルを作成できませんでした。");

// The knobs of a failing save: each step fails on demand with an errno of the test's choosing, as
// the system would report it.
struct Faults
{
    qint64 readLimit = -1; // bytes that may still be read before reads fail; -1: no limit
    int readErrno = 0;
    qint64 writeLimit = -1; // likewise for writes
    int writeErrno = 0;
    qint64 lieAfter = -1; // bytes written truly; after them writes claim success and drop the bytes
    int flushErrno = 0; // nonzero: that step fails with it
    int syncErrno = 0;
    int commitErrno = 0; // the rename that replaces the data file
    std::function<void()> beforeCommit; // runs before the real rename
    std::function<bool()> diskFull; // when set and true, writes fail with ENOSPC
    QStringList steps; // flush, sync and commit in the order they ran
};

// The durable writer with the steps of a Faults.
class FaultyWriter : public CDurableFile
{
public:
    FaultyWriter(const QString &target, Faults &faults,
                 CDurableFile::Replace replace = CDurableFile::Replace::Always)
        : CDurableFile(target, replace)
        , m_faults(faults)
    { }

protected:
    qint64 WriteOut(int fd, const char *data, qint64 size) override
    {
        Faults &f = m_faults;
        if (f.diskFull && f.diskFull()) {
            errno = ENOSPC;
            return -1;
        }
        if (f.lieAfter >= 0) {
            const qint64 truly = qMin(size, f.lieAfter);
            if (truly > 0 && CDurableFile::WriteOut(fd, data, truly) != truly)
                return -1;
            f.lieAfter -= truly;
            return size;
        }
        if (f.writeLimit < 0)
            return CDurableFile::WriteOut(fd, data, size);
        if (f.writeLimit == 0) {
            errno = f.writeErrno;
            return -1;
        }
        const qint64 n = CDurableFile::WriteOut(fd, data, qMin(size, f.writeLimit));
        f.writeLimit -= qMax<qint64>(n, 0);
        return n;
    }
    bool FlushOut(int fd) override
    {
        m_faults.steps << QStringLiteral("flush");
        return Step(m_faults.flushErrno) && CDurableFile::FlushOut(fd);
    }
    bool SyncOut(int fd) override
    {
        m_faults.steps << QStringLiteral("sync");
        return Step(m_faults.syncErrno) && CDurableFile::SyncOut(fd);
    }
    bool RenameOut(const QString &from, const QString &to) override
    {
        m_faults.steps << QStringLiteral("commit");
        if (!Step(m_faults.commitErrno))
            return false;
        if (m_faults.beforeCommit)
            m_faults.beforeCommit();
        return CDurableFile::RenameOut(from, to);
    }

private:
    static bool Step(int failure)
    {
        if (failure == 0)
            return true;
        errno = failure;
        return false;
    }
    Faults &m_faults;
};

// A book whose reads and whose save's steps fail on demand (Faults).
class FaultyBook : public CTestBook, public Faults
{
public:
    using CTestBook::CTestBook;

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
    std::unique_ptr<CDurableFile> MakeWriter(const QString &target) override
    {
        return std::make_unique<FaultyWriter>(target, static_cast<Faults &>(*this));
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

// Sets a day as the data file would store it and marks it entered.
inline void SetDay(CTestBook &book, int date, int method, int collected, int invested, int balance)
{
    const int i = book.IndexOf(date);
    QVERIFY(i >= 0);
    book.SetDay(date, static_cast<EntryMethod>(method), collected, invested, balance);
    book.Recalculate(i);
    book.MarkEntered(i);
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

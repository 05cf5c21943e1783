#pragma once

// Shared by the play diary tests: a diary session over its own data file and database, the data
// file's lines as records, and what a day with sessions is to hold.
#include "data/BookTestUtil.h"
#include "data/DataLine.h"
#include "play/PlayFixture.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace PlayDiaryTest {

using PlayTest::Make;

// The data file the diaries start from: a balance, amounts, a balance.
inline const QByteArray kFile
        = "20030501,1,300,0,0,\r\n20030510,0,100,300,200,\r\n20030511,1,-500,0,0,\r\n";

// The record of each date's last line in the data file, as the program reads it.
inline std::map<int32_t, DayRecord> Lines(const QString &path)
{
    std::map<int32_t, DayRecord> lines;
    const QByteArray bytes = PlayTest::ReadBytes(path);
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (text.isEmpty())
            continue;
        int32_t date = 0;
        const DayRecord record
                = dataline::Read(text.constData(), text.constData() + text.size(), date);
        lines[date] = record;
    }
    return lines;
}

// The line the data file holds for a day with these sums (small ones: no saturation).
inline DayRecord RecordOf(qint64 collected, qint64 invested)
{
    return DayRecord{0, int32_t(collected), int32_t(invested), int32_t(collected - invested)};
}

inline QByteArray LineOf(int32_t date, const DayRecord &record)
{
    char out[dataline::kMaxLine];
    return QByteArray(out, dataline::Format(date, record, out));
}

// A diary of its own data file (and database beside it) in a temporary folder, on a book whose
// save steps can be made to fail; the current period of `today`, January basis. Start is left to
// the test, as the main window leaves it until it shows.
struct Diary
{
    QTemporaryDir dir;
    QDate today{2003, 5, 12};
    BookTest::FaultyBook *book = nullptr; // owned by the session
    std::unique_ptr<CDiarySession> session;

    explicit Diary(const QByteArray &file = kFile)
    {
        if (!file.isNull())
            PlayTest::WriteBytes(path(), file);
    }
    QString path() const { return dir.filePath(QStringLiteral("Murel1.Dat")); }
    QString dbPath() const { return dir.filePath(QStringLiteral("Murel1.db")); }
    QString backupDir() const { return path() + QStringLiteral(".backup"); }
    QStringList backups() const
    {
        return QDir(backupDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The session as the main window makes it: the book, view-only or not, then the period.
    CDiarySession &open(bool viewOnly = false)
    {
        session.reset();
        auto owned = std::make_unique<BookTest::FaultyBook>(path());
        book = owned.get();
        book->SetViewOnly(viewOnly);
        session = std::make_unique<CDiarySession>(today, std::move(owned), 1);
        session->SetClock([this] { return today; });
        session->SelectPeriod(0);
        return *session;
    }
    // Opened, then the start of its sessions, as once the main window shows.
    QList<PlayNotice> start(bool viewOnly = false)
    {
        open(viewOnly);
        return plays().Start();
    }
    void close() { session.reset(); }
    CDiarySession &s() { return *session; }
    CPlayDiary &plays() { return session->Plays(); }
    QByteArray read() const { return PlayTest::ReadBytes(path()); }
    // The data file's record of a day, or none.
    DayRecord line(int32_t date) const
    {
        const auto lines = Lines(path());
        const auto it = lines.find(date);
        return it == lines.end() ? DayRecord() : it->second;
    }
    QList<int32_t> pending() const
    {
        CPlayStore store(dbPath());
        QList<int32_t> days;
        if (!store.PendingDays(&days))
            days = {-1};
        return days;
    }
    // Sessions put into the database from outside, with their days' marks cleared or kept.
    void putSessions(QList<PlaySession> sessions, bool keepMarks = false) const
    {
        CPlayStore store(dbPath());
        QVERIFY2(store.AddAll(sessions), qPrintable(store.LastError()));
        if (!keepMarks) {
            QList<int32_t> days;
            QVERIFY(store.PendingDays(&days));
            QVERIFY(store.ClearPending(days));
        }
    }
};

} // namespace PlayDiaryTest

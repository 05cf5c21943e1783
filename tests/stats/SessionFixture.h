#pragma once

// A diary's folder for the statistics' tests: its own settings store, a data file of given lines,
// play sessions added through the play store, and a data file whose days with sessions hold their
// sums as the diary writes them (by amounts), with any other lines after them.
#include "common/DataLines.h"
#include "play/PlayFixture.h"
#include "play/PlayStore.h"
#include "session/ReportModel.h"

#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

class SessionFixture
{
public:
    void Init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_dir->filePath(QStringLiteral("settings")));
        m_dataPath = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    }

    const QString &DataPath() const { return m_dataPath; }
    QString DbPath() const { return CPlayStore::PathFor(m_dataPath); }
    QString FilePath(const QString &name) const { return m_dir->filePath(name); }

    // The sessions through a store of their own, closed again, as an earlier run left them.
    void Add(QList<PlaySession> sessions) const
    {
        CPlayStore store(DbPath());
        QVERIFY2(store.AddAll(sessions), qPrintable(store.LastError()));
    }

    // A statement run on the database from outside, as a hand edit would.
    void Sql(const QString &sql) const { QCOMPARE(PlayTest::Sql(DbPath(), sql), QStringList()); }

    // The data file of these lines, each ended by CR LF.
    void WriteLines(const QStringList &lines) const
    {
        QByteArray bytes;
        for (const QString &line : lines)
            bytes += line.toLatin1() + "\r\n";
        QVERIFY(PlayTest::WriteBytes(m_dataPath, bytes));
    }

    // The data file: a line by amounts with the sums of every day that has sessions, and the
    // other lines given, in date order.
    void WriteDataFile(const QStringList &otherLines = {}) const
    {
        QList<PlayDaySums> sums;
        {
            CPlayStore store(DbPath());
            QVERIFY2(store.AllDaySums(&sums), qPrintable(store.LastError()));
        }
        QStringList lines = otherLines;
        for (const PlayDaySums &day : sums)
            lines << DataLine(day.day, 0, int(day.collected), int(day.invested),
                              int(day.collected - day.invested));
        std::sort(lines.begin(), lines.end());
        WriteLines(lines);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dataPath;
};

// A session in one line: its day, store, machine, times ("hh:mm" or empty) and amounts.
inline PlaySession Session(int32_t day, const QString &store, const QString &machine,
                           const QString &start, const QString &end, int32_t invested,
                           int32_t collected)
{
    int startMinute = PlaySession::kNoTime;
    int endMinute = PlaySession::kNoTime;
    PlayInput::ParseTime(QStringLiteral("開始"), start, &startMinute);
    PlayInput::ParseTime(QStringLiteral("終了"), end, &endMinute);
    return PlayTest::Make(day, store, invested, collected, machine, startMinute, endMinute);
}

// The cells of every row, joined by "|".
inline QStringList Texts(const QList<ReportRow> &rows)
{
    QStringList texts;
    for (const ReportRow &row : rows)
        texts << row.cells.join(QLatin1Char('|'));
    return texts;
}

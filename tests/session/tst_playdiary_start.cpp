// The start of the play sessions, once the main window shows: what it makes of each database it
// may find beside the data file, which days it writes, what it tells, and what it never touches.
#include "PlayDiaryFixture.h"

#include "common/Unprivileged.h"

#include <QTest>

using namespace PlayDiaryTest;

namespace {

const QString kCannotOpen = QStringLiteral("稼働記録のデータベースを開けません。\n%DB%: ");
const QString kRewritten = QStringLiteral("データファイルに稼働記録の合計と合わない日があったため、"
                                          "稼働記録の合計に書き換えました。\n"
                                          "書き換える前のバックアップ: %BACKUP%\n\n");

// The file's lines with the given lines put in date order (a day's old line replaced).
QByteArray With(const QByteArray &file, const QList<QPair<int32_t, DayRecord>> &days)
{
    std::map<int32_t, QByteArray> lines;
    for (const QByteArray &line : file.split('\n'))
        if (!line.isEmpty())
            lines[line.left(8).toInt()] = line + '\n';
    for (const auto &[date, record] : days)
        lines[date] = LineOf(date, record);
    QByteArray bytes;
    for (const auto &[date, line] : lines)
        bytes += line;
    return bytes;
}

QString Joined(const QList<PlayNotice> &notices)
{
    QStringList parts;
    for (const PlayNotice &notice : notices)
        parts << (notice.icon == PlayNotice::Icon::Information ? QStringLiteral("I:")
                                                               : QStringLiteral("W:"))
                        + notice.text;
    return parts.join(QStringLiteral("\n---\n"));
}

} // namespace

class TestPlayDiaryStart : public QObject
{
    Q_OBJECT

private slots:
    void start_data();
    void start();
    void unreadableAsUser();
    void viewOnlySeesWhatWasFolded();
};

void TestPlayDiaryStart::start_data()
{
    // What is beside the data file: "empty", "damaged", "text", "newer", "emptied" (a pending
    // day whose session went), or sessions "DAY/INVESTED/COLLECTED", "!" when the day is pending.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("viewOnly");
    QTest::addColumn<QByteArray>("file"); // after the start
    QTest::addColumn<QString>("notices"); // "I:" or "W:" and the text, joined by "---" lines
    QTest::addColumn<QString>("pending"); // after the start; "-" when there is no store to ask
    QTest::addColumn<bool>("available");

    const auto row = [](const char *tag, const char *setup, bool viewOnly, const QByteArray &file,
                        const QString &notices, const char *pending, bool available) {
        QTest::newRow(tag) << QString::fromLatin1(setup) << viewOnly << file << notices
                           << QString::fromLatin1(pending) << available;
    };
    row("no database", "", false, kFile, {}, "", true);
    row("an empty file", "empty", false, kFile, {}, "", true);
    row("damaged", "damaged", false, kFile,
        QStringLiteral("W:") + kCannotOpen + QStringLiteral("ファイルが壊れています。"), "-",
        false);
    row("not SQLite", "text", false, kFile,
        QStringLiteral("W:") + kCannotOpen + QStringLiteral("SQLiteのデータベースではありません。"),
        "-", false);
    row("newer version", "newer", false, kFile,
        QStringLiteral("W:") + kCannotOpen
                + QStringLiteral("新しいバージョンのミュレルで作られたファイルです。"),
        "-", false);
    // A kill between the transaction and the save: the days are written, nothing is told.
    row("pending days with sessions", "20030510/1/2!,20030510/2/3!,20030512/1/0!", false,
        With(kFile, {{20030510, RecordOf(5, 3)}, {20030512, RecordOf(0, 1)}}), {}, "", true);
    // The last session went: the day keeps its total and loses its mark.
    row("pending day without sessions", "emptied", false, kFile, {}, "", true);
    row("lines that agree", "20030510/2/3", false, kFile, {}, "", true);
    row("a hand-edited line", "20030510/3/5", false, With(kFile, {{20030510, RecordOf(5, 3)}}),
        QStringLiteral("I:") + kRewritten
                + QStringLiteral("2003/05/10 (土): 収支 1 → 2、回収/投資 3/2 → 5/3"),
        "", true);
    row("a balance line with the same balance", "20030501/0/3", false,
        With(kFile, {{20030501, RecordOf(3, 0)}}),
        QStringLiteral("I:") + kRewritten
                + QStringLiteral("2003/05/01 (木): 収支 3 → 3、回収/投資 - → 3/0"),
        "", true);
    row("a year without lines (a copy without the database)", "19990101/2/7", false,
        With(kFile, {{19990101, RecordOf(7, 2)}}),
        QStringLiteral("I:") + kRewritten
                + QStringLiteral("1999/01/01 (金): 収支 なし → 5、回収/投資 - → 7/2"),
        "", true);
    row("pending and edited: only the edit is told", "20030510/3/5,20030512/1/0!", false,
        With(kFile, {{20030510, RecordOf(5, 3)}, {20030512, RecordOf(0, 1)}}),
        QStringLiteral("I:") + kRewritten
                + QStringLiteral("2003/05/10 (土): 収支 1 → 2、回収/投資 3/2 → 5/3"),
        "", true);
    QList<QPair<int32_t, DayRecord>> many;
    QString listed;
    QStringList sessions;
    for (int day = 1; day <= 25; ++day) {
        many.append({20030400 + day, RecordOf(day, 0)});
        sessions << QStringLiteral("%1/0/%2").arg(20030400 + day).arg(day);
        if (day <= CPlayDiary::kListedDays)
            listed += CResultBook::DateText(20030400 + day)
                    + QStringLiteral(": 収支 なし → %1、回収/投資 - → %1/0\n").arg(day);
    }
    row("many days: twenty named, the rest counted", qPrintable(sessions.join(',')), false,
        With(kFile, many), QStringLiteral("I:") + kRewritten + listed + QStringLiteral("ほか 5 日"),
        "", true);
    // Another computer holds the lock: sessions are read, nothing is written or mended.
    row("view-only", "20030510/3/5,20030512/1/0!", true, kFile, {}, "20030512", true);
    row("view-only, damaged", "damaged", true, kFile,
        QStringLiteral("W:") + kCannotOpen + QStringLiteral("ファイルが壊れています。"), "-",
        false);
}

void TestPlayDiaryStart::start()
{
    QFETCH(QString, setup);
    QFETCH(bool, viewOnly);
    QFETCH(QByteArray, file);
    QFETCH(QString, notices);
    QFETCH(QString, pending);
    QFETCH(bool, available);

    Diary d;
    const QString db = d.dbPath();
    if (setup == "empty") {
        QVERIFY(PlayTest::WriteBytes(db, QByteArray()));
    } else if (setup == "damaged") {
        QVERIFY(PlayTest::MakeDatabase(db, 20030401) && PlayTest::Damage(db));
    } else if (setup == "text") {
        QVERIFY(PlayTest::WriteBytes(db, kFile));
    } else if (setup == "newer" || setup == "emptied") {
        d.putSessions({Make(20030510, QStringLiteral("店"), 2, 3)});
        if (setup == "newer")
            QCOMPARE(PlayTest::Sql(db, QStringLiteral("PRAGMA user_version = 2")), QStringList());
        else
            QVERIFY(CPlayStore(db).Delete(1));
    } else if (!setup.isEmpty()) {
        for (const QString &entry : setup.split(QLatin1Char(','))) {
            const QStringList f = QString(entry).remove(QLatin1Char('!')).split(QLatin1Char('/'));
            d.putSessions({Make(f[0].toInt(), QStringLiteral("店"), f[1].toInt(), f[2].toInt())},
                          entry.endsWith(QLatin1Char('!')));
        }
    }
    const bool hadDatabase = QFileInfo::exists(db);
    const QByteArray dbBefore = PlayTest::ReadBytes(db);
    const QDateTime dbTime = QFileInfo(db).lastModified();

    const QList<PlayNotice> told = d.start(viewOnly);
    QCOMPARE(Joined(told),
             QString(notices)
                     .replace(QStringLiteral("%DB%"), db)
                     .replace(QStringLiteral("%BACKUP%"),
                              d.backupDir() + QStringLiteral("/Murel1-20030512.Dat")));
    QCOMPARE(d.read(), file);
    QCOMPARE(d.plays().IsAvailable(), available);
    QCOMPARE(d.plays().CanChange(), available && !viewOnly);
    QCOMPARE(d.s().TakeReports(), QStringList());
    QCOMPARE(d.plays().Start(), QList<PlayNotice>()); // once a run
    QVERIFY(d.plays().HasUnsavedDays() == false);

    // A database that cannot be used, and any database of a view-only diary, stays as it was:
    // its bytes, its time, nothing made beside it.
    if (!available || viewOnly) {
        QCOMPARE(PlayTest::ReadBytes(db), dbBefore);
        QCOMPARE(QFileInfo(db).lastModified(), dbTime);
        QVERIFY(!QFileInfo::exists(db + QStringLiteral("-wal")));
        QVERIFY(!QFileInfo::exists(db + QStringLiteral("-shm")));
        QVERIFY(!QFileInfo::exists(db + QStringLiteral("-journal")));
    }
    if (!available && !viewOnly) {
        // Day totals as ever, sessions refused with the reason, no copy of the database.
        QVERIFY(d.s().EnterDay(20030512, EntryMethod::Balance, 0, 0, 7));
        QCOMPARE(d.read(), kFile + "20030512,1,700,0,0,\r\n");
        PlaySession s = Make(20030512, QStringLiteral("店"), 1, 2);
        QString problem;
        QVERIFY(!d.plays().Add(s, &problem));
        QCOMPARE(problem, told.front().text);
        QCOMPARE(d.backups(), QStringList{QStringLiteral("Murel1-20030512.Dat")});
        QCOMPARE(PlayTest::ReadBytes(db), dbBefore);
    }
    if (viewOnly && available) {
        // Read, but never changed.
        QCOMPARE(d.plays().SessionsOfDay(20030510).size(), 1);
        PlaySession s = Make(20030510, QStringLiteral("店"), 1, 1);
        QString problem;
        QVERIFY(!d.plays().Add(s, &problem));
        QCOMPARE(problem, QStringLiteral("閲覧専用で開いているため、稼働記録は変更できません。"));
        QCOMPARE(PlayTest::ReadBytes(db), dbBefore);
    }
    // A missing database is not made by the start.
    QCOMPARE(QFileInfo::exists(db), hadDatabase);
    // A repair keeps what it replaced: the file and the database as they were, in the day's backup.
    if (told.size() == 1 && told.front().icon == PlayNotice::Icon::Information) {
        QCOMPARE(d.backups(),
                 (QStringList{QStringLiteral("Murel1-20030512.Dat"),
                              QStringLiteral("Murel1-20030512.db")}));
        QCOMPARE(PlayTest::ReadBytes(d.backupDir() + QStringLiteral("/Murel1-20030512.Dat")),
                 kFile);
    } else if (d.read() == kFile && available) {
        QCOMPARE(d.backups(), QStringList()); // nothing saved, nothing backed up
    }
    d.close();
    if (pending != QLatin1String("-")) {
        QStringList days;
        for (const int32_t day : d.pending())
            days << QString::number(day);
        QCOMPARE(days.join(QLatin1Char(',')), pending);
    }
    // The last connection folds the log in and takes it away.
    QVERIFY(!QFileInfo::exists(db + QStringLiteral("-wal")));
    QVERIFY(!QFileInfo::exists(db + QStringLiteral("-shm")));
    if (available && hadDatabase && !dbBefore.isEmpty())
        QCOMPARE(PlayTest::Cli(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

// A database its user cannot read, as an ordinary user since root reads anything.
void TestPlayDiaryStart::unreadableAsUser()
{
    QCOMPARE(RunUnprivileged([] {
                 Diary d;
                 d.putSessions({Make(20030510, QStringLiteral("店"), 3, 5)});
                 QFile::setPermissions(d.dbPath(), QFileDevice::WriteOwner);
                 const QList<PlayNotice> told = d.start();
                 const QString expected = QString(kCannotOpen).replace("%DB%", d.dbPath())
                         + QStringLiteral("アクセス権がありません。");
                 if (told.size() != 1 || told.front().text != expected
                     || told.front().icon != PlayNotice::Icon::Warning)
                     return QStringLiteral("told: ") + Joined(told);
                 if (d.read() != kFile || d.plays().IsAvailable())
                     return QStringLiteral("the file was mended or sessions were available");
                 d.close();
                 QFile::setPermissions(d.dbPath(),
                                       QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                 return QString();
             }),
             QString());
}

// The copy a view-only diary reads is the database as the computer that holds the lock last
// folded its log into it, which it does soon after each change.
void TestPlayDiaryStart::viewOnlySeesWhatWasFolded()
{
    Diary holder;
    QCOMPARE(holder.start(), QList<PlayNotice>());
    // The first change makes the database; the second goes to its log.
    PlaySession first = Make(20030509, QStringLiteral("ホール"), 1, 1);
    PlaySession s = Make(20030510, QStringLiteral("ホール"), 3, 5);
    QString problem;
    QVERIFY(holder.plays().Add(first, &problem));
    const QByteArray unfolded = PlayTest::ReadBytes(holder.dbPath());
    QVERIFY(holder.plays().Add(s, &problem));
    QCOMPARE(PlayTest::ReadBytes(holder.dbPath()), unfolded);
    QTRY_VERIFY_WITH_TIMEOUT(PlayTest::ReadBytes(holder.dbPath()) != unfolded,
                             CPlayDiary::kFoldDelayMs * 5);

    // The viewer on another computer reads the same file: here, the holder's folder.
    auto owned = std::make_unique<CResultBook>(holder.path());
    owned->SetViewOnly(true);
    CDiarySession session(holder.today, std::move(owned), 1);
    session.SelectPeriod(0);
    const QByteArray before = PlayTest::ReadBytes(holder.dbPath());
    QCOMPARE(session.Plays().Start(), QList<PlayNotice>());
    QCOMPARE(session.Plays().SessionsOfDay(20030510), QList<PlaySession>{s});
    QCOMPARE(session.Plays().SessionsOfDay(20030509), QList<PlaySession>{first});
    QCOMPARE(PlayTest::ReadBytes(holder.dbPath()), before);
    // The holder goes on; its log and index are still its own.
    QVERIFY(holder.plays().Delete(first.id, &problem));
    holder.close();
    QCOMPARE(PlayTest::Cli(holder.dbPath(), QStringLiteral("PRAGMA integrity_check")),
             QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestPlayDiaryStart)
#include "tst_playdiary_start.moc"

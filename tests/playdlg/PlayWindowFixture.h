#pragma once

// The play sessions' windows under test: a diary of 2003 on a data file of its own (2003/05/12
// holds a typed balance of -7), its sessions beside it, scripted boxes and a clock at 10:00.
#include "common/ScriptedPrompt.h"
#include "common/TestBook.h"
#include "play/PlayFixture.h"
#include "playdlg/PlayEditDlg.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace PlayWindowTest {

constexpr int kToday = 20030512;

struct Fixture
{
    QTemporaryDir dir;
    CTestBook *book = nullptr; // owned by the session
    std::unique_ptr<CDiarySession> session;
    ScriptedPrompt prompt;
    QDateTime now{QDate(2003, 5, 12), QTime(10, 0)};
    PlayClock clock = [this] { return now; };

    // dbBytes, when given, stand where the sessions' database belongs.
    explicit Fixture(const QByteArray &dbBytes = QByteArray())
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        auto owned = std::make_unique<CTestBook>(dir.filePath(QStringLiteral("Murel1.Dat")));
        book = owned.get();
        book->BuildCalendar(200305, 1, 0);
        QFile db(DbPath());
        if (!book->EnterDay(kToday, EntryMethod::Balance, 0, 0, -7) || !book->Save()
            || (!dbBytes.isNull() && (!db.open(QIODevice::WriteOnly) || db.write(dbBytes) < 0)))
            qFatal("cannot lay the diary out");
        db.close();
        session = std::make_unique<CDiarySession>(QDate(2003, 5, 12), std::move(owned), 1);
        session->SetClock([] { return QDate(2003, 5, 12); });
    }

    CPlayDiary &Plays() { return session->Plays(); }
    QString DbPath() const { return dir.filePath(QStringLiteral("Murel1.db")); }
    // The day's line in the data file, without its line end.
    QByteArray LineOf(int date) const
    {
        QFile file(dir.filePath(QStringLiteral("Murel1.Dat")));
        const QByteArray key = QByteArray::number(date) + ',';
        for (const QByteArray &line :
             file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>()) {
            if (line.startsWith(key))
                return line.trimmed();
        }
        return {};
    }
    // The day as the book holds it: "method collected invested balance".
    QString Stored(int date) const
    {
        const DayResult &d = book->Day(book->IndexOf(date));
        return QStringLiteral("%1 %2 %3 %4")
                .arg(int(d.entryMethod))
                .arg(d.collected)
                .arg(d.invested)
                .arg(d.balance);
    }
    void Add(int date, const QString &store, int invested, int collected)
    {
        PlaySession s = PlayTest::Make(date, store, invested, collected);
        QString problem;
        if (!Plays().Add(s, &problem))
            qFatal("cannot add a session: %s", qPrintable(problem));
    }
    // The day's sessions, each "store|machine|start|end|invested|collected|memo".
    QStringList Sessions(int date)
    {
        QStringList out;
        for (const PlaySession &s : Plays().SessionsOfDay(date))
            out << QStringList{s.store,
                               s.machine,
                               PlayInput::TimeText(s.startMinute),
                               PlayInput::TimeText(s.endMinute),
                               QString::number(s.invested),
                               QString::number(s.collected),
                               s.memo}
                            .join(QLatin1Char('|'));
        return out;
    }
};

inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
// Typed into the focused widget a key per character, as an input method hands text over
// (QTest's own clicks take Latin-1 alone). Tab between the texts of several fields.
inline void Type(const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            Press(Qt::Key_Tab);
        for (const QChar c : fields.at(i)) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(QApplication::focusWidget(), &press);
            QApplication::sendEvent(QApplication::focusWidget(), &release);
        }
    }
}

} // namespace PlayWindowTest

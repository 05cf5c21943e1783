#pragma once

// Shared by the tests of the play sessions' windows: a diary of January to May 2003 on a data
// file of its own, with its play sessions beside it, scripted message boxes and a clock fixed at
// 2003/05/12 10:00, and the helpers that type into the windows and read the results back.

#include "common/ScriptedPrompt.h"
#include "common/TestBook.h"
#include "playdlg/PlayEditDlg.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace PlayWindowTest {

constexpr int kToday = 20030512;
constexpr int kOtherDay = 20030513;

struct Fixture
{
    QTemporaryDir dir;
    QTemporaryDir settings;
    CTestBook *book = nullptr; // owned by the session
    std::unique_ptr<CDiarySession> session;
    ScriptedPrompt prompt;
    QDateTime now{QDate(2003, 5, 12), QTime(10, 0)};
    PlayClock clock = [this] { return now; };

    // The data file holds one earlier balance on kToday and a day by amounts on kOtherDay;
    // dbBytes, when given, is put where the sessions' database belongs.
    explicit Fixture(const QByteArray &dbBytes = QByteArray())
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        auto owned = std::make_unique<CTestBook>(DataPath());
        book = owned.get();
        book->BuildCalendar(200305, 1, 0);
        if (!book->EnterDay(kToday, EntryMethod::Balance, 0, 0, -7)
            || !book->EnterDay(kOtherDay, EntryMethod::Amounts, 3, 1, 2) || !book->Save())
            qFatal("cannot write the data file");
        if (!dbBytes.isNull()) {
            QFile db(DbPath());
            if (!db.open(QIODevice::WriteOnly) || db.write(dbBytes) != dbBytes.size())
                qFatal("cannot write the database");
        }
        session = std::make_unique<CDiarySession>(QDate(2003, 5, 12), std::move(owned), 1);
        session->SetClock([] { return QDate(2003, 5, 12); });
    }

    CPlayDiary &Plays() { return session->Plays(); }
    QString DataPath() const { return dir.filePath(QStringLiteral("Murel1.Dat")); }
    QString DbPath() const { return dir.filePath(QStringLiteral("Murel1.db")); }

    // The line of a day in the data file, without its line end; empty when it has none.
    QByteArray LineOf(int date) const
    {
        QFile file(dir.filePath(QStringLiteral("Murel1.Dat")));
        if (!file.open(QIODevice::ReadOnly))
            return "<unreadable>";
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith(QByteArray::number(date) + ','))
                return line.trimmed();
        }
        return {};
    }
    // The stored fields of a day: "method collected invested balance".
    QString Stored(int date) const
    {
        const DayResult &d = book->Day(book->IndexOf(date));
        return QStringLiteral("%1 %2 %3 %4")
                .arg(static_cast<int>(d.entryMethod))
                .arg(d.collected)
                .arg(d.invested)
                .arg(d.balance);
    }

    // A session added as the editor would add it; fails the test run when it cannot be.
    PlaySession Add(int date, const QString &store, int invested, int collected,
                    const QString &memo = QString())
    {
        PlaySession s;
        s.day = date;
        s.store = store;
        s.invested = invested;
        s.collected = collected;
        s.memo = memo;
        QString problem;
        if (!Plays().Add(s, &problem))
            qFatal("cannot add a session: %s", qPrintable(problem));
        return s;
    }
    // The day's sessions in one line each: "store|machine|start|end|invested|collected|memo".
    QStringList Sessions(int date)
    {
        QStringList out;
        for (const PlaySession &s : Plays().SessionsOfDay(date)) {
            out << QStringList{s.store,
                               s.machine,
                               PlayInput::TimeText(s.startMinute),
                               PlayInput::TimeText(s.endMinute),
                               QString::number(s.invested),
                               QString::number(s.collected),
                               s.memo}
                            .join(QLatin1Char('|'));
        }
        return out;
    }
};

// Keys to the widget that has the focus, as a person presses them.
inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *to = QApplication::focusWidget();
    if (!to)
        to = QApplication::activeWindow();
    if (!to)
        qFatal("no widget to press keys on");
    QTest::keyClick(to, key, modifiers);
}
// Text typed into the focused widget, a key per character as an input method hands it over:
// QTest's own clicks take Latin-1 alone.
inline void Type(const QString &text)
{
    QWidget *to = QApplication::focusWidget();
    if (!to)
        qFatal("no widget to type into");
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(to, c.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(to, &press);
        QApplication::sendEvent(to, &release);
    }
}

// The texts of an editor's fields as they stand: "store|machine|start|end|invested|collected|memo".
inline QString Fields(const CPlayEditDlg &editor)
{
    using D = CPlayEditDlg;
    QStringList out;
    for (D::ControlId id :
         {D::IdStore, D::IdMachine, D::IdStart, D::IdEnd, D::IdInvested, D::IdCollected}) {
        out << qobject_cast<QLineEdit *>(editor.control(id))->text();
    }
    out << qobject_cast<QPlainTextEdit *>(editor.control(D::IdMemo))->toPlainText();
    return out.join(QLatin1Char('|'));
}

} // namespace PlayWindowTest

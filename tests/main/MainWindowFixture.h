#pragma once

// What every main-window test starts from: a settings store and a data file of its own, today
// fixed at 2003/05/12 (also the date of every save, for its backup, unless a test moves it),
// scripted message boxes for both windows and open dialogs, and the real daily input window.

#include "common/DataLines.h"
#include "common/ScriptedPrompt.h"
#include "dialogkit/OpenPath.h"
#include "entry/DailyInputDlg.h"
#include "main/DiaryDlg.h"
#include "main/PeriodList.h"
#include "session/DiarySession.h"
#include "settings/Profile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// Answers open dialogs from a script and records what they were asked.
class ScriptedOpenPath : public COpenPathAsker
{
public:
    struct Asked
    {
        QString caption;
        QString folder;
        QString filter;
        QWidget *owner;
    };

    QStringList answers; // taken from the front; cancelled (empty) when none is left
    QList<Asked> asked;

    QString Ask(QWidget *owner, const QString &caption, const QString &folder,
                const QString &filter) override
    {
        asked.append({caption, folder, filter, owner});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

class MainWindowFixture
{
public:
    // Once per test case.
    bool Prepare()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir.filePath(QStringLiteral("settings")));
        return dir.isValid();
    }

    // Before every test: no settings but the start-up flag of the daily input window, no data
    // file, no answers.
    void Reset(bool dailyInputAtStart)
    {
        Store().clear();
        if (!dailyInputAtStart)
            WriteProfileInt(QStringLiteral("Option"), QStringLiteral("DailyInput_Show"), 0);
        if (QFileInfo(DataPath()).isDir())
            QDir(DataPath()).removeRecursively();
        QFile::remove(DataPath());
        QDir(DataPath() + QStringLiteral(".backup")).removeRecursively();
        prompt = ScriptedPrompt();
        openPath = ScriptedOpenPath();
        saveDate = QDate(2003, 5, 12);
        makeBook = nullptr;
    }

    DiaryEnv Env(QDate today = QDate(2003, 5, 12))
    {
        DiaryEnv env;
        env.today = today;
        env.dataFilePath = DataPath();
        env.prompt = &prompt;
        env.makeEntryWindow = &CDailyInputDlg::Open;
        env.clock = [this] { return saveDate; };
        env.makeBook = makeBook;
        env.openPath = &openPath;
        return env;
    }

    std::unique_ptr<CDiaryDlg> Open(QDate today = QDate(2003, 5, 12))
    {
        return std::make_unique<CDiaryDlg>(Env(today));
    }

    // Opened and shown, as the program starts.
    std::unique_ptr<CDiaryDlg> Show(QDate today = QDate(2003, 5, 12))
    {
        auto dlg = Open(today);
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get()))
            qWarning("main window not exposed");
        return dlg;
    }

    QString DataPath() const { return dir.filePath(QStringLiteral("Murel1.Dat")); }

    void WriteData(const QByteArray &bytes) const
    {
        QFile file(DataPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            qFatal("cannot write the data file");
    }
    // Lines with LF ends, as a hand-made file may have them.
    void WriteLines(const QStringList &lines) const
    {
        QByteArray bytes;
        for (const QString &line : lines)
            bytes += line.toLatin1() + '\n';
        WriteData(bytes);
    }
    QByteArray ReadData() const
    {
        QFile file(DataPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QSettings Store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                         QStringLiteral("Murel"));
    }

    // The six cells of a list row.
    static QStringList Row(const CDiaryDlg &dlg, int row)
    {
        QStringList cells;
        if (row >= 0 && row < dlg.List()->RowCount()) {
            for (int c = 0; c < 6; ++c)
                cells.append(dlg.List()->CellText(row, c));
        }
        return cells;
    }
    static QString Summary(const CDiaryDlg &dlg)
    {
        return Ctl<QLabel>(dlg, MainCtl::Summary)->text();
    }

    // The menu item with this text, in whichever menu.
    static QAction *MenuItem(const CDiaryDlg &dlg, const QString &text)
    {
        for (QAction *menu : dlg.findChild<QMenuBar *>()->actions()) {
            for (QAction *item : menu->menu()->actions()) {
                if (item->text() == text)
                    return item;
            }
        }
        return nullptr;
    }

    template<class T> static T *Ctl(const CDiaryDlg &dlg, MainCtl::Id id)
    {
        return qobject_cast<T *>(dlg.Control(id));
    }
    static CDailyInputDlg *Entry(const CDiaryDlg &dlg)
    {
        return qobject_cast<CDailyInputDlg *>(dlg.DailyInput());
    }
    template<class T> static T *In(const CDiaryDlg &dlg, EntryCtl::Id id)
    {
        CDailyInputDlg *input = Entry(dlg);
        return input ? input->findChild<T *>(QStringLiteral("id%1").arg(int(id))) : nullptr;
    }

    // The stored fields of a day: "method collected invested balance".
    static QString Stored(const CDiaryDlg &dlg, int date)
    {
        const CResultBook &book = dlg.Book();
        const int i = book.IndexOf(date);
        if (i < 0)
            return QStringLiteral("missing");
        const DayResult &d = book.Day(i);
        return QStringLiteral("%1 %2 %3 %4")
                .arg(static_cast<int>(d.entryMethod))
                .arg(d.collected)
                .arg(d.invested)
                .arg(d.balance);
    }

    QTemporaryDir dir;
    ScriptedPrompt prompt;
    ScriptedOpenPath openPath;
    QDate saveDate{2003, 5, 12}; // what the clock says when the data file is saved
    // Replaces the plain book, e.g. with one whose file steps fail.
    std::function<std::unique_ptr<CResultBook>(const QString &)> makeBook;
};

#include "startup/DiaryApp.h"

#include "data/DurableFile.h"
#include "dialogkit/DialogTemplate.h"
#include "dialogkit/Prompt.h"
#include "startup/DataFileLock.h"
#include "startup/ExitSignals.h"
#include "startup/QuietSave.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLockFile>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>

namespace {

constexpr int kRefusedExitCode = 2; // as for a command line that cannot be used

QString Quoted(const QString &s)
{
    return QStringLiteral("「%1」").arg(s);
}

QString HolderText(const CDataFileLock::Holder &holder)
{
    const QString unknown = QStringLiteral("不明");
    return QStringLiteral("ホスト: %1\nユーザー: %2\nプロセスID: %3")
            .arg(holder.host.isEmpty() ? unknown : holder.host,
                 holder.user.isEmpty() ? unknown : holder.user,
                 holder.pid > 0 ? QString::number(holder.pid) : unknown);
}

// On standard error as well as in the box, for whoever started the program from a shell or a
// script, like the refusals of the command line.
void PrintRefusal(const QString &text)
{
    const QString program = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
    const QString line = (program.isEmpty() ? QStringLiteral("murel") : program)
            + QStringLiteral(": ") + text + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

enum class Start { Write, ViewOnly, Refused };

// Takes the data file's lock, or says why not and how the program may go on.
Start TakeDataFileLock(CDataFileLock &lock, const QString &dataFilePath, CPrompt &prompt)
{
    switch (lock.Take()) {
    case CDataFileLock::Outcome::Taken:
        return Start::Write;
    case CDataFileLock::Outcome::Unavailable:
        // Saves say for themselves when they fail; refusing would only take the diary away.
        qWarning("Murel: cannot make the lock %s beside the data file; running without it",
                 qPrintable(lock.Path()));
        return Start::Write;
    case CDataFileLock::Outcome::HeldHere: {
        const QString text = QStringLiteral("データファイル%1は、ほかのミュレルが使用中のため"
                                            "開けません。\n\n%2\n\nそのミュレルを終了してから、"
                                            "もう一度起動してください。")
                                     .arg(Quoted(dataFilePath), HolderText(lock.HeldBy()));
        PrintRefusal(text);
        prompt.Show(nullptr, text, QMessageBox::Warning, QMessageBox::Ok);
        return Start::Refused;
    }
    case CDataFileLock::Outcome::HeldElsewhere:
        break;
    }
    const QString question
            = QStringLiteral(
                      "データファイル%1は、別のホストのミュレルが使用中です。\n\n%2\n\n"
                      "このホストからは、そのミュレルが動いているかどうかを確かめられません。"
                      "閲覧専用で開きますか？\n閲覧専用では入力できず、データファイルには"
                      "何も書き込みません。")
                      .arg(Quoted(dataFilePath), HolderText(lock.HeldBy()));
    if (prompt.Show(nullptr, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        return Start::ViewOnly;
    PrintRefusal(QStringLiteral("データファイル%1は、別のホストのミュレルが使用中のため"
                                "開きませんでした。\n%2")
                         .arg(Quoted(dataFilePath), HolderText(lock.HeldBy())));
    return Start::Refused;
}

} // namespace

CDiaryApp::CDiaryApp(int &argc, char **argv)
    : QApplication(argc, argv)
    , m_qtTranslator(std::make_unique<QTranslator>())
{
    // Settings go to HKCU\Software\Murel\Murel on Windows, ~/.config/Murel/Murel.conf elsewhere.
    setOrganizationName(QStringLiteral("Murel"));
    setApplicationName(QStringLiteral("Murel"));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    setDesktopFileName(QStringLiteral("org.example.murel"));
    setFont(dlg::DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/icons/murel.png")));

    // Qt's own texts (standard buttons, edit context menus) in Japanese, whatever the locale.
    if (m_qtTranslator->load(QStringLiteral("qtbase_ja"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(m_qtTranslator.get());
}

CDiaryApp::~CDiaryApp() = default;

QString CDiaryApp::LockFilePath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("Murel.lock"));
}

int CDiaryApp::InitInstance(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow,
                            CPrompt &prompt)
{
    return InitInstance(
            QString(), [&makeMainWindow](bool) { return makeMainWindow(); }, prompt);
}

int CDiaryApp::InitInstance(const QString &dataFilePath, const MainWindowMaker &makeMainWindow,
                            CPrompt &prompt)
{
    QLockFile lock(LockFilePath());
    // The lock is stale only when its owner process is gone, never because of its age: the first
    // copy may run for days.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError) {
            prompt.Show(nullptr, QStringLiteral("アプリケーションは既に実行されています。"),
                        QMessageBox::Warning, QMessageBox::Ok);
            return 0;
        }
        // The lock file cannot be written at all (no runtime or temporary directory): saying
        // another copy runs would be false, so run without the guard.
        qWarning("Murel: cannot create the single-instance lock %s", qPrintable(lock.fileName()));
    }

    bool viewOnly = false;
    std::unique_ptr<CDataFileLock> dataLock;
    if (!dataFilePath.isEmpty()) {
        dataLock = std::make_unique<CDataFileLock>(dataFilePath);
        const Start start = TakeDataFileLock(*dataLock, dataFilePath, prompt);
        if (start == Start::Refused)
            return kRefusedExitCode;
        viewOnly = start == Start::ViewOnly;
        // Only with the lock held can no other copy be writing them right now.
        if (dataLock->IsTaken())
            CDurableFile::RemoveStaleTemporaries(dataFilePath, dataLock->TakenAt());
    }

    const int exitCode = Run(makeMainWindow, viewOnly);
    if (dataLock)
        dataLock->Release();
    if (lock.isLocked())
        lock.unlock();
    return exitCode;
}

int CDiaryApp::Run(const MainWindowMaker &makeMainWindow, bool viewOnly)
{
    // Signals are watched from before the window is made; one that comes meanwhile waits.
    CExitSignals exitSignals;
    std::unique_ptr<QDialog> mainWindow = makeMainWindow(viewOnly);
    CQuietSave *quiet = dynamic_cast<CQuietSave *>(mainWindow.get());
    int exitCode = 0;
    bool ending = false;
    const auto saveQuietly = [quiet](const char *occasion) {
        QString problem;
        const bool saved = !quiet || quiet->SaveWithoutQuestions(&problem);
        if (!problem.isEmpty())
            qWarning("Murel (%s): %s", occasion, qPrintable(problem));
        return saved;
    };

    QObject run; // the connections of this run end with it
    connect(&exitSignals, &CExitSignals::exitRequested, &run, [&](int) {
        // Ends all event loops, also those of a box that is shown; a later signal finds the
        // program ending already.
        if (ending)
            return;
        ending = true;
        exitSignals.IgnoreFromNowOn();
        exitCode = saveQuietly("signal") ? 0 : 1;
        QCoreApplication::exit(exitCode);
    });
#ifndef QT_NO_SESSIONMANAGER
    connect(this, &QGuiApplication::commitDataRequest, &run, [quiet](QSessionManager &manager) {
        if (!quiet)
            return;
        QString problem;
        quiet->SaveWithoutQuestions(&problem);
        // Asking for interaction only when there is something to say; never cancelling.
        if (!problem.isEmpty() && manager.allowsInteraction()) {
            quiet->ShowSaveProblem(problem);
            manager.release();
        }
    });
#endif
    // Also after a signal whose save failed: one more try.
    connect(this, &QCoreApplication::aboutToQuit, &run,
            [&] { exitCode = saveQuietly("quit") ? 0 : 1; });
    connect(mainWindow.get(), &QDialog::finished, &run, [&] { QCoreApplication::exit(exitCode); });

    // As exec() would show it, but in the application's own loop, whose end is heard.
    const bool quitOnLastWindow = quitOnLastWindowClosed();
    setQuitOnLastWindowClosed(false);
    mainWindow->setWindowModality(Qt::ApplicationModal);
    mainWindow->show();
    exec();
    // Closing: no later signal may end the process by its default action while the window
    // writes its settings, nor after the watcher is gone. The exit code stays what the saves say.
    exitSignals.IgnoreFromNowOn();
    setQuitOnLastWindowClosed(quitOnLastWindow);
    mainWindow.reset(); // the window writes its settings as it goes
    return exitCode;
}

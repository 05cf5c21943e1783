#include "app/DiaryApp.h"

#include "app/DialogTemplate.h"
#include "app/ExitSignals.h"
#include "app/Prompt.h"
#include "app/QuietSave.h"

#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLockFile>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTranslator>

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

    const int exitCode = Run(makeMainWindow);
    if (lock.isLocked())
        lock.unlock();
    return exitCode;
}

int CDiaryApp::Run(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow)
{
    // Signals are watched from before the window is made; one that comes meanwhile waits.
    CExitSignals exitSignals;
    std::unique_ptr<QDialog> mainWindow = makeMainWindow();
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
    setQuitOnLastWindowClosed(quitOnLastWindow);
    mainWindow.reset(); // the window writes its settings as it goes
    return exitCode;
}

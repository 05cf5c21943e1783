#include "app/DiaryApp.h"

#include "app/DialogTemplate.h"
#include "app/Prompt.h"

#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLockFile>
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

    {
        std::unique_ptr<QDialog> mainWindow = makeMainWindow();
        mainWindow->exec();
    }
    if (lock.isLocked())
        lock.unlock();
    return 0;
}

#pragma once

#include <QApplication>

#include <functional>
#include <memory>

class CPrompt;
class QDialog;
class QTranslator;

// The application object: settings store, translation, single instance, and the main window,
// modal, for the whole life of the program.
//
// Every way out keeps what was typed. The exit button and the close box ask as they always did.
// A main window that is a CQuietSave is also saved without questions when SIGTERM, SIGHUP or
// SIGINT ends the program (exit code 0, or 1 when something stayed unsaved), when the desktop
// session saves its state at logout (a box only where the session manager allows one; the logout
// is never cancelled), and when the event loop ends by any other way.
class CDiaryApp : public QApplication
{
    Q_OBJECT
public:
    CDiaryApp(int &argc, char **argv);
    ~CDiaryApp() override;

    // Makes the main window for the data file, whether it is only to be shown.
    using MainWindowMaker = std::function<std::unique_ptr<QDialog>(bool viewOnly)>;

    // Runs the main window made by makeMainWindow unless another copy runs; then the prompt tells
    // the user so and no main window is made. The window is shown application-modal, as a modal
    // dialog, and the program ends when it finishes. Returns the process exit code.
    //
    // With a data file, its lock is held beside it while the window runs, and our temporary
    // files that a killed earlier run left there are removed first. A lock held by a program
    // that runs on this host refuses the start (exit code 2); one from another host cannot be
    // checked, and the user may open the file to view it only.
    int InitInstance(const QString &dataFilePath, const MainWindowMaker &makeMainWindow,
                     CPrompt &prompt);
    // Without a data file: no lock but the single-instance one.
    int InitInstance(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow,
                     CPrompt &prompt);

    // Where the single-instance lock lives.
    static QString LockFilePath();

private:
    int Run(const MainWindowMaker &makeMainWindow, bool viewOnly);

    std::unique_ptr<QTranslator> m_qtTranslator;
};

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

    // Runs the main window made by makeMainWindow unless another copy runs; then the prompt tells
    // the user so and no main window is made. The window is shown application-modal, as a modal
    // dialog, and the program ends when it finishes. Returns the process exit code.
    int InitInstance(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow,
                     CPrompt &prompt);

    // Where the single-instance lock lives.
    static QString LockFilePath();

private:
    int Run(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow);

    std::unique_ptr<QTranslator> m_qtTranslator;
};

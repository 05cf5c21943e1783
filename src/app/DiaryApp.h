#pragma once

#include <QApplication>

#include <functional>
#include <memory>

class CPrompt;
class QDialog;
class QTranslator;

// The application object: settings store, translation, single instance, and the main window run
// modally for the whole life of the program.
class CDiaryApp : public QApplication
{
    Q_OBJECT
public:
    CDiaryApp(int &argc, char **argv);
    ~CDiaryApp() override;

    // Runs the main window made by makeMainWindow unless another copy runs; then the prompt tells
    // the user so and no main window is made. Returns the process exit code.
    int InitInstance(const std::function<std::unique_ptr<QDialog>()> &makeMainWindow,
                     CPrompt &prompt);

    // Where the single-instance lock lives.
    static QString LockFilePath();

private:
    std::unique_ptr<QTranslator> m_qtTranslator;
};

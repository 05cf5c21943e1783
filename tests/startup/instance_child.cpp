// Test-only stand-in for the program: CDiaryApp with a trivial main window that says when it is
// made and running and closes when its standard input ends, and a prompt that prints.
// MUREL_CHILD_SLOW_CLOSE makes the window take its time to go, as the real one writes its settings
// then; MUREL_CHILD_LINGER keeps the process that many milliseconds after the run.
#include "dialogkit/Prompt.h"
#include "settings/Profile.h"
#include "startup/DiaryApp.h"
#include "startup/QuietSave.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

class PrintingPrompt : public CPrompt
{
public:
    QMessageBox::StandardButton Show(QWidget *, const QString &text, QMessageBox::Icon icon,
                                     QMessageBox::StandardButtons buttons) override
    {
        say(QStringLiteral("REFUSED %1 icon=%2 buttons=%3")
                    .arg(text)
                    .arg(int(icon))
                    .arg(int(buttons)));
        return QMessageBox::Ok;
    }
};

class ChildWindow : public QDialog
{
public:
    ChildWindow()
    {
        say(QStringLiteral("CONSTRUCTED"));
        // As the real main window does, touch the settings when made.
        WriteProfileInt(QStringLiteral("Child"), QStringLiteral("Ran"), 1);
        auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            notifier->setEnabled(false);
            char buffer[64];
            (void)::read(STDIN_FILENO, buffer, sizeof buffer);
            accept();
        });
        // Never outlive a test that forgot us.
        QTimer::singleShot(60000, this, &QDialog::accept);
    }
    ~ChildWindow() override
    {
        if (qEnvironmentVariableIsSet("MUREL_CHILD_SLOW_CLOSE")) {
            say(QStringLiteral("CLOSING"));
            QThread::msleep(600);
        }
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        if (!m_shown) {
            m_shown = true;
            say(QStringLiteral("RUNNING"));
        }
    }

private:
    bool m_shown = false;
};

// With MUREL_CHILD_QUIET set: a window that says when it saves without questions. "ok" saves,
// "fail" cannot, "slow" takes its time (for a second signal to arrive meanwhile).
class QuietChildWindow : public ChildWindow, public CQuietSave
{
public:
    explicit QuietChildWindow(QString mode)
        : m_mode(std::move(mode))
    { }

    bool SaveWithoutQuestions(QString *problem) override
    {
        const int call = ++m_calls;
        say(QStringLiteral("SAVE BEGIN %1").arg(call));
        if (m_mode == QLatin1String("slow"))
            QThread::msleep(600);
        say(QStringLiteral("SAVE END %1").arg(call));
        if (m_mode != QLatin1String("fail"))
            return true;
        *problem = QStringLiteral("disk full");
        return false;
    }
    void ShowSaveProblem(const QString &problem) override
    {
        say(QStringLiteral("SHOWN %1").arg(problem));
    }

private:
    QString m_mode;
    int m_calls = 0;
};

} // namespace

int main(int argc, char **argv)
{
    CDiaryApp app(argc, argv);
    // Two copies wait here for the test's signal so that both reach the lock at the same time.
    const QString barrier = qEnvironmentVariable("MUREL_CHILD_BARRIER");
    if (!barrier.isEmpty()) {
        say(QStringLiteral("READY"));
        const QDeadlineTimer deadline(20000);
        while (!QFile::exists(barrier) && !deadline.hasExpired())
            QThread::usleep(200);
    }
    PrintingPrompt prompt;
    const QString quiet = qEnvironmentVariable("MUREL_CHILD_QUIET");
    const int rc = app.InitInstance(
            [&quiet]() -> std::unique_ptr<QDialog> {
                if (quiet.isEmpty())
                    return std::make_unique<ChildWindow>();
                return std::make_unique<QuietChildWindow>(quiet);
            },
            prompt);
    say(QStringLiteral("DONE"));
    QThread::msleep(qEnvironmentVariableIntValue("MUREL_CHILD_LINGER"));
    return rc;
}

#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT (logout, shutdown, kill, Ctrl+C) into exitRequested in the
// event loop, so that the program can end as through its exit button and keep what was typed.
//
// The handlers only write the signal's number to a pipe; a socket notifier reads it in the
// thread that made this object, one signal per turn of the event loop, and emits exitRequested
// once for each signal delivered. While a receiver runs, even one that runs a nested event loop
// (a message box), no further exitRequested is emitted: later signals wait in the pipe and
// follow, one by one, after the receiver returned. So a receiver is never entered twice.
//
// What a receiver must do:
//  - the first time: save without asking anything (no confirmation, no retry box), then end the
//    program the way the exit button does, with exit code 0;
//  - every later time: notice that the program is already ending and return at once.
//
// Once the program is closing, IgnoreFromNowOn makes the signals ignored until the process ends:
// a late one must neither end the process by its default action halfway through its last writes
// or after this object is gone, nor change its exit code.
//
// Make one object in the main thread once the application object exists, and destroy it before
// the application object; the destructor puts back the handlers found at construction, unless
// the signals are ignored from now on. Only one object can be active at a time. Elsewhere than
// on Unix the object does nothing.
class CExitSignals : public QObject
{
    Q_OBJECT
public:
    explicit CExitSignals(QObject *parent = nullptr);
    ~CExitSignals() override;

    CExitSignals(const CExitSignals &) = delete;
    CExitSignals &operator=(const CExitSignals &) = delete;

    // Whether the handlers are installed (false for a second object, or if installing failed).
    bool isActive() const { return m_notifier != nullptr; }

    // From here until the process ends, SIGTERM, SIGHUP and SIGINT are ignored, also after this
    // object is gone, and no further exitRequested is emitted, not even for a signal that came
    // before. Call it where closing begins; calling it again changes nothing.
    void IgnoreFromNowOn();

signals:
    void exitRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier *m_notifier = nullptr;
    bool m_ignoring = false;
};

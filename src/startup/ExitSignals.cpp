#include "startup/ExitSignals.h"

#include <QPointer>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX

#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kExitSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kSignalCount = int(std::size(kExitSignals));

// The pipe lives as long as the process: a handler running on another thread while the object
// goes away may still write to it, and that byte must never land in a reused descriptor.
int g_readEnd = -1;
volatile sig_atomic_t g_writeEnd = -1;
struct sigaction g_previous[kSignalCount];
bool g_installed = false;

extern "C" void OnExitSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: the signals already waiting end the program just as well.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

bool MakePipe()
{
    if (g_readEnd >= 0)
        return true;
    int ends[2];
    if (::pipe(ends) != 0)
        return false;
    for (int fd : ends) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0
            || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
            ::close(ends[0]);
            ::close(ends[1]);
            return false;
        }
    }
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    return true;
}

// Throws away bytes a previous object's handlers left behind.
void DrainPipe()
{
    unsigned char bytes[64];
    while (::read(g_readEnd, bytes, sizeof bytes) > 0) { }
}

void RestoreHandlers(int count)
{
    for (int i = 0; i < count; ++i)
        ::sigaction(kExitSignals[i], &g_previous[i], nullptr);
}

} // namespace

CExitSignals::CExitSignals(QObject *parent)
    : QObject(parent)
{
    if (g_installed) {
        qWarning("Murel: exit signals are already watched by another object");
        return;
    }
    if (!MakePipe()) {
        qWarning("Murel: cannot create the pipe for exit signals");
        return;
    }
    DrainPipe();

    struct sigaction action = {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // interrupted system calls elsewhere simply go on
    for (int i = 0; i < kSignalCount; ++i) {
        if (::sigaction(kExitSignals[i], &action, &g_previous[i]) != 0) {
            RestoreHandlers(i);
            qWarning("Murel: cannot handle signal %d", kExitSignals[i]);
            return;
        }
    }
    g_installed = true;
    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CExitSignals::OnReadable);
}

CExitSignals::~CExitSignals()
{
    if (!m_notifier)
        return;
    if (!m_ignoring)
        RestoreHandlers(kSignalCount);
    g_installed = false;
    DrainPipe();
}

void CExitSignals::IgnoreFromNowOn()
{
    if (!m_notifier || m_ignoring)
        return;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int signalNumber : kExitSignals)
        ::sigaction(signalNumber, &ignore, nullptr);
    m_ignoring = true;
    m_notifier->setEnabled(false);
    DrainPipe();
}

void CExitSignals::OnReadable()
{
    unsigned char byte;
    if (::read(g_readEnd, &byte, 1) != 1)
        return; // nothing after all (EAGAIN) or interrupted: the notifier fires again if needed

    // No second delivery while the receiver runs; the bytes still in the pipe wake the notifier
    // again once it is enabled, one per turn of the loop.
    m_notifier->setEnabled(false);
    const QPointer<CExitSignals> alive(this);
    emit exitRequested(int(byte));
    if (alive && !m_ignoring)
        m_notifier->setEnabled(true);
}

#else // not Unix: no such signals to watch

CExitSignals::CExitSignals(QObject *parent)
    : QObject(parent)
{ }

CExitSignals::~CExitSignals() = default;

void CExitSignals::IgnoreFromNowOn() { }

void CExitSignals::OnReadable() { }

#endif

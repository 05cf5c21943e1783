#pragma once

// Runs a check as an ordinary user, so that cases where permissions must bite are really tried
// when the suite runs as root (as CI does): root ignores the modes they rely on.
//
//     QCOMPARE(RunUnprivileged([] { ...; return QString(); }), QString());
//
// Not root: the check runs right here and its answer is returned (empty for success).
// Root: the test row that called it runs again, whole, in a new copy of this test program that
// drops to the user nobody (65534) before main(). The copy is executed, not merely forked: a
// forked Qt program inherits thread pools that believe in threads it does not have, and its next
// painting waits for them forever. In the copy the call finds no root and runs the check, so the
// row's own QCOMPARE judges it. Returns empty when the copy passed, else what it printed. A copy
// that hangs is killed after a while, and one left behind dies with its parent.
//
// The row must make its own files, since root's temporary folders are out of nobody's reach.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTest>

#include <functional>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

inline bool RunsAsRoot()
{
#if defined(Q_OS_UNIX)
    return ::geteuid() == 0;
#else
    return false;
#endif
}

#if defined(Q_OS_UNIX)
namespace unprivileged {

inline constexpr char kAsNobody[] = "MUREL_TEST_AS_NOBODY";
inline constexpr uid_t kNobody = 65534;
inline constexpr int kDeadlineMs = 240'000; // below QtTest's own five minutes per function

// The copy drops to nobody before anything of Qt runs, and dies if its parent does.
inline const bool droppedAtStart = [] {
    const char *parent = ::getenv(kAsNobody);
    if (!parent)
        return false;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
        || ::setresuid(kNobody, kNobody, kNobody) != 0 || ::geteuid() == 0) {
        std::fputs("could not drop to nobody\n", stderr);
        ::_exit(3);
    }
    // Set after the drop: a change of user clears it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (QByteArray::number(::getppid()) != parent)
        ::_exit(4);
    ::unsetenv(kAsNobody); // not for the programs it starts
    return true;
}();

} // namespace unprivileged
#endif

inline QString RunUnprivileged(const std::function<QString()> &check)
{
#if defined(Q_OS_UNIX)
    if (!RunsAsRoot())
        return check();
    QByteArray row = QTest::currentTestFunction();
    if (const char *tag = QTest::currentDataTag())
        row += QByteArray(":") + tag;
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray parent = QByteArray::number(::getpid());
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        return QStringLiteral("fork failed");
    if (child == 0) {
        // Only what is safe between fork and exec.
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::setenv(unprivileged::kAsNobody, parent.constData(), 1);
        ::setenv("HOME", "/tmp", 1);
        ::setenv("TMPDIR", "/tmp", 1);
        ::unsetenv("XDG_RUNTIME_DIR");
        const char *argv[] = {program.constData(), row.constData(), nullptr};
        ::execv("/proc/self/exe", const_cast<char **>(argv));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    QByteArray output;
    bool hung = false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = unprivileged::kDeadlineMs - clock.elapsed();
        if (left <= 0) {
            hung = true;
            break;
        }
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int n = ::poll(&ready, 1, int(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            continue; // the deadline is checked above
        char buffer[4096];
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        output.append(buffer, got);
    }
    ::close(pipeFds[0]);
    if (hung)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    // What failed, without the copy's banner.
    if (const qsizetype failed = output.indexOf("FAIL!"); failed >= 0)
        output = output.mid(failed);
    if (hung)
        return QStringLiteral("as nobody, %1 did not end in time:\n").arg(QString::fromUtf8(row))
                + QString::fromUtf8(output);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("as nobody, %1 failed (status %2):\n")
                       .arg(QString::fromUtf8(row))
                       .arg(status)
                + QString::fromUtf8(output);
    return QString();
#else
    return check();
#endif
}

#pragma once

// Runs a check as an ordinary user, so that cases where permissions must bite are really tried
// when the suite runs as root (as CI does): root ignores the modes they rely on.
//
//     QCOMPARE(RunUnprivileged([] { ...; return QString(); }), QString());
//
// As root the check runs in a child process that has dropped to the user nobody (65534); it
// must make its own files, since root's temporary folders are out of its reach. Otherwise it
// runs right here. Returns what the check returns (empty for success), or why the child failed.
#include <QString>

#include <functional>

#if defined(Q_OS_UNIX)
#include <grp.h>
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

inline QString RunUnprivileged(const std::function<QString()> &check)
{
#if defined(Q_OS_UNIX)
    if (!RunsAsRoot())
        return check();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        return QStringLiteral("fork failed");
    if (child == 0) {
        ::close(pipeFds[0]);
        constexpr uid_t kNobody = 65534;
        QByteArray result;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
            || ::setresuid(kNobody, kNobody, kNobody) != 0 || ::geteuid() == 0)
            result = "could not drop to nobody";
        else
            result = check().toUtf8();
        qint64 done = 0;
        while (done < result.size()) {
            const ssize_t n
                    = ::write(pipeFds[1], result.constData() + done, size_t(result.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.append(buffer, n);
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the unprivileged child ended abnormally (status %1)").arg(status);
    return QString::fromUtf8(result);
#else
    return check();
#endif
}

// The real program's command line, as a shell runs it: output, exit code, and nothing made or
// touched when it only answers or refuses. It runs with no display at all, so any start of the
// windowing system before the answer would make it fail.
#include "common/Unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#ifndef MUREL_PROGRAM
#error "MUREL_PROGRAM must name the program"
#endif
#ifndef MUREL_VERSION
#error "MUREL_VERSION must come from the project version"
#endif

namespace {

QStringList Everything(const QString &dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(dir).relativeFilePath(it.next()));
    found.sort();
    return found;
}

// A home, settings and a runtime folder in dir, and no display at all.
QProcessEnvironment Environment(const QDir &dir)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")); // and no DISPLAY
    const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
    if (!asan.isEmpty())
        env.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    return env;
}

// What path is, and holds: a refused start must leave it so.
QByteArray State(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return "missing";
    QByteArray state = QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(st.st_rdev);
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
    if (n > 0)
        return state + " -> " + QByteArray(buffer, int(n));
    const int fd = S_ISREG(st.st_mode) ? ::open(path.constData(), O_RDONLY) : -1;
    const ssize_t size = fd >= 0 ? ::read(fd, buffer, sizeof buffer) : 0;
    if (fd >= 0)
        ::close(fd);
    return state + ' ' + QByteArray(buffer, int(qMax<ssize_t>(0, size)));
}

bool MakeSocket(const QByteArray &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    return ::close(fd) == 0 && bound;
}

bool WriteRaw(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    const bool written
            = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // exact standard output; "*" for anything non-empty
        QTest::addColumn<QString>("err"); // part of standard error; empty for none at all

        const QString version = QStringLiteral("ミュレル " MUREL_VERSION "\n");
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "";
        QTest::newRow("-v beside a file") << QStringList{"-v", "x.dat"} << 0 << version << "";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "*"
                                << "";
        QTest::newRow("two files") << QStringList{"a.dat", "b.dat"} << 2 << ""
                                   << "murel: データファイルは1つだけ指定できます";
        QTest::newRow("unknown option") << QStringList{"--open", "a.dat"} << 2 << ""
                                        << "「--open」は不明なオプションです";
        QTest::newRow("missing folder") << QStringList{"no/such/x.dat"} << 2 << ""
                                        << "がありません";
        QTest::newRow("folder as data file") << QStringList{"."} << 2 << ""
                                             << "はディレクトリです";
    }
    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        QDir dir(root.path());
        for (const char *sub : {"cwd", "home", "config", "run"})
            QVERIFY(dir.mkdir(QString::fromLatin1(sub)));

        QProcess murel;
        murel.setProcessEnvironment(Environment(dir));
        murel.setWorkingDirectory(dir.filePath(QStringLiteral("cwd")));
        murel.start(QStringLiteral(MUREL_PROGRAM), arguments);
        QVERIFY(murel.waitForFinished(20000));
        const QString stdOut = QString::fromUtf8(murel.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(murel.readAllStandardError());

        QCOMPARE(murel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(murel.exitCode(), exitCode);
        if (out == QLatin1String("*"))
            QVERIFY(stdOut.size() > 40);
        else
            QCOMPARE(stdOut, out);
        if (err.isEmpty())
            QCOMPARE(stdErr, QString());
        else
            QVERIFY2(stdErr.contains(err) && stdErr.endsWith(QLatin1Char('\n')),
                     qPrintable(stdErr));
        // No data file, no lock, no settings: only the four empty folders.
        QCOMPARE(Everything(root.path()), (QStringList{"config", "cwd", "home", "run"}));
    }

    // Data files the program must never open nor replace, and names it would read as another
    // file: refused with exit code 2 before anything is opened, made or changed.
    void refusedDataFiles_data()
    {
        QTest::addColumn<QString>("kind"); // what is made in the working directory first
        QTest::addColumn<QByteArray>(
                "name"); // its name, or the data file named as an absolute path
        QTest::addColumn<QString>("err"); // part of standard error

        const QByteArray x("x.Dat");
        const QString device = QStringLiteral("（キャラクターデバイス）");
        QTest::newRow("FIFO") << "fifo" << x << "（名前付きパイプ）";
        QTest::newRow("link to /dev/null") << "link to /dev/null" << x << device;
        QTest::newRow("/dev/zero") << "none" << QByteArray("/dev/zero") << device;
        QTest::newRow("socket") << "socket" << x << "（ソケット）";
        if (RunsAsRoot())
            QTest::newRow("device node made as root") << "device" << x << device;
        const QByteArray notUtf8("\xff\xfe"
                                 "diary.Dat");
        QTest::newRow("name that is not UTF-8") << "file" << notUtf8 << "文字として読めないバイト";
        QTest::newRow("name that is not UTF-8, no file") << "none" << notUtf8 << "読めないバイト";
    }
    void refusedDataFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, name);
        QFETCH(QString, err);

        QTemporaryDir root;
        QDir dir(root.path());
        for (const char *sub : {"cwd", "home", "config", "run"})
            QVERIFY(dir.mkdir(QString::fromLatin1(sub)));
        const QByteArray cwd = QFile::encodeName(dir.filePath(QStringLiteral("cwd")));
        const QByteArray item = name.startsWith('/') ? name : cwd + '/' + name;
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(item, 0644), 0);
        else if (kind == QLatin1String("link to /dev/null"))
            QCOMPARE(::symlink("/dev/null", item), 0);
        else if (kind == QLatin1String("device"))
            QCOMPARE(::mknod(item, S_IFCHR | 0666, makedev(1, 3)), 0);
        else if (kind == QLatin1String("socket"))
            QVERIFY(MakeSocket(item));
        else if (kind == QLatin1String("file"))
            QVERIFY(WriteRaw(item, "20030512,0,2000,5000,3000,\r\n"));
        const QStringList before = Everything(root.path());
        const QByteArray state = State(item);

        QProcess murel;
        murel.setProcessEnvironment(Environment(dir));
        murel.setWorkingDirectory(QFile::decodeName(cwd));
        // Through the shell, so that the name keeps its bytes: printf makes them from octal.
        QByteArray octal;
        for (char c : name)
            octal += '\\' + QByteArray::number(uchar(c), 8);
        murel.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf \"$1\")\""),
                     QStringLiteral(MUREL_PROGRAM), QString::fromLatin1(octal)});
        // A FIFO without a writer would keep it waiting if it were opened.
        QVERIFY(murel.waitForFinished(20000));
        const QString stdErr = QString::fromUtf8(murel.readAllStandardError());
        QCOMPARE(murel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(murel.exitCode(), 2);
        QVERIFY2(stdErr.contains(err) && stdErr.endsWith(QLatin1Char('\n')), qPrintable(stdErr));
        // The file as it was, and nothing made: no data file, no lock, no backup, no settings.
        QCOMPARE(State(item), state);
        QCOMPARE(Everything(root.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

// The real program's command line, as a shell runs it: output, exit code, and nothing made or
// touched when it only answers or refuses. It runs with no display at all, so any start of the
// windowing system before the answer would make it fail.
#include "common/Unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Every entry of folder with its raw name, its kind, its device number, its size and its
// content's bytes: what a refused start must leave as it was.
QByteArray Kinds(const QByteArray &folder)
{
    QByteArray listing;
    DIR *d = ::opendir(folder.constData());
    if (!d)
        return "no folder";
    QList<QByteArray> names;
    while (const dirent *e = ::readdir(d))
        names.append(QByteArray(e->d_name));
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : names) {
        struct stat st;
        if (::lstat(folder + name, &st) != 0)
            continue;
        listing += name.toHex() + ' ' + QByteArray::number(st.st_mode, 8) + ' '
                + QByteArray::number(quint64(st.st_rdev)) + ' ' + QByteArray::number(st.st_size);
        if (S_ISREG(st.st_mode)) {
            QFile file(QFile::decodeName(folder + name));
            if (file.open(QIODevice::ReadOnly))
                listing += ' ' + file.readAll().toHex();
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(folder + name, target, sizeof target);
            listing += " -> " + QByteArray(target, int(qMax<ssize_t>(0, n)));
        }
        listing += '\n';
    }
    return listing;
}

const QByteArray kLine = "20030512,0,2000,5000,3000,\r\n";

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
        QTest::addColumn<QByteArray>("argument"); // as printf's format: octal escapes for bytes
        QTest::addColumn<QString>("err"); // part of standard error

        QTest::newRow("FIFO") << "fifo" << QByteArray("x.Dat") << "（名前付きパイプ）";
        QTest::newRow("link to /dev/null")
                << "link to /dev/null" << QByteArray("x.Dat") << "（キャラクターデバイス）";
        QTest::newRow("/dev/null itself")
                << "none" << QByteArray("/dev/null") << "（キャラクターデバイス）";
        QTest::newRow("/dev/zero")
                << "none" << QByteArray("/dev/zero") << "（キャラクターデバイス）";
        if (RunsAsRoot())
            QTest::newRow("device node made as root")
                    << "device" << QByteArray("x.Dat") << "（キャラクターデバイス）";
        QTest::newRow("name that is not UTF-8")
                << "file" << QByteArray("\\377\\376diary.Dat") << "文字として読めないバイト";
        QTest::newRow("name that is not UTF-8, no file")
                << "none" << QByteArray("\\377\\376diary.Dat") << "文字として読めないバイト";
    }
    void refusedDataFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, argument);
        QFETCH(QString, err);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        QDir dir(root.path());
        for (const char *sub : {"cwd", "home", "config", "run"})
            QVERIFY(dir.mkdir(QString::fromLatin1(sub)));
        const QByteArray cwd = QFile::encodeName(dir.filePath(QStringLiteral("cwd"))) + '/';
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(cwd + "x.Dat", 0644), 0);
        } else if (kind == QLatin1String("link to /dev/null")) {
            QCOMPARE(::symlink("/dev/null", cwd + "x.Dat"), 0);
        } else if (kind == QLatin1String("device")) {
            QCOMPARE(::mknod(cwd + "x.Dat", S_IFCHR | 0666, makedev(1, 3)), 0);
        } else if (kind == QLatin1String("file")) {
            QFile file(QFile::decodeName(cwd) + QLatin1Char('x'));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(kLine), qint64(kLine.size()));
            file.close();
            QCOMPARE(::rename(cwd + "x",
                              cwd
                                      + "\xff\xfe"
                                        "diary.Dat"),
                     0);
        }
        const QStringList before = Everything(root.path());
        const QByteArray kinds = Kinds(cwd);

        QProcess murel;
        murel.setProcessEnvironment(Environment(dir));
        murel.setWorkingDirectory(QFile::decodeName(cwd));
        // The argument goes through the shell to keep its bytes as they are.
        murel.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf \"$1\")\""),
                     QStringLiteral(MUREL_PROGRAM), QString::fromLatin1(argument)});
        // Never opened: a FIFO with no writer would keep it waiting.
        QVERIFY(murel.waitForFinished(20000));
        const QString stdErr = QString::fromUtf8(murel.readAllStandardError());
        QCOMPARE(murel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(murel.exitCode(), 2);
        QVERIFY2(stdErr.contains(err) && stdErr.endsWith(QLatin1Char('\n')), qPrintable(stdErr));
        QCOMPARE(murel.readAllStandardOutput(), QByteArray());
        // Each file as it was, and nothing made: no data file, no lock, no backup, no settings.
        QCOMPARE(Kinds(cwd), kinds);
        QCOMPARE(Everything(root.path()), before);
        QCOMPARE(::access("/dev/null", F_OK), 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

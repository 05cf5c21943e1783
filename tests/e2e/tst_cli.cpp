// The real program's command line, as a shell runs it: output, exit code, and nothing made or
// touched when it only answers or refuses. It runs with no display at all, so any start of the
// windowing system before the answer would make it fail.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

        QProcess murel;
        murel.setProcessEnvironment(env);
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
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

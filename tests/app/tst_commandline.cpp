#include "app/CommandLine.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef MUREL_VERSION
#error "MUREL_VERSION must come from the project version"
#endif

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

// Every path under dir with its size and modification time: a parse must leave it as it was.
QStringList Listing(const QString &dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.append(QStringLiteral("%1 %2 %3")
                               .arg(info.filePath())
                               .arg(info.size())
                               .arg(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("sub")));
        QVERIFY(dir.mkpath(QStringLiteral("folder.Dat")));
        QFile file(dir.filePath(QStringLiteral("sub/a.Dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("20030512,0,2000,5000,3000,\r\n");
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after the program
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("file"); // for Run, relative to the working directory
        QTest::addColumn<QStringList>("says"); // parts of the printed text

        using A = CommandLine::Action;
        const QStringList none;
        const QString abs = m_dir.path() + QStringLiteral("/sub/a.Dat");

        QTest::newRow("no argument") << none << A::Run << "Murel1.Dat" << none;
        QTest::newRow("relative file") << QStringList{"diary.dat"} << A::Run << "diary.dat" << none;
        QTest::newRow("dot segments")
                << QStringList{"./sub/../sub/a.Dat"} << A::Run << "sub/a.Dat" << none;
        QTest::newRow("absolute file") << QStringList{abs} << A::Run << "sub/a.Dat" << none;
        QTest::newRow("japanese name with a space")
                << QStringList{"収支 2003.dat"} << A::Run << "収支 2003.dat" << none;
        QTest::newRow("dash file after --")
                << QStringList{"--", "-x.dat"} << A::Run << "-x.dat" << none;
        QTest::newRow("qt option with value")
                << QStringList{"-style", "Fusion", "diary.dat"} << A::Run << "diary.dat" << none;
        QTest::newRow("qt option with =")
                << QStringList{"--platform=offscreen"} << A::Run << "Murel1.Dat" << none;
        QTest::newRow("qt flag") << QStringList{"-reverse", "diary.dat"} << A::Run << "diary.dat"
                                 << none;
        QTest::newRow("session restart")
                << QStringList{"-session", "1234", "x.dat"} << A::Run << "x.dat" << none;

        const QStringList helpSays{"使い方: murel [オプション] [データファイル]", "-h, --help",
                                   "-v, --version", "Murel1.Dat", "作業ディレクトリ"};
        QTest::newRow("--help") << QStringList{"--help"} << A::Help << "" << helpSays;
        QTest::newRow("-h") << QStringList{"-h"} << A::Help << "" << helpSays;
        QTest::newRow("help beside a file")
                << QStringList{"diary.dat", "--help"} << A::Help << "" << helpSays;
        QTest::newRow("help beside two files")
                << QStringList{"a.dat", "b.dat", "-h"} << A::Help << "" << helpSays;

        const QStringList versionSays{QStringLiteral("ミュレル " MUREL_VERSION)};
        QTest::newRow("--version") << QStringList{"--version"} << A::Version << "" << versionSays;
        QTest::newRow("-v") << QStringList{"-v"} << A::Version << "" << versionSays;
        QTest::newRow("-version") << QStringList{"-version"} << A::Version << "" << versionSays;

        QTest::newRow("two files") << QStringList{"a.dat", "b.dat"} << A::Refuse << ""
                                   << QStringList{"1つだけ", "「a.dat」", "「b.dat」"};
        QTest::newRow("three files")
                << QStringList{"a", "b", "c"} << A::Refuse << "" << QStringList{"1つだけ", "「c」"};
        QTest::newRow("unknown long option") << QStringList{"--open", "x.dat"} << A::Refuse << ""
                                             << QStringList{"「--open」は不明なオプションです。"};
        QTest::newRow("unknown option with value")
                << QStringList{"--open=x.dat"} << A::Refuse << ""
                << QStringList{"「--open」は不明なオプションです。"};
        QTest::newRow("unknown short option")
                << QStringList{"-x"} << A::Refuse << "" << QStringList{"「-x」は不明"};
        QTest::newRow("short options run together")
                << QStringList{"-hv"} << A::Refuse << "" << QStringList{"「-hv」は不明"};
        QTest::newRow("unknown option before --") << QStringList{"--bogus", "--", "--help"}
                                                  << A::Refuse << "" << QStringList{"「--bogus」"};
        QTest::newRow("value on a switch") << QStringList{"--version=2"} << A::Refuse << ""
                                           << QStringList{"「--version」は値をとりません"};
        QTest::newRow("missing value") << QStringList{"diary.dat", "-style"} << A::Refuse << ""
                                       << QStringList{"「-style」には値が必要です"};
        QTest::newRow("empty file name")
                << QStringList{""} << A::Refuse << "" << QStringList{"データファイル名が空です"};
        QTest::newRow("folder as data file") << QStringList{"folder.Dat"} << A::Refuse << ""
                                             << QStringList{"folder.Dat」はディレクトリです"};
        QTest::newRow("missing folder") << QStringList{"nowhere/x.Dat"} << A::Refuse << ""
                                        << QStringList{"nowhere」がありません"};
        QTest::newRow("file taken for a folder") << QStringList{"sub/a.Dat/x.Dat"} << A::Refuse
                                                 << "" << QStringList{"a.Dat」がありません"};
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, file);
        QFETCH(QStringList, says);

        const QStringList before = Listing(m_dir.path());
        const CommandLine result = ParseCommandLine(
                QStringList{QStringLiteral("/usr/bin/murel")} + arguments, m_dir.path());
        QCOMPARE(result.action, action);
        for (const QString &part : says)
            QVERIFY2(result.text.contains(part), qPrintable(result.text));
        switch (action) {
        case CommandLine::Run:
            QVERIFY(QDir::isAbsolutePath(result.dataFilePath));
            QCOMPARE(result.dataFilePath, QDir(m_dir.path()).filePath(file));
            break;
        case CommandLine::Version:
            QCOMPARE(result.text, says.first());
            break;
        case CommandLine::Refuse:
            QVERIFY2(result.text.startsWith(QStringLiteral("murel: ")), qPrintable(result.text));
            QVERIFY(result.text.endsWith(QStringLiteral("「murel --help」で使い方を表示します。")));
            [[fallthrough]];
        case CommandLine::Help:
            QVERIFY(result.dataFilePath.isEmpty());
            QVERIFY(!result.text.endsWith(QLatin1Char('\n')));
            break;
        }
        QCOMPARE(Listing(m_dir.path()), before);
    }

    // The data file is found from the working directory given, not from the process's.
    void workingDirectory()
    {
        const QString elsewhere = m_dir.path() + QStringLiteral("/sub");
        const CommandLine result
                = ParseCommandLine({QStringLiteral("murel"), QStringLiteral("a.Dat")}, elsewhere);
        QCOMPARE(result.action, CommandLine::Run);
        QCOMPARE(result.dataFilePath, elsewhere + QStringLiteral("/a.Dat"));
        QVERIFY(QDir::currentPath() != elsewhere);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

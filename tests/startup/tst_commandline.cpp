#include "startup/CommandLine.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
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

    // Over generated names: what runs names exactly the bytes given, and every name that is
    // proper UTF-8 runs; any other is refused.
    void acceptedNamesKeepTheirBytes()
    {
        QRandomGenerator random(20030512);
        // Mostly whole characters of one to four bytes; now and then a byte or a sequence that is
        // no character, alone or beside a part of one.
        const QList<QByteArray> good{
                "a", "Z", "9", ".", "_", " ", "\xe3\x81\x82", "\xc3\xa9", "\xf0\x9f\x8e\xb0"};
        const QList<QByteArray> bad{"\xff",     "\xfe", "\xc0\x80", "\xed\xa0\xbf",
                                    "\xf0\x9f", "\x81", "\xe3"};
        int refused = 0;
        int ran = 0;
        for (int round = 0; round < 2000; ++round) {
            QByteArray name;
            const int length = 1 + int(random.bounded(8));
            for (int i = 0; i < length; ++i) {
                const QList<QByteArray> &from = random.bounded(10) == 0 ? bad : good;
                name.append(from.at(int(random.bounded(int(from.size())))));
            }
            if (name.startsWith('-') || name == "." || name == "..")
                continue;
            // After options whose values may be no names at all: only the file's bytes count.
            const QList<QList<QByteArray>> options{
                    {}, {"-qwindowtitle", "\xff"}, {"--qwindowtitle=\xfe", "--"}, {"-style", "x"}};
            QList<QByteArray> raw = QList<QByteArray>{"murel"} + options.at(round % 4);
            raw.append(name);
            QStringList decoded;
            for (const QByteArray &a : raw)
                decoded.append(QFile::decodeName(a));
            const CommandLine result = ParseCommandLine(decoded, m_dir.path(), raw);
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString strict = utf8(name);
            const bool properUtf8 = !utf8.hasError() && !strict.contains(QChar(0xfffd));
            if (result.action == CommandLine::Run) {
                ++ran;
                QCOMPARE(QFile::encodeName(result.dataFilePath),
                         QFile::encodeName(m_dir.path()) + '/' + name);
            } else {
                ++refused;
                QVERIFY2(!properUtf8, name.toHex().constData());
            }
        }
        // Both kinds came up.
        QVERIFY(ran > 100);
        QVERIFY(refused > 100);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

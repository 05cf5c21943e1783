#include "app/CommandLine.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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
        file.close();

        // Files of every kind, and links to them.
        const QByteArray root = QFile::encodeName(m_dir.path()) + '/';
        QCOMPARE(::mkfifo(root + "fifo.Dat", 0644), 0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = root + "socket.Dat";
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::link(QStringLiteral("sub/a.Dat"), dir.filePath(QStringLiteral("link.Dat"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("null.Dat"))));
        QVERIFY(QFile::link(QStringLiteral("fifo.Dat"),
                            dir.filePath(QStringLiteral("fifolink.Dat"))));
        QVERIFY(QFile::link(QStringLiteral("sub"), dir.filePath(QStringLiteral("folderlink.Dat"))));
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

    // What the data file may be at start: only a regular file, a link to one, or nothing yet; and
    // only a name that is the bytes given.
    void dataFileKinds_data()
    {
        QTest::addColumn<QByteArray>("argument"); // as the bytes the program gets
        QTest::addColumn<bool>("runs");
        QTest::addColumn<QString>("says"); // part of the refusal

        QTest::newRow("regular file") << QByteArray("sub/a.Dat") << true << "";
        QTest::newRow("missing file") << QByteArray("new.Dat") << true << "";
        QTest::newRow("link to a regular file") << QByteArray("link.Dat") << true << "";
        QTest::newRow("japanese name") << QByteArray("収支 2003.dat") << true << "";
        QTest::newRow("FIFO") << QByteArray("fifo.Dat") << false << "（名前付きパイプ）";
        QTest::newRow("socket") << QByteArray("socket.Dat") << false << "（ソケット）";
        QTest::newRow("link to /dev/null")
                << QByteArray("null.Dat") << false << "（キャラクターデバイス）";
        QTest::newRow("/dev/zero")
                << QByteArray("/dev/zero") << false << "（キャラクターデバイス）";
        QTest::newRow("link to a FIFO") << QByteArray("fifolink.Dat") << false << "名前付きパイプ";
        QTest::newRow("link to a folder")
                << QByteArray("folderlink.Dat") << false << "はディレクトリです";
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe"
                                                 "diary.Dat")
                                   << false << "文字として読めないバイト";
        QTest::newRow("not UTF-8 in a folder")
                << QByteArray("s\xffub/a.Dat") << false << "文字として読めないバイト";
        QTest::newRow("overlong UTF-8") << QByteArray("\xc0\xaf.Dat") << false << "読めない";
        QTest::newRow("UTF-8 of a lone surrogate")
                << QByteArray("\xed\xa0\x80.Dat") << false << "読めない";
    }
    void dataFileKinds()
    {
        QFETCH(QByteArray, argument);
        QFETCH(bool, runs);
        QFETCH(QString, says);

        const QStringList before = Listing(m_dir.path());
        const QList<QByteArray> raw{"/usr/bin/murel", argument};
        const CommandLine result = ParseCommandLine(
                {QStringLiteral("/usr/bin/murel"), QFile::decodeName(argument)}, m_dir.path(), raw);
        QCOMPARE(result.action, runs ? CommandLine::Run : CommandLine::Refuse);
        if (runs) {
            QCOMPARE(QFile::encodeName(result.dataFilePath),
                     QFile::encodeName(
                             QDir(m_dir.path()).absoluteFilePath(QFile::decodeName(argument))));
        } else {
            QVERIFY2(result.text.contains(says), qPrintable(result.text));
            QVERIFY(result.dataFilePath.isEmpty());
        }
        QCOMPARE(Listing(m_dir.path()), before);
    }

    // The data file is found among options and their values as the parser finds it: only its own
    // bytes are checked.
    void nameAmongOptions_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments"); // after the program
        QTest::addColumn<bool>("runs");

        QTest::newRow("bad title, good file")
                << QList<QByteArray>{"-qwindowtitle", "\xff", "a.Dat"} << true;
        QTest::newRow("bad title with =, good file")
                << QList<QByteArray>{"--qwindowtitle=\xff", "a.Dat"} << true;
        QTest::newRow("good style, bad file")
                << QList<QByteArray>{"-style", "Fusion", "\xff.Dat"} << false;
        QTest::newRow("flag, bad file") << QList<QByteArray>{"-reverse", "\xff.Dat"} << false;
        QTest::newRow("bad file after --") << QList<QByteArray>{"--", "-\xff.Dat"} << false;
        QTest::newRow("good file after --")
                << QList<QByteArray>{"-qwindowtitle", "\xfe", "--", "-a.Dat"} << true;
    }
    void nameAmongOptions()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(bool, runs);
        QList<QByteArray> raw{"murel"};
        QStringList decoded{QStringLiteral("murel")};
        for (const QByteArray &a : arguments) {
            raw.append(a);
            decoded.append(QFile::decodeName(a));
        }
        const CommandLine result = ParseCommandLine(decoded, m_dir.path(), raw);
        QCOMPARE(result.action, runs ? CommandLine::Run : CommandLine::Refuse);
    }

    // Over generated names: what runs names exactly the bytes given, and every name that is
    // proper UTF-8 runs.
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
            const CommandLine result
                    = ParseCommandLine({QStringLiteral("murel"), QFile::decodeName(name)},
                                       m_dir.path(), {"murel", name});
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

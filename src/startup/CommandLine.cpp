#include "startup/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#ifndef MUREL_VERSION
#error "MUREL_VERSION must come from the project version"
#endif

namespace {

// Options of Qt itself, which the application object takes out of the arguments later. A session
// manager restarts programs with -session, so refusing these would break more than it protects.
struct QtOption
{
    const char *name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
        {"platform", true},        {"platformpluginpath", true},
        {"platformtheme", true},   {"plugin", true},
        {"qwindowgeometry", true}, {"qwindowicon", true},
        {"qwindowtitle", true},    {"session", true},
        {"display", true},         {"geometry", true},
        {"style", true},           {"stylesheet", true},
        {"reverse", false},        {"widgetcount", false},
        {"nograb", false},         {"dograb", false},
};

const QString kDataFileArgument = QStringLiteral("データファイル");

QString Quoted(const QString &s)
{
    return QStringLiteral("「%1」").arg(s);
}

QString Refusal(const QString &program, const QString &what)
{
    return QStringLiteral("%1: %2\n「%1 --help」で使い方を表示します。").arg(program, what);
}

// An option argument as typed, without a value after "=".
QString OptionAsTyped(const QString &argument)
{
    const qsizetype eq = argument.indexOf(QLatin1Char('='));
    return eq < 0 ? argument : argument.left(eq);
}

// The option an argument names, without its dashes and without a value.
QString OptionName(const QString &argument)
{
    return OptionAsTyped(argument).mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
}

// The arguments that look like options, up to "--".
QStringList OptionArguments(const QStringList &arguments)
{
    QStringList options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            break;
        if (a.size() > 1 && a.startsWith(QLatin1Char('-')))
            options.append(a);
    }
    return options;
}

bool TakesValue(const QString &name)
{
    for (const QtOption &q : kQtOptions)
        if (name == QLatin1String(q.name))
            return q.takesValue;
    return false;
}

// Why the parser failed when no option is unknown: a value missing or one too many.
QString ValueProblem(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            break;
        if (a.size() < 2 || !a.startsWith(QLatin1Char('-')))
            continue;
        const QString name = OptionName(a);
        const bool hasValue = a.contains(QLatin1Char('='));
        if (!TakesValue(name) && hasValue)
            return QStringLiteral("オプション%1は値をとりません。").arg(Quoted(OptionAsTyped(a)));
        if (TakesValue(name) && !hasValue) {
            if (i + 1 == arguments.size())
                return QStringLiteral("オプション%1には値が必要です。").arg(Quoted(a));
            ++i; // its value
        }
    }
    return QStringLiteral("コマンドラインを解釈できません。");
}

// Where the data file stands among the arguments: the first that is neither an option nor an
// option's value, as the parser takes them; -1 when there is none.
qsizetype DataFileIndex(const QStringList &arguments)
{
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (!optionsEnded) {
            if (a == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            if (a.size() > 1 && a.startsWith(QLatin1Char('-'))) {
                if (TakesValue(OptionName(a)) && !a.contains(QLatin1Char('=')))
                    ++i; // its value
                continue;
            }
        }
        return i;
    }
    return -1;
}

// What an existing data file is when it is not a regular file; empty when it is one or when it
// is missing. Links are followed: a link to a regular file is that file.
QString NotRegularFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("ディレクトリ");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("名前付きパイプ");
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("キャラクターデバイス");
    if (S_ISBLK(st.st_mode))
        return QStringLiteral("ブロックデバイス");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("ソケット");
    return QStringLiteral("特殊ファイル");
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    return info.isDir() ? QStringLiteral("ディレクトリ") : QStringLiteral("特殊ファイル");
#endif
}

QString HelpText(const QString &program, const QList<QCommandLineOption> &options)
{
    QStringList names;
    qsizetype width = 0;
    for (const QCommandLineOption &o : options) {
        QStringList dashed;
        for (const QString &n : o.names())
            dashed.append((n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n);
        names.append(dashed.join(QStringLiteral(", ")));
        width = qMax(width, names.last().size());
    }
    QString text = QStringLiteral("使い方: %1 [オプション] [%2]\n"
                                  "毎日の回収額と投資額を記録する収支日記、ミュレルを起動します。\n"
                                  "%2を省略すると、作業ディレクトリの Murel1.Dat を開きます。\n"
                                  "%2がなければ新しく作ります。\n"
                                  "\nオプション:\n")
                           .arg(program, kDataFileArgument);
    for (qsizetype i = 0; i < options.size(); ++i)
        text += QStringLiteral("  %1  %2\n")
                        .arg(names.at(i), -int(width))
                        .arg(options.at(i).description());
    text += QStringLiteral("\n引数:\n  %1  開く%1\n").arg(kDataFileArgument);
    return text.trimmed();
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments, const QString &workingDir,
                             const QList<QByteArray> &rawArguments)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("murel")
                                                : QFileInfo(arguments.first()).fileName();
    QCommandLineParser parser;
    // Qt's options are written with one dash ("-style"); so may ours be ("-version").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("この使い方を表示して終了します。"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("バージョンを表示して終了します。"));
    parser.addOption(help);
    parser.addOption(version);
    for (const QtOption &q : kQtOptions) {
        QCommandLineOption o(QString::fromLatin1(q.name));
        if (q.takesValue)
            o.setValueName(QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    parser.addPositionalArgument(kDataFileArgument, QString());

    CommandLine result;
    if (!parser.parse(arguments.isEmpty() ? QStringList{program} : arguments)) {
        result.action = CommandLine::Refuse;
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) {
            result.text = Refusal(program, ValueProblem(arguments));
            return result;
        }
        QString shown = unknown.first();
        for (const QString &a : OptionArguments(arguments)) {
            if (OptionName(a) == shown) {
                shown = OptionAsTyped(a);
                break;
            }
        }
        result.text
                = Refusal(program, QStringLiteral("%1は不明なオプションです。").arg(Quoted(shown)));
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Help;
        result.text = HelpText(program, {help, version});
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Version;
        result.text = QStringLiteral("ミュレル ") + QStringLiteral(MUREL_VERSION);
        return result;
    }

    const QStringList files = parser.positionalArguments();
    result.action = CommandLine::Refuse;
    if (files.size() > 1) {
        QStringList quoted;
        for (const QString &f : files)
            quoted.append(Quoted(f));
        result.text = Refusal(program,
                              QStringLiteral("データファイルは1つだけ指定できます（%1）。")
                                      .arg(quoted.join(QStringLiteral("、"))));
        return result;
    }
    const QString named = files.isEmpty() ? QStringLiteral("Murel1.Dat") : files.first();
    if (named.isEmpty()) {
        result.text = Refusal(program, QStringLiteral("データファイル名が空です。"));
        return result;
    }
    const qsizetype index = DataFileIndex(arguments);
    if (index >= 0 && index < rawArguments.size()) {
        const QByteArray &raw = rawArguments.at(index);
        if (QFile::encodeName(QFile::decodeName(raw)) != raw) {
            // Opening it would open, or make, a file of another name.
            result.text = Refusal(program,
                                  QStringLiteral("データファイル名%1に、文字として読めないバイトが"
                                                 "あります。この名前のファイルは開けません。")
                                          .arg(Quoted(named)));
            return result;
        }
    }
    // Absolute from the start: the data file's directory, never the working directory, gets the
    // temporary files of a save, whatever the program does with its working directory later.
    const QString path = QDir::cleanPath(QDir(workingDir).absoluteFilePath(named));
    const QFileInfo info(path);
    if (info.isDir()) {
        result.text = Refusal(program,
                              QStringLiteral("%1はディレクトリです。データファイルを指定して"
                                             "ください。")
                                      .arg(Quoted(path)));
        return result;
    }
    // Reading a FIFO or a device would never end, and a save would replace it.
    const QString kind = NotRegularFile(path);
    if (!kind.isEmpty()) {
        result.text = Refusal(program,
                              QStringLiteral("%1は通常のファイルではありません（%2）。"
                                             "データファイルを指定してください。")
                                      .arg(Quoted(path), kind));
        return result;
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        result.text = Refusal(program,
                              QStringLiteral("データファイルのディレクトリ%1がありません。")
                                      .arg(Quoted(info.absolutePath())));
        return result;
    }
    result.action = CommandLine::Run;
    result.dataFilePath = path;
    return result;
}

int PrintCommandLineOutcome(const CommandLine &commandLine)
{
    const QByteArray text = (commandLine.text + QLatin1Char('\n')).toLocal8Bit();
    switch (commandLine.action) {
    case CommandLine::Run:
        return 0;
    case CommandLine::Help:
    case CommandLine::Version:
        std::fputs(text.constData(), stdout);
        std::fflush(stdout);
        return 0;
    case CommandLine::Refuse:
        break;
    }
    std::fputs(text.constData(), stderr);
    return 2;
}

QList<QByteArray> RawCommandLineArguments(int argc, char **argv)
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return arguments;
}

QStringList CommandLineArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

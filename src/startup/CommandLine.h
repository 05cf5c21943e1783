#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the command line asks for. It is read before the application object exists, so that a
// help, a version or a refusal touches no file, no lock and no setting, and needs no display.
struct CommandLine
{
    enum Action {
        Run, // open dataFilePath
        Help, // print text on stdout, exit 0
        Version, // print text on stdout, exit 0
        Refuse, // print text on stderr, exit 2
    };
    Action action = Run;
    QString dataFilePath; // absolute and clean, for Run
    QString text; // what Help, Version or Refuse print, without the final line end
};

// arguments[0] is the program as started; a relative data file is taken from workingDir. Only
// looks at the file system, and opens nothing: the data file must be a regular file or missing
// (a link to one is fine; a directory, a FIFO, a device or a socket is refused) and its directory
// must exist. rawArguments, when given, are the same arguments as the bytes the program got: a
// data file name whose bytes do not come back from its decoded name would open another file, and
// is refused.
CommandLine ParseCommandLine(const QStringList &arguments, const QString &workingDir,
                             const QList<QByteArray> &rawArguments = {});

// Prints what a Help, Version or Refuse says; returns the process exit code.
int PrintCommandLineOutcome(const CommandLine &commandLine);

// argv as Qt strings (file names in the locale's encoding, UTF-8 on Linux).
QStringList CommandLineArguments(int argc, char **argv);
// argv as it is.
QList<QByteArray> RawCommandLineArguments(int argc, char **argv);

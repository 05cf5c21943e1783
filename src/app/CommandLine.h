#pragma once

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
// looks at the file system: the data file must not be a directory and its directory must exist.
CommandLine ParseCommandLine(const QStringList &arguments, const QString &workingDir);

// Prints what a Help, Version or Refuse says; returns the process exit code.
int PrintCommandLineOutcome(const CommandLine &commandLine);

// argv as Qt strings (file names in the locale's encoding, UTF-8 on Linux).
QStringList CommandLineArguments(int argc, char **argv);

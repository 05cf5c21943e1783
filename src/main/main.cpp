#include "dialogkit/Prompt.h"
#include "entry/DailyInputDlg.h"
#include "main/DiaryDlg.h"
#include "startup/CommandLine.h"
#include "startup/DiaryApp.h"

#include <QDir>

#include <memory>

int main(int argc, char **argv)
{
    // Before the application object: a help, a version or an unusable argument needs no display
    // and touches neither the lock, the settings nor a data file.
    const CommandLine commandLine
            = ParseCommandLine(CommandLineArguments(argc, argv), QDir::currentPath(),
                               RawCommandLineArguments(argc, argv));
    if (commandLine.action != CommandLine::Run)
        return PrintCommandLineOutcome(commandLine);

    CDiaryApp app(argc, argv);
    DiaryEnv env;
    env.dataFilePath = commandLine.dataFilePath;
    env.makeEntryWindow = &CDailyInputDlg::Open;
    return app.InitInstance(
            env.dataFilePath,
            [&env](bool viewOnly) {
                env.viewOnly = viewOnly;
                return std::make_unique<CDiaryDlg>(env);
            },
            DefaultPrompt());
}

#include "app/DiaryApp.h"
#include "app/Prompt.h"
#include "entry/DailyInputDlg.h"
#include "main/DiaryDlg.h"

#include <memory>

int main(int argc, char **argv)
{
    CDiaryApp app(argc, argv);
    return app.InitInstance(
            [] {
                DiaryEnv env;
                env.makeEntryWindow = &CDailyInputDlg::Open;
                return std::make_unique<CDiaryDlg>(env);
            },
            DefaultPrompt());
}

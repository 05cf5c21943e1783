#include "app/DiaryApp.h"
#include "app/Prompt.h"
#include "main/DiaryDlg.h"

#include <memory>

int main(int argc, char **argv)
{
    CDiaryApp app(argc, argv);
    return app.InitInstance([] { return std::make_unique<CDiaryDlg>(); }, DefaultPrompt());
}

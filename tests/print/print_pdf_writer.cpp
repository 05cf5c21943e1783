// Prints the main window's view of a data file to a PDF, through the code the print preview
// runs. Usage: print_pdf_writer DATAFILE OUT.pdf monthly|daily [landscape]
// Today is 2003/05/12 and the period the twelve months up to May 2003; the daily view shows May
// 2003 with the one-year graph.
#include "main/DiaryDlg.h"
#include "main/ExportCommands.h"
#include "session/DiarySession.h"
#include "settings/Profile.h"

#include "common/ScriptedPrompt.h"

#include <QApplication>
#include <QPrinter>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: print_pdf_writer DATAFILE OUT.pdf monthly|daily [landscape]\n");
        return 2;
    }
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    WriteProfileInt(QStringLiteral("Option"), QStringLiteral("FromN"), 0);

    ScriptedPrompt prompt;
    DiaryEnv env;
    env.today = QDate(2003, 5, 12);
    env.dataFilePath = args.at(1);
    env.prompt = &prompt;
    CDiaryDlg dlg(env);
    if (args.at(3) == QLatin1String("monthly")) {
        dlg.Session().ShowMonthly();
    } else {
        if (auto *year = qobject_cast<QRadioButton *>(dlg.Control(MainCtl::SpanOneYear)))
            year->click();
    }

    QPrinter printer(QPrinter::HighResolution);
    CExportCommands::SetUpPrinter(printer, env.dataFilePath);
    if (args.value(4) == QLatin1String("landscape"))
        printer.setPageOrientation(QPageLayout::Landscape);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(args.at(2));
    if (!dlg.Export()->PrintTo(printer)) {
        std::fprintf(stderr, "printing failed\n");
        return 1;
    }
    for (const QString &text : prompt.texts())
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    return prompt.asked.isEmpty() ? 0 : 1;
}

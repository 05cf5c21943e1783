#pragma once

#include "graph/TransitionGraph.h"
#include "main/CsvScopeDlg.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>

class CDiarySession;
class CGraphPainter;
class CPrompt;
class CSavePathAsker;
class QPrinter;
class QWidget;

// The main window's ways of taking results out: a CSV file for spreadsheets (of the days, or of the
// play sessions), the graph as a PNG
// file or on the clipboard, and a printout through a preview. Files are proposed beside the data
// file; a failure is shown as a warning that names the file and leaves no file behind.
class CExportCommands : public QObject
{
    Q_OBJECT
public:
    struct Sources
    {
        QWidget *owner = nullptr; // the main window: the boxes' owner
        CDiarySession *session = nullptr; // also its play sessions, which are read
        CGraphPainter *graph = nullptr;
        QWidget *graphFrame = nullptr; // shows the graph; the image is what it shows
        std::function<TransitionRequest()> graphRequest; // what the graph shows
        QString dataFilePath;
        CPrompt *prompt = nullptr;
        CSavePathAsker *savePath = nullptr;
    };

    explicit CExportCommands(Sources sources, QObject *parent = nullptr);

    void SaveCsv();
    void SaveGraphImage();
    void CopyGraph();
    void Print();

    // The graph as the frame shows it, at twice its size with a device pixel ratio of 2.
    QImage GraphImage() const;
    // Renders the printout of the current view onto printer; false (after a warning) when the
    // printer could not be started or its file not written. A file is written through the
    // durable writer: the target is replaced only by a whole printout, and never when it is the
    // data file, a backup or no regular file.
    bool PrintTo(QPrinter &printer);

    // A4 upright with margins of 15 mm, named after the data file.
    static void SetUpPrinter(QPrinter &printer, const QString &dataFilePath);

    // "<data file's base name>.csv", "-all.csv" for every year or "-sessions.csv" for the play
    // sessions, in the data file's folder.
    static QString CsvProposal(const QString &dataFilePath, CCsvScopeDlg::Scope scope);
    // "Murel-graph-<yyyymmdd of the graph's first date>.png" in the data file's folder.
    static QString GraphProposal(const QString &dataFilePath, int firstDate);

private:
    // Tells why path may not be written (ExportTargetProblem) and answers true, or answers false.
    bool Refused(const QString &path, const QString &failedText) const;
    bool Render(QPrinter &printer);
    void Warn(const QString &text) const;

    Sources m_in;
};

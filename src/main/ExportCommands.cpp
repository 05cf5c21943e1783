#include "main/ExportCommands.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "dialogkit/Prompt.h"
#include "dialogkit/SavePath.h"
#include "export/CsvExport.h"
#include "export/ExportTarget.h"
#include "graph/GraphPainter.h"
#include "play/PlayCsv.h"
#include "print/PrintLayout.h"
#include "print/PrintSheet.h"
#include "session/DiarySession.h"
#include "session/Messages.h"
#include "session/PlayDiary.h"
#include "stats/SessionTable.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

constexpr int kImageScale = 2;

// Holds the wait cursor while a file is written.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QString Beside(const QString &dataFilePath, const QString &name)
{
    return QDir(QFileInfo(dataFilePath).absolutePath()).filePath(name);
}

} // namespace

CExportCommands::CExportCommands(Sources sources, QObject *parent)
    : QObject(parent)
    , m_in(std::move(sources))
{ }

QString CExportCommands::CsvProposal(const QString &dataFilePath, CCsvScopeDlg::Scope scope)
{
    const QString base = QFileInfo(dataFilePath).completeBaseName();
    switch (scope) {
    case CCsvScopeDlg::AllYears:
        return Beside(dataFilePath, base + QStringLiteral("-all.csv"));
    case CCsvScopeDlg::Sessions:
        return Beside(dataFilePath, base + QStringLiteral("-sessions.csv"));
    case CCsvScopeDlg::SessionTable:
        return Beside(dataFilePath, base + QStringLiteral("-totals.csv"));
    case CCsvScopeDlg::ShownPeriod:
        break;
    }
    return Beside(dataFilePath, base + QStringLiteral(".csv"));
}

QString CExportCommands::GraphProposal(const QString &dataFilePath, int firstDate)
{
    const QString date = firstDate > 0 ? QLatin1Char('-') + QString::number(firstDate) : QString();
    return Beside(dataFilePath, QStringLiteral("Murel-graph") + date + QStringLiteral(".png"));
}

bool CExportCommands::Refused(const QString &path, const QString &failedText) const
{
    const QString problem = ExportTargetProblem(path, m_in.dataFilePath, failedText);
    if (problem.isEmpty())
        return false;
    Warn(problem);
    return true;
}

void CExportCommands::Warn(const QString &text) const
{
    m_in.prompt->Show(m_in.owner, text, QMessageBox::Warning, QMessageBox::Ok);
}

void CExportCommands::SaveCsv()
{
    CCsvScopeDlg choice(m_in.owner);
    if (choice.exec() != QDialog::Accepted)
        return;
    const CCsvScopeDlg::Scope scope = choice.Chosen();
    const QString path = m_in.savePath->Ask(m_in.owner, QStringLiteral("CSV形式で保存"),
                                            CsvProposal(m_in.dataFilePath, scope),
                                            QStringLiteral("CSVファイル (*.csv)"));
    if (path.isEmpty() || Refused(path, CCsvExport::FailedText()))
        return;
    const CResultBook &book = m_in.session->Book();
    CCsvExport csv;
    QString problem;
    {
        const WaitCursor wait;
        // Every year comes from the file; days typed since the last save come from the book.
        switch (scope) {
        case CCsvScopeDlg::ShownPeriod:
            problem = csv.WritePeriod(book, path);
            break;
        case CCsvScopeDlg::AllYears:
            problem = csv.WriteAllYears(m_in.dataFilePath, path,
                                        book.IsModified() ? &book : nullptr);
            break;
        case CCsvScopeDlg::Sessions:
            problem = PlayCsv::Export(m_in.session->Plays().Store(), path);
            break;
        case CCsvScopeDlg::SessionTable:
            problem = ExportSessionTable(m_in.session->Plays().Store(), book, path);
            break;
        }
    }
    if (!problem.isEmpty())
        Warn(problem);
}

QImage CExportCommands::GraphImage() const
{
    // Drawn by the frame itself, border included, exactly as it paints on screen.
    QWidget *frame = m_in.graphFrame;
    QImage image(frame->size() * kImageScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kImageScale);
    // Viewers that honour the resolution show it at the size it has on screen.
    const double dotsPerInch = frame->logicalDpiX() * kImageScale;
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(frame->palette().color(frame->backgroundRole()));
    frame->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void CExportCommands::SaveGraphImage()
{
    const int firstDate = FirstGraphDate(m_in.session->Book(), m_in.graphRequest());
    const QString path = m_in.savePath->Ask(m_in.owner, QStringLiteral("グラフを画像で保存"),
                                            GraphProposal(m_in.dataFilePath, firstDate),
                                            QStringLiteral("PNG画像 (*.png)"));
    if (path.isEmpty() || Refused(path, msg::ImageSaveFailed()))
        return;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !GraphImage().save(&buffer, "PNG")) {
        Warn(FileProblem::Message(msg::ImageSaveFailed(), path,
                                  QStringLiteral("PNG形式に変換できません。")));
        return;
    }
    // Written whole or not at all: the file replaces nothing until it is complete and synced.
    CDurableFile file(path);
    if (!file.Open() || !file.Write(png) || !file.Commit()) {
        Warn(FileProblem::Message(msg::ImageSaveFailed(), path,
                                  FileProblem::Reason(file.ErrorCode(), file.ErrorText())));
    }
}

void CExportCommands::CopyGraph()
{
    QGuiApplication::clipboard()->setImage(GraphImage());
}

bool CExportCommands::Render(QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const CDiarySession &session = *m_in.session;
    const bool daily = session.View() == DiaryView::Daily;
    const QFrame *frame = qobject_cast<const QFrame *>(m_in.graphFrame);
    // The graph is laid out for the frame's interior, where the painter draws it.
    const QSize graphSize = frame ? frame->contentsRect().size() : m_in.graphFrame->size();
    // The daily view lists each day's play sessions under it.
    CPlayDiary &plays = m_in.session->Plays();
    const SessionsOfDay sessionsOf = [&plays](int date) { return plays.SessionsOfDay(date); };
    CPrintLayout layout(SheetOfView(session.Book(), daily, session.MonthIndex(), sessionsOf),
                        m_in.graph, graphSize);
    layout.Render(painter, printer);
    return painter.end();
}

bool CExportCommands::PrintTo(QPrinter &printer)
{
    const QString target = printer.outputFileName();
    // A printer, or the preview, which draws onto a picture of its own: no file.
    const QPaintEngine *engine = printer.paintEngine();
    if (target.isEmpty() || (engine && engine->type() == QPaintEngine::Picture)) {
        if (Render(printer))
            return true;
        Warn(msg::PrintFailed());
        return false;
    }
    if (Refused(target, msg::PrintFailed()))
        return false;
    // The printer writes the file beside the target, which it replaces only once whole.
    CDurableFile file(target);
    bool done = file.Open();
    if (done) {
        printer.setOutputFileName(file.TemporaryPath());
        // An empty file is no printout: it never replaces the target.
        done = Render(printer) && QFileInfo(file.TemporaryPath()).size() > 0;
        printer.setOutputFileName(target);
        file.SetWrittenElsewhere();
        if (done)
            done = file.Commit();
        else
            file.Cancel();
    }
    if (!done) {
        Warn(FileProblem::Message(msg::PrintFailed(), target,
                                  FileProblem::Reason(file.ErrorCode(), file.ErrorText())));
    }
    return done;
}

void CExportCommands::SetUpPrinter(QPrinter &printer, const QString &dataFilePath)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setDocName(QFileInfo(dataFilePath).completeBaseName());
}

void CExportCommands::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, m_in.dataFilePath);
    QPrintPreviewDialog preview(&printer, m_in.owner);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter *target) { PrintTo(*target); });
    preview.exec();
}

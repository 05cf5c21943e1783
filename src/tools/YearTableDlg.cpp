#include "tools/YearTableDlg.h"

#include "data/BookYears.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "dialogkit/PaintFrame.h"
#include "dialogkit/ReportList.h"
#include "dialogkit/WindowPosition.h"
#include "graph/GraphPainter.h"
#include "graph/YearGraph.h"
#include "session/YearText.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QPushButton>

namespace {

using dlg::Kind;
using dlg::NoId;

// The year table, 372 x 332 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {CYearTableDlg::IdListTitle, Kind::Text, u"年別一覧(&L):", 8, 0, 80, 12, dlg::VCenter},
        {NoId, Kind::Text, u"単位:百円", 300, 0, 64, 12, dlg::AlignRight},
        {CYearTableDlg::IdList, Kind::Custom, nullptr, 8, 12, 356, 150, dlg::TabStop},
        {CYearTableDlg::IdChart, Kind::Custom, nullptr, 8, 168, 356, 136},
        {CYearTableDlg::IdStatus, Kind::Text, u"", 8, 308, 290, 20, dlg::WordWrap},
        {CYearTableDlg::IdClose, Kind::DefPushButton, u"閉じる", 306, 310, 58, 16, dlg::TabStop},
};

} // namespace

CYearTableDlg::CYearTableDlg(QWidget *parent)
    : QDialog(parent)
    , m_chart(std::make_unique<CGraphPainter>())
    , m_model(std::make_unique<CReportModel>(rowtext::YearColumns()))
{
    setWindowTitle(QStringLiteral("年別集計"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.id == IdList)
            return m_list = new CReportList(client);
        return m_chartFrame = new CPaintFrame(client, [this](QPainter &painter, QSize size) {
                   m_chart->Draw(painter, size);
               });
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 372, 332));

    m_status = m_controls.get<QLabel>(IdStatus);
    m_list->SetReportModel(m_model.get());
    m_list->SetupColumns();
    // A list view takes no name from its label; a screen reader reads this one.
    m_list->setAccessibleName(QStringLiteral("年別一覧"));
    connect(m_controls.get<QPushButton>(IdClose), &QPushButton::clicked, this, &QDialog::accept);
}

CYearTableDlg::~CYearTableDlg()
{
    // Destroyed while still open (its owner went away): the position is kept all the same.
    if (m_initialized && isVisible())
        OnDestroy();
    m_list->setModel(nullptr); // the model goes before the list
}

QWidget *CYearTableDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

void CYearTableDlg::SetData(const CResultBook *book, int thisYear)
{
    m_book = book;
    m_thisYear = thisYear;
}

void CYearTableDlg::setVisible(bool visible)
{
    if (visible && !m_initialized)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CYearTableDlg::done(int result)
{
    if (m_initialized && isVisible())
        OnDestroy();
    QDialog::done(result);
}

void CYearTableDlg::OnInitDialog()
{
    RestoreWindowPosition(*this, &CSettings::yearTablePos);
    Fill();
    m_list->setFocus();
    m_initialized = true;
}

void CYearTableDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::yearTablePos);
    m_initialized = false;
}

void CYearTableDlg::Fill()
{
    m_rows.clear();
    m_total = YearFigures();
    m_status->clear();
    if (m_book) {
        const QString path = m_book->dataFilePath();
        CYearTotals totals;
        CBookYears years(totals, *m_book);
        CYearReader reader(path);
        if (reader.Read(years)) {
            years.Finish();
            m_rows = totals.Rows();
            m_total = totals.Total();
        } else {
            const int code = FileProblem::ReadProbe(path);
            m_status->setText(FileProblem::Message(reader.lastError, path,
                                                   FileProblem::Reason(code, reader.lastReason)));
        }
    }

    m_model->SetRows(rowtext::YearTableRows(m_rows, m_total, m_thisYear));
    int marked = -1;
    for (size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].year == m_thisYear)
            marked = int(r);
    }
    if (marked >= 0) {
        m_list->SelectRow(marked);
        m_list->EnsureVisible(marked);
    }

    FillYearGraph(*m_chart, m_rows, m_chartFrame->contentsRect().width());
    m_chartFrame->setAccessibleName(m_chart->title);
    m_chartFrame->update();
}

#pragma once

#include "data/YearTotals.h"
#include "dialogkit/DialogTemplate.h"

#include <QDialog>

#include <memory>

class CGraphPainter;
class CReportList;
class CReportModel;
class CResultBook;
class QLabel;

// The year-by-year totals: a modal dialog with a row per calendar year of the whole data file,
// a totals row, and a chart of the years' balances and their running total. The file is read
// once, when the dialog opens, with the loaded period's unsaved days as the book holds them; the
// dialog never writes.
class CYearTableDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdClose = 1, // the default button
        IdListTitle = 100, // its mnemonic moves the focus to the list
        IdList = 101,
        IdChart = 102, // the frame the chart is drawn into
        IdStatus = 103, // why the file could not be read; empty otherwise
    };

    explicit CYearTableDlg(QWidget *parent = nullptr);
    ~CYearTableDlg() override;

    // The book whose data file is read and whose loaded period counts as it holds it; the row of
    // thisYear is marked.
    void SetData(const CResultBook *book, int thisYear);

    QWidget *control(ControlId id) const;
    CReportList *List() const { return m_list; }
    const CGraphPainter &Chart() const { return *m_chart; }

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    void OnInitDialog();
    void OnDestroy();
    void Fill(); // reads the file and fills the list and the chart

    const CResultBook *m_book = nullptr;
    int m_thisYear = 0;
    std::vector<YearFigures> m_rows;
    YearFigures m_total; // the "合計" row
    std::unique_ptr<CGraphPainter> m_chart;
    std::unique_ptr<CReportModel> m_model; // the rows the list shows
    dlg::Controls m_controls;
    CReportList *m_list = nullptr;
    QWidget *m_chartFrame = nullptr;
    QLabel *m_status = nullptr;
    bool m_initialized = false; // OnInitDialog ran, so there is a window whose position to keep
};

#pragma once

#include "dialogkit/DialogTemplate.h"
#include "graph/SessionChart.h"
#include "stats/SessionTable.h"

#include <QDialog>

#include <memory>

class CPlayStore;
class CReportList;
class CReportModel;
class CResultBook;
class QLabel;

// 店舗・機種別集計: the play sessions summed by store, by machine or by starting hour, over the
// loaded period or every year, as a table with a 合計 row and a chart of the rows' balances. The
// sessions are read when the window opens and when the range changes, all three groupings at
// once; changing the grouping or the order reads nothing. Days with a result but without sessions
// are not counted; the window says how many there are. It never writes the data file or the
// database.
//
// A modal dialog. The grouping, the range and the window's position are kept in the settings
// section "SessionTable": read when it opens, written when it closes.
class CSessionTableDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdClose = 1, // the default button
        IdByStore = 10, // "店舗別(&T)"
        IdByMachine = 11, // "機種別(&K)"
        IdByHour = 12, // "時間帯別(&H)"
        IdPeriod = 13, // "表示中の期間(&P)"
        IdAllYears = 14, // "すべての年(&A)"
        IdListTitle = 15, // its mnemonic moves the focus to the table
        IdList = 16,
        IdChart = 17, // the frame the chart is drawn into
        IdStatus = 18, // the days without sessions, or what could not be read
    };

    // owner: the main window. book: the diary's book, whose loaded period is the shown period and
    // whose data file has the days of every year. store: the diary's play sessions. Both must
    // outlive the window.
    CSessionTableDlg(QWidget *owner, const CResultBook &book, CPlayStore &store);
    ~CSessionTableDlg() override;

    QWidget *control(ControlId id) const;
    CReportList *List() const { return m_list; }
    const CSessionChart &Chart() const { return m_chart; }
    const CSessionTable &Table() const { return m_table; }
    QString StatusText() const;

    // Check the radio and show the table for it; a range not read yet is read.
    void SetGrouping(SessionGrouping grouping);
    void SetRange(SessionRange range);
    // A click on a column's heading: sorted by that column, or the other way round when it is
    // sorted by it already. The 合計 row stays last.
    void ClickHeading(int column);

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    void OnInitDialog();
    void OnDestroy();
    void Check(int radioId); // without its handler
    void Fill(); // the table, the chart, the sort mark and the note from what was read

    CSessionTable m_table;
    CSessionChart m_chart;
    std::unique_ptr<CReportModel> m_model;
    dlg::Controls m_controls;
    CReportList *m_list = nullptr;
    QWidget *m_chartFrame = nullptr;
    QLabel *m_status = nullptr;
    bool m_loaded = false; // the table's range has been read
    bool m_initialized = false; // OnInitDialog ran, so there is a window whose position to keep
};

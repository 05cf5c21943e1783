#pragma once

#include "session/ReportModel.h"

#include <QTreeView>

// A flat report list over a CReportModel, with single selection that stays visible without
// focus. It reports clicks and double clicks the way the main window follows them: one click per
// press-release, one double click per double press, also on empty space. Rows show the row icons
// (RowIcons) in their first column.
class CReportList : public QTreeView
{
    Q_OBJECT
public:
    explicit CReportList(QWidget *parent = nullptr);

    // The list shows model, which stays the caller's.
    void SetReportModel(CReportModel *model);
    CReportModel *ReportModel() const { return m_model; }
    // The columns' widths from the model's columns; once the list has its size. The first column
    // takes what the scroll bar leaves of the free width.
    void SetupColumns();

    int RowCount() const;
    QString CellText(int row, int column) const; // empty outside the rows
    int RowKey(int row) const; // 0 for no row
    int IconOfRow(int row) const; // index into the row icons, -1 for no row

    int SelectedRow() const; // the first selected row, or -1
    int TopRow() const; // the first visible row, or 0 when empty
    // Scrolls row into view unless part of it is visible already; rows outside the list are
    // ignored.
    void EnsureVisible(int row);
    void SelectRow(int row); // selected and focused, without scrolling
    QRect RowRect(int row) const; // in the viewport; empty outside the rows

signals:
    void listClicked();
    void listDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    CReportModel *m_model = nullptr;
    bool m_afterDoubleClick = false; // the release that ends a double click is no extra click
};

#pragma once

#include "session/RowText.h"

#include <QIcon>
#include <QList>
#include <QTreeWidget>

#include <span>

// A list column: its heading and its width in twentieths of the list's width.
using ReportColumn = rowtext::Column;

// A flat report list with single selection that stays visible without
// focus. It reports clicks and double clicks the way the main window follows them: one click per
// press-release, one double click per double press, also on empty space. Rows carry one of the
// row icons and a key of the caller's.
class CReportList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CReportList(QWidget *parent = nullptr);

    // The columns and the row icons; once the list has its size. The first column is left-aligned,
    // the others right-aligned, and the first takes what the scroll bar leaves of the free width.
    void SetupColumns(std::span<const ReportColumn> columns);
    // A row of cells with the row icon of that index (rowtext::Icon).
    void AddRow(const QStringList &cells, int icon, int key);
    int RowKey(int row) const; // 0 for no row
    int IconOfRow(int row) const; // index into the row icons, -1 for no row

    int SelectedRow() const; // the first selected row, or -1
    int TopRow() const; // the first visible row, or 0 when empty
    // Scrolls row into view unless part of it is visible already; rows outside the list are
    // ignored.
    void EnsureVisible(int row);
    void SelectRow(int row); // selected and focused, without scrolling
    int ScrollValue() const;
    // Lays out rows added since and scrolls back to value, as far as the rows allow.
    void RestoreScroll(int value);

signals:
    void listClicked();
    void listDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QList<QIcon> m_rowIcons; // 16 x 16, the ones the report view shows
    bool m_afterDoubleClick = false; // the release that ends a double click is no extra click
};

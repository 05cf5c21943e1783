#pragma once

#include <QTreeWidget>

// A flat report list with single selection that stays visible without
// focus. It reports clicks and double clicks the way the main window follows them: one click per
// press-release, one double click per double press, also on empty space.
class CReportList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CReportList(QWidget *parent = nullptr);

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
    bool m_afterDoubleClick = false; // the release that ends a double click is no extra click
};

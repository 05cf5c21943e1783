#pragma once

#include "stats/CalendarData.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

// The days of one month as a table of six weeks, Sunday to Saturday. Each cell's date, balance and
// colour come from the archive; a screen reader reads a cell as its CellText.
class CMonthModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        DateRole = Qt::UserRole, // the cell's date key, 0 outside the month
        BalanceTextRole, // the balance as the cell shows it; empty without a result
        TodayRole, // true in today's cell
    };

    // Rows of every month: those past its last week stay blank.
    static constexpr int kWeeks = 6;

    explicit CMonthModel(const CDayArchive &archive, QObject *parent = nullptr);

    // The month shown, today's date key and the colour scale (the largest absolute balance of
    // the year shown); every cell is drawn anew.
    void Show(int monthKey, int32_t today, int32_t scale);
    int MonthKey() const { return m_layout.monthKey; }
    QModelIndex IndexOf(int32_t date) const; // invalid outside the month

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const CDayArchive &m_archive;
    calendar::MonthLayout m_layout;
    int32_t m_today = 0;
    int32_t m_scale = 0;
};

// Draws a day: its colour, its number, and in the large grid its balance; today outlined in the
// magenta of the list's today mark, the cursor dotted.
class CDayDelegate : public QStyledItemDelegate
{
public:
    CDayDelegate(bool compact, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    bool m_compact;
};

// A month's table that leaves its keys to the window: the arrows move the window's cursor, Enter
// opens a day, and the page keys change the month the window shows.
class CCalendarGrid : public QTableView
{
    Q_OBJECT
public:
    // Returns true when it took the key.
    using KeyHandler = std::function<bool(QKeyEvent *)>;

    CCalendarGrid(const CDayArchive &archive, bool compact, QWidget *parent);

    CMonthModel &Model() const { return *m_model; }
    void SetKeyHandler(KeyHandler handler) { m_keys = std::move(handler); }
    // Rows and columns share the viewport's size, the header keeping its height.
    void FitCells();
    void SetCursorDate(int32_t date); // selects the day's cell, or none

signals:
    void dayClicked(int date);
    void dayActivated(int date); // double click

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    CMonthModel *m_model;
    KeyHandler m_keys;
};

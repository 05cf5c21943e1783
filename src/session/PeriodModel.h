#pragma once

#include "session/ReportModel.h"

#include <QHash>

class CResultBook;

// The main window's list as a model: the months of the loaded period, or the days of one month,
// with the columns and cells of rowtext. It holds the texts it last took from the book. After a
// day was entered only the rows that day reaches are taken again, its own and every later one
// whose running sums follow it, and dataChanged announces those that differ: the view keeps its
// selection and its scroll position.
//
// In the daily view, a day with play sessions says so on its date cell, for a screen reader
// (Qt::AccessibleDescriptionRole, "稼働記録 N件", also the tip) and for the view's mark
// (PlayCountRole); no cell's text changes.
class CPeriodModel : public CReportModel
{
    Q_OBJECT
public:
    enum PlayRole {
        PlayCountRole = CReportModel::KeyRole + 1, // the day's sessions, on the first column
    };

    explicit CPeriodModel(QObject *parent = nullptr);

    // A row per month of the period; thisMonth (yyyymm) is marked.
    void ShowMonthly(const CResultBook &book, int thisMonth);
    // A row per day of month monthIndex (none for an index outside the period); today (yyyymmdd)
    // is marked.
    void ShowDaily(const CResultBook &book, int monthIndex, int today);
    // The days from fromIndex on changed. A book that no longer holds what the rows show (another
    // period) gives the rows anew.
    void DaysChanged(const CResultBook &book, int fromIndex);

    bool IsDaily() const { return m_daily; }
    // The row of the month numbered n (monthly view) or of the day numbered n (daily view), or -1.
    int RowOfNumber(int n) const;

    // The play sessions of the days shown, by date key; days not given have none. Rows whose
    // count changed are announced.
    void SetPlayCounts(const QHash<int, int> &counts);
    void SetPlayCount(int date, int count);
    int PlayCount(int date) const { return m_playCounts.value(date); }
    // The first and last date keys of the daily view's rows; 0 and 0 in the monthly view or
    // without rows.
    int FirstDate() const;
    int LastDate() const;
    // "稼働記録 N件".
    static QString PlayCountText(int count);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    ReportRow MonthRow(const CResultBook &book, int m) const;
    ReportRow DayRow(const CResultBook &book, int index) const;
    bool StillShows(const CResultBook &book) const;

    bool m_daily = false;
    int m_monthIndex = -1;
    int m_marked = 0; // this month or today
    QList<int> m_bookIndex; // the month or day index in the book of each row
    QHash<int, int> m_playCounts; // date key: sessions, for days that have any
};

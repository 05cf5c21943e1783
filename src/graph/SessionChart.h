#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

class QPainter;

// The chart of the session table: a horizontal bar per row of its balance, top to bottom in the
// table's order, blue to the right of the zero line for a gain and red to the left for a loss,
// the row's name left of the plot and its balance right of it. At most kMaxBars rows are drawn;
// with more the chart says how many of how many it shows.
class CSessionChart
{
public:
    static constexpr int kMaxBars = 30;

    // The rows in order; only the first kMaxBars are kept.
    void SetRows(const QString &title, const QStringList &names, const QList<int64_t> &balances);

    QString Title() const { return m_title; }
    int Bars() const { return int(m_names.size()); }
    int Rows() const { return m_rows; }
    QString Name(int bar) const { return m_names.value(bar); }
    int64_t Balance(int bar) const { return m_balances.value(bar); }
    // "全45件のうち先頭の30件を表示しています" when rows were left out, else empty.
    QString Note() const;
    // What a screen reader is told of the chart: its title and its note.
    QString Description() const;

    // Where a bar lies for a client size and a line height: its rectangle, empty for a balance
    // of 0 or a bar not drawn.
    struct Layout
    {
        int plotLeft = 0; // the tinted plot area; right and bottom exclusive
        int plotTop = 0;
        int plotRight = 0;
        int plotBottom = 0;
        int zeroX = 0;
        int slotHeight = 0;
        int64_t minValue = 0; // never above 0
        int64_t range = 1;
        int labelEvery = 1; // every how many bars a name and a balance fit

        int ValueX(int64_t value) const;
    };
    Layout LayoutFor(QSize client, int lineHeight, int nameWidth, int valueWidth) const;

    void Draw(QPainter &painter, QSize client) const;

private:
    QString m_title;
    QStringList m_names;
    QList<int64_t> m_balances;
    int m_rows = 0;
};

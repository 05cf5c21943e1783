#pragma once

#include "session/RowText.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <span>

// A row of a list: its cells, its row icon (rowtext::Icon) and the key of what it stands for
// (a month yyyymm, a day yyyymmdd, a year; 0 for none).
struct ReportRow
{
    QStringList cells;
    int icon = rowtext::Zero;
    int key = 0;

    bool operator==(const ReportRow &) const = default;
};

// One list of the diary as a table: the columns of its definition and rows of cell texts. The
// view shows it, the printout prints it and a screen reader reads it, all the same texts. The
// first column is left-aligned, the others right-aligned, headings and cells alike.
class CReportModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        IconRole = Qt::UserRole, // the row icon's index, on the first column
        KeyRole, // the row's key, on the first column
    };

    explicit CReportModel(std::span<const rowtext::Column> columns, QObject *parent = nullptr);

    std::span<const rowtext::Column> Columns() const { return m_columns; }
    // The pictures that Qt::DecorationRole answers for the row icons, by index. They come from
    // the windows: this model needs Qt Core alone.
    void SetDecorations(QList<QVariant> decorations);

    // All rows anew.
    void SetRows(QList<ReportRow> rows);
    // The rows from first on take these in place; dataChanged covers those whose cells or icon
    // differ, from the first to the last of them. Rows past the end are ignored.
    void UpdateRows(int first, const QList<ReportRow> &rows);

    int RowCount() const { return int(m_rows.size()); }
    const ReportRow &RowAt(int row) const { return m_rows.at(row); }
    QStringList Headings() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    std::span<const rowtext::Column> m_columns;
    QList<ReportRow> m_rows;
    QList<QVariant> m_decorations;
};

#pragma once

#include "play/PlaySession.h"

#include <QAbstractTableModel>
#include <QList>

// One day's play sessions as a table, in entry order: 店舗, 機種, 開始, 終了, 投資, 回収, 収支,
// メモ. Amounts are in units of 100 yen, as in the main window's lists; a memo shows its lines
// joined on one line, and whole as its tool tip.
class CPlaysModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Store, Machine, Start, End, Invested, Collected, Balance, Memo, ColumnCount };

    explicit CPlaysModel(QObject *parent = nullptr);

    void SetSessions(QList<PlaySession> sessions);
    const QList<PlaySession> &Sessions() const { return m_sessions; }
    // The row of the session with this id, or -1.
    int RowOf(qint64 id) const;

    // What a cell shows.
    static QString CellText(const PlaySession &session, int column);
    // The memo on one line: its lines joined with " / ".
    static QString MemoLine(const QString &memo);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<PlaySession> m_sessions;
};

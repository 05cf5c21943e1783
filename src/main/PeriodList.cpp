#include "main/PeriodList.h"

#include "session/PlayDiary.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws the cells as ever, and a dot at the end of the date cell of a day with play sessions.
// The cell's text, icon, role and states stay those of the model.
class CPlayMarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() != 0 || index.data(CPeriodModel::PlayCountRole).toInt() <= 0)
            return;
        const int size = std::max(4, std::min(option.rect.height() / 2, 8));
        const QRect dot(option.rect.right() - size - 3,
                        option.rect.top() + (option.rect.height() - size) / 2, size, size);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xE0, 0x70, 0x00));
        painter->drawEllipse(dot);
        painter->restore();
    }
};

} // namespace

CPeriodList::CPeriodList(QWidget *parent)
    : CReportList(parent)
{
    SetReportModel(&m_model);
    setItemDelegate(new CPlayMarkDelegate(this));
    connect(&m_model, &QAbstractItemModel::modelReset, this, &CPeriodList::RefreshPlayMarks);
}

CPeriodList::~CPeriodList()
{
    setModel(nullptr); // the model goes before the view
}

void CPeriodList::Setup()
{
    SetupColumns();
}

void CPeriodList::ShowMonthly(const CResultBook &book, int selMonth, int thisMonth)
{
    m_model.ShowMonthly(book, thisMonth);
    // Selected where it stands: the list is not scrolled.
    SelectRow(m_model.RowOfNumber(selMonth));
}

void CPeriodList::ShowDaily(const CResultBook &book, int monthIndex, int selDay, int today)
{
    m_model.ShowDaily(book, monthIndex, today);
    const int row = m_model.RowOfNumber(selDay);
    SelectRow(row);
    EnsureVisible(row);
}

void CPeriodList::DaysChanged(const CResultBook &book, int fromIndex)
{
    m_model.DaysChanged(book, fromIndex);
}

void CPeriodList::FollowPlays(CPlayDiary &plays)
{
    m_plays = &plays;
    connect(&plays, &CPlayDiary::sessionsChanged, this, &CPeriodList::OnSessionsChanged);
}

void CPeriodList::paintEvent(QPaintEvent *event)
{
    // Drawn only once the main window shows, whose first steps then look at the database: asked
    // after them, it is opened no sooner than before.
    if (m_plays && !m_playMarksOn) {
        m_playMarksOn = true;
        QMetaObject::invokeMethod(this, &CPeriodList::RefreshPlayMarks, Qt::QueuedConnection);
    }
    CReportList::paintEvent(event);
}

void CPeriodList::RefreshPlayMarks()
{
    if (!m_plays || !m_playMarksOn)
        return;
    QHash<int, int> counts;
    CPlayStore &store = m_plays->Store();
    QList<int32_t> days;
    if (m_model.FirstDate() > 0 && store.IsAvailable()
        && store.DaysWithSessions(m_model.FirstDate(), m_model.LastDate(), &days)) {
        for (const int32_t day : std::as_const(days)) {
            PlayDaySums sums;
            if (store.DaySums(day, &sums))
                counts.insert(day, sums.sessions);
        }
    }
    m_model.SetPlayCounts(counts);
}

void CPeriodList::OnSessionsChanged(int date)
{
    // A change means the database is in use: no need to wait for the list to be drawn.
    if (!m_playMarksOn) {
        m_playMarksOn = true;
        RefreshPlayMarks();
        return;
    }
    if (!m_model.IsDaily() || date < m_model.FirstDate() || date > m_model.LastDate())
        return;
    PlayDaySums sums;
    if (m_plays && m_plays->Store().DaySums(date, &sums))
        m_model.SetPlayCount(date, sums.sessions);
}

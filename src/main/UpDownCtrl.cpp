#include "main/UpDownCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

CUpDownCtrl::CUpDownCtrl(QWidget *parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::NoFocus);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setIconSize(QSize(6, 4));
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CUpDownCtrl::SetBuddy(QLineEdit *buddy)
{
    m_buddy = buddy;
    if (!buddy)
        return;
    buddy->installEventFilter(this);
    // Align to the buddy's right edge; the buddy gives up the width.
    const QRect b = buddy->geometry();
    const int w = qMin(width(), b.width() - 1);
    setGeometry(b.right() - w + 1, b.top(), w, b.height());
    buddy->setGeometry(b.left(), b.top(), b.width() - w, b.height());
    raise();
}

void CUpDownCtrl::SetRange(int lower, int upper)
{
    m_lower = lower;
    m_upper = upper;
}

void CUpDownCtrl::Step(int delta)
{
    if (!m_buddy || !m_buddy->isEnabled())
        return;
    bool ok = false;
    int pos = m_buddy->text().toInt(&ok);
    if (!ok)
        pos = m_lower;
    pos = qBound(m_lower, pos + delta, m_upper);
    const QString text = QString::number(pos);
    if (m_buddy->text() != text)
        m_buddy->setText(text);
}

bool CUpDownCtrl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDownCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

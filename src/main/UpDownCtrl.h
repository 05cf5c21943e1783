#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control: two arrows that step the integer in their buddy edit within a range.
// It sits at the buddy's right edge (the buddy narrows to make room), answers the Up and Down
// keys in the buddy, and takes no input while the buddy is disabled.
class CUpDownCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CUpDownCtrl(QWidget *parent = nullptr);

    void SetBuddy(QLineEdit *buddy);
    void SetRange(int lower, int upper);
    // Moves the position by delta from the buddy's value, clamped to the range, and writes it.
    void Step(int delta);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLineEdit *m_buddy = nullptr;
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    int m_lower = 0;
    int m_upper = 100;
};

#pragma once

// Runs trigger, which may open a modal box and block in its exec(). A timer waits for a modal
// widget of type T, stops, hands it to whileShown and closes it if that left it open. Answers how
// many boxes of type T appeared. Whatever else is left modal is rejected after a while, so that a
// failing test cannot hang.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

template<class T>
int RunModal(const std::function<void()> &trigger, const std::function<void(T *)> &whileShown)
{
    int seen = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (T *box = qobject_cast<T *>(modal)) {
            timer.stop();
            ++seen;
            whileShown(box);
            if (box->isVisible())
                box->reject();
            timer.start();
        } else if (auto *other = qobject_cast<QDialog *>(modal); other && ++ticks > 500) {
            other->reject();
        }
    });
    timer.start();
    trigger();
    timer.stop();
    return seen;
}

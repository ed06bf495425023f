#ifndef MODALWATCHER_H
#define MODALWATCHER_H

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Hands the next modal window to `answer` as soon as it runs, so a test can read and close a box
// that exec() would otherwise wait on. Gives up after `timeoutMs` without calling `answer`.
inline void answerNextModal(std::function<void(QWidget *)> answer, int timeoutMs = 10000)
{
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && !deadline.hasExpired())
            return;
        timer->deleteLater();
        timer->stop();
        if (modal)
            answer(modal);
    });
    timer->start(10);
}

#endif // MODALWATCHER_H

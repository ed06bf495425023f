#ifndef MODALWATCHER_H
#define MODALWATCHER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Hands the next modal window to `answer` as soon as it runs, so a test can read and close a box
// that exec() would otherwise wait on. Gives up after `timeoutMs` without calling `answer`.
inline void answerNextModal(std::function<void(QWidget *)> answer, int timeoutMs = 10000)
{
    auto *timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, answer, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        *waited += timer->interval();
        if (!modal && *waited < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal)
            answer(modal);
    });
    timer->start();
}

#endif // MODALWATCHER_H

#ifndef BENCHRUN_H
#define BENCHRUN_H

#include "engine/k_builderthread.h"
#include "tiles/k_flightsimulatortile.h"

#include <QElapsedTimer>
#include <QMutex>

#include <functional>

// The seconds one conversion takes to its end. `onLog` sees each log line on the worker's thread;
// `finished` sees the worker once it has ended, before it goes.
inline double timeConversion(const K_BuilderThread::Settings &settings,
                             const std::function<void(const QString &)> &onLog = {},
                             const std::function<void(const K_BuilderThread &)> &finished = {})
{
    QMutex mutex;
    bool breakFlag = false;
    K_TileMap sourceTiles;
    K_TileMap destinationTiles;
    QElapsedTimer timer;
    timer.start();
    {
        K_BuilderThread thread(settings, &sourceTiles, &destinationTiles, &mutex, &breakFlag);
        if (onLog)
            QObject::connect(&thread, &K_BuilderThread::appendLogText, &thread, onLog,
                             Qt::DirectConnection);
        thread.start();
        thread.wait();
        if (finished)
            finished(thread);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    qDeleteAll(destinationTiles);
    return seconds;
}

#endif // BENCHRUN_H

#ifndef BENCHMEMORY_H
#define BENCHMEMORY_H

#include <QFile>

// Peak resident memory of this process since the last resetPeak(), in MiB. Linux only: 0 where
// /proc is missing.
inline double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

#endif // BENCHMEMORY_H

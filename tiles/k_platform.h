#ifndef K_PLATFORM_H
#define K_PLATFORM_H

#include <QDateTime>
#include <QtGlobal>

class QFileInfo;

// What the conversion asks of the operating system beyond the toolkit, with one answer per system:
// the machine's memory, when a file last changed, and large pages for a picture in memory. Every
// function may be called from any thread.
namespace K_Platform {

// The physical memory of the machine in bytes, or 4 GiB when the system does not tell.
qint64 physicalMemory();

// The later of a file's modification time and the time it came to be where it is: its status
// change time on Unix, its creation time on Windows (which has no status change time). A tile
// copied or moved in with its old modification time then still counts as new.
QDateTime changedAt(const QFileInfo &info);

// Asks for large pages under a block of memory that is about to be written whole; does nothing
// where the system has no such request.
void adviseHugePages(uchar *memory, qsizetype bytes);

} // namespace K_Platform

#endif // K_PLATFORM_H

#ifndef K_PLATFORM_H
#define K_PLATFORM_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;
class QProcess;

// What the conversion asks of the operating system beyond the toolkit, with one answer per system:
// the machine's memory, when a file last changed, the code page the resampler reads, short names,
// files that get their name only when complete, the reasons behind a file or folder out of reach,
// and large pages for a picture in memory. Every function may be called from any thread.
namespace K_Platform {

// The physical memory of the machine in bytes, or 4 GiB when the system does not tell.
qint64 physicalMemory();

// What tells one state of a file from another without reading it: its size, its modification
// time, the time it came to be where it is (its status change time on Unix, its creation time on
// Windows, which has no status change time: a tile copied or moved in keeps its modification time
// but not this one), and its identity on its file system (inode, or NTFS file index; not the
// device, which changes when the file system is mounted again). Times in nanoseconds since 1970.
struct FileStamp
{
    qint64 size = -1; // -1: the file could not be looked at
    qint64 modified = 0;
    qint64 arrived = 0;
    quint64 identity = 0;
    bool operator==(const FileStamp &other) const
    {
        return size == other.size && modified == other.modified && arrived == other.arrived
               && identity == other.identity;
    }
};
FileStamp stampOf(const QString &path);
// The same of the file open in `file`.
FileStamp stampOf(const QFile &file);

// The code page of the system's narrow-character file names, which the resampler reads its .inf
// files in: the ANSI code page on Windows; Windows-1251 elsewhere.
int resamplerCodePage();

// `text` in `codePage` (one that resamplerCodePage() gave), without best-fit substitutes: each
// character the page lacks becomes its default character and goes, once, into `missing`.
QByteArray toCodePage(const QString &text, int codePage, QString *missing = nullptr);

// The short (8.3) form of the existing file or folder `path`, as Windows names it to programs
// that cannot take its long name; empty where the system keeps none.
QString shortPath(const QString &path);

// A file without a name in `folder`, open for writing, that vanishes with the process unless it is
// named; -1 where the system or the file system has no such files (Windows), or where it could not
// be named (no /proc, as in some chroots).
int openUnnamedFile(const QString &folder);
// Gives the file of `handle`, opened by openUnnamedFile(), the name `path`.
bool nameUnnamedFile(int handle, const QString &path, QString *reason);
// Hands what is written to the file at `path` to the disk, so that a rename after it cannot put
// an empty file in place of an older one after a power loss. A failure is not reported: the file
// is complete as far as this process can tell.
void syncFile(const QString &path);
// Renames `from` to `to`, replacing a file of that name in one step.
bool replaceFile(const QString &from, const QString &to, QString *reason);

// Why `path` cannot be looked at although it may exist (a folder on the way without the right to
// enter it); empty when it simply does not exist.
QString whyUnreachable(const QString &path);
// Why the folder `path` cannot be listed; empty when it can.
QString whyUnlistable(const QString &path);

// Makes `process`, not yet started, a group of its own that dies with this program: a terminal's
// Ctrl+C reaches this program alone, which ends its children itself, and a child outlives no
// ending of this program, not even a kill (Linux: its own session, and a signal when its parent
// dies; Windows: a process group of its own here, and adoptChild() once it runs).
void prepareChild(QProcess *process);
// Once `process` has started: on Windows, puts it into a job that the system ends when this
// program's handle to it closes, however this program ends.
void adoptChild(const QProcess &process);
// Ends `process` and whatever it started, at once.
void endChild(QProcess *process);

// Asks for large pages under a block of memory that is about to be written whole; does nothing
// where the system has no such request.
void adviseHugePages(uchar *memory, qsizetype bytes);

} // namespace K_Platform

#endif // K_PLATFORM_H

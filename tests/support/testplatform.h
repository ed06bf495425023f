#ifndef TESTPLATFORM_H
#define TESTPLATFORM_H

#include <QString>

class QProcess;

// What the tests do to the system that each system does its own way, or not at all. Each returns
// false where it cannot be done, and the test then says why it skips.
namespace TestPlatform {

// Makes `path` exist but unopenable as a file: a named pipe, or on Windows a file held open
// without sharing.
bool makeUnopenable(const QString &path);

// Mounts a small tmpfs of 8 MiB at `folder` (Linux, root only), remounts it read-only, or
// unmounts it again: "mount", "read-only" or "unmount".
bool tmpfs(const QString &folder, const QString &how);

// Leaves `room` bytes free on the file system of `folder`, with a file "filler" in it.
bool leaveFree(const QString &folder, qint64 room);

// From now on writes past `bytes` fail as on a full disk, instead of ending the process; -1 lifts
// the limit (Linux).
bool limitFileSize(qint64 bytes);

// Makes `process`, once started, run under a file size limit of `bytes`, with SIGXFSZ as the
// system leaves it (Linux).
bool limitChildFileSize(QProcess &process, qint64 bytes);

// Makes `process`, once started, run as a user without any rights of this one's where this one
// is root, so that folders it may not read are just that (Linux); true where nothing is needed.
bool runWithoutPrivileges(QProcess &process);

// Sends `signal` to `process`; SIGINT as Ctrl+C at the console does it, on Windows the console's
// Ctrl+C, which this program then ignores for the rest of its run (and no other signal there).
bool interrupt(QProcess &process, int signal = 2);

// How many processes, zombies aside, have `folder` as their working folder (Linux); -1 where that
// cannot be told.
int processesIn(const QString &folder);

} // namespace TestPlatform

#endif // TESTPLATFORM_H

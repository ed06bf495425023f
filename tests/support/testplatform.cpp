#include "testplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

#include <csignal>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <grp.h>
#include <unistd.h>
#endif

namespace TestPlatform {

bool makeUnopenable(const QString &path)
{
#if defined(Q_OS_WIN)
    // Held until the test program ends.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                                      GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle != INVALID_HANDLE_VALUE;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

bool tmpfs([[maybe_unused]] const QString &folder, [[maybe_unused]] const QString &how)
{
#if defined(Q_OS_LINUX)
    if (how == "unmount")
        return ::umount2(QFile::encodeName(folder), MNT_DETACH) == 0;
    const unsigned long flags = how == "read-only" ? MS_REMOUNT | MS_RDONLY : 0;
    return ::mount("tmpfs", QFile::encodeName(folder), "tmpfs", flags, "size=8m") == 0;
#else
    return false;
#endif
}

bool leaveFree(const QString &folder, qint64 room)
{
    QFile filler(folder + "/filler");
    const QByteArray bytes(QStorageInfo(folder).bytesAvailable() - room, 'f');
    return filler.open(QIODevice::WriteOnly) && filler.write(bytes) == bytes.size()
           && filler.flush() && QStorageInfo(folder).bytesAvailable() == room;
}

bool limitFileSize([[maybe_unused]] qint64 bytes)
{
#if defined(Q_OS_WIN)
    return false;
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes < 0 ? limit.rlim_max : rlim_t(bytes);
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
#endif
}

bool limitChildFileSize([[maybe_unused]] QProcess &process, [[maybe_unused]] qint64 bytes)
{
#if defined(Q_OS_LINUX)
    process.setChildProcessModifier([bytes] {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    return true;
#else
    return false;
#endif
}

bool runWithoutPrivileges([[maybe_unused]] QProcess &process)
{
#if defined(Q_OS_LINUX)
    if (::geteuid() == 0) {
        process.setChildProcessModifier([] {
            constexpr uid_t Nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(126);
        });
    }
    return true;
#else
    return false;
#endif
}

bool interrupt([[maybe_unused]] QProcess &process, int signal)
{
#if defined(Q_OS_WIN)
    // Ctrl+C goes to every process of the console; a child started by QProcess shares this
    // program's, which from now on ignores it itself. A program without a console cannot send it.
    return signal == SIGINT && SetConsoleCtrlHandler(nullptr, TRUE)
           && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
#else
    return ::kill(pid_t(process.processId()), signal) == 0;
#endif
}

int processesIn([[maybe_unused]] const QString &folder)
{
#if defined(Q_OS_LINUX)
    const QString wanted = QFileInfo(folder).canonicalFilePath();
    int count = 0;
    for (const QString &process : QDir("/proc").entryList(QDir::Dirs)) {
        QFile status("/proc/" + process + "/stat");
        const QByteArray stat = status.open(QIODevice::ReadOnly) ? status.readAll() : "";
        const bool zombie = stat.mid(stat.lastIndexOf(')') + 1).startsWith(" Z");
        if (!zombie && QFileInfo("/proc/" + process + "/cwd").canonicalFilePath() == wanted)
            ++count;
    }
    return count;
#else
    return -1;
#endif
}

} // namespace TestPlatform

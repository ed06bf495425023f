#include "k_platform.h"

#include <QProcess>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <csignal>

#include <unistd.h>
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif
#endif

// The child processes of the resampler step.
namespace K_Platform {

#if defined(Q_OS_WIN)

namespace {

// One job for every child, closed only by the system when this program ends.
HANDLE childrenJob()
{
    static const HANDLE job = [] {
        const HANDLE created = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created)
            SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits,
                                    sizeof(limits));
        return created;
    }();
    return job;
}

} // namespace

void prepareChild(QProcess *process)
{
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP;
    });
}

void adoptChild(const QProcess &process)
{
    const HANDLE job = childrenJob();
    const HANDLE child
            = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
    if (!job || !child)
        return;
    AssignProcessToJobObject(job, child);
    CloseHandle(child);
}

void endChild(QProcess *process)
{
    process->kill();
}

#else

void prepareChild(QProcess *process)
{
    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec: system calls only.
    process->setChildProcessModifier([parent] {
        ::setsid();
        // This program ignores the signal of a file size limit to report the failed write
        // itself; the child should be stopped by it, as any program would.
        ::signal(SIGXFSZ, SIG_DFL);
#if defined(Q_OS_LINUX)
        // The signal comes when the thread that started the child ends; the builder's thread
        // waits for every child before it does.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#else
        Q_UNUSED(parent);
#endif
    });
}

void adoptChild(const QProcess &) { }

void endChild(QProcess *process)
{
    // The child leads a process group of its own.
    const qint64 child = process->processId();
    if (child > 0)
        ::kill(-pid_t(child), SIGKILL);
    process->kill();
}

#endif

} // namespace K_Platform

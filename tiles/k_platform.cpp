#include "k_platform.h"

#include <QFileInfo>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace K_Platform {

qint64 physicalMemory()
{
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status))
        return qint64(status.ullTotalPhys);
#elif defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize;
#endif
    return qint64(4) << 30;
}

QDateTime changedAt(const QFileInfo &info)
{
#if defined(Q_OS_WIN)
    // Copying keeps the modification time but sets the creation time to the moment of the copy.
    const QDateTime arrived = info.birthTime();
#else
    const QDateTime arrived = info.metadataChangeTime();
#endif
    return arrived.isValid() ? qMax(info.lastModified(), arrived) : info.lastModified();
}

void adviseHugePages(uchar *memory, qsizetype bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr quintptr HugePage = quintptr(2) << 20;
    const quintptr first = (quintptr(memory) + HugePage - 1) & ~(HugePage - 1);
    const quintptr last = (quintptr(memory) + quintptr(bytes)) & ~(HugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(memory);
    Q_UNUSED(bytes);
#endif
}

} // namespace K_Platform

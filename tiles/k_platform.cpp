#include "k_platform.h"

#include "k_codepage1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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

#if defined(Q_OS_WIN)

namespace {

qint64 nanoseconds(const FILETIME &time)
{
    // FILETIME counts 100 ns from 1601.
    constexpr qint64 From1601To1970 = 116444736000000000;
    return (qint64((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) - From1601To1970)
           * 100;
}

FileStamp stampOfHandle(HANDLE handle)
{
    FileStamp stamp;
    BY_HANDLE_FILE_INFORMATION information;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information))
        return stamp;
    stamp.size = qint64((quint64(information.nFileSizeHigh) << 32) | information.nFileSizeLow);
    stamp.modified = nanoseconds(information.ftLastWriteTime);
    stamp.arrived = nanoseconds(information.ftCreationTime);
    stamp.identity = (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return stamp;
}

} // namespace

FileStamp stampOf(const QString &path)
{
    const HANDLE handle
            = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                          0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileStamp stamp = stampOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return stamp;
}

FileStamp stampOf(const QFile &file)
{
    return stampOfHandle(HANDLE(_get_osfhandle(file.handle())));
}

#else

namespace {

FileStamp stampOfStatus(int result, const struct stat &status)
{
    FileStamp stamp;
    if (result != 0)
        return stamp;
    stamp.size = qint64(status.st_size);
    stamp.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.arrived = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    stamp.identity = quint64(status.st_ino);
    return stamp;
}

} // namespace

FileStamp stampOf(const QString &path)
{
    struct stat status;
    return stampOfStatus(::stat(QFile::encodeName(path).constData(), &status), status);
}

FileStamp stampOf(const QFile &file)
{
    struct stat status;
    return stampOfStatus(::fstat(file.handle(), &status), status);
}

#endif

int resamplerCodePage()
{
#if defined(Q_OS_WIN)
    return int(GetACP());
#else
    return 1251;
#endif
}

#if defined(Q_OS_WIN)

namespace {

// UTF-8 as the system's code page holds every character, and takes no flags nor default.
QByteArray wideToCodePage(const QString &text, int codePage, bool *usedDefault)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    const int size = WideCharToMultiByte(UINT(codePage), flags, wide, int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    QByteArray bytes(qMax(0, size), '\0');
    WideCharToMultiByte(UINT(codePage), flags, wide, int(text.size()), bytes.data(), size, nullptr,
                        utf8 ? nullptr : &defaulted);
    *usedDefault = defaulted != FALSE;
    return bytes;
}

} // namespace

#endif

QByteArray toCodePage(const QString &text, int codePage, QString *missing)
{
#if defined(Q_OS_WIN)
    if (missing)
        missing->clear();
    bool usedDefault = false;
    const QByteArray bytes = wideToCodePage(text, codePage, &usedDefault);
    // Which characters failed, one by one: the default character tells nothing of where it stands.
    for (qsizetype i = 0; missing && usedDefault && i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        bool lacked = false;
        wideToCodePage(character, codePage, &lacked);
        if (lacked && !missing->contains(character))
            *missing += character;
        i += length - 1;
    }
    return bytes;
#else
    Q_UNUSED(codePage);
    if (missing)
        *missing = K_CodePage1251::missing(text);
    return K_CodePage1251::encode(text);
#endif
}

QString shortPath(const QString &path)
{
#if defined(Q_OS_WIN)
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0)
        return QString();
    std::wstring result(size, L'\0');
    const DWORD written = GetShortPathNameW(wide.c_str(), result.data(), size);
    if (written == 0 || written >= size)
        return QString();
    result.resize(written);
    return QString::fromStdWString(result);
#else
    Q_UNUSED(path);
    return QString();
#endif
}

int openUnnamedFile(const QString &folder)
{
#if defined(Q_OS_LINUX) && defined(O_TMPFILE)
    static const bool nameable = ::access("/proc/self/fd", X_OK) == 0;
    if (!nameable)
        return -1;
    return ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    Q_UNUSED(folder);
    return -1;
#endif
}

bool nameUnnamedFile(int handle, const QString &path, QString *reason)
{
#if defined(Q_OS_LINUX)
    // The file's own entry under /proc names it without the rights that naming a handle asks for.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(handle);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(path).constData(),
                 AT_SYMLINK_FOLLOW)
        == 0)
        return true;
    *reason = qt_error_string(errno);
#else
    Q_UNUSED(handle);
    Q_UNUSED(path);
    *reason = qt_error_string(-1);
#endif
    return false;
}

void syncFile(const QString &path)
{
#if defined(Q_OS_WIN)
    const HANDLE file
            = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                          GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(file);
        CloseHandle(file);
    }
#else
    const int file = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (file >= 0) {
        ::fsync(file);
        ::close(file);
    }
#endif
}

bool replaceFile(const QString &from, const QString &to, QString *reason)
{
#if defined(Q_OS_WIN)
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *reason = qt_error_string(int(GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *reason = qt_error_string(errno);
#endif
    return false;
}

QString whyUnreachable(const QString &path)
{
#if defined(Q_OS_WIN)
    if (GetFileAttributesW(
                reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()))
        != INVALID_FILE_ATTRIBUTES)
        return QString();
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? QString()
                   : qt_error_string(int(error));
#else
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 || errno == ENOENT
        || errno == ENOTDIR)
        return QString();
    return qt_error_string(errno);
#endif
}

QString whyUnlistable(const QString &path)
{
#if defined(Q_OS_WIN)
    WIN32_FIND_DATAW found;
    const QString pattern = QDir::toNativeSeparators(QDir(path).filePath(QStringLiteral("*")));
    const HANDLE search
            = FindFirstFileW(reinterpret_cast<const wchar_t *>(pattern.utf16()), &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return QString();
    }
    return qt_error_string(int(GetLastError()));
#else
    DIR *folder = ::opendir(QFile::encodeName(path).constData());
    if (folder) {
        ::closedir(folder);
        return QString();
    }
    return qt_error_string(errno);
#endif
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

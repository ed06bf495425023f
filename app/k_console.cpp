#include "k_console.h"

#if defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_WIN)

HANDLE handleOf(FILE *stream)
{
    return HANDLE(_get_osfhandle(_fileno(stream)));
}

bool isConsole(FILE *stream)
{
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

#endif

} // namespace

namespace K_Console {

void write(FILE *stream, const QString &text)
{
#if defined(Q_OS_WIN)
    if (isConsole(stream)) {
        std::fflush(stream);
        DWORD written = 0;
        WriteConsoleW(handleOf(stream), text.utf16(), DWORD(text.size()), &written, nullptr);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool standardErrorIsTerminal()
{
#if defined(Q_OS_WIN)
    return isConsole(stderr);
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

int terminalWidth()
{
#if defined(Q_OS_WIN)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(handleOf(stderr), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
#else
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    return 80;
}

bool understandsEscapes()
{
#if defined(Q_OS_WIN)
    // Windows 10 and later understand them once asked to.
    static const bool enabled = [] {
        DWORD mode = 0;
        const HANDLE console = handleOf(stderr);
        return GetConsoleMode(console, &mode)
               && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }();
    return enabled;
#else
    return true;
#endif
}

} // namespace K_Console

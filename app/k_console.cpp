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

void replaceLine(const QString &text)
{
#if defined(Q_OS_WIN)
    const HANDLE console = handleOf(stderr);
    std::fflush(stderr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info))
        return;
    SetConsoleCursorPosition(console, COORD{0, info.dwCursorPosition.Y});
    DWORD done = 0;
    WriteConsoleW(console, text.utf16(), DWORD(text.size()), &done, nullptr);
    // Blanks what a longer line drew before, up to the end of the buffer's row.
    if (GetConsoleScreenBufferInfo(console, &info) && info.dwCursorPosition.X < info.dwSize.X) {
        FillConsoleOutputCharacterW(console, L' ', DWORD(info.dwSize.X - info.dwCursorPosition.X),
                                    info.dwCursorPosition, &done);
    }
#else
    write(stderr, QStringLiteral("\r") + text + QStringLiteral("\x1b[K"));
#endif
}

bool isHelpSwitch(const QString &argument)
{
#if defined(Q_OS_WIN)
    // Any other argument that begins with "/" is a folder on the current drive.
    return argument == QLatin1String("/?")
           || argument.compare(QLatin1String("/h"), Qt::CaseInsensitive) == 0;
#else
    Q_UNUSED(argument)
    return false;
#endif
}

} // namespace K_Console

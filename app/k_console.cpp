#include "k_console.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <mutex>

#if defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#else
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

struct Interrupt
{
    std::mutex mutex; // Windows calls the handler on a thread of its own
    QPointer<QObject> receiver;
    std::function<void()> handler;
};

Interrupt &interruptState()
{
    static Interrupt state;
    return state;
}

void deliverInterrupt()
{
    Interrupt &state = interruptState();
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (state.receiver)
        QMetaObject::invokeMethod(state.receiver, state.handler, Qt::QueuedConnection);
}

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

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    deliverInterrupt();
    return TRUE;
}

#else

// The write end is the only thing the signal handler touches: a byte in a pipe wakes the main
// thread, which then passes the interrupt on.
int interruptPipe[2] = {-1, -1};
struct sigaction previousInterruptAction;
QSocketNotifier *interruptNotifier = nullptr;

void onInterruptSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    if (::write(interruptPipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up; nothing more is needed.
    }
    errno = savedErrno;
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

bool installInterruptHandler(QObject *receiver, std::function<void()> interrupt)
{
    {
        Interrupt &state = interruptState();
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.receiver = receiver;
        state.handler = std::move(interrupt);
    }
#if defined(Q_OS_WIN)
    return SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
#else
    if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    interruptNotifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, receiver);
    QObject::connect(interruptNotifier, &QSocketNotifier::activated, receiver, [] {
        char bytes[64];
        while (::read(interruptPipe[0], bytes, sizeof bytes) > 0) {
        }
        deliverInterrupt();
    });

    struct sigaction action
    { };
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, &previousInterruptAction) == 0;
#endif
}

void removeInterruptHandler()
{
#if defined(Q_OS_WIN)
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
#else
    if (!interruptNotifier)
        return;
    ::sigaction(SIGINT, &previousInterruptAction, nullptr);
    delete interruptNotifier;
    interruptNotifier = nullptr;
    ::close(interruptPipe[0]);
    ::close(interruptPipe[1]);
    interruptPipe[0] = interruptPipe[1] = -1;
#endif
    Interrupt &state = interruptState();
    const std::lock_guard<std::mutex> lock(state.mutex);
    state.receiver = nullptr;
    state.handler = nullptr;
}

} // namespace K_Console

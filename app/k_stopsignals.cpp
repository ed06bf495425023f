#include "k_stopsignals.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

struct State
{
    std::mutex mutex; // Windows calls the handler on a thread of its own
    std::condition_variable stoppedChanged;
    bool stopped = false;
    QPointer<QObject> receiver;
    std::function<void(int)> stop;
};

State &state()
{
    static State instance;
    return instance;
}

void deliver(int signal)
{
    State &s = state();
    const std::lock_guard<std::mutex> lock(s.mutex);
    if (s.receiver)
        QMetaObject::invokeMethod(
                s.receiver,
                [signal] {
                    std::function<void(int)> stop;
                    {
                        const std::lock_guard<std::mutex> lock(state().mutex);
                        stop = state().stop;
                    }
                    if (stop)
                        stop(signal);
                },
                Qt::QueuedConnection);
}

#if defined(Q_OS_WIN)

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        deliver(SIGINT);
        return TRUE;
    }
    if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    // The process ends when this returns, so it waits for the run to stop, within the five
    // seconds Windows gives a console that is closed.
    deliver(SIGTERM);
    std::unique_lock<std::mutex> lock(state().mutex);
    state().stoppedChanged.wait_for(lock, std::chrono::milliseconds(4500),
                                    [] { return state().stopped; });
    return TRUE;
}

#else

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end is the only thing the signal handler touches: the signal's number in a pipe wakes
// the main thread, which then passes it on.
int signalPipe[2] = {-1, -1};
struct sigaction previousActions[std::size(Signals)];
QSocketNotifier *signalNotifier = nullptr;

void onSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = char(signal);
    if (::write(signalPipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up; nothing more is needed.
    }
    errno = savedErrno;
}

#endif

} // namespace

namespace K_StopSignals {

void ignoreFileSizeLimit()
{
#if defined(SIGXFSZ)
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool install(QObject *receiver, std::function<void(int signal)> stop)
{
    {
        State &s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        s.receiver = receiver;
        s.stop = std::move(stop);
        s.stopped = false;
    }
#if defined(Q_OS_WIN)
    return SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
#else
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, receiver);
    QObject::connect(signalNotifier, &QSocketNotifier::activated, receiver, [] {
        char bytes[64];
        qint64 count = 0;
        while ((count = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) {
            for (qint64 i = 0; i < count; ++i)
                deliver(bytes[i]);
        }
    });
    struct sigaction action
    { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool installed = true;
    for (size_t i = 0; i < std::size(Signals); ++i)
        installed = ::sigaction(Signals[i], &action, &previousActions[i]) == 0 && installed;
    return installed;
#endif
}

void remove()
{
#if defined(Q_OS_WIN)
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
#else
    if (!signalNotifier)
        return;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &previousActions[i], nullptr);
    delete signalNotifier;
    signalNotifier = nullptr;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
#endif
    State &s = state();
    const std::lock_guard<std::mutex> lock(s.mutex);
    s.receiver = nullptr;
    s.stop = nullptr;
}

void stopped()
{
    State &s = state();
    {
        const std::lock_guard<std::mutex> lock(s.mutex);
        s.stopped = true;
    }
    s.stoppedChanged.notify_all();
}

} // namespace K_StopSignals

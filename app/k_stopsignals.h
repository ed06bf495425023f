#ifndef K_STOPSIGNALS_H
#define K_STOPSIGNALS_H

#include <functional>

class QObject;

// What asks a running program to stop, with one answer per system: Ctrl+C, SIGTERM and SIGHUP on
// Unix; Ctrl+C, Ctrl+Break and the console's close, logoff and shutdown on Windows, which end the
// process once their handler returns. Main thread only, but for the system's own calls.
namespace K_StopSignals {

// A write past a file size limit then fails with its reason, instead of ending the program with
// SIGXFSZ (Unix; nothing to do elsewhere).
void ignoreFileSizeLimit();

// From now on each request calls `stop` on the thread of `receiver`, queued, with the signal it
// stands for: SIGINT for Ctrl+C and Ctrl+Break, SIGTERM for Windows' close, logoff and shutdown,
// otherwise the signal itself. False when the system refuses.
bool install(QObject *receiver, std::function<void(int signal)> stop);
// The requests end the process again.
void remove();

// Tells Windows' close, logoff or shutdown, which waits a few seconds for it, that the program
// has stopped and kept what it must; the process then ends.
void stopped();

} // namespace K_StopSignals

#endif // K_STOPSIGNALS_H

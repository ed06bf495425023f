#ifndef K_CONSOLE_H
#define K_CONSOLE_H

#include <QString>

#include <cstdio>

// The console of the command-line programs, with one answer per system: writing text and the
// terminal's width. Main thread only.
namespace K_Console {

// Writes `text` and flushes, so that output and progress interleave as they happen: to a
// Windows console as its own characters, everywhere else in UTF-8.
void write(FILE *stream, const QString &text);

// True when standard error is a terminal (a console on Windows), where a progress bar belongs.
bool standardErrorIsTerminal();
// Its width in columns, 80 when it does not tell.
int terminalWidth();
// True when the terminal clears the rest of a line on "ESC [ K"; older Windows consoles do not.
bool understandsEscapes();

} // namespace K_Console

#endif // K_CONSOLE_H

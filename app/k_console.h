#ifndef K_CONSOLE_H
#define K_CONSOLE_H

#include <QString>

#include <cstdio>

// The console of the command-line programs, with one answer per system: writing text, the
// terminal's width, a line redrawn in place, and the help switches. Main thread only.
namespace K_Console {

// Writes `text` and flushes, so that output and progress interleave as they happen: to a
// Windows console as its own characters, everywhere else in UTF-8.
void write(FILE *stream, const QString &text);

// True when standard error is a terminal (a console on Windows), where a progress bar belongs.
bool standardErrorIsTerminal();
// Its width in columns, 80 when it does not tell.
int terminalWidth();
// Puts `text` in place of the line the cursor is on in that terminal and leaves the cursor after
// it, so that the next call redraws the same line; an empty text blanks the line. The text must
// stay short of the terminal's width, which would wrap the cursor onto the next line. A Windows
// console is driven through its own functions: some take the switch to escape sequences and
// print them all the same.
void replaceLine(const QString &text);

// True for an argument that asks for help the way this system's own programs take it, beside -h,
// -? and --help: "/?" and "/h" on Windows. Elsewhere none: such an argument names a folder.
bool isHelpSwitch(const QString &argument);

} // namespace K_Console

#endif // K_CONSOLE_H

#ifndef K_CODEPAGE1251_H
#define K_CODEPAGE1251_H

#include <QByteArray>
#include <QString>

// Text to the Windows Cyrillic code page (Windows-1251), exactly as the toolkit's converter does
// it on Linux: a character outside the page becomes 0x1A, a default-ignorable one vanishes. Where
// the toolkit has no such converter (Windows), a table of our own does the same. Plain functions,
// safe on any thread.
namespace K_CodePage1251 {

QByteArray encode(const QString &text);

// The characters of `text` that the page lacks, each once, in order.
QString missing(const QString &text);

// The table alone, whatever the toolkit offers.
QByteArray encodeByTable(const QString &text);

} // namespace K_CodePage1251

#endif // K_CODEPAGE1251_H

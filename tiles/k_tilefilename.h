#ifndef K_TILEFILENAME_H
#define K_TILEFILENAME_H

#include <QString>
#include <QStringList>

// The naming rule of FS9 tile bitmaps: a 15-character key, a two-letter variant (SU summer, SP
// spring, FA autumn, WI winter, HW hard winter, LM light map) and ".BMP", 21 characters, any
// letter case. Pure functions, safe on any thread.
namespace TileFileName {

// The variants in the order they are offered, upper case.
QStringList variants();

// True when `fileName` (a name without folder) follows the rule; then `key` gets its first 15
// characters as they stand and `variant` its variant in upper case.
bool parse(const QString &fileName, QString *key, QString *variant);

} // namespace TileFileName

#endif // K_TILEFILENAME_H

#ifndef K_SOURCEFOLDER_H
#define K_SOURCEFOLDER_H

#include "tiles/k_flightsimulatortile.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

// What the conversion and the preview say about a source folder before and after they list it:
// a folder not set or missing, and one without tile bitmaps, naming the subfolder that holds them.
// Each lists the folder in its own way. The texts are the builder's, in its translation context.
// Plain functions, safe on any thread.
class K_SourceFolder
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    // A folder as typed, made a prefix for file names: trimmed, with native separators and ending
    // in the native separator. The destination folder is used the same way.
    static QString prefix(const QString &typed);

    // Why `folder`, as typed, cannot be read as a source folder (not set, missing, or not to be
    // listed), as the log says it; empty when it can.
    static QString problem(const QString &folder);

    // The log line for a source folder without tile bitmaps (summer ones, or of every variant
    // with `convertSeasons`), naming the subfolder that holds the most, if any does.
    static QString noTilesText(const QString &folder, bool convertSeasons);

    // The variant of an FS9 tile bitmap named `name` that a conversion reads: summer, or with
    // `convertSeasons` any variant; nothing for any other file.
    static std::optional<K_FlightSimulatorTile::Variant> convertedVariant(const QString &name,
                                                                          bool convertSeasons);
};

#endif // K_SOURCEFOLDER_H

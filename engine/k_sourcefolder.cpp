#include "k_sourcefolder.h"

#include "engine/k_conversiontexts.h"
#include "tiles/k_platform.h"

#include <QDir>

#include <algorithm>

QString K_SourceFolder::prefix(const QString &typed)
{
    // On Windows a folder typed or chosen with slashes is written as Windows writes it, with
    // backslashes.
    QString folder = QDir::toNativeSeparators(typed.trimmed());
    if (folder.right(1) != QString(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

QString K_SourceFolder::problem(const QString &folder)
{
    const QString typed = folder.trimmed();
    // Without this check an empty field would scan the current folder or the root.
    if (typed.isEmpty())
        return tr("Source folder is not set.");
    if (!QDir(prefix(typed)).exists())
        return tr("Source folder \"%1\" does not exist.").arg(typed);
    // An unreadable folder would look empty.
    const QString why = K_Platform::whyUnlistable(prefix(typed));
    if (!why.isEmpty()) {
        return tr("Cannot read the source folder \"%1\": %2.")
                .arg(typed, K_ConversionTexts::reasonText(why));
    }
    return QString();
}

QString K_SourceFolder::noTilesText(const QString &folder, bool convertSeasons)
{
    // Sceneries keep their tiles in a subfolder (often "texture"), so name the likeliest one.
    const QString typed = folder.trimmed();
    const QString listed = prefix(typed);
    QString bestFolder;
    int bestCount = 0;
    const QStringList folders = QDir(listed).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &subfolder : folders) {
        const QStringList files = QDir(listed + subfolder).entryList(QDir::Files);
        const int count = int(
                std::count_if(files.begin(), files.end(), [convertSeasons](const QString &name) {
                    return convertedVariant(name, convertSeasons).has_value();
                }));
        if (count > bestCount) {
            bestCount = count;
            bestFolder = subfolder;
        }
    }
    if (bestCount == 0)
        return tr("No FS9 tile bitmaps in \"%1\".").arg(typed);
    return tr("No FS9 tile bitmaps in \"%1\"; its subfolder \"%2\" holds %3.")
            .arg(typed, bestFolder)
            .arg(bestCount);
}

std::optional<K_FlightSimulatorTile::Variant> K_SourceFolder::convertedVariant(const QString &name,
                                                                               bool convertSeasons)
{
    // FS9 tile bitmaps are told by name alone; the seasons and night are read only when asked for.
    const auto variant = K_FlightSimulatorTile::variantOfFileName(name);
    if (variant && *variant != K_FlightSimulatorTile::Summer && !convertSeasons)
        return std::nullopt;
    return variant;
}

#include "k_builderthread.h"

#include "tiles/k_flightsimulatortile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutexLocker>

#include <algorithm>

namespace {

// Folders are used as prefixes, so they always end in the native separator.
QString normalisedFolder(const QString &typed)
{
    QString folder = typed.trimmed();
    if (folder.right(1) != QString(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

// Time left in a step that is `fraction` done after `elapsedMs`: the time so far, scaled to what
// remains. -1 while nothing is done.
qint64 secondsLeft(double fraction, qint64 elapsedMs)
{
    if (fraction >= 1.0)
        return 0;
    if (fraction <= 0.0)
        return -1;
    return qint64(double(elapsedMs) * (1.0 - fraction) / fraction / 1000.0 + 0.5);
}

qint64 nodeCount(const K_FlightSimulatorTile *tile)
{
    qint64 count = 1;
    for (const K_FlightSimulatorTile *child : tile->children)
        count += nodeCount(child);
    return count;
}

// FS9 tile bitmaps are told by name alone; the seasons and night are read only when asked for.
std::optional<K_FlightSimulatorTile::Variant> convertedVariant(const QString &name,
                                                               bool convertSeasons)
{
    const auto variant = K_FlightSimulatorTile::variantOfFileName(name);
    if (variant && *variant != K_FlightSimulatorTile::Summer && !convertSeasons)
        return std::nullopt;
    return variant;
}

} // namespace

K_BuilderThread::K_BuilderThread(const Settings &settings, K_TileMap *sourceTiles,
                                 K_TileMap *destinationTiles, QMutex *mutex, bool *breakFlag,
                                 QObject *parent)
    : QThread(parent)
    , sourceTiles(sourceTiles)
    , destinationTiles(destinationTiles)
    , sourceFolder(normalisedFolder(settings.sourceFolder))
    , destinationFolder(normalisedFolder(settings.destinationFolder))
    , bglLod(settings.bglLod)
    , compressionQuality(settings.compressionQuality)
    , singleDestinationImage(settings.singleDestinationImage)
    , passCompletelyTransparentTiles(settings.passCompletelyTransparentTiles)
    , passBrokenTiles(settings.passBrokenTiles)
    , verticalMirrorSourceTiles(settings.verticalMirrorSourceTiles)
    , convertSeasons(settings.convertSeasons)
    , skipConverted(settings.skipConverted)
    , mutex(mutex)
    , breakFlag(breakFlag)
    , typedSourceFolder(settings.sourceFolder.trimmed())
    , typedDestinationFolder(settings.destinationFolder.trimmed())
{
    clock.start();
}

K_BuilderThread::~K_BuilderThread()
{
    // The tiles and maps that run() works on outlive this object only if it has left run().
    wait();
}

K_BuilderThread::Settings K_BuilderThread::settings() const
{
    Settings settings;
    settings.sourceFolder = sourceFolder;
    settings.destinationFolder = destinationFolder;
    settings.bglLod = bglLod;
    settings.compressionQuality = compressionQuality;
    settings.singleDestinationImage = singleDestinationImage;
    settings.passCompletelyTransparentTiles = passCompletelyTransparentTiles;
    settings.passBrokenTiles = passBrokenTiles;
    settings.verticalMirrorSourceTiles = verticalMirrorSourceTiles;
    settings.convertSeasons = convertSeasons;
    settings.skipConverted = skipConverted;
    return settings;
}

int K_BuilderThread::tilesCount() const
{
    return int(tilesCounter);
}

int K_BuilderThread::processedTilesCount() const
{
    return int(processedTilesCounter);
}

void K_BuilderThread::setProcessedTilesCount(int count)
{
    processedTilesCounter = count;
}

void K_BuilderThread::reportProgress(int value)
{
    emit progressBarValueChanged(value);
}

bool K_BuilderThread::isBreak() const
{
    QMutexLocker locker(mutex);
    return *breakFlag;
}

void K_BuilderThread::reportBreak()
{
    emit appendLogText(tr("Break."));
    emit progressBarValueChanged(0);
    emit progressTextChanged(QStringLiteral(""));
}

void K_BuilderThread::appendLog(const QString &text)
{
    problems.fetchAndAddRelaxed(1);
    emit appendLogText(text);
}

int K_BuilderThread::problemsCount() const
{
    return problems.loadRelaxed();
}

void K_BuilderThread::recordPicture(const QString &filePath)
{
    picturesCounter.fetchAndAddRelaxed(1);
    bytesCounter.fetchAndAddRelaxed(QFileInfo(filePath).size());
}

QString K_BuilderThread::summary() const
{
    // The size stays on one line where the summary wraps.
    const QString size
            = QLocale()
                      .formattedDataSize(bytesWritten(), 1, QLocale::DataSizeTraditionalFormat)
                      .replace(QLatin1Char(' '), QChar::Nbsp);
    return tr("Destination tiles written: %1, pictures: %2 (%3), problems: %4, time: %5.")
            .arg(destinationTilesWritten())
            .arg(picturesWritten())
            .arg(size)
            .arg(problemsCount())
            .arg(durationText((runMs.loadRelaxed() + 500) / 1000));
}

K_BuilderThread::Progress K_BuilderThread::progress(int percent) const
{
    Progress result;
    // Paired with the release when a step starts, so its start time is the step's own.
    result.step = step.loadAcquire();
    const double elapsedMs = double(clock.elapsed() - stepStartedMs.loadRelaxed());
    if (result.step == 1) {
        result.tilesDone = tilesCounter.loadRelaxed();
        result.secondsLeft = secondsLeft(qBound(0, percent, 100) / 100.0, qint64(elapsedMs));
    } else if (result.step == 2) {
        result.tilesTotal = tilesCounter.loadRelaxed();
        result.tilesDone = qMin(processedTilesCounter.loadRelaxed(), result.tilesTotal);
        // Skipped tiles cost no time, so the pace comes from the tiles built.
        const qint64 skipped = skippedTilesCounter.loadRelaxed();
        const qint64 toBuild = result.tilesTotal - skipped;
        if (result.tilesTotal > 0) {
            result.secondsLeft = secondsLeft(
                    toBuild > 0 ? double(result.tilesDone - skipped) / double(toBuild) : 1.0,
                    qint64(elapsedMs));
        }
    }
    return result;
}

QString K_BuilderThread::durationText(qint64 seconds)
{
    const QLatin1Char zero('0');
    if (seconds >= 3600) {
        return QStringLiteral("%1:%2:%3")
                .arg(seconds / 3600)
                .arg(seconds / 60 % 60, 2, 10, zero)
                .arg(seconds % 60, 2, 10, zero);
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
}

void K_BuilderThread::run()
{
    convert();
    step.storeRelaxed(0);
    runMs.storeRelaxed(clock.elapsed());
}

void K_BuilderThread::convert()
{
    // Without this check an empty field would scan the current folder or the root.
    if (typedSourceFolder.isEmpty()) {
        appendLog(tr("Source folder is not set."));
        return;
    }
    if (!QDir(sourceFolder).exists()) {
        appendLog(tr("Source folder \"%1\" does not exist.").arg(typedSourceFolder));
        return;
    }
    // An empty destination would put the pictures into the root of the drive.
    if (typedDestinationFolder.isEmpty()) {
        appendLog(tr("Destination folder is not set."));
        return;
    }

    if (!scan()) {
        qDeleteAll(*sourceTiles);
        sourceTiles->clear();
        reportBreak();
        return;
    }
    // A run that finds nothing to convert is a mistake to point out, not a success.
    if (sourceTiles->isEmpty()) {
        appendLog(noTilesText());
        finish(QString());
        return;
    }

    group();
    if (isBreak()) {
        reportBreak();
        return;
    }

    buildAll();
    if (isBreak()) {
        reportBreak();
        return;
    }
    complete.storeRelaxed(1);
    finish(tr("Converting complete."));
}

void K_BuilderThread::finish(const QString &lastLine)
{
    if (!lastLine.isEmpty())
        emit appendLogText(lastLine);
    emit progressBarValueChanged(0);
    emit progressTextChanged(QStringLiteral(""));
}

QString K_BuilderThread::noTilesText() const
{
    // Sceneries keep their tiles in a subfolder (often "texture"), so name the likeliest one.
    QString bestFolder;
    int bestCount = 0;
    const QStringList folders = QDir(sourceFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &folder : folders) {
        const QStringList files = QDir(sourceFolder + folder).entryList(QDir::Files);
        const int count
                = int(std::count_if(files.begin(), files.end(), [this](const QString &name) {
                      return convertedVariant(name, convertSeasons).has_value();
                  }));
        if (count > bestCount) {
            bestCount = count;
            bestFolder = folder;
        }
    }
    if (bestCount == 0)
        return tr("No FS9 tile bitmaps in \"%1\".").arg(typedSourceFolder);
    return tr("No FS9 tile bitmaps in \"%1\"; its subfolder \"%2\" holds %3.")
            .arg(typedSourceFolder, bestFolder)
            .arg(bestCount);
}

bool K_BuilderThread::scan()
{
    tilesCounter = 0;
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(1);
    emit progressBarValueChanged(0);
    emit progressTextChanged(tr("Step 1 of 2. Source folder scanning..."));

    const QFileInfoList entries = QDir(sourceFolder).entryInfoList();
    const qint64 count = entries.size();
    for (qint64 i = 0; i < count; ++i) {
        if (isBreak())
            break;
        emit progressBarValueChanged(int((100 * (i + 1)) / count));

        const QFileInfo &entry = entries.at(i);
        if (entry.isDir())
            continue;
        const QString name = entry.fileName();
        const auto variant = convertedVariant(name, convertSeasons);
        if (!variant)
            continue;

        auto *tile = new K_FlightSimulatorTile(name.left(15), nullptr);
        tile->setVariant(*variant);
        ++tilesCounter;
        tile->setFilePath(entry.absoluteFilePath());
        // Names that differ only in the case of their last six characters give one key: the later
        // file wins, and the tile it replaces is neither referenced nor counted any more.
        const QString key = tile->variantKey();
        auto existing = sourceTiles->find(key);
        if (existing != sourceTiles->end()) {
            delete existing.value();
            --tilesCounter;
            existing.value() = tile;
        } else {
            sourceTiles->insert(key, tile);
        }
    }
    return !isBreak();
}

void K_BuilderThread::group()
{
    const int destinationKeyLength = bglLod + 2;
    for (K_FlightSimulatorTile *source : qAsConst(*sourceTiles)) {
        const QString key = source->key();
        // At the deepest level every source tile is a destination tile of its own.
        if (destinationKeyLength >= key.length()) {
            destinationTiles->insert(source->variantKey(), source);
            continue;
        }
        // Each variant has trees of its own; their roots are told apart by the variant letters
        // after the key, which keeps a destination's roots next to each other in the map.
        const QString destinationKey = key.left(destinationKeyLength);
        const QString mapKey = destinationKey + source->variantKey().mid(key.length());
        K_FlightSimulatorTile *node = destinationTiles->value(mapKey);
        if (!node) {
            node = new K_FlightSimulatorTile(destinationKey, nullptr);
            node->setVariant(source->variant());
            ++tilesCounter;
            destinationTiles->insert(mapKey, node);
        }
        for (int length = destinationKeyLength + 1; length < key.length(); ++length) {
            const QString prefix = key.left(length);
            K_FlightSimulatorTile *child = node->children.value(prefix);
            if (!child) {
                child = new K_FlightSimulatorTile(prefix, nullptr);
                child->setVariant(source->variant());
                ++tilesCounter;
                node->children.insert(prefix, child);
            }
            node = child;
        }
        node->children.insert(key, source);
    }
}

void K_BuilderThread::buildAll()
{
    processedTilesCounter = 0;
    skippedTilesCounter = 0;
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(2);
    emit progressBarValueChanged(0);
    emit progressTextChanged(tr("Step 2 of 2. Build images..."));

    const K_TileMap destinations = *destinationTiles;
    for (auto it = destinations.cbegin(); it != destinations.cend();) {
        if (isBreak())
            break;
        // The variants of one destination lie next to each other in the map; they are built
        // together, in variant order, into one .inf file.
        QVector<K_FlightSimulatorTile *> variants{it.value()};
        for (++it; it != destinations.cend() && it.value()->key() == variants.first()->key(); ++it)
            variants.append(it.value());
        std::sort(variants.begin(), variants.end(),
                  [](const K_FlightSimulatorTile *a, const K_FlightSimulatorTile *b) {
                      return a->variant() < b->variant();
                  });
        K_FlightSimulatorTile *destination = variants.takeFirst();
        if (skipConverted && destination->isConverted(destinationFolder, variants)) {
            // Its tiles count as done, as if they had been built.
            qint64 skipped = nodeCount(destination);
            for (const K_FlightSimulatorTile *variant : variants)
                skipped += nodeCount(variant);
            skippedTilesCounter += skipped;
            processedTilesCounter += skipped;
            reportProgress(int(processedTilesCounter * 100 / qMax(1, tilesCount())));
            emit appendLogText(tr("Tile \"%1\" already converted.").arg(destination->key()));
            continue;
        }
        if (destination->build(this, destinationFolder, compressionQuality, singleDestinationImage,
                               passCompletelyTransparentTiles, passBrokenTiles,
                               verticalMirrorSourceTiles, variants)) {
            destinationTilesCounter.fetchAndAddRelaxed(1);
            emit appendLogText(tr("Tile \"%1\" saved.").arg(destination->key()));
        }
    }
}

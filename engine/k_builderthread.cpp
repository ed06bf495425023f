#include "k_builderthread.h"

#include "engine/k_conversionrecord.h"
#include "engine/k_destinationfolder.h"
#include "tiles/k_flightsimulatortile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace {

// Folders are used as prefixes, so they always end in the native separator. On Windows a folder
// typed or chosen with slashes is written as Windows writes it, with backslashes.
QString normalisedFolder(const QString &typed)
{
    QString folder = QDir::toNativeSeparators(typed.trimmed());
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

// The tile nodes below `tile`, itself included, and of those the source tiles.
void countNodes(const K_FlightSimulatorTile *tile, qint64 *nodes, qint64 *sources)
{
    ++*nodes;
    if (tile->children.isEmpty())
        ++*sources;
    for (const K_FlightSimulatorTile *child : tile->children)
        countNodes(child, nodes, sources);
}

// The system's reason for a failure, to be followed by the line's own full stop: Windows ends its
// messages in one already.
QString reasonText(const QString &reason)
{
    const QString text = reason.trimmed();
    return text.endsWith(QLatin1Char('.')) ? text.chopped(1) : text;
}

// A size in bytes as the log and the summary show it, kept on one line where they wrap.
QString sizeText(qint64 bytes)
{
    return QLocale()
            .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat)
            .replace(QLatin1Char(' '), QChar::Nbsp);
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
    broken.storeRelaxed(1);
    emit appendLogText(tr("Break."));
    emit progressBarValueChanged(0);
    emit progressTextChanged(QStringLiteral(""));
}

void K_BuilderThread::appendLog(const QString &text)
{
    problems.fetchAndAddRelaxed(1);
    emit appendLogText(text);
}

void K_BuilderThread::appendInfo(const QString &text)
{
    emit appendLogText(text);
}

void K_BuilderThread::reportWriteFailure(const QString &filePath, const QString &reason)
{
    // One explanation is enough: a full or read-only disk fails every picture after it the same.
    if (writeFailures++ == 0)
        appendInfo(tr("Cannot write \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(filePath), reasonText(reason)));
}

void K_BuilderThread::countSourceTile()
{
    ++processedSourceTilesCounter;
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
    const QString text
            = isBroken() ? tr("Stopped. Destination tiles written: %1, pictures: %2 (%3), "
                              "problems: %4, time: %5.")
                         : tr("Destination tiles written: %1, pictures: %2 (%3), problems: %4, "
                              "time: %5.");
    return text.arg(destinationTilesWritten())
            .arg(picturesWritten())
            .arg(sizeText(bytesWritten()))
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
        result.tilesTotal = sourceTilesCounter.loadRelaxed();
        result.tilesDone = qMin(processedSourceTilesCounter.loadRelaxed(), result.tilesTotal);
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
    const QString sourceProblem = sourceFolderProblem(typedSourceFolder);
    if (!sourceProblem.isEmpty()) {
        appendLog(sourceProblem);
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
        appendLog(noTilesText(typedSourceFolder, convertSeasons));
        finish(QString());
        return;
    }

    group();
    if (isBreak()) {
        reportBreak();
        return;
    }

    const QVector<QVector<K_FlightSimulatorTile *>> groups = destinationGroups();
    K_ConversionRecord record(destinationFolder);
    QVector<bool> converted(groups.size(), false);
    if (!prepareDestination(groups, record, &converted)) {
        finish(QString());
        return;
    }
    buildAll(groups, converted, record);
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

QString K_BuilderThread::sourceFolderProblem(const QString &folder)
{
    const QString typed = folder.trimmed();
    // Without this check an empty field would scan the current folder or the root.
    if (typed.isEmpty())
        return tr("Source folder is not set.");
    if (!QDir(normalisedFolder(typed)).exists())
        return tr("Source folder \"%1\" does not exist.").arg(typed);
    return QString();
}

QString K_BuilderThread::noTilesText(const QString &folder, bool convertSeasons)
{
    // Sceneries keep their tiles in a subfolder (often "texture"), so name the likeliest one.
    const QString typed = folder.trimmed();
    const QString listed = normalisedFolder(typed);
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

QVector<QVector<K_FlightSimulatorTile *>> K_BuilderThread::destinationGroups() const
{
    // The variants of one destination lie next to each other in the map; they are built together,
    // in variant order, into one .inf file.
    QVector<QVector<K_FlightSimulatorTile *>> groups;
    for (auto it = destinationTiles->cbegin(); it != destinationTiles->cend();) {
        QVector<K_FlightSimulatorTile *> variants{it.value()};
        for (++it; it != destinationTiles->cend() && it.value()->key() == variants.first()->key();
             ++it)
            variants.append(it.value());
        std::sort(variants.begin(), variants.end(),
                  [](const K_FlightSimulatorTile *a, const K_FlightSimulatorTile *b) {
                      return a->variant() < b->variant();
                  });
        groups.append(variants);
    }
    return groups;
}

bool K_BuilderThread::prepareDestination(const QVector<QVector<K_FlightSimulatorTile *>> &groups,
                                         K_ConversionRecord &record, QVector<bool> *converted)
{
    const QString shownFolder = QDir::toNativeSeparators(typedDestinationFolder);
    QString reason;
    if (!K_DestinationFolder::probeWritable(destinationFolder, &reason)) {
        appendLog(tr("Cannot write into the destination folder \"%1\": %2.")
                          .arg(shownFolder, reasonText(reason)));
        return false;
    }
    const int removed = K_DestinationFolder::removeStaleTemporaries(destinationFolder);
    if (removed > 0) {
        appendInfo(tr("Removed %n temporary file(s) that an interrupted run left in \"%1\".",
                      nullptr, removed)
                           .arg(shownFolder));
    }

    record.load();
    QSet<QString> keys;
    for (int i = 0; i < groups.size(); ++i) {
        keys.insert(groups[i].first()->key());
        (*converted)[i] = skipConverted && record.isConverted(groups[i]);
    }
    const QStringList others = K_DestinationFolder::otherResampleFiles(destinationFolder, keys);
    if (!others.isEmpty()) {
        appendInfo(tr("\"%1\" already holds %n .inf file(s) that this run does not write, of "
                      "another BGL LOD or another source, such as \"%2\".",
                      nullptr, int(others.size()))
                           .arg(shownFolder, others.first()));
    }

    // Pictures that replace older ones of the same destination take the room of those, but each
    // old one goes only when its successor is complete.
    qint64 needed = 0;
    qint64 replacing = 0;
    for (int i = 0; i < groups.size(); ++i) {
        if (converted->at(i))
            continue;
        qint64 bound = ResampleFileRoom;
        for (const K_FlightSimulatorTile *tree : groups[i])
            bound += tree->picturesSizeBound(singleDestinationImage);
        const qint64 existing
                = K_DestinationFolder::picturesSize(destinationFolder, groups[i].first()->key());
        needed += qMax(qint64(0), bound - existing);
        replacing = qMax(replacing, qMin(bound, existing));
    }
    needed += replacing;
    const qint64 free = K_DestinationFolder::freeSpace(destinationFolder);
    if (free >= 0 && needed > free) {
        appendLog(tr("The pictures need up to %1, but \"%2\" has only %3 free.")
                          .arg(sizeText(needed), shownFolder, sizeText(free)));
        return false;
    }
    return true;
}

void K_BuilderThread::saveRecord(K_ConversionRecord &record, bool soon)
{
    QString reason;
    // Without the record a later run converts these destination tiles again, nothing worse.
    if (!record.save(soon, &reason) && !recordFailed) {
        recordFailed = true;
        appendInfo(tr("The record of finished destination tiles \"%1\" cannot be written: %2.")
                           .arg(QDir::toNativeSeparators(record.filePath()), reasonText(reason)));
    }
}

void K_BuilderThread::buildAll(const QVector<QVector<K_FlightSimulatorTile *>> &groups,
                               const QVector<bool> &converted, K_ConversionRecord &record)
{
    processedTilesCounter = 0;
    processedSourceTilesCounter = 0;
    skippedTilesCounter = 0;
    sourceTilesCounter = sourceTiles->size();
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(2);
    emit progressBarValueChanged(0);
    emit progressTextChanged(tr("Step 2 of 2. Build images..."));

    // A destination about to be built is no longer finished, whatever becomes of its build.
    for (int i = 0; i < groups.size(); ++i) {
        if (!converted[i])
            record.forget(groups[i].first()->key());
    }
    saveRecord(record, false);

    for (int i = 0; i < groups.size(); ++i) {
        if (isBreak())
            break;
        const QVector<K_FlightSimulatorTile *> &trees = groups[i];
        K_FlightSimulatorTile *destination = trees.first();
        if (converted[i]) {
            // Its tiles count as done, as if they had been built, but take no time.
            qint64 nodes = 0;
            qint64 sources = 0;
            for (const K_FlightSimulatorTile *tree : trees)
                countNodes(tree, &nodes, &sources);
            skippedTilesCounter += sources;
            processedSourceTilesCounter += sources;
            processedTilesCounter += nodes;
            reportProgress(int(processedTilesCounter * 100 / qMax(1, tilesCount())));
            appendInfo(tr("Tile \"%1\" already converted.").arg(destination->key()));
            continue;
        }
        const int failuresBefore = writeFailures;
        QByteArray resampleFileContents;
        if (destination->build(this, destinationFolder, compressionQuality, singleDestinationImage,
                               passCompletelyTransparentTiles, passBrokenTiles,
                               verticalMirrorSourceTiles, trees.mid(1), &resampleFileContents)) {
            destinationTilesCounter.fetchAndAddRelaxed(1);
            emit appendLogText(tr("Tile \"%1\" saved.").arg(destination->key()));
            if (writeFailures == failuresBefore && !resampleFileContents.isEmpty()) {
                record.remember(trees, resampleFileContents);
                saveRecord(record, true);
            }
        }
    }
    saveRecord(record, false);
}

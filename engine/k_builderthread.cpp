#include "k_builderthread.h"

#include "engine/k_conversiontexts.h"
#include "engine/k_destinationfolder.h"
#include "engine/k_recordkeeper.h"
#include "engine/k_resamplerstep.h"
#include "engine/k_sourcefolder.h"
#include "tiles/k_flightsimulatortile.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {

K_BuilderThread::Settings normalised(K_BuilderThread::Settings settings)
{
    // Folders are used as prefixes, so they always end in the native separator. The .inf files
    // name the destination in full, wherever the resampler runs from, and a destination typed in
    // another way is still the same folder to the record of finished destination tiles.
    settings.sourceFolder = K_SourceFolder::prefix(settings.sourceFolder);
    settings.destinationFolder
            = K_SourceFolder::prefix(QDir(settings.destinationFolder.trimmed()).absolutePath());
    // The resampler runs in the destination folder, so it is named in full; a bare name that is
    // no file here is looked up as the system looks up commands.
    const QString resampler = settings.resampler.trimmed();
    const QString found = resampler.contains(QLatin1Char('/'))
                                          || resampler.contains(QDir::separator())
                                          || QFileInfo::exists(resampler)
                                  ? QString()
                                  : QStandardPaths::findExecutable(resampler);
    if (!resampler.isEmpty())
        settings.resampler = QFileInfo(found.isEmpty() ? resampler : found).absoluteFilePath();
    return settings;
}

// Time left in a step of `total` things of which `done`, including `skipped` that took no time.
qint64 secondsLeftOf(qint64 total, qint64 done, qint64 skipped, qint64 elapsedMs)
{
    if (total <= 0)
        return -1;
    const qint64 toDo = total - skipped;
    return K_ConversionTexts::secondsLeft(toDo > 0 ? double(done - skipped) / double(toDo) : 1.0,
                                          elapsedMs);
}

} // namespace

K_BuilderThread::K_BuilderThread(const Settings &settings, K_TileMap *sourceTiles,
                                 K_TileMap *destinationTiles, QMutex *mutex, bool *breakFlag,
                                 QObject *parent)
    : QThread(parent)
    , m_settings(normalised(settings))
    , typedSourceFolder(settings.sourceFolder.trimmed())
    , typedDestinationFolder(settings.destinationFolder.trimmed())
    , sourceTiles(sourceTiles)
    , destinationTiles(destinationTiles)
    , mutex(mutex)
    , breakFlag(breakFlag)
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
    return m_settings;
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
    // One explanation of each reason is enough: a full or read-only disk fails every picture after
    // it the same.
    ++writeFailures;
    if (!writeFailureReasons.contains(reason)) {
        writeFailureReasons.insert(reason);
        appendInfo(tr("Cannot write \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(filePath),
                                K_ConversionTexts::reasonText(reason)));
    }
}

void K_BuilderThread::countResampled(bool skipped)
{
    if (skipped)
        ++skippedResampleCounter;
    const qint64 done = ++resampledCounter;
    reportProgress(int(done * 100 / qMax<qint64>(1, resampleCounter)));
}

void K_BuilderThread::countBgl()
{
    bglCounter.fetchAndAddRelaxed(1);
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
    if (m_build)
        m_build->pictures << filePath;
}

void K_BuilderThread::noteSourceTile(const K_FlightSimulatorTile &tile,
                                     const K_Platform::FileStamp &stamp, bool unreadable)
{
    if (!m_build)
        return;
    m_build->sources.append({QFileInfo(tile.filePath()).fileName(), stamp});
    m_build->sourcesRead = m_build->sourcesRead && !unreadable;
}

QString K_BuilderThread::summary() const
{
    K_ConversionTexts::Figures figures;
    figures.stopped = isBroken();
    figures.destinationTiles = destinationTilesWritten();
    figures.pictures = picturesWritten();
    figures.bytes = bytesWritten();
    figures.problems = problemsCount();
    figures.bglFiles = m_settings.resampler.isEmpty() ? -1 : bglFilesMade();
    figures.milliseconds = runMs.loadRelaxed();
    return K_ConversionTexts::summary(figures);
}

K_BuilderThread::Progress K_BuilderThread::progress(int percent) const
{
    Progress result;
    // Paired with the release when a step starts, so its start time is the step's own.
    result.step = step.loadAcquire();
    const qint64 elapsedMs = clock.elapsed() - stepStartedMs.loadRelaxed();
    if (result.step == 1) {
        result.tilesDone = tilesCounter.loadRelaxed();
        result.secondsLeft
                = K_ConversionTexts::secondsLeft(qBound(0, percent, 100) / 100.0, elapsedMs);
    } else if (result.step == 2) {
        result.tilesTotal = sourceTilesCounter.loadRelaxed();
        result.tilesDone = qMin(processedSourceTilesCounter.loadRelaxed(), result.tilesTotal);
        // Skipped tiles cost no time, so the pace comes from the tiles built.
        result.secondsLeft = secondsLeftOf(result.tilesTotal, result.tilesDone,
                                           skippedTilesCounter.loadRelaxed(), elapsedMs);
    } else if (result.step == 3) {
        result.tilesTotal = resampleCounter.loadRelaxed();
        result.tilesDone = qMin(resampledCounter.loadRelaxed(), result.tilesTotal);
        result.secondsLeft = secondsLeftOf(result.tilesTotal, result.tilesDone,
                                           skippedResampleCounter.loadRelaxed(), elapsedMs);
    }
    return result;
}

void K_BuilderThread::run()
{
    convert();
    step.storeRelaxed(0);
    runMs.storeRelaxed(clock.elapsed());
}

void K_BuilderThread::convert()
{
    const QString sourceProblem = K_SourceFolder::problem(typedSourceFolder);
    if (!sourceProblem.isEmpty()) {
        appendLog(sourceProblem);
        return;
    }
    // An empty destination would put the pictures into the root of the drive.
    if (typedDestinationFolder.isEmpty()) {
        appendLog(tr("Destination folder is not set."));
        return;
    }
    const QString resamplerProblem
            = m_settings.resampler.isEmpty()
                      ? QString()
                      : K_ResamplerStep::programProblem(m_settings.resampler);
    if (!resamplerProblem.isEmpty()) {
        appendLog(resamplerProblem);
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
        appendLog(K_SourceFolder::noTilesText(typedSourceFolder, m_settings.convertSeasons));
        finish(QString());
        return;
    }

    K_DestinationTrees::group(*sourceTiles, destinationTiles, m_settings.bglLod, &tilesCounter);
    if (isBreak()) {
        reportBreak();
        return;
    }

    const QVector<K_DestinationTrees::Group> groups = K_DestinationTrees::groups(*destinationTiles);
    K_DestinationFolder destination(m_settings.destinationFolder, typedDestinationFolder);
    K_RecordKeeper keeper(m_settings);
    QVector<bool> converted;
    if (!destination.prepare(this, groups, m_settings.skipConverted,
                             m_settings.singleDestinationImage, &keeper, &converted)) {
        finish(QString());
        return;
    }
    const QVector<K_ResampleJob> jobs = buildAll(groups, converted, keeper, destination.folder());
    if (!isBreak() && !m_settings.resampler.isEmpty())
        resampleAll(jobs, keeper);
    keeper.end(this);
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

bool K_BuilderThread::scan()
{
    tilesCounter = 0;
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(1);
    emit progressBarValueChanged(0);
    emit progressTextChanged(stepText(1));

    const QFileInfoList entries = QDir(m_settings.sourceFolder).entryInfoList();
    const qint64 count = entries.size();
    for (qint64 i = 0; i < count; ++i) {
        if (isBreak())
            break;
        emit progressBarValueChanged(int((100 * (i + 1)) / count));

        const QFileInfo &entry = entries.at(i);
        if (entry.isDir())
            continue;
        const QString name = entry.fileName();
        const auto variant = K_SourceFolder::convertedVariant(name, m_settings.convertSeasons);
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

QString K_BuilderThread::stepText(int number) const
{
    if (m_settings.resampler.isEmpty()) {
        return number == 1 ? tr("Step 1 of 2. Source folder scanning...")
                           : tr("Step 2 of 2. Build images...");
    }
    switch (number) {
    case 1:
        return tr("Step 1 of 3. Source folder scanning...");
    case 2:
        return tr("Step 2 of 3. Build images...");
    }
    return tr("Step 3 of 3. Resample...");
}

QVector<K_ResampleJob> K_BuilderThread::buildAll(const QVector<K_DestinationTrees::Group> &groups,
                                                 const QVector<bool> &converted,
                                                 K_RecordKeeper &keeper,
                                                 const QString &destinationFolder)
{
    processedTilesCounter = 0;
    processedSourceTilesCounter = 0;
    skippedTilesCounter = 0;
    sourceTilesCounter = sourceTiles->size();
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(2);
    emit progressBarValueChanged(0);
    emit progressTextChanged(stepText(2));

    // Every destination written or already converted goes to the resampler.
    QVector<K_ResampleJob> jobs;
    for (int i = 0; i < groups.size(); ++i) {
        if (isBreak())
            break;
        const QString key = groups[i].first()->key();
        K_ResampleJob job;
        if (converted[i]) {
            skip(groups[i]);
            jobs << keeper.resampleJob(key, nullptr);
        } else if (buildOne(groups[i], keeper, destinationFolder, &job)) {
            jobs << job;
        }
    }
    return jobs;
}

void K_BuilderThread::resampleAll(const QVector<K_ResampleJob> &jobs, K_RecordKeeper &keeper)
{
    resampleCounter = jobs.size();
    resampledCounter = 0;
    skippedResampleCounter = 0;
    stepStartedMs.storeRelaxed(clock.elapsed());
    step.storeRelease(3);
    emit progressBarValueChanged(0);
    emit progressTextChanged(stepText(3));
    K_ResamplerStep(this, &keeper).run(jobs);
}

bool K_BuilderThread::buildOne(const K_DestinationTrees::Group &trees, K_RecordKeeper &keeper,
                               const QString &destinationFolder, K_ResampleJob *job)
{
    K_FlightSimulatorTile *destination = trees.first();
    // A destination about to be built is no longer finished, whatever becomes of its build.
    keeper.begin(this, destination->key());
    K_RecordKeeper::Build build;
    m_build = &build;
    const int failuresBefore = writeFailures;
    const Settings &s = m_settings;
    build.saved = destination->build(this, destinationFolder, s.compressionQuality,
                                     s.singleDestinationImage, s.passCompletelyTransparentTiles,
                                     s.passBrokenTiles, s.verticalMirrorSourceTiles, trees.mid(1),
                                     &build.resampleFile);
    m_build = nullptr;
    build.brokenOff = isBreak();
    build.failed = writeFailures != failuresBefore;
    // Recorded before it is said to be saved: a run killed in between has lost nothing it said.
    keeper.remember(this, trees, build);
    // Written is what holds its .inf file and every picture it assembled.
    const bool written = build.saved && !build.failed && !build.resampleFile.isEmpty();
    if (build.saved) {
        emit appendLogText(tr("Tile \"%1\" saved.").arg(destination->key()));
        if (written)
            destinationTilesCounter.fetchAndAddRelaxed(1);
    }
    keeper.tidy(this, trees, build);
    if (written)
        *job = keeper.resampleJob(destination->key(), &build);
    return written;
}

void K_BuilderThread::skip(const K_DestinationTrees::Group &trees)
{
    // Its tiles count as done, as if they had been built, but take no time.
    qint64 nodes = 0;
    qint64 sources = 0;
    K_DestinationTrees::count(trees, &nodes, &sources);
    skippedTilesCounter += sources;
    processedSourceTilesCounter += sources;
    processedTilesCounter += nodes;
    reportProgress(int(processedTilesCounter * 100 / qMax(1, tilesCount())));
    appendInfo(tr("Tile \"%1\" already converted.").arg(trees.first()->key()));
}

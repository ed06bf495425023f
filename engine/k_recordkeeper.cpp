#include "k_recordkeeper.h"

#include "engine/k_conversiontexts.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_resamplefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Raised whenever what a conversion writes changes, so that no older build is taken for current.
constexpr int OutputFormat = 1;

// A tile changed before it was read, within the granularity of its file system's clock, could
// change again unseen, with the same times and size. File systems whose times show no part of a
// millisecond keep them coarsely (FAT to two seconds); the others to a microsecond or finer.
constexpr qint64 Millisecond = 1000 * 1000;
constexpr qint64 CoarseClock = 2000 * Millisecond;

// Whether a file is as the record knows it.
bool isAsRecorded(const K_Platform::FileStamp &stamp, const K_ConversionRecord::Picture &picture)
{
    return stamp.size == picture.size && stamp.modified == picture.modified;
}

K_ConversionRecord::Picture pictureOf(const QString &name, const K_Platform::FileStamp &stamp)
{
    return {name, stamp.size, stamp.modified};
}

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

int variantsOf(const K_DestinationTrees::Group &trees)
{
    int variants = 0;
    for (const K_FlightSimulatorTile *tree : trees)
        variants |= 1 << tree->variant();
    return variants;
}

void collectSources(const K_FlightSimulatorTile *tile, K_RecordKeeper::Sources *sources)
{
    if (tile->children.isEmpty() && !tile->filePath().isEmpty()) {
        const QString path = tile->filePath();
        sources->append({QFileInfo(path).fileName(), K_Platform::stampOf(path)});
    }
    for (const K_FlightSimulatorTile *child : tile->children)
        collectSources(child, sources);
}

QByteArray inputsOf(K_RecordKeeper::Sources sources)
{
    std::sort(sources.begin(), sources.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QByteArray text;
    for (const auto &[name, stamp] : sources) {
        text += name.toUtf8() + '|' + QByteArray::number(stamp.size) + '|'
                + QByteArray::number(stamp.modified) + '|' + QByteArray::number(stamp.arrived) + '|'
                + QByteArray::number(stamp.identity) + '\n';
    }
    return hashOf(text);
}

bool isSettled(const K_RecordKeeper::Sources &sources, qint64 readAt)
{
    return std::all_of(sources.cbegin(), sources.cend(), [readAt](const auto &source) {
        const K_Platform::FileStamp &stamp = source.second;
        const bool coarse = stamp.modified % Millisecond == 0 && stamp.arrived % Millisecond == 0;
        return stamp.size < 0 || !coarse
               || qMax(stamp.modified, stamp.arrived) < readAt - CoarseClock;
    });
}

} // namespace

K_RecordKeeper::K_RecordKeeper(const K_BuilderThread::Settings &settings)
    : m_settings(settings)
{ }

void K_RecordKeeper::load(const QString &folder, QString *problem)
{
    m_folder = folder;
    const K_BuilderThread::Settings &s = m_settings;
    m_recipe = hashOf(QByteArray::number(OutputFormat) + '|' + QByteArray::number(s.bglLod) + '|'
                      + QByteArray::number(s.compressionQuality) + '|'
                      + QByteArray::number(s.singleDestinationImage)
                      + QByteArray::number(s.passCompletelyTransparentTiles)
                      + QByteArray::number(s.passBrokenTiles)
                      + QByteArray::number(s.verticalMirrorSourceTiles) + '|'
                      + K_ResampleFile::encode(folder));
    m_record = K_ConversionRecord(folder);
    m_record.load(problem);
}

bool K_RecordKeeper::isConverted(const K_DestinationTrees::Group &trees) const
{
    const QString key = trees.first()->key();
    const K_ConversionRecord::Entry *entry = m_record.entry(key);
    if (!entry || !entry->finished || entry->variants != variantsOf(trees)
        || entry->recipe != m_recipe)
        return false;
    Sources sources;
    for (const K_FlightSimulatorTile *tree : trees)
        collectSources(tree, &sources);
    QByteArray contents;
    if (inputsOf(sources) != entry->inputs
        || !K_ResampleFile::read(m_folder + key + QLatin1String(".inf"), &contents)
        || hashOf(contents) != entry->resampleFile)
        return false;
    return std::all_of(entry->pictures.cbegin(), entry->pictures.cend(),
                       [this, &key](const K_ConversionRecord::Picture &picture) {
                           return isAsRecorded(K_Platform::stampOf(picturePath(key, picture.name)),
                                               picture);
                       });
}

void K_RecordKeeper::begin(K_BuilderThread *thread, const QString &key)
{
    const K_ConversionRecord::Entry *entry = m_record.entry(key);
    m_earlier = entry ? *entry : K_ConversionRecord::Entry();
    m_begunAt = QDateTime::currentMSecsSinceEpoch() * 1000 * 1000;
    QString reason;
    reportFailure(thread, m_record.begin(key, &reason), reason);
}

void K_RecordKeeper::remember(K_BuilderThread *thread, const K_DestinationTrees::Group &trees,
                              const Build &build)
{
    if (!isRecordable(build) || build.resampleFile.isEmpty()
        || !isSettled(build.sources, m_begunAt))
        return;
    K_ConversionRecord::Entry entry;
    entry.variants = variantsOf(trees);
    entry.recipe = m_recipe;
    entry.inputs = inputsOf(build.sources);
    entry.resampleFile = hashOf(build.resampleFile);
    for (const QString &path : build.pictures)
        entry.pictures.append(pictureOf(QFileInfo(path).fileName(), K_Platform::stampOf(path)));
    QString reason;
    reportFailure(thread, m_record.finish(trees.first()->key(), entry, &reason), reason);
}

void K_RecordKeeper::tidy(K_BuilderThread *thread, const K_DestinationTrees::Group &trees,
                          const Build &build)
{
    const QString key = trees.first()->key();
    if (!isRecordable(build))
        return;
    if (!build.saved) {
        removeEarlierBuild(thread, key);
        return;
    }
    QStringList written;
    for (const QString &path : build.pictures)
        written << QFileInfo(path).fileName();
    const int removed = removeEarlierPictures(key, written);
    if (removed > 0) {
        thread->appendInfo(tr("Removed %n picture(s) of an earlier build of tile \"%1\" that this "
                              "build does not write.",
                              nullptr, removed)
                                   .arg(key));
    }
}

bool K_RecordKeeper::isRecordable(const Build &build)
{
    return build.sourcesRead && !build.failed && !build.brokenOff;
}

void K_RecordKeeper::end(K_BuilderThread *thread)
{
    QString reason;
    reportFailure(thread, m_record.compact(&reason), reason);
}

QString K_RecordKeeper::picturePath(const QString &key, const QString &name) const
{
    return m_folder + QLatin1String("Source") + QDir::separator() + key + QDir::separator() + name;
}

int K_RecordKeeper::removeEarlierPictures(const QString &key, const QStringList &kept) const
{
    // A picture of the earlier build is ours while it is as the record knows it.
    int removed = 0;
    for (const K_ConversionRecord::Picture &picture : m_earlier.pictures) {
        const QString path = picturePath(key, picture.name);
        if (!kept.contains(picture.name) && isAsRecorded(K_Platform::stampOf(path), picture)
            && QFile::remove(path))
            ++removed;
    }
    return removed;
}

void K_RecordKeeper::removeEarlierBuild(K_BuilderThread *thread, const QString &key)
{
    const QString path = m_folder + key + QLatin1String(".inf");
    if (!QFileInfo::exists(path))
        return;
    QByteArray contents;
    // No earlier entry holds an empty SHA-1, which no .inf has.
    const bool ours
            = K_ResampleFile::read(path, &contents) && hashOf(contents) == m_earlier.resampleFile;
    if (!ours) {
        thread->appendInfo(tr("Tile \"%1\" yields no picture now; \"%2\", which this record does "
                              "not know as ORVIK's, stays.")
                                   .arg(key, QDir::toNativeSeparators(path)));
        return;
    }
    // One that cannot be removed now is tried again by the next run.
    if (!QFile::remove(path))
        return;
    const int removed = removeEarlierPictures(key, QStringList());
    // Its folder of pictures is ORVIK's; it goes when nothing else is in it.
    QDir().rmdir(m_folder + QLatin1String("Source") + QDir::separator() + key);
    QString reason;
    reportFailure(thread, m_record.drop(key, &reason), reason);
    thread->appendInfo(tr("Tile \"%1\" yields no picture now: its earlier .inf file and %n "
                          "picture(s) are removed.",
                          nullptr, removed)
                               .arg(key));
}

void K_RecordKeeper::reportFailure(K_BuilderThread *thread, bool written, const QString &reason)
{
    // Without the record a later run converts these destination tiles again, nothing worse.
    if (written || m_failed)
        return;
    m_failed = true;
    thread->appendInfo(tr("The record of finished destination tiles \"%1\" cannot be written: %2.")
                               .arg(QDir::toNativeSeparators(m_record.filePath()),
                                    K_ConversionTexts::reasonText(reason)));
}

K_ResampleJob K_RecordKeeper::resampleJob(const QString &key, const Build *build) const
{
    K_ResampleJob job;
    job.key = key;
    if (build) {
        job.resampleFile = hashOf(build->resampleFile);
        for (const QString &path : build->pictures)
            job.pictureBytes += QFileInfo(path).size();
    } else if (const K_ConversionRecord::Entry *entry = m_record.entry(key)) {
        job.resampleFile = entry->resampleFile;
        for (const K_ConversionRecord::Picture &picture : entry->pictures)
            job.pictureBytes += picture.size;
    }
    return job;
}

QString K_RecordKeeper::bglPath(const QString &key) const
{
    return m_folder + key + QLatin1String(".bgl");
}

bool K_RecordKeeper::hasBgl(const K_ResampleJob &job) const
{
    const K_ConversionRecord::Entry *entry = m_record.entry(job.key);
    if (!entry || !entry->finished || entry->bglFrom != job.resampleFile)
        return false;
    return isAsRecorded(K_Platform::stampOf(bglPath(job.key)), entry->bgl);
}

K_Platform::FileStamp K_RecordKeeper::beginBgl(K_BuilderThread *thread, const QString &key)
{
    const K_Platform::FileStamp stamp = K_Platform::stampOf(bglPath(key));
    QString reason;
    reportFailure(thread,
                  m_record.beginBgl(key, pictureOf(key + QLatin1String(".bgl"), stamp), &reason),
                  reason);
    return stamp;
}

void K_RecordKeeper::madeBgl(K_BuilderThread *thread, const K_ResampleJob &job)
{
    QString reason;
    reportFailure(thread,
                  m_record.madeBgl(job.key, job.resampleFile,
                                   pictureOf(job.key + QLatin1String(".bgl"),
                                             K_Platform::stampOf(bglPath(job.key))),
                                   &reason),
                  reason);
}

void K_RecordKeeper::endBgl(K_BuilderThread *thread, const QString &key)
{
    QString reason;
    reportFailure(thread, m_record.endBgl(key, &reason), reason);
}

void K_RecordKeeper::removeInterruptedBgls(K_BuilderThread *thread)
{
    const QHash<QString, K_ConversionRecord::Picture> begun = m_record.begunBgls();
    for (auto bgl = begun.cbegin(); bgl != begun.cend(); ++bgl) {
        const QString path = bglPath(bgl.key());
        const K_Platform::FileStamp stamp = K_Platform::stampOf(path);
        const bool changed = stamp.size >= 0 && !isAsRecorded(stamp, *bgl);
        if (changed && !QFile::remove(path))
            continue;
        if (changed) {
            thread->appendInfo(
                    tr("Removed \"%1\", which the resampler of an interrupted run had begun.")
                            .arg(QDir::toNativeSeparators(path)));
        }
        endBgl(thread, bgl.key());
    }
}

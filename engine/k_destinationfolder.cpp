#include "k_destinationfolder.h"

#include "engine/k_builderthread.h"
#include "engine/k_conversionrecord.h"
#include "engine/k_conversiontexts.h"
#include "engine/k_recordkeeper.h"
#include "engine/k_sourcefolder.h"
#include "tiles/k_checkedsavefile.h"
#include "tiles/k_flightsimulatortile_assembly.h"
#include "tiles/k_platform.h"
#include "tiles/k_resamplefile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace {

bool isDigits(QStringView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A destination tile's line in the record of finished ones, generously: a checksum, the variants
// and a key of up to fifteen characters in UTF-8.
constexpr qint64 RecordLineRoom = 128;

// Held while a run writes into the folder.
const char LockName[] = "ORVIK.lock";

} // namespace

K_DestinationFolder::K_DestinationFolder(const QString &folder, const QString &typed)
    : m_folder(folder)
    , m_shown(QDir::toNativeSeparators(typed))
{ }

K_DestinationFolder::~K_DestinationFolder()
{
    m_lock.reset();
    for (auto it = m_created.crbegin(); it != m_created.crend(); ++it)
        QDir().rmdir(*it);
}

QString K_DestinationFolder::folder() const
{
    return m_folder;
}

bool K_DestinationFolder::prepare(K_BuilderThread *thread,
                                  const QVector<K_DestinationTrees::Group> &groups,
                                  bool skipConverted, bool singleDestinationImage,
                                  K_RecordKeeper *keeper, QVector<bool> *converted)
{
    QString lockReason;
    if (!nameForResampler(thread) || !lock(thread, &lockReason))
        return false;
    // The temporaries of a run that still holds the folder are its own business.
    const int removed = m_lock ? removeStaleTemporaries() : 0;
    if (removed > 0) {
        thread->appendInfo(tr("Removed %n temporary file(s) that an interrupted run left in "
                              "\"%1\".",
                              nullptr, removed)
                                   .arg(m_shown));
    }
    loadRecord(thread, groups, skipConverted, keeper, converted);
    // Nothing left to write asks nothing of the folder: it may be read-only or full by now.
    if (std::all_of(converted->cbegin(), converted->cend(), [](bool done) { return done; }))
        return true;
    QString reason;
    if (!m_lock || !probeWritable(&reason)) {
        thread->appendLog(
                tr("Cannot write into the destination folder \"%1\": %2.")
                        .arg(m_shown, K_ConversionTexts::reasonText(m_lock ? reason : lockReason)));
        return false;
    }
    return fits(thread, groups, *converted, singleDestinationImage);
}

bool K_DestinationFolder::lock(K_BuilderThread *thread, QString *reason)
{
    // The folder is made for the lock; what this run made and left empty goes with it.
    K_CheckedSaveFile::nearestExisting(m_folder, &m_created);
    if (!K_CheckedSaveFile::makeFolder(m_folder, reason))
        return true;
    auto lock = std::make_unique<QLockFile>(m_folder + QLatin1String(LockName));
    // Only a lock whose process is gone is taken over, however long a run takes.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        *reason = tr("The lock file \"%1\" cannot be made")
                          .arg(QDir::toNativeSeparators(m_folder + QLatin1String(LockName)));
        return true;
    }
    qint64 process = 0;
    QString host;
    QString program;
    lock->getLockInfo(&process, &host, &program);
    thread->appendLog(tr("\"%1\" is being converted already, by %2 (process %3); this run stops.")
                              .arg(m_shown, program.isEmpty() ? tr("another program") : program)
                              .arg(process));
    return false;
}

void K_DestinationFolder::loadRecord(K_BuilderThread *thread,
                                     const QVector<K_DestinationTrees::Group> &groups,
                                     bool skipConverted, K_RecordKeeper *keeper,
                                     QVector<bool> *converted) const
{
    QString problem;
    keeper->load(m_folder, &problem);
    if (!problem.isEmpty()) {
        thread->appendInfo(
                tr("The record of finished destination tiles \"%1\" cannot be used: %2. "
                   "Every destination tile is converted again, and the file is left as "
                   "it is.")
                        .arg(QDir::toNativeSeparators(
                                     m_folder + QLatin1String(K_ConversionRecord::FileName)),
                             K_ConversionTexts::reasonText(problem)));
    }
    keeper->removeInterruptedBgls(thread);
    converted->fill(false, groups.size());
    QSet<QString> keys;
    for (int i = 0; i < groups.size(); ++i) {
        keys.insert(groups[i].first()->key());
        (*converted)[i] = skipConverted && keeper->isConverted(groups[i]);
    }
    const QStringList others = otherResampleFiles(keys);
    if (!others.isEmpty()) {
        thread->appendInfo(tr("\"%1\" already holds %n .inf file(s) that this run does not write, "
                              "of another BGL LOD or another source, such as \"%2\".",
                              nullptr, int(others.size()))
                                   .arg(m_shown, others.first()));
    }
}

bool K_DestinationFolder::nameForResampler(K_BuilderThread *thread)
{
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(m_folder));
    // The resampler reads each folder between double quotes, so one inside would end it early.
    if (m_folder.contains(QLatin1Char('"'))) {
        thread->appendLog(tr("The .inf files cannot name \"%1\": the resampler reads folders "
                             "between double quotes, which a double quote in its path would end "
                             "early. Choose a folder whose path has none.")
                                  .arg(shown));
        return false;
    }
    QString missing;
    K_ResampleFile::encode(m_folder, &missing);
    if (missing.isEmpty())
        return true;
    const QString shortForm = shortFormOfFolder();
    if (!shortForm.isEmpty()) {
        thread->appendInfo(
                tr("The .inf files name \"%1\" by its short form \"%2\", as code page %3 "
                   "lacks some of its characters.")
                        .arg(shown, QDir::toNativeSeparators(shortForm))
                        .arg(K_ResampleFile::codePage()));
        m_folder = K_SourceFolder::prefix(shortForm);
        return true;
    }
    thread->appendLog(tr("The .inf files cannot name \"%1\": its characters \"%2\" are not in code "
                         "page %3, so the resampler would not find the pictures. Choose a folder "
                         "whose path has none.")
                              .arg(shown, missing)
                              .arg(K_ResampleFile::codePage()));
    return false;
}

QString K_DestinationFolder::shortFormOfFolder() const
{
    // Only an existing folder has a short form, and it keeps the one it got: the folder stays.
    QStringList created;
    K_CheckedSaveFile::nearestExisting(m_folder, &created);
    QString reason;
    QString shortForm;
    if (K_CheckedSaveFile::makeFolder(m_folder, &reason))
        shortForm = K_Platform::shortPath(m_folder);
    QString missing;
    K_ResampleFile::encode(shortForm, &missing);
    if (!shortForm.isEmpty() && missing.isEmpty() && !shortForm.contains(QLatin1Char('"')))
        return shortForm;
    for (auto it = created.crbegin(); it != created.crend(); ++it)
        QDir().rmdir(*it);
    return QString();
}

bool K_DestinationFolder::fits(K_BuilderThread *thread,
                               const QVector<K_DestinationTrees::Group> &groups,
                               const QVector<bool> &converted, bool singleDestinationImage) const
{
    const QStorageInfo storage(K_CheckedSaveFile::nearestExisting(m_folder));
    const qint64 needed = roomNeeded(groups, converted, singleDestinationImage,
                                     storage.isValid() ? storage.blockSize() : 0);
    if (!storage.isValid() || storage.bytesAvailable() < 0) {
        thread->appendInfo(tr("The free space in \"%1\" cannot be known; the pictures need up to "
                              "%2.")
                                   .arg(m_shown, K_ConversionTexts::sizeText(needed)));
        return true;
    }
    const qint64 free = storage.bytesAvailable();
    if (needed > free) {
        const auto [neededText, freeText] = K_ConversionTexts::sizeTexts(needed, free);
        thread->appendLog(tr("The pictures need up to %1, but \"%2\" has only %3 free.")
                                  .arg(neededText, m_shown, freeText));
        return false;
    }
    return true;
}

qint64 K_DestinationFolder::resampleFileRoom(const K_DestinationTrees::Group &trees) const
{
    // Each picture a source block of a few hundred bytes and two folders; every source tile may
    // come out as a picture of its own, where tiles are left out. Characters of the folder may
    // take two bytes each in the code page, and lines end in two.
    qint64 nodes = 0;
    qint64 sources = 0;
    K_DestinationTrees::count(trees, &nodes, &sources);
    const qint64 folder = 2 * m_folder.size() + 64;
    return 128 + sources * (640 + folder) + 256 + folder;
}

qint64 K_DestinationFolder::roomNeeded(const QVector<K_DestinationTrees::Group> &groups,
                                       const QVector<bool> &converted, bool singleDestinationImage,
                                       qint64 blockSize) const
{
    // Every file takes whole blocks of the file system.
    const auto onDisk = [block = qMax(qint64(1), blockSize)](qint64 bytes) {
        return (bytes + block - 1) / block * block;
    };
    // An older picture of the same name goes when its successor is complete, which until then
    // takes its own room; any other older file stays.
    qint64 needed = onDisk(RecordLineRoom * (groups.size() + 1));
    qint64 overlap = 0;
    for (int i = 0; i < groups.size(); ++i) {
        if (converted.at(i))
            continue;
        const QString key = groups[i].first()->key();
        needed += onDisk(resampleFileRoom(groups[i]));
        for (const K_FlightSimulatorTile *tree : groups[i]) {
            const auto pictures = K_TileAssembly::plannedPictures(*tree, singleDestinationImage);
            for (const K_FlightSimulatorTile *picture : pictures) {
                const qint64 bytes = onDisk(K_TileAssembly::pictureFileBound(picture->level()));
                const QFileInfo older(m_folder + QLatin1String("Source/") + key + QLatin1Char('/')
                                      + picture->pictureFileName());
                const qint64 olderBytes = older.isFile() ? onDisk(older.size()) : 0;
                needed += bytes - qMin(bytes, olderBytes);
                overlap = qMax(overlap, qMin(bytes, olderBytes));
            }
        }
    }
    return needed + overlap;
}

bool K_DestinationFolder::probeWritable(QString *reason) const
{
    QTemporaryFile probe(K_CheckedSaveFile::probeTemplate(m_folder));
    const bool written
            = probe.open() && probe.write(QByteArray(4096, '\0')) == 4096 && probe.flush();
    if (!written)
        *reason = probe.errorString();
    return written;
}

QStringList K_DestinationFolder::otherResampleFiles(const QSet<QString> &keys) const
{
    QStringList others;
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".inf")) && !keys.contains(name.chopped(4)))
            others << name;
    }
    return others;
}

int K_DestinationFolder::removeStaleTemporaries() const
{
    int removed = 0;
    const auto removeIf = [&removed](const QString &path, const auto &ours) {
        const QStringList names = QDir(path).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : names) {
            const QString finalName = K_CheckedSaveFile::finalNameOf(name);
            if (!finalName.isEmpty() && ours(finalName) && QFile::remove(QDir(path).filePath(name)))
                ++removed;
        }
    };
    // The .inf files are named by their key.
    removeIf(m_folder, [](const QString &finalName) {
        return finalName == QLatin1String(K_ConversionRecord::FileName)
               || finalName == QLatin1String(K_CheckedSaveFile::ProbeName)
               || (finalName.endsWith(QLatin1String(".inf"))
                   && isDigits(QStringView(finalName).chopped(4)));
    });
    // Each destination tile's pictures are named by keys that begin with its own.
    const QString source = m_folder + QLatin1String("Source");
    const QStringList keys = QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &key : keys) {
        removeIf(source + QLatin1Char('/') + key, [&key](const QString &finalName) {
            return finalName.startsWith(key) && finalName.endsWith(QLatin1String(".tif"))
                   && !QStringView(finalName).mid(key.size()).chopped(4).contains(u'.');
        });
    }
    return removed;
}

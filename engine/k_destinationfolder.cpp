#include "k_destinationfolder.h"

#include "engine/k_builderthread.h"
#include "engine/k_conversionrecord.h"
#include "engine/k_conversiontexts.h"
#include "engine/k_sourcefolder.h"
#include "tiles/k_checkedsavefile.h"
#include "tiles/k_flightsimulatortile_assembly.h"
#include "tiles/k_platform.h"
#include "tiles/k_resamplefile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace {

bool isDigits(QStringView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Room for a destination tile's .inf file and its line in the record, generously.
constexpr qint64 ResampleFileRoom = 64 * 1024;

} // namespace

K_DestinationFolder::K_DestinationFolder(const QString &folder, const QString &typed)
    : m_folder(folder)
    , m_shown(QDir::toNativeSeparators(typed))
{ }

QString K_DestinationFolder::folder() const
{
    return m_folder;
}

bool K_DestinationFolder::prepare(K_BuilderThread *thread,
                                  const QVector<K_DestinationTrees::Group> &groups,
                                  bool skipConverted, bool singleDestinationImage,
                                  K_ConversionRecord *record, QVector<bool> *converted)
{
    if (!nameForResampler(thread))
        return false;
    QString reason;
    if (!probeWritable(&reason)) {
        thread->appendLog(tr("Cannot write into the destination folder \"%1\": %2.")
                                  .arg(m_shown, K_ConversionTexts::reasonText(reason)));
        return false;
    }
    const int removed = removeStaleTemporaries();
    if (removed > 0) {
        thread->appendInfo(tr("Removed %n temporary file(s) that an interrupted run left in "
                              "\"%1\".",
                              nullptr, removed)
                                   .arg(m_shown));
    }
    *record = K_ConversionRecord(m_folder);
    record->load();
    converted->fill(false, groups.size());
    QSet<QString> keys;
    for (int i = 0; i < groups.size(); ++i) {
        keys.insert(groups[i].first()->key());
        (*converted)[i] = skipConverted && record->isConverted(groups[i]);
    }
    const QStringList others = otherResampleFiles(keys);
    if (!others.isEmpty()) {
        thread->appendInfo(tr("\"%1\" already holds %n .inf file(s) that this run does not write, "
                              "of another BGL LOD or another source, such as \"%2\".",
                              nullptr, int(others.size()))
                                   .arg(m_shown, others.first()));
    }
    return fits(thread, groups, *converted, singleDestinationImage);
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
    const qint64 needed = roomNeeded(groups, converted, singleDestinationImage);
    const qint64 free = freeSpace();
    if (free >= 0 && needed > free) {
        thread->appendLog(tr("The pictures need up to %1, but \"%2\" has only %3 free.")
                                  .arg(K_ConversionTexts::sizeText(needed), m_shown,
                                       K_ConversionTexts::sizeText(free)));
        return false;
    }
    return true;
}

qint64 K_DestinationFolder::roomNeeded(const QVector<K_DestinationTrees::Group> &groups,
                                       const QVector<bool> &converted,
                                       bool singleDestinationImage) const
{
    // Pictures that replace older ones of the same destination take the room of those, but each
    // old one goes only when its successor is complete.
    qint64 needed = 0;
    qint64 replacing = 0;
    for (int i = 0; i < groups.size(); ++i) {
        if (converted.at(i))
            continue;
        qint64 bound = ResampleFileRoom;
        for (const K_FlightSimulatorTile *tree : groups[i])
            bound += K_TileAssembly::picturesSizeBound(*tree, singleDestinationImage);
        const qint64 existing = picturesSize(groups[i].first()->key());
        needed += qMax(qint64(0), bound - existing);
        replacing = qMax(replacing, qMin(bound, existing));
    }
    return needed + replacing;
}

bool K_DestinationFolder::probeWritable(QString *reason) const
{
    QStringList created;
    K_CheckedSaveFile::nearestExisting(m_folder, &created);
    bool written = false;
    if (K_CheckedSaveFile::makeFolder(m_folder, reason)) {
        QTemporaryFile probe(K_CheckedSaveFile::probeTemplate(m_folder));
        written = probe.open() && probe.write(QByteArray(4096, '\0')) == 4096 && probe.flush();
        if (!written)
            *reason = probe.errorString();
    }
    for (auto it = created.crbegin(); it != created.crend(); ++it)
        QDir().rmdir(*it);
    return written;
}

qint64 K_DestinationFolder::freeSpace() const
{
    const QStorageInfo storage(K_CheckedSaveFile::nearestExisting(m_folder));
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

qint64 K_DestinationFolder::picturesSize(const QString &key) const
{
    qint64 bytes = 0;
    const QFileInfoList files
            = QDir(m_folder + QLatin1String("Source/") + key).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        if (file.fileName().endsWith(QLatin1String(".tif")))
            bytes += file.size();
    }
    return bytes;
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

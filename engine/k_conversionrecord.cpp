#include "k_conversionrecord.h"

#include "tiles/k_checkedsavefile.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_platform.h"
#include "tiles/k_resamplefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

const char K_ConversionRecord::FileName[] = "ORVIK-converted.txt";

namespace {

// The first line names the format, so a file of another kind or a later version records nothing.
const char Header[] = "ORVIK converted destination tiles 1";

// More than the record of any destination folder; a larger file is not ours.
constexpr qint64 MaximumSize = qint64(64) << 20;

const QByteArray ByteOrderMark("\xef\xbb\xbf");

QByteArray hashOf(const QByteArray &contents)
{
    return QCryptographicHash::hash(contents, QCryptographicHash::Sha1).toHex();
}

int variantsOf(const QVector<K_FlightSimulatorTile *> &trees)
{
    int variants = 0;
    for (const K_FlightSimulatorTile *tree : trees)
        variants |= 1 << tree->variant();
    return variants;
}

bool sourcesOlderThan(const K_FlightSimulatorTile *tile, const QDateTime &time)
{
    if (!tile->filePath().isEmpty() && K_Platform::changedAt(QFileInfo(tile->filePath())) >= time)
        return false;
    return std::all_of(
            tile->children.cbegin(), tile->children.cend(),
            [&time](const K_FlightSimulatorTile *child) { return sourcesOlderThan(child, time); });
}

} // namespace

K_ConversionRecord::K_ConversionRecord(const QString &destinationFolder)
    : m_folder(destinationFolder)
{ }

QString K_ConversionRecord::filePath() const
{
    return m_folder + QLatin1String(FileName);
}

void K_ConversionRecord::load(QString *problem)
{
    m_entries.clear();
    m_changed = false;
    m_keepFile = false;
    QFile file(filePath());
    if (!file.exists())
        return;
    QByteArray text;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        *problem = file.errorString();
    else if (file.size() > MaximumSize)
        *problem = tr("it is far larger than any record");
    else if (!(text = file.readAll()).startsWith(QByteArray(Header) + '\n')
             && !text.startsWith(ByteOrderMark + QByteArray(Header) + '\n'))
        *problem = tr("it is no record of finished destination tiles");
    m_keepFile = !problem->isEmpty();
    if (m_keepFile)
        return;
    // An editor may have put a byte-order mark in front; the record is no less ours.
    const QList<QByteArray> lines = text.mid(text.startsWith(ByteOrderMark) ? 3 : 0).split('\n');
    // Each line: the .inf file's SHA-1, the variants as a number, the key (which may hold spaces).
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype first = line.indexOf(' ');
        const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
        if (second < 0)
            continue;
        bool ok = false;
        const int variants = line.mid(first + 1, second - first - 1).toInt(&ok);
        const QString key = QString::fromUtf8(line.mid(second + 1));
        if (ok && !key.isEmpty())
            m_entries.insert(key, {variants, line.left(first)});
    }
}

bool K_ConversionRecord::isConverted(const QVector<K_FlightSimulatorTile *> &trees) const
{
    const QString key = trees.first()->key();
    const auto entry = m_entries.constFind(key);
    if (entry == m_entries.cend() || entry->variants != variantsOf(trees))
        return false;
    const QString path = m_folder + key + QLatin1String(".inf");
    const QFileInfo info(path);
    const QDateTime written = info.lastModified();
    if (!info.isFile()
        || !std::all_of(trees.cbegin(), trees.cend(),
                        [&written](const K_FlightSimulatorTile *tree) {
                            return sourcesOlderThan(tree, written);
                        }))
        return false;
    QByteArray contents;
    if (!K_ResampleFile::read(path, &contents) || hashOf(contents) != entry->hash)
        return false;
    // A folder moved elsewhere keeps its .inf files, which then point to the old place.
    const QString imageFolder
            = m_folder + QLatin1String("Source") + QDir::separator() + key + QDir::separator();
    const QByteArray listedFolder = K_ResampleFile::encode(imageFolder);
    const K_ResampleFile::Listing listing = K_ResampleFile::listing(contents);
    return std::all_of(listing.sourceFolders.cbegin(), listing.sourceFolders.cend(),
                       [&listedFolder](const QByteArray &folder) { return folder == listedFolder; })
           && std::all_of(listing.sourceFiles.cbegin(), listing.sourceFiles.cend(),
                          [&imageFolder](const QString &name) {
                              return QFileInfo(imageFolder + name).isFile();
                          });
}

void K_ConversionRecord::forget(const QString &key)
{
    if (m_entries.remove(key))
        m_changed = true;
}

void K_ConversionRecord::remember(const QVector<K_FlightSimulatorTile *> &trees,
                                  const QByteArray &resampleFileContents)
{
    const QString key = trees.first()->key();
    // A key with a line break could not be read back; such a tile is simply converted again.
    if (key.contains(QLatin1Char('\n')) || key.contains(QLatin1Char('\r')))
        return;
    m_entries.insert(key, {variantsOf(trees), hashOf(resampleFileContents)});
    m_changed = true;
}

bool K_ConversionRecord::save(bool soon, QString *errorString)
{
    if (m_keepFile || !m_changed || (soon && m_lastSave.isValid() && m_lastSave.elapsed() < 1000))
        return true;
    QStringList keys = m_entries.keys();
    std::sort(keys.begin(), keys.end());
    QByteArray text = QByteArray(Header) + '\n';
    for (const QString &key : qAsConst(keys)) {
        const Entry &entry = m_entries.value(key);
        text += entry.hash + ' ' + QByteArray::number(entry.variants) + ' ' + key.toUtf8() + '\n';
    }
    m_lastSave.start();
    // A destination folder that went away or turned into a file is named as such.
    if (!K_CheckedSaveFile::makeFolder(m_folder, errorString)
        || !K_CheckedSaveFile::writeText(filePath(), text, errorString))
        return false;
    m_changed = false;
    return true;
}

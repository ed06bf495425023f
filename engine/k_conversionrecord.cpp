#include "k_conversionrecord.h"

#include "tiles/k_checkedsavefile.h"

#include <QFile>

#include <algorithm>

const char K_ConversionRecord::FileName[] = "ORVIK-converted.txt";

namespace {

// The first line names the format. A record of the first format is ours but knows nothing of
// fingerprints; any other file is not ours.
const QByteArray Header("ORVIK converted destination tiles 2\n");
const QByteArray FormerHeader("ORVIK converted destination tiles 1\n");

// More than the record of any destination folder; a larger file is not ours.
constexpr qint64 MaximumSize = qint64(256) << 20;

const QByteArray ByteOrderMark("\xef\xbb\xbf");

// Names may hold spaces and anything else a file name may.
QByteArray encodedName(const QString &name)
{
    return name.toUtf8().toPercentEncoding();
}

QString decodedName(const QByteArray &bytes)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

QByteArray pictureField(const K_ConversionRecord::Picture &picture)
{
    return encodedName(picture.name) + '/' + QByteArray::number(picture.size) + '/'
           + QByteArray::number(picture.modified);
}

// "+ key variants recipe inputs inf picture/size/modified..." for a finished entry, "~ ..." for an
// unfinished one, "- key" for one forgotten, and after either of the first two "* key inf
// bgl/size/modified" for a BGL file made from the .inf of that SHA-1.
QByteArray lineOf(char mark, const QString &key, const K_ConversionRecord::Entry *entry)
{
    QByteArray line = QByteArray(1, mark) + ' ' + encodedName(key);
    if (entry) {
        line += ' ' + QByteArray::number(entry->variants) + ' ' + entry->recipe + ' '
                + entry->inputs + ' ' + entry->resampleFile;
        for (const K_ConversionRecord::Picture &picture : entry->pictures)
            line += ' ' + pictureField(picture);
    }
    return line + '\n';
}

QByteArray bglLine(const QString &key, const K_ConversionRecord::Entry &entry)
{
    return "* " + encodedName(key) + ' ' + entry.bglFrom + ' ' + pictureField(entry.bgl) + '\n';
}

// "> key bgl/size/modified" when the resampler begins, "< key" when it ended without a BGL file.
QByteArray begunLine(const QString &key, const K_ConversionRecord::Picture &before)
{
    return "> " + encodedName(key) + ' ' + pictureField(before) + '\n';
}

// What an entry takes in the record when it is rewritten.
qint64 liveBytesOf(const QString &key, const K_ConversionRecord::Entry &entry)
{
    return lineOf('+', key, &entry).size()
           + (entry.bglFrom.isEmpty() ? 0 : bglLine(key, entry).size());
}

bool parsePicture(const QByteArray &field, K_ConversionRecord::Picture *picture)
{
    const QList<QByteArray> parts = field.split('/');
    bool sized = false;
    bool dated = false;
    if (parts.size() == 3) {
        picture->name = decodedName(parts[0]);
        picture->size = parts[1].toLongLong(&sized);
        picture->modified = parts[2].toLongLong(&dated);
    }
    return sized && dated;
}

// A line cut short by a power cut, or any other, is passed over.
bool parseLine(const QByteArray &line, char *mark, QString *key, K_ConversionRecord::Entry *entry)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 2 || fields[0].size() != 1 || fields[1].isEmpty())
        return false;
    *mark = fields[0].at(0);
    *key = decodedName(fields[1]);
    if (*mark == '-')
        return fields.size() == 2;
    if (*mark == '*') {
        entry->bglFrom = fields.value(2);
        return fields.size() == 4 && parsePicture(fields[3], &entry->bgl);
    }
    if (*mark == '>')
        return fields.size() == 3 && parsePicture(fields[2], &entry->bgl);
    if (*mark == '<')
        return fields.size() == 2;
    bool counted = false;
    if ((*mark != '+' && *mark != '~') || fields.size() < 6)
        return false;
    entry->finished = *mark == '+';
    entry->variants = fields[2].toInt(&counted);
    entry->recipe = fields[3];
    entry->inputs = fields[4];
    entry->resampleFile = fields[5];
    entry->pictures.resize(fields.size() - 6);
    for (qsizetype i = 6; i < fields.size(); ++i) {
        if (!parsePicture(fields[i], &entry->pictures[i - 6]))
            return false;
    }
    return counted;
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
    m_begunBgls.clear();
    m_keepFile = false;
    m_fileBytes = 0;
    m_liveBytes = 0;
    QFile file(filePath());
    if (!file.exists())
        return;
    QByteArray text;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        *problem = file.errorString();
    else if (file.size() > MaximumSize)
        *problem = tr("it is far larger than any record");
    // An editor may have put a byte-order mark in front; the record is no less ours.
    else if ((text = file.readAll()).startsWith(ByteOrderMark))
        text.remove(0, ByteOrderMark.size());
    if (problem->isEmpty() && !text.startsWith(Header) && !text.startsWith(FormerHeader))
        *problem = tr("it is no record of finished destination tiles");
    m_keepFile = !problem->isEmpty();
    if (m_keepFile || !text.startsWith(Header))
        return;
    const QList<QByteArray> lines = text.mid(Header.size()).split('\n');
    for (const QByteArray &line : lines) {
        char mark = 0;
        QString key;
        Entry entry;
        if (!parseLine(line, &mark, &key, &entry))
            continue;
        if (mark == '-') {
            m_entries.remove(key);
        } else if (mark == '>') {
            m_begunBgls.insert(key, entry.bgl);
        } else if (mark == '<') {
            m_begunBgls.remove(key);
        } else if (mark == '*') {
            m_begunBgls.remove(key);
            const auto found = m_entries.find(key);
            if (found != m_entries.end()) {
                found->bglFrom = entry.bglFrom;
                found->bgl = entry.bgl;
            }
        } else {
            m_entries.insert(key, entry);
        }
    }
    m_fileBytes = text.size();
    m_liveBytes = this->text().size() - Header.size();
}

const K_ConversionRecord::Entry *K_ConversionRecord::entry(const QString &key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? nullptr : &found.value();
}

bool K_ConversionRecord::begin(const QString &key, QString *errorString)
{
    const auto found = m_entries.find(key);
    if (found == m_entries.end() || !found->finished)
        return true;
    found->finished = false;
    return append(lineOf('~', key, &found.value()), errorString);
}

bool K_ConversionRecord::finish(const QString &key, const Entry &entry, QString *errorString)
{
    // A BGL made from the earlier build's pictures is no BGL of this one's.
    if (const Entry *earlier = this->entry(key))
        m_liveBytes -= liveBytesOf(key, *earlier);
    Entry &finished = m_entries[key] = entry;
    finished.finished = true;
    const QByteArray line = lineOf('+', key, &finished);
    m_liveBytes += line.size();
    return append(line, errorString);
}

bool K_ConversionRecord::drop(const QString &key, QString *errorString)
{
    const Entry *earlier = entry(key);
    if (!earlier)
        return true;
    m_liveBytes -= liveBytesOf(key, *earlier);
    m_entries.remove(key);
    return append(lineOf('-', key, nullptr), errorString);
}

bool K_ConversionRecord::beginBgl(const QString &key, const Picture &before, QString *errorString)
{
    const QByteArray line = begunLine(key, before);
    m_begunBgls.insert(key, before);
    m_liveBytes += line.size();
    return append(line, errorString);
}

bool K_ConversionRecord::madeBgl(const QString &key, const QByteArray &from, const Picture &bgl,
                                 QString *errorString)
{
    const auto found = m_entries.find(key);
    // Not recorded as built, so its BGL cannot be proven current either.
    if (found == m_entries.end())
        return endBgl(key, errorString);
    if (m_begunBgls.contains(key))
        m_liveBytes -= begunLine(key, m_begunBgls.take(key)).size();
    if (!found->bglFrom.isEmpty())
        m_liveBytes -= bglLine(key, found.value()).size();
    found->bglFrom = from;
    found->bgl = bgl;
    const QByteArray line = bglLine(key, found.value());
    m_liveBytes += line.size();
    return append(line, errorString);
}

bool K_ConversionRecord::endBgl(const QString &key, QString *errorString)
{
    if (!m_begunBgls.contains(key))
        return true;
    m_liveBytes -= begunLine(key, m_begunBgls.take(key)).size();
    return append("< " + encodedName(key) + '\n', errorString);
}

bool K_ConversionRecord::append(const QByteArray &line, QString *errorString)
{
    if (m_keepFile)
        return true;
    // A folder without a record of this format first gets one with what is known.
    if (m_fileBytes == 0)
        return compact(errorString);
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)
        || file.write(line) != line.size() || !file.flush()) {
        *errorString = file.errorString();
        return false;
    }
    m_fileBytes += line.size();
    return m_fileBytes <= 2 * (Header.size() + m_liveBytes) || compact(errorString);
}

bool K_ConversionRecord::compact(QString *errorString)
{
    // A begun BGL needs its line even where no destination is recorded yet (a tile unreadable).
    const bool nothingToWrite = m_fileBytes == 0 ? m_entries.isEmpty() && m_begunBgls.isEmpty()
                                                 : m_fileBytes == Header.size() + m_liveBytes;
    if (m_keepFile || nothingToWrite)
        return true;
    const QByteArray whole = text();
    // A destination folder that went away or turned into a file is named as such.
    if (!K_CheckedSaveFile::makeFolder(m_folder, errorString)
        || !K_CheckedSaveFile::writeText(filePath(), whole, errorString))
        return false;
    m_fileBytes = whole.size();
    m_liveBytes = whole.size() - Header.size();
    return true;
}

QByteArray K_ConversionRecord::text() const
{
    QStringList keys = m_entries.keys();
    std::sort(keys.begin(), keys.end());
    QByteArray whole = Header;
    for (const QString &key : qAsConst(keys)) {
        const Entry &entry = m_entries[key];
        whole += lineOf(entry.finished ? '+' : '~', key, &entry);
        if (!entry.bglFrom.isEmpty())
            whole += bglLine(key, entry);
    }
    for (auto begun = m_begunBgls.cbegin(); begun != m_begunBgls.cend(); ++begun)
        whole += begunLine(begun.key(), begun.value());
    return whole;
}

#ifndef K_RESAMPLEFILE_H
#define K_RESAMPLEFILE_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// One saved TIFF picture as the .inf file lists it: its base name (the key of the tile whose
// picture it is, with the variant's suffix) and the position of its upper-left corner in degrees.
struct ResampleSource
{
    QString baseName;
    double ulx = 0.0;
    double uly = 0.0;
};

// The records of one build, by key; the map owns them until they are deleted.
using ResampleSources = QMap<QString, ResampleSource *>;

// The control file of one destination tile for the FSX resampler (.inf): a text in the code page
// that the resampler reads file names in (the system's ANSI code page on Windows, Windows-1251
// elsewhere) that lists every picture with its folder, upper-left corner and pixel size, then
// names the destination. Writing it, and reading back what skipping a converted destination
// needs, both live here. Plain functions, safe on any thread.
class K_ResampleFile
{
public:
    // The file's text for destination `key`, encoded: first every picture of `sources[0]` (summer),
    // then of `sources[1]` (spring), and so on through the night light map, each in key order,
    // all in `imageFolder`; `northernHemisphere` picks the months of each season. Lines end in a
    // line feed; write() turns them into the system's line ends.
    static QByteArray contents(const QString &key, const QString &imageFolder,
                               const QString &destinationFolder, int compressionQuality,
                               const QVector<ResampleSources> &sources, bool northernHemisphere);

    // Replaces `path` with `contents` as a text file (carriage return and line feed on Windows)
    // once it is complete; a failure keeps an older file and says why in `errorString`.
    static bool write(const QString &path, const QByteArray &contents, QString *errorString);

    // The contents of the file at `path` as contents() gave them (line feeds only), or false
    // when it cannot be read or is far larger than any file of ours.
    static bool read(const QString &path, QByteArray *contents);

    // The code page the file is written in, and text to it and back; the characters that the
    // page lacks go, each once, into `missing`.
    static int codePage();
    static QByteArray encode(const QString &text, QString *missing = nullptr);
};

#endif // K_RESAMPLEFILE_H

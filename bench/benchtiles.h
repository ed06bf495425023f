#ifndef BENCHTILES_H
#define BENCHTILES_H

#include "tiles/k_tilebitmapwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QVector>

// A QTemporaryDir template named `name` on a memory file system when the machine has one, else
// in the usual temporary place, so that disk noise does not decide.
inline QString scratchTemplate(const QString &name)
{
    const QString memory = QStringLiteral("/dev/shm");
    const QString folder = QFileInfo(memory).isDir() && QFileInfo(memory).isWritable()
                                   ? memory
                                   : QDir::tempPath();
    return folder + QLatin1Char('/') + name + QLatin1String("-XXXXXX");
}

// The DXT1 blocks of 16 different 256x256 pictures.
inline const QVector<QByteArray> &tileBlocks()
{
    static const QVector<QByteArray> blocks = [] {
        QVector<QByteArray> result;
        for (int i = 0; i < 16; ++i)
            result << K_TileBitmapWriter::compress(K_TileBitmapWriter::pattern(i),
                                                   K_TileBitmapWriter::Dxt::Dxt1);
        return result;
    }();
    return blocks;
}

// Writes every source tile below each destination key into `folder` as a tile bitmap of the
// variant of `letters` ("SU" summer, "WI" winter, ...), the i-th of them with
// tileBlocks()[i % 16]; returns the files' paths.
inline QStringList writeTileSet(const QString &folder, const QStringList &destinations,
                                const QString &letters = QStringLiteral("SU"))
{
    const QVector<QByteArray> &blocks = tileBlocks();
    K_TileBitmapWriter::Fields fields;
    fields.width = 256;
    fields.height = 256;
    QStringList files;
    for (const QString &prefix : destinations) {
        for (const QString &key : K_TileBitmapWriter::keysUnder(prefix)) {
            const QByteArray &data = blocks.at(files.size() % blocks.size());
            files << folder + QLatin1Char('/') + key + letters + QStringLiteral(".BMP");
            K_TileBitmapWriter::writeBytes(files.last(), K_TileBitmapWriter::build(data, fields));
        }
    }
    return files;
}

#endif // BENCHTILES_H

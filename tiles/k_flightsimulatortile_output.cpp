// Output of a destination tile: its TIFF pictures and the .inf file that tells the resampler
// where each picture lies on the globe.

#include "k_flightsimulatortile.h"

#include "engine/k_builderthread.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringEncoder>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 25);
}

} // namespace

// A save file that also fails on a short write. A disk that runs full accepts part of a large
// block without an error, and the TIFF writer then reports success, which would commit a
// truncated picture over an older good one.
class K_CheckedSaveFile : public QSaveFile
{
    Q_OBJECT

public:
    using QSaveFile::QSaveFile;

    bool finish()
    {
        // A file that never opened has nothing to flush or take back.
        if (!isOpen())
            return false;
        if (!writeFailed && flush() && error() == QFileDevice::NoError && commit())
            return true;
        cancelWriting();
        return false;
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        const qint64 written = QSaveFile::writeData(data, length);
        if (written != length)
            writeFailed = true;
        return written;
    }

private:
    bool writeFailed = false;
};

bool K_FlightSimulatorTile::build(K_BuilderThread *thread, QString destinationFolder,
                                  int compressionQuality, bool singleDestinationImage,
                                  bool passCompletelyTransparentTiles, bool passBrokenTiles,
                                  bool verticalMirrorSourceTiles)
{
    const QString imageFolder = destinationFolder + QLatin1String("Source") + QDir::separator()
                                + m_key + QDir::separator();
    ResampleSources sources;
    QImage image = assembleImage(thread, imageFolder, singleDestinationImage,
                                 passCompletelyTransparentTiles, passBrokenTiles,
                                 verticalMirrorSourceTiles, sources);
    if (!image.isNull())
        saveImage(thread, imageFolder, image, sources);
    image = QImage();

    if (thread->isBreak() || sources.isEmpty()) {
        clearSources(sources);
        return false;
    }
    if (!writeResampleFile(imageFolder, destinationFolder, compressionQuality, sources))
        thread->appendLog(tr("Tile \"%1\" .inf create error.").arg(m_key));
    clearSources(sources);
    return true;
}

void K_FlightSimulatorTile::saveImage(K_BuilderThread *thread, const QString &folder,
                                      const QImage &image, ResampleSources &sources)
{
    if (thread->isBreak())
        return;
    QDir().mkpath(folder);

    // Written beside the final name and renamed only when complete, so a full disk never leaves
    // a truncated picture and never destroys an older one.
    K_CheckedSaveFile file(folder + m_key + QLatin1String(".tif"));
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        QImageWriter writer(&file, "tiff");
        writer.setQuality(100);
        saved = writer.write(image);
    }
    // A picture the writer gave up on is never committed, however much of it reached the disk.
    if (!saved || !file.finish()) {
        thread->appendLog(tr("Tile \"%1\" save error.").arg(m_key));
        return;
    }
    thread->recordPicture(folder + m_key + QLatin1String(".tif"));

    auto *source = new ResampleSource;
    source->baseName = m_key;
    source->ulx = m_west;
    source->uly = m_north;
    delete sources.value(m_key);
    sources.insert(m_key, source);
}

void K_FlightSimulatorTile::clearSources(ResampleSources &sources)
{
    qDeleteAll(sources);
    sources.clear();
}

bool K_FlightSimulatorTile::writeResampleFile(const QString &imageFolder,
                                              const QString &destinationFolder,
                                              int compressionQuality,
                                              const ResampleSources &sources) const
{
    const bool multiSource = sources.size() > 1;
    QString text;
    if (multiSource) {
        text += QLatin1String("[Source]\nType = MultiSource\nNumberOfSources = ")
                + number(sources.size()) + QLatin1String("\n\n");
    }
    int n = 0;
    for (const ResampleSource *source : sources) {
        ++n;
        text += multiSource ? QLatin1String("[Source") + number(n) + QLatin1String("]\n")
                            : QStringLiteral("[Source]\n");
        text += QLatin1String("Type = TIFF\n"
                              "Layer = Imagery\n"
                              "SourceDir = \"")
                + imageFolder + QLatin1String("\"\nSourceFile = \"") + source->baseName
                + QLatin1String(".tif\"\nulxMap = ") + number(source->ulx)
                + QLatin1String("\nulyMap = ") + number(source->uly)
                + QLatin1String("\nxDim = 0.000057220458984375\n"
                                "yDim = 0.00004291534423828125\n"
                                "Variation = All\n"
                                "PixelIsPoint = 0\n"
                                "Channel_BlendMask = 3\n"
                                "NullValue = ,,,,0\n\n");
    }
    text += QLatin1String("[Destination]\nDestDir = \"") + destinationFolder
            + QLatin1String("\"\nLOD = Auto\nDestBaseFileName = \"") + m_key
            + QLatin1String("\"\nCompressionQuality = ") + number(compressionQuality)
            + QLatin1String("\n");

    // The resampler reads the file in the Windows Cyrillic code page.
    QStringEncoder encoder("Windows-1251");
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(text);

    K_CheckedSaveFile file(destinationFolder + m_key + QLatin1String(".inf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(bytes);
    return file.finish();
}

#include "k_flightsimulatortile_output.moc"

#include "testconversion.h"

#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_tilebitmapwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTranslator>
#include <QVariant>

#include <atomic>

TestConversion::~TestConversion()
{
    // At BGL LOD 13 the destination tiles are the source tiles; otherwise they own them.
    qDeleteAll(destinationTiles);
    if (destinationTiles.isEmpty())
        qDeleteAll(sourceTiles);
}

void TestConversion::run(const K_BuilderThread::Settings &settings)
{
    K_BuilderThread thread(settings, &sourceTiles, &destinationTiles, &mutex, &breakFlag);
    auto record = [this](const QString &event) {
        events << event;
        if (onEvent)
            onEvent(event);
    };
    const auto watch = [&](auto signal, const QString &kind) {
        QObject::connect(
                &thread, signal, &thread,
                [&record, kind](const auto &value) { record(kind + QVariant(value).toString()); },
                Qt::DirectConnection);
    };
    watch(&K_BuilderThread::appendLogText, "log: ");
    watch(&K_BuilderThread::progressBarValueChanged, "value: ");
    watch(&K_BuilderThread::progressTextChanged, "text: ");
    // The toolkit's own wait is invisible to ThreadSanitizer; this release and acquire tell it
    // that everything the worker did happens before what follows.
    std::atomic<bool> ended(false);
    QObject::connect(
            &thread, &QThread::finished, &thread,
            [&ended] { ended.store(true, std::memory_order_release); }, Qt::DirectConnection);
    thread.start();
    thread.wait();
    if (!ended.load(std::memory_order_acquire))
        qWarning("The conversion thread did not finish");
    tilesCount = thread.tilesCount();
    problems = thread.problemsCount();
    destinationsWritten = thread.destinationTilesWritten();
}

void TestConversion::requestBreak()
{
    QMutexLocker locker(&mutex);
    breakFlag = true;
}

QStringList TestConversion::log() const
{
    return QStringList(events.filter(QRegularExpression("^log: ")))
            .replaceInStrings(QRegularExpression("^log: "), "");
}

void installEnglishPluralForms()
{
    static QTranslator translator;
    if (translator.isEmpty() && translator.load(QStringLiteral("ORVIK_en"), ORVIK_TRANSLATIONS_DIR))
        QCoreApplication::installTranslator(&translator);
}

QMap<QString, QByteArray> contentsBelow(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(QDir(folder).relativeFilePath(file.fileName()),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return files;
}

QByteArray nativeLineEnds(QByteArray text)
{
    return QDir::separator() == '\\' ? text.replace("\n", "\r\n") : text;
}

QString outputText(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return QDir::separator() == '\\' ? QString(text).replace("\r\n", "\n") : text;
}

bool writeTiles(const QString &folder, const QStringList &keys)
{
    bool written = QDir().mkpath(folder);
    for (int i = 0; i < keys.size() && written; ++i)
        written = K_TileBitmapWriter::write(folder + '/' + keys[i] + "SU.BMP",
                                            K_TileBitmapWriter::pattern(i));
    return written;
}

QString settingsText(const K_BuilderThread::Settings &s)
{
    QString text = QStringLiteral("%1|%2|%3|%4|")
                           .arg(s.sourceFolder, s.destinationFolder, QString::number(s.bglLod),
                                QString::number(s.compressionQuality));
    for (const bool flag :
         {s.singleDestinationImage, s.passCompletelyTransparentTiles, s.passBrokenTiles,
          s.verticalMirrorSourceTiles, s.convertSeasons, s.skipConverted})
        text += QString::number(flag);
    return text + '|' + s.resampler + '|' + QString::number(s.resamplerJobs);
}

QString summaryBeforeTime(const QString &destination, int problems)
{
    const QMap<QString, QByteArray> files = contentsBelow(destination);
    const QStringList pictures = files.keys().filter(QStringLiteral(".tif"));
    qint64 bytes = 0;
    for (const QString &picture : pictures)
        bytes += files.value(picture).size();
    return QStringLiteral("Destination tiles written: %1, pictures: %2 (%3), problems: %4, time: ")
            .arg(files.keys().filter(QStringLiteral(".inf")).size())
            .arg(pictures.size())
            .arg(QLocale::c()
                         .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat)
                         .replace(' ', QChar::Nbsp))
            .arg(problems);
}

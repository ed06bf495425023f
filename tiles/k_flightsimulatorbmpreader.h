#ifndef K_FLIGHTSIMULATORBMPREADER_H
#define K_FLIGHTSIMULATORBMPREADER_H

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include "k_platform.h"

class QDataStream;
class QFile;

// Reads one FS9 scenery tile bitmap: a BMP file whose pixels are DXT1, DXT3 or DXT5 blocks, with
// an extra "FS70" header between the info header and the blocks.
//
// A reader is a short-lived value holder used by one thread. Every read starts afresh, so the
// results always describe the last read only: after success errorString() is empty and
// compressionType() is 2, 3 or 4; after failure errorString() holds one translated message, the
// image is null and compressionType() is 0. Nothing is thrown; a file whose header promises more
// data than it holds is refused before any buffer is allocated.
class K_FlightSimulatorBMPReader : public QObject
{
    Q_OBJECT

public:
    explicit K_FlightSimulatorBMPReader(QObject *parent);
    K_FlightSimulatorBMPReader();
    explicit K_FlightSimulatorBMPReader(const QString &fileName);
    ~K_FlightSimulatorBMPReader() override;

    void setFileName(const QString &fileName);

    bool read();
    bool read(const QString &fileName);

    // Reads the stored file like read(), but when the picture in the file has exactly `size`,
    // decodes it straight into `pixels` (Format_ARGB32 rows `bytesPerLine` apart, top row first)
    // instead of into image(), which then stays null. With `mirror` the rows keep the file's
    // order instead of being turned upright. imageSize() tells the size found in the file either
    // way; when it differs from `size` nothing is written, but isOpaque() and
    // isCompletelyTransparent() still describe the picture.
    bool readInto(uchar *pixels, qsizetype bytesPerLine, const QSize &size, bool mirror);

    QImage image() const { return m_image; }
    QSize imageSize() const { return m_imageSize; }
    QString errorString() const { return m_errorString; }
    bool isOpaque() const { return m_opaque; }
    bool isCompletelyTransparent() const { return m_completelyTransparent; }
    int compressionType() const { return m_compressionType; }
    void setErrorString(const QString &text) { m_errorString = text; }
    // After a failed read: true when the file could not be read for a reason of its own (missing,
    // no right to it, not enough memory, a failing disk) rather than for what its bytes hold.
    bool isUnreadable() const { return m_unreadable; }
    // The file as it was when it was opened, once it was.
    K_Platform::FileStamp stamp() const { return m_stamp; }

    // Decoded pictures may be at most this many pixels wide and high.
    static constexpr int MaximumDimension = 8192;

private:
    struct Target
    {
        uchar *pixels = nullptr;
        qsizetype bytesPerLine = 0;
        QSize size;
        bool mirror = false;
    };

    // What the headers say about the blocks.
    struct Layout
    {
        quint32 dataOffset = 0;
        qint32 width = 0;
        qint32 height = 0;
        int squishFlag = 0;
        qint64 blockSize = 16;
        qint64 dataLength = 0;
    };

    void reset();
    bool readProcedure(const Target &target);
    bool parse(QFile &file, const Target &target);
    bool readBmpHeaders(QDataStream &stream, Layout *layout);
    bool readFsHeader(QDataStream &stream);
    bool decode(const Layout &layout, const uchar *blocks, const Target &target);
    bool fail(const QString &text);
    bool failUnreadable(const QString &text);

    QString m_fileName;
    QImage m_image;
    QString m_errorString;
    QSize m_imageSize;
    bool m_opaque = false;
    bool m_completelyTransparent = false;
    int m_compressionType = 0;
    bool m_unreadable = false;
    K_Platform::FileStamp m_stamp;
};

#endif // K_FLIGHTSIMULATORBMPREADER_H

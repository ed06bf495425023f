#ifndef K_PREVIEWTHREAD_H
#define K_PREVIEWTHREAD_H

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>

#include <atomic>
#include <vector>

// Builds the preview map of a source folder: one pixel ("cell") per source tile of one variant
// over the rectangle that holds them all, or one per 2x2, 4x4, ... tiles when that rectangle is
// wider or taller than MaximumSide tiles. A cell shows the alpha-weighted average colour of its
// tiles, red when one of them is broken, a light checker when all are completely transparent,
// and nothing where there is no tile. Each tile is decoded once by the tile bitmap reader, on every
// core, each thread into a buffer of its own; no picture is assembled and nothing is written.
//
// start() runs build() on the worker; build() may also be called on any thread that owns the
// object. The constructor copies the settings. Results leave by the signals, emitted on the
// worker in this order: scanned() once, then rowsReady() and progressChanged() at most 25 times a
// second and once more at the end (tiles are read in rows of cells, top to bottom). The getters
// but picture() are safe from any thread at any time; picture() is for after build() has
// returned (or finished()), when it and destinations() are complete. cancel() stops the work at
// the next tile; the destructor cancels and waits.
class K_PreviewThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int MaximumSide = 4096;

    enum State : uchar { Unread, Imagery, Transparent, Broken };

    struct Settings
    {
        QString sourceFolder;
        int bglLod = 8;
        // Upper case; empty means summer when the folder has it, else the first variant found.
        QString variant;
    };

    // What the scan found; an empty `size` means no tile of the variant, and `noTilesText` says
    // so: for a folder without any tile bitmaps as the conversion says it, naming the subfolder
    // that holds them.
    struct Layout
    {
        QStringList variants;
        QString variant;
        QPoint origin; // the top-left tile, counted in level-13 tiles from 180 W, 90 N
        int factor = 1; // tiles per cell side
        QSize size; // in cells
        int tiles = 0;
        QString noTilesText;
    };

    struct Destination
    {
        QString key;
        qint64 possible = 0;
        int present = 0;
        int broken = 0;
        int transparent = 0;
        QRect cells; // may reach past the map
    };

    struct Counts
    {
        int read = 0;
        int broken = 0;
        int transparent = 0;
    };

    struct CellInfo
    {
        QString key; // of the tile, or of the quad-tree node the cell covers
        QString fileName; // when the cell holds exactly one tile
        State state = Unread;
        int present = 0;
        QString error; // why that one tile is broken
    };

    explicit K_PreviewThread(const Settings &settings, QObject *parent = nullptr);
    ~K_PreviewThread() override;

    void cancel();
    // False when the folder is not set or missing (errorString() tells, as the conversion does)
    // or the work was cancelled.
    bool build();

    QString errorString() const;
    Layout layout() const;
    Counts counts() const;
    QList<Destination> destinations() const;
    CellInfo cellInfo(const QPoint &cell) const;
    // The map with each cell drawn as scale x scale pixels and, from scale 4 on, the top and left
    // edges of the destination tiles as one-pixel lines.
    QImage picture(int scale) const;

    // The largest scale, 1 to 32, that keeps the longer side of `cells` within 2,048 pixels.
    static int scaleFor(const QSize &cells);
    // The key of the tile at `tile` (in level-`level` tiles from 180 W, 90 N) and back.
    static QString keyAt(const QPoint &tile, int level);
    static QPoint tileOf(const QString &key);

    static constexpr QRgb BrokenColour = 0xffe02020;
    static constexpr QRgb OutlineColour = 0xff1060ff;
    static QRgb checkerColour(int x, int y) { return (x + y) % 2 ? 0xffd8d8d8 : 0xfff4f4f4; }

signals:
    void scanned();
    void rowsReady(int firstRow, const QImage &rows);
    void progressChanged(int read, int total);

protected:
    void run() override;

private:
    struct Entry
    {
        qint64 cell;
        QString key;
        QString fileName;
        int destination; // index into destinationList
        State state;
        QString error;
    };

    // What one tile adds to its cell: its state and, for imagery, its alpha-weighted sums, or
    // why it is broken.
    struct TileSums
    {
        State state = Broken;
        quint64 alpha = 0;
        quint64 red = 0;
        quint64 green = 0;
        quint64 blue = 0;
        QString error;
    };

    // A tile bitmap of the variant shown, where it lies in level-13 tiles.
    struct Found
    {
        QPoint tile;
        QString key;
        QString fileName;
    };

    bool scan();
    QVector<Found> listTiles(const QDir &dir, Layout *layout) const;
    static void layOut(const QVector<Found> &tiles, Layout *layout);
    QList<Destination> destinationsOf(const QVector<Found> &tiles, const Layout &layout) const;
    QVector<Entry> entriesOf(const QVector<Found> &tiles, const Layout &layout,
                             const QList<Destination> &destinations) const;
    int destinationKeyLength() const;
    static TileSums readTile(const QString &path, QRgb *pixels);
    void readCell(int first, int end, std::vector<TileSums> &sums);
    void report(int row, bool last);

    const Settings settings;
    std::atomic<bool> cancelled{false};
    QString sourceDir;

    mutable QMutex mutex; // guards everything below but `map`, which the worker alone touches
    QString error;
    Layout found;
    Counts counted;
    QVector<Entry> entries; // sorted by cell, then key
    QList<Destination> destinationList;

    QImage map;
    QElapsedTimer reportTimer;
    int reportedRow = 0;
};

#endif // K_PREVIEWTHREAD_H

#ifndef K_FORMPREVIEW_H
#define K_FORMPREVIEW_H

#include "engine/k_previewthread.h"

#include <QAtomicInt>
#include <QDialog>
#include <QImage>

#include <optional>

class QGraphicsPathItem;
class QGraphicsPixmapItem;
class QGraphicsScene;

namespace Ui {
class K_FormPreview;
}

// The File -> Preview tile set dialog: the map of the source folder's tiles of one variant, with
// the destination tiles of the chosen BGL LOD outlined, a legend, the counts and, under the
// mouse, the key, file name and state of a tile (and why it is broken), kept up to date while the
// mouse rests and when the variant changes. It opens at once and fills in as a
// K_PreviewThread reads the tiles; the wheel zooms, dragging pans, and the map fits the window
// until the user zooms. GUI thread; choosing another variant starts a new reading, and closing
// the dialog stops the reading at its next tile.
class K_FormPreview : public QDialog
{
    Q_OBJECT

public:
    K_FormPreview(const QString &sourceFolder, int bglLod, QWidget *parent = nullptr);
    ~K_FormPreview() override;

    // The reading in progress or done, for the tests.
    const K_PreviewThread *previewThread() const { return thread; }
    QString hoverText(const QPoint &cell) const;

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_variantComboBox_activated(int index);
    void on_fitPushButton_clicked();

private:
    void stopThread();
    void start(const QString &variant);
    void scanned();
    void finished();
    void addRows(int firstRow, const QImage &rows);
    void showProgress(int read, int total);
    void showHover();
    void fit();

    Ui::K_FormPreview *ui;
    const QString sourceFolder;
    const int bglLod;
    K_PreviewThread *thread = nullptr;
    // Set by the worker as the last thing it does for the dialog.
    QAtomicInt workerEnded;
    int generation = 0;
    QGraphicsScene *scene;
    QGraphicsPixmapItem *mapItem;
    QGraphicsPathItem *outlineItem;
    QImage map;
    bool pixmapPending = false;
    bool fitting = true;
    // Where the mouse rests over the map, in the view's coordinates.
    std::optional<QPoint> hoverPosition;
};

#endif // K_FORMPREVIEW_H

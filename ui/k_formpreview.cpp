#include "ui/k_formpreview.h"

#include "ui_k_formpreview.h"

#include <QDir>
#include <QGraphicsPathItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QPainterPath>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <cstring>

namespace {

// Cells without a tile show the view's background through them.
const QColor NoTileColour(80, 80, 80);

QString swatch(QRgb colour)
{
    return QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>")
            .arg(QColor::fromRgb(colour).name());
}

} // namespace

K_FormPreview::K_FormPreview(const QString &sourceFolder, int bglLod, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormPreview)
    , sourceFolder(sourceFolder)
    , bglLod(bglLod)
    , scene(new QGraphicsScene(this))
    , mapItem(new QGraphicsPixmapItem)
    , outlineItem(new QGraphicsPathItem)
{
    ui->setupUi(this);
    scene->addItem(mapItem);
    QPen pen(QColor::fromRgba(K_PreviewThread::OutlineColour));
    pen.setCosmetic(true);
    outlineItem->setPen(pen);
    scene->addItem(outlineItem);
    ui->mapGraphicsView->setScene(scene);
    ui->mapGraphicsView->setBackgroundBrush(NoTileColour);
    ui->mapGraphicsView->viewport()->installEventFilter(this);
    ui->mapGraphicsView->viewport()->setMouseTracking(true);
    ui->legendLabel->setText(
            QStringList({swatch(qRgb(90, 140, 70)) + QLatin1Char(' ') + tr("imagery"),
                         swatch(K_PreviewThread::checkerColour(0, 0))
                                 + swatch(K_PreviewThread::checkerColour(0, 1)) + QLatin1Char(' ')
                                 + tr("completely transparent"),
                         swatch(K_PreviewThread::BrokenColour) + QLatin1Char(' ') + tr("broken"),
                         swatch(NoTileColour.rgb()) + QLatin1Char(' ') + tr("no tile"),
                         swatch(K_PreviewThread::OutlineColour) + QLatin1Char(' ')
                                 + tr("destination tile (BGL LOD %1)").arg(bglLod)})
                    .join(QStringLiteral("&nbsp;&nbsp; ")));
    setWindowTitle(tr("Tile set preview: %1").arg(QDir::toNativeSeparators(sourceFolder)));
    start(QString());
}

K_FormPreview::~K_FormPreview()
{
    stopThread();
    delete ui;
}

void K_FormPreview::stopThread()
{
    if (!thread)
        return;
    thread->cancel();
    thread->wait();
    // The toolkit's wait is invisible to ThreadSanitizer; this acquire of the worker's last
    // release tells it that everything the worker did happens before the thread goes.
    workerEnded.loadAcquire();
    delete thread;
    thread = nullptr;
}

void K_FormPreview::done(int result)
{
    if (thread)
        thread->cancel();
    QDialog::done(result);
}

void K_FormPreview::start(const QString &variant)
{
    stopThread();
    ++generation;
    map = QImage();
    pixmapPending = false;
    mapItem->setPixmap(QPixmap());
    outlineItem->setPath(QPainterPath());
    ui->progressBar->setValue(0);
    ui->countsLabel->setText(tr("Reading the source folder..."));
    fitting = true;

    K_PreviewThread::Settings settings;
    settings.sourceFolder = sourceFolder;
    settings.bglLod = bglLod;
    settings.variant = variant;
    thread = new K_PreviewThread(settings);
    // The text under the mouse named a tile of the reading replaced; this one has none yet.
    showHover();
    // Signals of a reading that was replaced may still be queued; they are dropped.
    const int current = generation;
    connect(thread, &K_PreviewThread::scanned, this, [this, current] {
        if (current == generation)
            scanned();
    });
    connect(thread, &K_PreviewThread::rowsReady, this,
            [this, current](int firstRow, const QImage &rows) {
                if (current == generation)
                    addRows(firstRow, rows);
            });
    connect(thread, &K_PreviewThread::progressChanged, this, [this, current](int read, int total) {
        if (current == generation)
            showProgress(read, total);
    });
    connect(thread, &QThread::finished, this, [this, current] {
        if (current == generation)
            finished();
    });
    // Marks the worker's last step, after every other receiver of finished().
    workerEnded.storeRelaxed(0);
    connect(
            thread, &QThread::finished, this, [this] { workerEnded.storeRelease(1); },
            Qt::DirectConnection);
    thread->start();
}

void K_FormPreview::scanned()
{
    const K_PreviewThread::Layout layout = thread->layout();
    const QSignalBlocker blocker(ui->variantComboBox);
    ui->variantComboBox->clear();
    const QMap<QString, QString> names{
            {QStringLiteral("SU"), tr("summer")},      {QStringLiteral("SP"), tr("spring")},
            {QStringLiteral("FA"), tr("autumn")},      {QStringLiteral("WI"), tr("winter")},
            {QStringLiteral("HW"), tr("hard winter")}, {QStringLiteral("LM"), tr("light map")}};
    for (const QString &variant : layout.variants)
        ui->variantComboBox->addItem(
                QStringLiteral("%1 (%2)").arg(names.value(variant), variant.toLower()), variant);
    ui->variantComboBox->setCurrentIndex(ui->variantComboBox->findData(layout.variant));
    ui->variantComboBox->setEnabled(layout.variants.size() > 1);
    if (layout.size.isEmpty()) {
        ui->countsLabel->setText(layout.noTilesText);
        ui->progressBar->setValue(100);
        return;
    }

    map = QImage(layout.size, QImage::Format_ARGB32);
    map.fill(0);
    mapItem->setScale(1);
    QRectF shown(QPointF(0, 0), QSizeF(layout.size));
    // Outlines smaller than a cell would only cover the map. Whole destination tiles are shown,
    // so that the user sees how far each reaches beyond the tiles it holds.
    if ((1 << (13 - qBound(0, bglLod, 13))) >= layout.factor) {
        QPainterPath path;
        for (const K_PreviewThread::Destination &destination : thread->destinations())
            path.addRect(QRectF(destination.cells));
        outlineItem->setPath(path);
        shown |= path.boundingRect();
    }
    scene->setSceneRect(shown);
    showProgress(0, layout.tiles);
    fit();
}

void K_FormPreview::finished()
{
    showHover();
    if (!thread->errorString().isEmpty()) {
        ui->countsLabel->setText(thread->errorString());
        return;
    }
    // Now each completely transparent tile can get a checker of its own, where memory allows.
    if (!map.isNull() && qMax(map.width(), map.height()) <= 2048) {
        pixmapPending = true;
        mapItem->setPixmap(QPixmap::fromImage(thread->picture(2)));
        mapItem->setScale(0.5);
    }
}

void K_FormPreview::addRows(int firstRow, const QImage &rows)
{
    if (map.isNull() || rows.width() != map.width() || firstRow + rows.height() > map.height())
        return;
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(map.scanLine(firstRow + y), rows.constScanLine(y), size_t(map.bytesPerLine()));
    // A large map is turned into a pixmap a few times a second, not for every band.
    if (pixmapPending)
        return;
    pixmapPending = true;
    const int current = generation;
    QTimer::singleShot(100, this, [this, current] {
        // The finished map may already be shown.
        if (current != generation || mapItem->scale() != 1)
            return;
        pixmapPending = false;
        mapItem->setPixmap(QPixmap::fromImage(map));
    });
}

void K_FormPreview::showProgress(int read, int total)
{
    ui->progressBar->setValue(total > 0 ? int(qint64(read) * 100 / total) : 100);
    const K_PreviewThread::Layout layout = thread->layout();
    const K_PreviewThread::Counts counts = thread->counts();
    QString text
            = tr("%1 of %n tile(s) read: %2 broken, %3 completely transparent;", nullptr, total)
                      .arg(read)
                      .arg(counts.broken)
                      .arg(counts.transparent)
              + QLatin1Char(' ')
              + tr("%n destination tile(s) at BGL LOD %1.", nullptr,
                   int(thread->destinations().size()))
                        .arg(bglLod);
    if (layout.factor > 1)
        text += QLatin1Char(' ') + tr("One point covers %1 x %1 tiles.").arg(layout.factor);
    ui->countsLabel->setText(text);
    showHover();
}

void K_FormPreview::showHover()
{
    QString text;
    if (hoverPosition) {
        const QPointF point = ui->mapGraphicsView->mapToScene(*hoverPosition);
        text = hoverText(QPoint(int(std::floor(point.x())), int(std::floor(point.y()))));
    }
    ui->hoverLabel->setText(text);
}

QString K_FormPreview::hoverText(const QPoint &cell) const
{
    const K_PreviewThread::CellInfo info = thread->cellInfo(cell);
    if (info.key.isEmpty())
        return QString();
    QString state;
    switch (info.state) {
    case K_PreviewThread::Unread:
        state = info.present ? tr("not read yet") : tr("no tile");
        break;
    case K_PreviewThread::Imagery:
        state = tr("imagery");
        break;
    case K_PreviewThread::Transparent:
        state = tr("completely transparent");
        break;
    case K_PreviewThread::Broken:
        state = info.error.isEmpty() ? tr("broken") : tr("broken: %1").arg(info.error);
        break;
    }
    if (info.present > 1)
        return tr("%1: %n tile(s), %2", nullptr, info.present).arg(info.key, state);
    if (info.present == 1)
        return QStringLiteral("%1 \u2014 %2 \u2014 %3").arg(info.key, info.fileName, state);
    return QStringLiteral("%1 \u2014 %2").arg(info.key, state);
}

bool K_FormPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->mapGraphicsView->viewport())
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const double factor = std::pow(1.25, wheel->angleDelta().y() / 120.0);
        ui->mapGraphicsView->scale(factor, factor);
        fitting = false;
        showHover();
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        hoverPosition = static_cast<QMouseEvent *>(event)->position().toPoint();
        showHover();
    } else if (event->type() == QEvent::Leave) {
        hoverPosition.reset();
        showHover();
    } else if (event->type() == QEvent::MouseButtonPress) {
        fitting = false;
    }
    return QDialog::eventFilter(watched, event);
}

void K_FormPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (fitting)
        fit();
}

void K_FormPreview::on_variantComboBox_activated(int index)
{
    start(ui->variantComboBox->itemData(index).toString());
}

void K_FormPreview::on_fitPushButton_clicked()
{
    fitting = true;
    fit();
}

void K_FormPreview::fit()
{
    if (!scene->sceneRect().isEmpty())
        ui->mapGraphicsView->fitInView(scene->sceneRect(), Qt::KeepAspectRatio);
    showHover();
}

#include "ui/k_formmain.h"

#include "engine/k_conversiontexts.h"
#include "engine/k_resamplerstep.h"
#include "engine/k_sourcefolder.h"
#include "tiles/k_flightsimulatortile.h"
#include "tiles/k_sampletiles.h"
#include "ui/k_formabout.h"
#include "ui/k_formaboutsquish.h"
#include "ui/k_formoptions.h"
#include "ui/k_formpreview.h"
#include "ui_k_formmain.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMutexLocker>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>
#include <QToolButton>
#include <QUrl>

namespace {

const char sourceFolderKey[] = "SourceFolder";
const char destinationFolderKey[] = "DestinationFolder";
const char bglLodKey[] = "BGLLOD";
const char compressionQualityKey[] = "CompressionQuality";
const char singleDestinationImageKey[] = "Options/SingleDestinationImage";
const char passCompletelyTransparentTilesKey[] = "Options/PassCompletelyTransparentTiles";
const char passBrokenTilesKey[] = "Options/PassBrokenTiles";
const char verticalMirrorSourceTilesKey[] = "Options/VerticalMirrorSourceTiles";
const char convertSeasonsKey[] = "Options/ConvertSeasons";
const char skipConvertedKey[] = "Options/SkipConverted";
const char resamplerKey[] = "Options/Resampler";
const char runResamplerKey[] = "Options/RunResampler";
const char resamplerJobsKey[] = "Options/ResamplerJobs";
const char geometryKey[] = "Geometry";

} // namespace

K_FormMain::K_FormMain(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::K_FormMain)
    , m_resamplerJobs(K_ResamplerStep::defaultJobs())
{
    ui->setupUi(this);

    // A long summary wraps rather than widening the window. The label gives way to the actions'
    // status tips while they show.
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui->statusBar->addWidget(m_statusLabel, 1);
    m_openDestinationFolderButton = new QToolButton(this);
    m_openDestinationFolderButton->setObjectName(QStringLiteral("openDestinationFolderToolButton"));
    m_openDestinationFolderButton->setDefaultAction(ui->actionOpenDestinationFolder);
    ui->statusBar->addPermanentWidget(m_openDestinationFolderButton);
    offerDestinationFolder(QString());
    m_statusTimer.setInterval(500);
    connect(&m_statusTimer, &QTimer::timeout, this, &K_FormMain::showConversionStatus);

    // Enter starts a conversion, as in a dialog with Convert as its default button; a focused
    // button takes it for itself.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, [this] {
            auto *button = qobject_cast<QAbstractButton *>(focusWidget());
            (button ? button : ui->convertPushButton)->animateClick();
        });
    }
    ui->sourceFolderLineEdit->installEventFilter(this);
    ui->destinationFolderLineEdit->installEventFilter(this);

    loadOrSaveSettings(false);
}

K_FormMain::~K_FormMain()
{
    // Normally the window closes only when idle; should it go while a conversion runs all the
    // same, the worker must leave run() before the maps it writes disappear.
    if (m_builderThread) {
        on_breakPushButton_clicked();
        builderThreadFinished();
    }
    loadOrSaveSettings(true);
    delete ui;
}

QString K_FormMain::sourceFolder() const
{
    return ui->sourceFolderLineEdit->text();
}

QString K_FormMain::destinationFolder() const
{
    return ui->destinationFolderLineEdit->text();
}

int K_FormMain::bglLod() const
{
    return ui->bglLodSpinBox->value();
}

int K_FormMain::compressionQuality() const
{
    return ui->compressionQualitySpinBox->value();
}

void K_FormMain::setSourceFolder(const QString &folder)
{
    if (ui->sourceFolderLineEdit->text() != folder)
        ui->sourceFolderLineEdit->setText(folder);
}

void K_FormMain::setDestinationFolder(const QString &folder)
{
    if (ui->destinationFolderLineEdit->text() != folder)
        ui->destinationFolderLineEdit->setText(folder);
}

void K_FormMain::setBglLod(int bglLod)
{
    if (ui->bglLodSpinBox->value() != bglLod)
        ui->bglLodSpinBox->setValue(bglLod);
}

void K_FormMain::setCompressionQuality(int compressionQuality)
{
    if (ui->compressionQualitySpinBox->value() != compressionQuality)
        ui->compressionQualitySpinBox->setValue(compressionQuality);
}

void K_FormMain::setSingleDestinationImage(bool on)
{
    m_singleDestinationImage = on;
}

void K_FormMain::setPassCompletelyTransparentTiles(bool on)
{
    m_passCompletelyTransparentTiles = on;
}

void K_FormMain::setPassBrokenTiles(bool on)
{
    m_passBrokenTiles = on;
}

void K_FormMain::setVerticalMirrorSourceTiles(bool on)
{
    m_verticalMirrorSourceTiles = on;
}

void K_FormMain::setConvertSeasons(bool on)
{
    m_convertSeasons = on;
}

void K_FormMain::setSkipConverted(bool on)
{
    m_skipConverted = on;
}

void K_FormMain::setResampler(const QString &program)
{
    m_resampler = program;
}

void K_FormMain::setRunResampler(bool on)
{
    m_runResampler = on;
}

void K_FormMain::setResamplerJobs(int jobs)
{
    m_resamplerJobs = qBound(1, jobs, QThread::idealThreadCount());
}

void K_FormMain::builderThreadFinished()
{
    if (m_builderThread) {
        // finished() is emitted from inside the worker, which may not have left it yet.
        m_builderThread->wait();
        // The toolkit's wait is invisible to ThreadSanitizer; this acquire of the worker's last
        // release tells it that everything the worker did happens before the thread and the
        // tiles go.
        m_workerEnded.loadAcquire();
        m_statusTimer.stop();
        m_statusLabel->setText(m_builderThread->summary());
        m_statusLabel->setToolTip(m_statusLabel->text());
        if (m_builderThread->isComplete() && m_builderThread->picturesWritten() > 0)
            offerDestinationFolder(m_builderThread->settings().destinationFolder);
        delete m_builderThread;
        m_builderThread = nullptr;
    }
    clearTiles();
    if (m_closeWhenStopped)
        QTimer::singleShot(0, this, &QWidget::close);
}

void K_FormMain::stopAndClose()
{
    m_closeWhenStopped = true;
    if (m_builderThread)
        on_breakPushButton_clicked();
    else
        close();
}

void K_FormMain::setProgressText(const QString &progressText)
{
    if (ui->progressTextLabel->text() != progressText)
        ui->progressTextLabel->setText(progressText);
}

void K_FormMain::setProgressBarValue(int value)
{
    if (ui->progressBar->value() != value)
        ui->progressBar->setValue(value);
}

void K_FormMain::appendLogText(const QString &logText)
{
    ui->logPlainTextEdit->appendPlainText(logText);
}

void K_FormMain::closeEvent(QCloseEvent *event)
{
    if (!m_builderThread) {
        event->accept();
        return;
    }
    event->ignore();
    QMessageBox::warning(this, tr("Warning"),
                         tr("Application closing is impossible until termination of conversion "
                            "process."),
                         QMessageBox::Ok, QMessageBox::NoButton);
}

bool K_FormMain::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(watched, event);
    // Anything but one folder is left to the field, which takes dropped text as usual.
    auto *drop = static_cast<QDropEvent *>(event);
    const QString folder = droppedFolder(drop->mimeData());
    if (folder.isEmpty())
        return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::Drop) {
        if (watched == ui->sourceFolderLineEdit)
            setSourceFolder(folder);
        else
            setDestinationFolder(folder);
    }
    drop->acceptProposedAction();
    return true;
}

QString K_FormMain::droppedFolder(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isDir() ? QDir::toNativeSeparators(path) : QString();
}

void K_FormMain::on_actionAboutQt_triggered()
{
    QMessageBox::aboutQt(this, QString());
}

void K_FormMain::on_actionExit_triggered()
{
    close();
}

void K_FormMain::on_sourceFolderToolButton_clicked()
{
    setSourceFolder(
            selectFolder(sourceFolder(), tr("Select source folder"), sourceFolder().trimmed()));
}

void K_FormMain::on_destinationFolderToolButton_clicked()
{
    // The output usually goes beside the scenery, so an empty destination starts there.
    QString start = destinationFolder().trimmed();
    const QString source = sourceFolder().trimmed();
    if (start.isEmpty() && !source.isEmpty())
        start = QFileInfo(QDir::cleanPath(source)).path();
    setDestinationFolder(selectFolder(destinationFolder(), tr("Select destination folder"), start));
}

void K_FormMain::on_convertPushButton_clicked()
{
    if (m_builderThread)
        return;
    setProgressText(QString());
    // No worker exists yet, so the flag needs no lock here.
    m_breakFlag = false;
    m_builderThread = new K_BuilderThread(this, &m_sourceTiles, &m_destinationTiles);
    connect(m_builderThread, &QThread::finished, this, &K_FormMain::builderThreadFinished);
    connect(m_builderThread, &K_BuilderThread::progressTextChanged, this,
            &K_FormMain::setProgressText);
    connect(m_builderThread, &K_BuilderThread::progressBarValueChanged, this,
            &K_FormMain::setProgressBarValue);
    connect(m_builderThread, &K_BuilderThread::appendLogText, this, &K_FormMain::appendLogText);
    // Marks the worker's last step, after every other receiver of finished(); see
    // builderThreadFinished().
    m_workerEnded.storeRelaxed(0);
    connect(
            m_builderThread, &QThread::finished, this, [this] { m_workerEnded.storeRelease(1); },
            Qt::DirectConnection);
    m_builderThread->start(QThread::InheritPriority);

    m_stopping = false;
    offerDestinationFolder(QString());
    m_statusLabel->setToolTip(QString());
    showConversionStatus();
    m_statusTimer.start();
}

void K_FormMain::on_breakPushButton_clicked()
{
    {
        const QMutexLocker locker(&m_mutex);
        m_breakFlag = true;
    }
    // A picture being written is finished first, so say at once that Break was heard.
    if (m_builderThread) {
        m_stopping = true;
        showConversionStatus();
    }
}

void K_FormMain::on_actionAboutORVIK_triggered()
{
    K_FormAbout dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void K_FormMain::on_actionOptions_triggered()
{
    K_FormOptions dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void K_FormMain::on_actionAboutSquish_triggered()
{
    K_FormAboutSquish dialog(this);
    dialog.setModal(true);
    dialog.exec();
}

void K_FormMain::on_actionPreviewTileSet_triggered()
{
    // A folder that Convert would refuse gets the same words, and no empty map.
    const QString problem = K_SourceFolder::problem(sourceFolder());
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), problem, QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    K_FormPreview dialog(sourceFolder().trimmed(), bglLod(), this);
    dialog.setModal(true);
    dialog.exec();
}

void K_FormMain::on_actionMakeSampleTileSet_triggered()
{
    // Start in an existing folder: given a missing one, the dialog types its name for the user,
    // and OK then answers "Directory not found".
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString parent
            = selectFolder(QString(), tr("Select the folder to make the sample tile set in"),
                           QFileInfo(documents).isDir() ? documents : QDir::homePath());
    if (parent.isEmpty())
        return;
    // A subfolder of our own, so that nothing the user keeps in the chosen folder is touched.
    const QString folder = QDir(parent).filePath(QStringLiteral("ORVIK sample tiles"));
    QString problem;
    if (QFileInfo::exists(folder)) {
        problem = tr("\"%1\" already exists. Choose another folder, or move it away first.")
                          .arg(QDir::toNativeSeparators(folder));
    } else if (K_SampleTiles::write(folder, &problem)) {
        setSourceFolder(QDir::toNativeSeparators(folder));
        appendLogText(K_SampleTiles::writtenText(folder));
        return;
    }
    QMessageBox::warning(this, tr("Warning"), problem, QMessageBox::Ok, QMessageBox::NoButton);
}

void K_FormMain::on_actionOpenDestinationFolder_triggered()
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_finishedDestinationFolder))) {
        ui->statusBar->showMessage(
                tr("Cannot open \"%1\".")
                        .arg(QDir::toNativeSeparators(m_finishedDestinationFolder)),
                5000);
    }
}

void K_FormMain::showConversionStatus()
{
    if (!m_builderThread)
        return;
    if (m_stopping) {
        m_statusLabel->setText(tr("Stopping..."));
        return;
    }
    const K_BuilderThread::Progress progress = m_builderThread->progress(ui->progressBar->value());
    QString text;
    if (progress.step == 1)
        text = tr("Tiles found: %1").arg(progress.tilesDone);
    else if (progress.step == 2)
        text = tr("%1 of %2 tiles").arg(progress.tilesDone).arg(progress.tilesTotal);
    else if (progress.step == 3)
        text = tr("%1 of %2 destination tiles").arg(progress.tilesDone).arg(progress.tilesTotal);
    if (!text.isEmpty() && progress.secondsLeft >= 0)
        text += QStringLiteral(" \u00b7 ") + K_ConversionTexts::timeLeftText(progress.secondsLeft);
    m_statusLabel->setText(text);
}

void K_FormMain::offerDestinationFolder(const QString &folder)
{
    m_finishedDestinationFolder = folder;
    ui->actionOpenDestinationFolder->setEnabled(!folder.isEmpty());
    m_openDestinationFolderButton->setVisible(!folder.isEmpty());
}

void K_FormMain::clearTiles()
{
    // A destination tile owns its subtree, source tiles included.
    const K_TileMap destinationTiles = m_destinationTiles;
    for (K_FlightSimulatorTile *tile : destinationTiles)
        delete tile;
    m_destinationTiles.clear();
    m_sourceTiles.clear();
}

QString K_FormMain::selectFolder(const QString &current, const QString &caption,
                                 const QString &start)
{
    const QString folder
            = QFileDialog::getExistingDirectory(this, caption, start, QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? current : folder;
}

void K_FormMain::loadOrSaveSettings(bool save)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tovrel"),
                       QStringLiteral("ORVIK"));
    if (save) {
        // Keys left by anyone else go, so the file holds exactly these.
        settings.clear();
        settings.setValue(sourceFolderKey, sourceFolder());
        settings.setValue(destinationFolderKey, destinationFolder());
        settings.setValue(bglLodKey, bglLod());
        settings.setValue(compressionQualityKey, compressionQuality());
        settings.setValue(singleDestinationImageKey, singleDestinationImage());
        settings.setValue(passCompletelyTransparentTilesKey, passCompletelyTransparentTiles());
        settings.setValue(passBrokenTilesKey, passBrokenTiles());
        settings.setValue(verticalMirrorSourceTilesKey, verticalMirrorSourceTiles());
        settings.setValue(convertSeasonsKey, convertSeasons());
        settings.setValue(skipConvertedKey, skipConverted());
        settings.setValue(resamplerKey, resampler());
        settings.setValue(runResamplerKey, runResampler());
        settings.setValue(resamplerJobsKey, resamplerJobs());
        settings.setValue(geometryKey, saveGeometry());
        settings.sync();
        return;
    }
    // An absent key keeps the default; the spin boxes clamp a restored value into their range.
    if (settings.contains(sourceFolderKey))
        setSourceFolder(settings.value(sourceFolderKey).toString());
    if (settings.contains(destinationFolderKey))
        setDestinationFolder(settings.value(destinationFolderKey).toString());
    if (settings.contains(bglLodKey))
        setBglLod(settings.value(bglLodKey).toInt());
    if (settings.contains(compressionQualityKey))
        setCompressionQuality(settings.value(compressionQualityKey).toInt());
    if (settings.contains(singleDestinationImageKey))
        setSingleDestinationImage(settings.value(singleDestinationImageKey).toBool());
    if (settings.contains(passCompletelyTransparentTilesKey))
        setPassCompletelyTransparentTiles(
                settings.value(passCompletelyTransparentTilesKey).toBool());
    if (settings.contains(passBrokenTilesKey))
        setPassBrokenTiles(settings.value(passBrokenTilesKey).toBool());
    if (settings.contains(verticalMirrorSourceTilesKey))
        setVerticalMirrorSourceTiles(settings.value(verticalMirrorSourceTilesKey).toBool());
    if (settings.contains(convertSeasonsKey))
        setConvertSeasons(settings.value(convertSeasonsKey).toBool());
    if (settings.contains(skipConvertedKey))
        setSkipConverted(settings.value(skipConvertedKey).toBool());
    setResampler(settings.value(resamplerKey).toString());
    setRunResampler(settings.value(runResamplerKey).toBool());
    if (settings.contains(resamplerJobsKey))
        setResamplerJobs(settings.value(resamplerJobsKey).toInt());
    if (settings.contains(geometryKey))
        restoreGeometry(settings.value(geometryKey).toByteArray());
}

#ifndef K_FORMMAIN_H
#define K_FORMMAIN_H

#include "engine/k_builderthread.h"

#include <QAtomicInt>
#include <QMainWindow>
#include <QMutex>
#include <QTimer>

class QLabel;
class QMimeData;
class QToolButton;

namespace Ui {
class K_FormMain;
}

// The tool's only main window: the user's folders, level, quality and options, the conversion
// control (Convert, Break), and the progress bar, progress text and log of the running conversion.
//
// Lives in the GUI thread. It owns what a conversion shares with its K_BuilderThread: the two
// tile maps, which only the worker writes while it runs and which the window frees after
// finished(); the break flag; and the mutex that guards that flag and nothing else. Idle while no
// thread exists, Converting from Convert until builderThreadFinished(); while converting, Convert
// is ignored and closing is refused. The choices and the window's geometry are restored from the
// per-user settings when the window is built and stored when it is destroyed.
//
// The status bar shows the running conversion's tiles done of total and time left, "Stopping..."
// once Break is pressed, and the run's summary when it has ended; after a complete run with at
// least one picture it offers to open the destination folder.
class K_FormMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit K_FormMain(QWidget *parent = nullptr);
    ~K_FormMain() override;

    // The snapshot a conversion takes when it starts, folders as typed.
    QString sourceFolder() const;
    QString destinationFolder() const;
    int bglLod() const;
    int compressionQuality() const;
    bool singleDestinationImage() const { return m_singleDestinationImage; }
    bool passCompletelyTransparentTiles() const { return m_passCompletelyTransparentTiles; }
    bool passBrokenTiles() const { return m_passBrokenTiles; }
    bool verticalMirrorSourceTiles() const { return m_verticalMirrorSourceTiles; }
    bool convertSeasons() const { return m_convertSeasons; }
    bool skipConverted() const { return m_skipConverted; }
    // The resampler's program, run in a third step when runResampler(), resamplerJobs() at once.
    QString resampler() const { return m_resampler; }
    bool runResampler() const { return m_runResampler; }
    int resamplerJobs() const { return m_resamplerJobs; }
    QMutex *mutex() { return &m_mutex; }
    // The worker reads the flag only under mutex().
    bool *breakFlag() { return &m_breakFlag; }

    void setSourceFolder(const QString &folder);
    void setDestinationFolder(const QString &folder);
    void setBglLod(int bglLod);
    void setCompressionQuality(int compressionQuality);
    void setSingleDestinationImage(bool on);
    void setPassCompletelyTransparentTiles(bool on);
    void setPassBrokenTiles(bool on);
    void setVerticalMirrorSourceTiles(bool on);
    void setConvertSeasons(bool on);
    void setSkipConverted(bool on);
    void setResampler(const QString &program);
    void setRunResampler(bool on);
    void setResamplerJobs(int jobs);

    bool isConverting() const { return m_builderThread != nullptr; }
    // Meaningful only while idle: during a conversion the worker writes the maps.
    const K_TileMap &sourceTiles() const { return m_sourceTiles; }
    const K_TileMap &destinationTiles() const { return m_destinationTiles; }

public slots:
    // Stops a running conversion as Break does, then closes the window; at once when idle.
    void stopAndClose();
    // Reached by the builder thread's signals, queued, in the order they were emitted.
    void builderThreadFinished();
    void setProgressText(const QString &progressText);
    void setProgressBarValue(int value);
    void appendLogText(const QString &logText);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Takes a folder dropped onto either folder field.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_actionAboutQt_triggered();
    void on_actionExit_triggered();
    void on_sourceFolderToolButton_clicked();
    void on_destinationFolderToolButton_clicked();
    void on_convertPushButton_clicked();
    void on_breakPushButton_clicked();
    void on_actionAboutORVIK_triggered();
    void on_actionOptions_triggered();
    void on_actionAboutSquish_triggered();
    void on_actionPreviewTileSet_triggered();
    void on_actionMakeSampleTileSet_triggered();
    void on_actionOpenDestinationFolder_triggered();

private:
    void clearTiles();
    QString selectFolder(const QString &current, const QString &caption, const QString &start);
    void loadOrSaveSettings(bool save);
    void showConversionStatus();
    void offerDestinationFolder(const QString &folder);
    static QString droppedFolder(const QMimeData *data);

    Ui::K_FormMain *ui;
    bool m_singleDestinationImage = false;
    bool m_passCompletelyTransparentTiles = true;
    bool m_passBrokenTiles = true;
    bool m_verticalMirrorSourceTiles = false;
    bool m_convertSeasons = false;
    bool m_skipConverted = false;
    QString m_resampler;
    bool m_runResampler = false;
    int m_resamplerJobs;
    K_TileMap m_sourceTiles;
    K_TileMap m_destinationTiles;
    K_BuilderThread *m_builderThread = nullptr;
    QMutex m_mutex;
    bool m_breakFlag = false;
    // Set by the worker as the last thing it does for the window.
    QAtomicInt m_workerEnded;

    QLabel *m_statusLabel;
    QToolButton *m_openDestinationFolderButton;
    QTimer m_statusTimer;
    bool m_stopping = false;
    bool m_closeWhenStopped = false;
    QString m_finishedDestinationFolder;
};

#endif // K_FORMMAIN_H

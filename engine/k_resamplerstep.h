#ifndef K_RESAMPLERSTEP_H
#define K_RESAMPLERSTEP_H

#include "engine/k_recordkeeper.h"
#include "tiles/k_platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QStringList>
#include <QVector>

#include <list>
#include <memory>

class K_BuilderThread;
class QProcess;

// The last step of a conversion with the resampler: runs it as "<program> <KEY>.inf" in the
// destination folder for each destination tile, up to the chosen number at once. A run made its
// BGL file when it ended with exit code 0 and the file changed after it started; that is said and
// recorded. Any other end (an exit code, a crash, no BGL, the time limit, a program that does not
// start) is a problem line followed by the program's last lines, and a BGL file it had begun goes.
// A stop ends every running resampler at once and removes what they had begun.
//
// Used on the builder's thread alone, whose event loop it runs while it works. The texts are the
// builder's, in its translation context.
class K_ResamplerStep
{
    Q_DECLARE_TR_FUNCTIONS(K_BuilderThread)

public:
    // Why `program` cannot be run as the resampler (missing, a folder, not a program), as one
    // line; empty when it can.
    static QString programProblem(const QString &program);
    // The first resample.exe in the usual install folders of the FSX SDK (which Acceleration and
    // SP2 update in place) and of the Prepar3D SDKs, below the Program Files folders that the
    // environment names; empty when there is none.
    static QString usualProgram();
    // Half the processor cores, at least one: the resampler is busy with the disk as well.
    static int defaultJobs();
    // How long one run may take: `limitMs`, or when 0 ten minutes and another for each 16 MiB of
    // its destination's pictures, which is far more than the resampler takes.
    static qint64 timeLimitMs(qint64 pictureBytes, qint64 limitMs);

    K_ResamplerStep(K_BuilderThread *thread, K_RecordKeeper *keeper);
    ~K_ResamplerStep();

    // Returns when every job has run, or was skipped for its recorded BGL file, or when the run
    // was stopped and its resamplers ended.
    void run(const QVector<K_ResampleJob> &jobs);

private:
    struct Running;

    // Starts runs while there is room, skipping destinations whose BGL file is made.
    void startNext();
    void start(const K_ResampleJob &job);
    void watch();
    void finished(Running *running);
    void report(Running *running);
    void removeBegun(const Running *running);
    // Keeps the last lines of what the resampler wrote; `last` once it has ended.
    void readOutput(Running *running, bool last);

    K_BuilderThread *m_thread;
    K_RecordKeeper *m_keeper;
    QString m_program;
    QString m_folder;
    int m_jobs = 1;
    qint64 m_limitMs = 0;
    QVector<K_ResampleJob> m_queue;
    int m_next = 0;
    std::list<std::unique_ptr<Running>> m_running;
    bool m_stopping = false;
    QEventLoop m_loop;
};

#endif // K_RESAMPLERSTEP_H

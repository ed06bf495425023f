#include "k_resamplerstep.h"

#include "engine/k_builderthread.h"
#include "engine/k_conversiontexts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr int LinesShown = 5;
constexpr int LongestLine = 300;
// A BGL file's time may lag behind the clock that timed the start: by a tick of a coarse system
// clock, by up to two seconds on FAT.
constexpr qint64 ClockSlackNs = qint64(2000) * 1000 * 1000;

} // namespace

struct K_ResamplerStep::Running
{
    K_ResampleJob job;
    std::unique_ptr<QProcess> process;
    K_Platform::FileStamp bglBefore;
    qint64 startedNs = 0;
    qint64 limitMs = 0;
    QElapsedTimer clock;
    bool timedOut = false;
    QByteArray pending; // output after its last complete line
    QStringList lastLines;
};

QString K_ResamplerStep::programProblem(const QString &program)
{
    const QFileInfo info(program);
    const QString shown = QDir::toNativeSeparators(program);
    if (!info.exists())
        return tr("The resampler \"%1\" does not exist.").arg(shown);
    if (info.isDir())
        return tr("The resampler \"%1\" is a folder, not a program.").arg(shown);
#if defined(Q_OS_WIN)
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("exe") && suffix != QLatin1String("com"))
        return tr("The resampler \"%1\" is not a program (.exe or .com).").arg(shown);
#else
    if (!info.isExecutable())
        return tr("The resampler \"%1\" is not a program: it may not be run.").arg(shown);
#endif
    return QString();
}

QString K_ResamplerStep::usualProgram()
{
    const QString terrain = QStringLiteral("/Terrain SDK/resample.exe");
    QStringList roots;
    for (const char *name : {"ProgramFiles(x86)", "ProgramFiles", "ProgramW6432"}) {
        const QString root = QDir::fromNativeSeparators(qEnvironmentVariable(name));
        if (!root.isEmpty() && !roots.contains(root))
            roots << root;
    }
    for (const QString &root : qAsConst(roots)) {
        QStringList candidates{root
                               + QLatin1String("/Microsoft Games/Microsoft Flight Simulator X "
                                               "SDK/SDK/Environment Kit")
                               + terrain};
        // Each Prepar3D SDK has a folder named by its version.
        const QDir lockheed(root + QLatin1String("/Lockheed Martin"));
        for (const QString &sdk : lockheed.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (sdk.startsWith(QLatin1String("Prepar3D")) && sdk.contains(QLatin1String("SDK"))) {
                candidates << lockheed.filePath(sdk) + QLatin1String("/Environment SDK") + terrain
                           << lockheed.filePath(sdk) + QLatin1String("/Environment Kit") + terrain;
            }
        }
        for (const QString &candidate : qAsConst(candidates)) {
            if (QFileInfo(candidate).isFile())
                return QDir::toNativeSeparators(candidate);
        }
    }
    return QString();
}

int K_ResamplerStep::defaultJobs()
{
    return qMax(1, QThread::idealThreadCount() / 2);
}

qint64 K_ResamplerStep::timeLimitMs(qint64 pictureBytes, qint64 limitMs)
{
    return limitMs > 0 ? limitMs : 10 * Minute + pictureBytes / (qint64(16) << 20) * Minute;
}

K_ResamplerStep::K_ResamplerStep(K_BuilderThread *thread, K_RecordKeeper *keeper)
    : m_thread(thread)
    , m_keeper(keeper)
{
    const K_BuilderThread::Settings settings = thread->settings();
    m_program = settings.resampler;
    m_folder = settings.destinationFolder;
    m_jobs = settings.resamplerJobs > 0 ? settings.resamplerJobs : defaultJobs();
    m_limitMs = settings.resamplerTimeLimitMs;
}

K_ResamplerStep::~K_ResamplerStep() = default;

void K_ResamplerStep::run(const QVector<K_ResampleJob> &jobs)
{
    m_queue = jobs;
    m_next = 0;
    QTimer watcher;
    watcher.setInterval(100);
    QObject::connect(&watcher, &QTimer::timeout, &watcher, [this] { watch(); });
    watcher.start();
    startNext();
    if (!m_running.empty())
        m_loop.exec();
    // The processes of finished runs were handed to the event loop to delete.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void K_ResamplerStep::startNext()
{
    while (!m_stopping && int(m_running.size()) < m_jobs && m_next < m_queue.size()) {
        if (m_thread->isBreak())
            break;
        const K_ResampleJob &job = m_queue.at(m_next++);
        if (m_keeper->hasBgl(job)) {
            m_thread->appendInfo(
                    tr("BGL file \"%1\" is already made from this .inf file.")
                            .arg(QDir::toNativeSeparators(m_keeper->bglPath(job.key))));
            m_thread->countResampled(true);
        } else {
            start(job);
        }
    }
    if (m_running.empty())
        m_loop.quit();
}

void K_ResamplerStep::start(const K_ResampleJob &job)
{
    auto running = std::make_unique<Running>();
    running->job = job;
    running->limitMs = timeLimitMs(job.pictureBytes, m_limitMs);
    running->bglBefore = m_keeper->beginBgl(m_thread, job.key);
    running->startedNs = QDateTime::currentMSecsSinceEpoch() * 1000 * 1000;
    auto *process = new QProcess;
    running->process.reset(process);
    process->setProgram(m_program);
    process->setArguments({job.key + QLatin1String(".inf")});
    process->setWorkingDirectory(m_folder);
    process->setProcessChannelMode(QProcess::MergedChannels);
    // Nothing to answer: a resampler that asks waits for no one.
    process->setStandardInputFile(QProcess::nullDevice());
    K_Platform::prepareChild(process);
    Running *raw = running.get();
    QObject::connect(process, &QProcess::readyRead, process,
                     [this, raw] { readOutput(raw, false); });
    QObject::connect(process, &QProcess::finished, process, [this, raw] { finished(raw); });
    process->start();
    if (!process->waitForStarted(-1)) {
        m_thread->appendLog(tr("The resampler cannot be started on \"%1\": %2.")
                                    .arg(job.key + QLatin1String(".inf"),
                                         K_ConversionTexts::reasonText(process->errorString())));
        m_keeper->endBgl(m_thread, job.key);
        m_thread->countResampled(false);
        return;
    }
    K_Platform::adoptChild(*process);
    running->clock.start();
    m_running.push_back(std::move(running));
}

void K_ResamplerStep::watch()
{
    if (!m_stopping && m_thread->isBreak()) {
        m_stopping = true;
        for (const auto &running : m_running)
            K_Platform::endChild(running->process.get());
        return;
    }
    for (const auto &running : m_running) {
        if (!running->timedOut && running->clock.elapsed() > running->limitMs) {
            running->timedOut = true;
            K_Platform::endChild(running->process.get());
        }
    }
}

void K_ResamplerStep::finished(Running *running)
{
    readOutput(running, true);
    if (m_stopping) {
        removeBegun(running);
        m_keeper->endBgl(m_thread, running->job.key);
    } else {
        report(running);
        m_thread->countResampled(false);
    }
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it->get() == running) {
            // It is in the middle of telling of its end.
            it->get()->process.release()->deleteLater();
            m_running.erase(it);
            break;
        }
    }
    startNext();
}

void K_ResamplerStep::report(Running *running)
{
    const QString key = running->job.key;
    const QString bgl = m_keeper->bglPath(key);
    const QProcess &process = *running->process;
    const bool exited = process.exitStatus() == QProcess::NormalExit;
    const K_Platform::FileStamp after = K_Platform::stampOf(bgl);
    const bool written = after.size >= 0 && !(after == running->bglBefore)
                         && after.modified >= running->startedNs - ClockSlackNs;
    if (!running->timedOut && exited && process.exitCode() == 0 && written) {
        m_keeper->madeBgl(m_thread, running->job);
        m_thread->countBgl();
        m_thread->appendInfo(tr("BGL file \"%1\" made.").arg(QDir::toNativeSeparators(bgl)));
        return;
    }
    const QString inf = key + QLatin1String(".inf");
    if (running->timedOut) {
        m_thread->appendLog(
                tr("The resampler was still at \"%1\" after %2, and was ended.")
                        .arg(inf, K_ConversionTexts::durationText(running->limitMs / 1000)));
    } else if (!exited) {
        m_thread->appendLog(tr("The resampler crashed on \"%1\".").arg(inf));
    } else if (process.exitCode() != 0) {
        m_thread->appendLog(tr("The resampler failed on \"%1\" with exit code %2.")
                                    .arg(inf)
                                    .arg(process.exitCode()));
    } else {
        m_thread->appendLog(tr("The resampler ended on \"%1\" with exit code 0 but did not write "
                               "\"%2\".")
                                    .arg(inf, QDir::toNativeSeparators(bgl)));
    }
    const QString program = QFileInfo(m_program).fileName();
    for (const QString &line : qAsConst(running->lastLines))
        m_thread->appendInfo(QStringLiteral("%1: %2").arg(program, line));
    removeBegun(running);
    m_keeper->endBgl(m_thread, key);
}

void K_ResamplerStep::removeBegun(const Running *running)
{
    // Changed since its run began, it is that run's, and unfinished or not to be trusted.
    const QString bgl = m_keeper->bglPath(running->job.key);
    const K_Platform::FileStamp after = K_Platform::stampOf(bgl);
    if (after.size >= 0 && !(after == running->bglBefore) && QFile::remove(bgl)) {
        m_thread->appendInfo(tr("Removed \"%1\", which the resampler had begun.")
                                     .arg(QDir::toNativeSeparators(bgl)));
    }
}

void K_ResamplerStep::readOutput(Running *running, bool last)
{
    running->pending += running->process->readAll();
    if (last)
        running->pending += '\n';
    qsizetype end;
    while ((end = running->pending.indexOf('\n')) >= 0 || running->pending.size() > LongestLine) {
        const qsizetype taken = end >= 0 ? end + 1 : running->pending.size();
        const QString line
                = QString::fromLocal8Bit(running->pending.left(taken)).trimmed().left(LongestLine);
        running->pending.remove(0, taken);
        if (line.isEmpty())
            continue;
        running->lastLines << line;
        if (running->lastLines.size() > LinesShown)
            running->lastLines.removeFirst();
    }
}

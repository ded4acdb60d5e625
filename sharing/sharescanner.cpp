#include "sharing/sharescanner.h"

#include "config/userprompts.h"
#include "protocol/servers.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharemessages.h"
#include "sharing/sharepath.h"
#include "sharing/sharethread.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QThread>

using namespace Qt::StringLiterals;

ShareScanner::ShareScanner(TServers& servers, SharedCatalogue& catalogue, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_catalogue(catalogue)
    , m_caption(SharedFoldersCaption.toString())
{
}

ShareScanner::~ShareScanner()
{
    m_pending.reset();
    if (m_job)
        m_job->requestStop();
    for (QThread* thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
    m_queue.clear();
}

void ShareScanner::setCaption(QStringView caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption.toString();
    Q_EMIT buttonCaptionChanged(m_caption);
}

void ShareScanner::start(const Request& request)
{
    if (m_job) {
        // A stopped scan is still finishing; this one follows it.
        m_pending = request;
        setCaption(StopCaption);
        return;
    }
    QList<QByteArray> folders;
    for (const QString& folder : request.folders) {
        if (!folder.isEmpty())
            folders.append(QFile::encodeName(QDir::cleanPath(folder)));
    }
    SortSharePaths(folders);
    QSet<QByteArray> wanted;
    for (const QByteArray& kind : request.kinds)
        wanted.unite(m_catalogue.kinds().extensions(kind));

    const quint64 id = ++m_jobId;
    auto deliver = [this, id](QList<ShareStep> steps) {
        m_queue.post([this, id, steps = std::move(steps)] { perform(id, steps); });
    };
    m_job = std::make_shared<TShareThread>(std::move(folders), request.withSubfolders,
                                           std::move(wanted), m_catalogue.kinds(), deliver, m_hook);
    setCaption(StopCaption);
    auto job = m_job;
    runPhase([job] { job->walk(); }, [this] { afterWalk(); });
}

void ShareScanner::stop()
{
    m_pending.reset();
    if (m_job)
        m_job->requestStop();
    setCaption(SharedFoldersCaption);
}

void ShareScanner::shutdown()
{
    m_pending.reset();
    if (!m_job)
        return;
    m_job->requestStop();
    m_synchronous = true;
    for (QThread* thread : std::as_const(m_threads))
        thread->wait();
    // The steps of the running phase and its end are queued: carry them out now; the phases
    // that follow run here too.
    m_queue.drainAll();
}

void ShareScanner::runPhase(std::function<void()> work, std::function<void()> then)
{
    if (m_synchronous) {
        work();
        m_queue.drainAll();
        then();
        return;
    }
    QThread* thread = QThread::create([this, work = std::move(work), then = std::move(then)] {
        work();
        m_queue.post(then);
    });
    thread->setObjectName(u"TShareThread"_s);
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        thread->wait();
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
}

void ShareScanner::afterWalk()
{
    if (!m_job)
        return;
    if (m_job->stopRequested()) {
        finish();
        return;
    }
    const QList<QByteArray> found = m_job->found();
    if (found.isEmpty()) {
        if (m_servers.ServerCount() > 0) {
            m_catalogue.sendToAll(ShareMessage::UnshareAll, {});
            m_catalogue.model().emptyReset();
            m_catalogue.list().clear();
        }
        finish();
        return;
    }
    QList<QByteArray> remaining;
    if (!rowsPass(found, &remaining)) {
        finish();
        return;
    }
    auto job = m_job;
    runPhase([job, remaining] { job->announce(remaining); }, [this] { finish(); });
}

bool ShareScanner::rowsPass(const QList<QByteArray>& found, QList<QByteArray>* remaining)
{
    const QSet<QByteArray> foundSet(found.cbegin(), found.cend());
    QSet<QByteArray> sharedAlready;
    QList<int> gone;
    SharesModel& model = m_catalogue.model();
    bool completed = true;
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        if (m_job->stopRequested()) {
            completed = false;
            break;
        }
        const QByteArray path = model.fullPath(row);
        if (foundSet.contains(path)) {
            sharedAlready.insert(path);
            continue;
        }
        m_catalogue.sendToAll(ShareMessage::UnshareFile, UnshareFileFields(path));
        m_catalogue.list().remove(path);
        gone.append(row);
    }
    model.removeShareRows(gone);
    if (!completed)
        return false;
    remaining->reserve(found.size() - sharedAlready.size());
    for (const QByteArray& path : found) {
        if (!sharedAlready.contains(path))
            remaining->append(path);
    }
    return true;
}

void ShareScanner::perform(quint64 jobId, const QList<ShareStep>& steps)
{
    if (!m_job || jobId != m_jobId)
        return;
    QList<QByteArray> listed;
    QList<ShareRow> rows;
    for (const ShareStep& step : steps) {
        switch (step.kind) {
        case ShareStep::Kind::Generic:
            if (m_catalogue.sendToAll(ShareMessage::ShareGeneric,
                                      ShareGenericFields(step.path, step.size, step.fileKind)))
                listed.append(step.path);
            break;
        case ShareStep::Kind::Mpeg:
            listed.append(step.path);
            if (step.announced)
                rows.append(ShareRow::fromPath(step.path, step.size, step.bitRate, step.duration,
                                               step.sampleRate));
            break;
        case ShareStep::Kind::Batch:
            m_catalogue.sendToAll(ShareMessage::ShareMpegFolder, {step.batch});
            break;
        }
    }
    m_catalogue.list().addMany(std::move(listed));
    m_catalogue.model().addRows(std::move(rows), true);
}

void ShareScanner::finish()
{
    if (!m_job)
        return;
    auto job = m_job;
    const QString path = m_catalogue.sharedDatPath();
    const QByteArray content = m_catalogue.list().fileContent();
    runPhase([job, path, content] { job->save(path, content); }, [this] { afterSave(); });
}

void ShareScanner::afterSave()
{
    const std::shared_ptr<TShareThread> job = std::exchange(m_job, nullptr);
    if (job && !job->saved())
        m_catalogue.prompts().warning(SharedFileList::SaveFailedText(m_catalogue.sharedDatPath()));
    std::optional<Request> next = std::exchange(m_pending, std::nullopt);
    if (!next || m_synchronous)
        setCaption(SharedFoldersCaption);
    Q_EMIT scanFinished();
    if (next && !m_synchronous)
        start(*next);
}

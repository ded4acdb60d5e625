#include "sharing/shareuploads.h"

#include "protocol/servers.h"
#include "sharing/loginsharethread.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharemessages.h"

#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// What a generic file's row shows in the audio columns.
constexpr int GenericBitRate = 8;
constexpr int GenericDuration = 0;
constexpr int GenericSampleRate = 16000;

} // namespace

ShareUploads::ShareUploads(TServers& servers, SharedCatalogue& catalogue, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_catalogue(catalogue)
{
    connect(&m_servers, &TServers::connectionStopping, this,
            [this](int serverIndex) { stop(serverIndex); });
    connect(&m_servers, &TServers::recordReleased, this,
            [this](int serverIndex) { stop(serverIndex); });
}

ShareUploads::~ShareUploads()
{
    stopAll();
}

void ShareUploads::StartShareUpload(int serverIndex)
{
    if (m_catalogue.list().isEmpty())
        return;
    // A new login of the same server replaces an upload that is somehow still going.
    stop(serverIndex);
    Q_EMIT m_servers.serverText(
        serverIndex, u"Sharing "_s + QString::number(m_catalogue.list().count()) + u" file(s)"_s);

    const quint64 id = m_nextId++;
    auto deliver = [this, id](QList<ShareStep> steps) {
        m_queue.post([this, id, steps = std::move(steps)] { perform(id, steps); });
    };
    Upload upload;
    upload.serverIndex = serverIndex;
    upload.worker = std::make_shared<TLoginShareThread>(serverIndex, m_catalogue.sharedDatPath(),
                                                        m_catalogue.kinds(), deliver, m_hook);
    m_uploads.insert(id, upload);

    QThread* thread = QThread::create([this, id, worker = upload.worker] {
        worker->run();
        m_queue.post([this, id] { finished(id); });
    });
    thread->setObjectName(u"TLoginShareThread"_s);
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        thread->wait();
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
}

bool ShareUploads::isUploading(int serverIndex) const
{
    for (const Upload& upload : m_uploads) {
        if (upload.serverIndex == serverIndex && !upload.stopped)
            return true;
    }
    return false;
}

void ShareUploads::stop(int serverIndex)
{
    for (Upload& upload : m_uploads) {
        if (upload.serverIndex == serverIndex && !upload.stopped) {
            upload.stopped = true;
            upload.worker->requestStop();
        }
    }
}

void ShareUploads::stopAll()
{
    for (Upload& upload : m_uploads) {
        upload.stopped = true;
        upload.worker->requestStop();
    }
    for (QThread* thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
    m_threads.clear();
    m_uploads.clear();
    m_queue.clear();
}

void ShareUploads::perform(quint64 id, const QList<ShareStep>& steps)
{
    const auto found = m_uploads.constFind(id);
    if (found == m_uploads.cend() || found->stopped)
        return;
    const int serverIndex = found->serverIndex;
    QList<ShareRow> rows;
    for (const ShareStep& step : steps) {
        // A send may end the connection; nothing more goes to it then.
        if (found->stopped)
            break;
        switch (step.kind) {
        case ShareStep::Kind::Generic: {
            const QByteArrayList fields = ShareGenericFields(step.path, step.size, step.fileKind);
            if (!FitsOneFrame(fields))
                break;
            m_servers.SendToServer(serverIndex, ShareMessage::ShareGeneric, fields);
            rows.append(ShareRow::fromPath(step.path, step.size, GenericBitRate, GenericDuration,
                                           GenericSampleRate));
            break;
        }
        case ShareStep::Kind::Mpeg:
            if (step.announced)
                rows.append(ShareRow::fromPath(step.path, step.size, step.bitRate, step.duration,
                                               step.sampleRate));
            break;
        case ShareStep::Kind::Batch:
            m_servers.SendToServer(serverIndex, ShareMessage::ShareMpegFolder, {step.batch});
            break;
        }
    }
    m_catalogue.model().addRows(std::move(rows), true);
}

void ShareUploads::finished(quint64 id)
{
    const auto found = m_uploads.find(id);
    if (found == m_uploads.end())
        return;
    const int serverIndex = found->serverIndex;
    m_uploads.erase(found);
    Q_EMIT uploadFinished(serverIndex);
}

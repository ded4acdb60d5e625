#include "sharing/mpegannouncer.h"

#include "sharing/sharemessages.h"
#include "sharing/sharepath.h"

MpegAnnouncer::MpegAnnouncer(const std::atomic_bool& stop, StopCheck stopCheck,
                             EmptyBatch emptyBatch, ShareStepSink& sink, ShareFileHook hook)
    : m_stop(stop)
    , m_stopCheck(stopCheck)
    , m_emptyBatch(emptyBatch)
    , m_sink(sink)
    , m_hook(std::move(hook))
{
}

QList<QList<QByteArray>> MpegAnnouncer::Groups(const QList<QByteArray>& sorted)
{
    QList<QList<QByteArray>> groups;
    qsizetype j = sorted.size() - 1;
    while (j >= 0) {
        const QByteArray folder = PathFolder(sorted.at(j));
        QList<QByteArray> group;
        while (j >= 0 && PathFolder(sorted.at(j)) == folder)
            group.append(sorted.at(j--));
        groups.append(std::move(group));
    }
    return groups;
}

bool MpegAnnouncer::run(const QList<QByteArray>& sorted)
{
    const QList<QList<QByteArray>> groups = Groups(sorted);
    for (const QList<QByteArray>& group : groups) {
        if (m_stop.load())
            return false;
        if (!announceGroup(group))
            return false;
    }
    return true;
}

bool MpegAnnouncer::announceGroup(const QList<QByteArray>& group)
{
    FolderBatch batch(group.constFirst());
    for (const QByteArray& path : group) {
        if (m_hook)
            m_hook(path);
        if (m_stopCheck == StopCheck::BeforeEachFile && m_stop.load())
            return false;

        m_inspector.setFileName(path);
        ShareStep step;
        step.kind = ShareStep::Kind::Mpeg;
        step.path = path;
        step.size = m_inspector.length();
        step.bitRate = m_inspector.bitRate() > 0 ? m_inspector.bitRate() : 8;
        step.sampleRate = m_inspector.sampleRate();
        step.duration = m_inspector.duration();

        QByteArray entry;
        if (step.size > 0) {
            entry = MpegEntry(path, step.size, step.bitRate, step.sampleRate, step.duration);
            if (!batch.fits(entry))
                entry.clear();
        }
        step.announced = !entry.isEmpty();
        m_sink.add(std::move(step));

        QByteArray full;
        if (!entry.isEmpty() && batch.append(entry, &full)) {
            ShareStep send;
            send.kind = ShareStep::Kind::Batch;
            send.batch = full;
            m_sink.add(std::move(send));
        }
    }
    if (batch.hasEntries() || m_emptyBatch == EmptyBatch::Send) {
        ShareStep send;
        send.kind = ShareStep::Kind::Batch;
        send.batch = batch.text();
        m_sink.add(std::move(send));
    }
    return true;
}

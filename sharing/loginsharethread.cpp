#include "sharing/loginsharethread.h"

#include "sharing/blockfilereader.h"
#include "sharing/mpegannouncer.h"
#include "sharing/sharedfilelist.h"
#include "sharing/sharepath.h"

#include <QFile>

TLoginShareThread::TLoginShareThread(int serverIndex, const QString& sharedDatPath,
                                     const FileKinds& kinds, ShareStepSink::Deliver deliver,
                                     ShareFileHook hook)
    : m_serverIndex(serverIndex)
    , m_sharedDatPath(sharedDatPath)
    , m_kinds(kinds)
    , m_deliver(std::move(deliver))
    , m_hook(std::move(hook))
{
}

void TLoginShareThread::run()
{
    QFile file(m_sharedDatPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    file.close();
    const QList<QByteArray> working = SharedFileList::ParseSharedList(content);

    ShareStepSink sink(m_deliver);
    QList<QByteArray> mpegFiles;
    BlockFileReader reader;
    for (const QByteArray& path : working) {
        if (m_stop.load())
            return;
        if (IsMpegAudioPath(path)) {
            mpegFiles.append(path);
            continue;
        }
        const QByteArray kind = m_kinds.FileKindOf(path);
        if (kind.isEmpty())
            continue;
        if (m_hook)
            m_hook(path);
        if (reader.open(path) != BlockFileReader::OpenResult::Opened)
            continue;
        const qint64 size = reader.size();
        reader.close();
        if (size <= 0)
            continue;
        ShareStep step;
        step.kind = ShareStep::Kind::Generic;
        step.path = path;
        step.size = size;
        step.fileKind = kind;
        sink.add(std::move(step));
    }

    MpegAnnouncer announcer(m_stop, MpegAnnouncer::StopCheck::BeforeEachFile,
                            MpegAnnouncer::EmptyBatch::Skip, sink, m_hook);
    announcer.run(mpegFiles);
}

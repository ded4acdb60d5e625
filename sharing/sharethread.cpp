#include "sharing/sharethread.h"

#include "sharing/blockfilereader.h"
#include "sharing/folderwalker.h"
#include "sharing/mpegannouncer.h"
#include "sharing/sharedfilelist.h"
#include "sharing/sharepath.h"

TShareThread::TShareThread(QList<QByteArray> folders, bool withSubfolders,
                           QSet<QByteArray> wantedExtensions, const FileKinds& kinds,
                           ShareStepSink::Deliver deliver, ShareFileHook hook)
    : m_folders(std::move(folders))
    , m_withSubfolders(withSubfolders)
    , m_wanted(std::move(wantedExtensions))
    , m_kinds(kinds)
    , m_deliver(std::move(deliver))
    , m_hook(std::move(hook))
{
}

void TShareThread::walk()
{
    FolderWalker walker(m_wanted, m_withSubfolders, m_stop, m_hook);
    for (const QByteArray& folder : m_folders) {
        if (!walker.walk(folder))
            break;
    }
    m_found = walker.takeFound();
}

void TShareThread::announce(const QList<QByteArray>& files)
{
    ShareStepSink sink(m_deliver);
    QList<QByteArray> mpegFiles;
    BlockFileReader reader;
    for (const QByteArray& path : files) {
        if (m_stop.load())
            return;
        if (IsMpegAudioPath(path)) {
            mpegFiles.append(path);
            continue;
        }
        const QByteArray kind = m_kinds.FileKindOf(path);
        if (kind.isEmpty())
            continue; // only wanted extensions were found, and each has a kind
        if (m_hook)
            m_hook(path);
        if (reader.open(path) != BlockFileReader::OpenResult::Opened)
            continue;
        ShareStep step;
        step.kind = ShareStep::Kind::Generic;
        step.path = path;
        step.size = reader.size();
        step.fileKind = kind;
        reader.close();
        sink.add(std::move(step));
    }
    MpegAnnouncer announcer(m_stop, MpegAnnouncer::StopCheck::BetweenGroups,
                            MpegAnnouncer::EmptyBatch::Send, sink, m_hook);
    announcer.run(mpegFiles);
}

void TShareThread::save(const QString& filePath, const QByteArray& content)
{
    m_saved = SharedFileList::SaveSharedList(filePath, content, &m_saveError);
}

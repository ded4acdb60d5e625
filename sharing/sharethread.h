#pragma once

// TShareThread: the folder scan, the work part. Its phases run on worker threads that
// ShareScanner starts one after the other; between them the main thread does what needs the
// Shares view (the rows pass) and carries out the steps. It touches no model and no socket.
//
//   walk()      every chosen folder (FolderWalker); found() is the sorted list of wanted files.
//   announce()  on the files the rows pass left: the generic pass (files other than ".mp3" are
//               measured and become Generic steps, 0 bytes included; a file that cannot be
//               opened is dropped), then the MP3 pass (MpegAnnouncer: a group once begun is
//               finished, and a group's batch goes out even when it holds no entry).
//   save()      writes shared.dat.
// A stop request is honoured between folder entries, between files of the generic pass and
// between groups of the MP3 pass.

#include "sharing/filekinds.h"
#include "sharing/sharestep.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <atomic>

class TShareThread final {
    Q_DISABLE_COPY_MOVE(TShareThread)

public:
    // `folders`: native paths; `wantedExtensions`: lower case with dots.
    TShareThread(QList<QByteArray> folders, bool withSubfolders, QSet<QByteArray> wantedExtensions,
                 const FileKinds& kinds, ShareStepSink::Deliver deliver, ShareFileHook hook = {});

    // Any thread.
    void requestStop() { m_stop.store(true); }
    bool stopRequested() const { return m_stop.load(); }

    // --- Worker thread ---
    void walk();
    void announce(const QList<QByteArray>& files);
    void save(const QString& filePath, const QByteArray& content);

    // --- Main thread, once the phase that fills it has ended ---
    const QList<QByteArray>& found() const { return m_found; }
    bool saved() const { return m_saved; }
    QString saveError() const { return m_saveError; }

private:
    const QList<QByteArray> m_folders;
    const bool m_withSubfolders;
    const QSet<QByteArray> m_wanted;
    const FileKinds m_kinds;
    ShareStepSink::Deliver m_deliver;
    ShareFileHook m_hook;
    std::atomic_bool m_stop{false};
    QList<QByteArray> m_found;
    bool m_saved = false;
    QString m_saveError;
};

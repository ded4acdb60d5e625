#pragma once

// The share list upload after each login, the main-thread part. LoginHandler calls
// StartShareUpload for every acknowledged server of the first protocol group: when the shared
// file list is not empty, the line "Sharing N file(s)" goes to the server's page and a
// TLoginShareThread starts on a thread of its own. Its steps come back here through a
// MainThreadQueue and are carried out in order, a slice at a time: 10300 and 870 go to that server
// only, rows are added to the Shares view (one row per file, however many servers announce it; a
// generic file's row shows 8, 00:00 and 16000).
//
// When the connection ends (TServers::connectionStopping) the upload is asked to stop, and the
// steps it still delivers are dropped: nothing of it reaches a later connection of the same
// server. Several servers upload side by side, each with its own worker.
//
// Thread affinity: created on the main thread; the workers' threads are its own and end before
// it is destroyed.

#include "sharing/mainthreadqueue.h"
#include "sharing/sharestep.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <memory>

class QThread;
class SharedCatalogue;
class TLoginShareThread;
class TServers;

class ShareUploads final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShareUploads)

public:
    ShareUploads(TServers& servers, SharedCatalogue& catalogue, QObject* parent = nullptr);
    ~ShareUploads() override;

    // The login's share upload starter (HandleLoginAck, last step).
    void StartShareUpload(int serverIndex);
    bool isUploading(int serverIndex) const;
    // The connection is ending: the worker stops before its next file.
    void stop(int serverIndex);
    // Stops every upload and waits for the workers (the program's close).
    void stopAll();

    void setFileHookForTests(ShareFileHook hook) { m_hook = std::move(hook); }

Q_SIGNALS:
    // The upload's worker has ended, done or stopped; everything it handed over has been
    // carried out (or dropped, after a stop).
    void uploadFinished(int serverIndex);

private:
    struct Upload {
        int serverIndex = -1;
        std::shared_ptr<TLoginShareThread> worker;
        bool stopped = false;
    };

    void perform(quint64 id, const QList<ShareStep>& steps);
    // The worker's last item: everything it handed over has been carried out.
    void finished(quint64 id);

    TServers& m_servers;
    SharedCatalogue& m_catalogue;
    ShareFileHook m_hook;
    MainThreadQueue m_queue;
    QHash<quint64, Upload> m_uploads;
    // Threads that have not ended yet, stopped uploads' included.
    QList<QThread*> m_threads;
    quint64 m_nextId = 1;
};

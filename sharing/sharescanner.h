#pragma once

// The folder scan, the main-thread part: at most one scan at a time, started by the share
// folders dialog's OK and stopped by the "Stop" caption of the Shares page's button.
//
//   walk (worker)     the chosen folders; the wanted extensions are the sets of the chosen kinds
//   nothing found     with a connection record: 110 to each, the Shares view reset, the shared
//                     file list emptied; without one nothing changes
//   rows pass (here)  from the last row to the first: a row whose file was found again is
//                     shared already and leaves the found list; any other row's file is gone:
//                     102 to each record, the path leaves the list, the row is removed
//   announce (worker) the generic pass and the MP3 pass on what is left; here every step is
//                     carried out in order: 10300 and 870 to every record, each path into the
//                     shared file list, a row for each announced MP3 file
//   end (always)      shared.dat saved (worker; a failure shows "Cannot save shared files list
//                     to " + path), the caption back to "Shared Folders"
//
// The workers' steps and the ends of their phases come back through a MainThreadQueue, in order
// and a slice at a time, so that the window stays responsive however fast the files come.
//
// The caption is the scan's visible state: "Stop" while it runs. stop() sets the stop flag and
// gives the caption back at once, as the button's click does; the scan then ends at its next
// check point and still saves. A scan confirmed while a stopped one is still finishing starts
// right after it.
//
// A row that already shows a file is never added twice: an upload running beside the scan may
// have added it meanwhile.
//
// Thread affinity: created on the main thread; the phase threads are its own and end before it
// is destroyed.

#include "sharing/mainthreadqueue.h"
#include "sharing/sharestep.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

class QThread;
class SharedCatalogue;
class TServers;
class TShareThread;

class ShareScanner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShareScanner)

public:
    static constexpr QStringView SharedFoldersCaption = u"Shared Folders";
    static constexpr QStringView StopCaption = u"Stop";

    // What the share folders dialog hands over on OK.
    struct Request {
        QStringList folders;
        bool withSubfolders = true;
        // "audio", "video", "image", "text", "application": the checked kind boxes.
        QByteArrayList kinds;
    };

    ShareScanner(TServers& servers, SharedCatalogue& catalogue, QObject* parent = nullptr);
    ~ShareScanner() override;

    // The dialog's OK.
    void start(const Request& request);
    // The button's click while it reads "Stop".
    void stop();
    // The program's close: stops a running scan and finishes it here and now (the steps it
    // handed over, the save), so that nothing is left running.
    void shutdown();

    bool isScanning() const { return bool(m_job); }
    QString buttonCaption() const { return m_caption; }

    void setFileHookForTests(ShareFileHook hook) { m_hook = std::move(hook); }

Q_SIGNALS:
    void buttonCaptionChanged(const QString& caption);
    // The end step has run (shared.dat saved or the failure shown).
    void scanFinished();

private:
    void setCaption(QStringView caption);
    // Runs `work` on a new thread and then `then` here, after every step the work handed over;
    // both here and now during the close.
    void runPhase(std::function<void()> work, std::function<void()> then);
    void afterWalk();
    // Returns the found files that have no row yet; false when a stop ended it.
    bool rowsPass(const QList<QByteArray>& found, QList<QByteArray>* remaining);
    void perform(quint64 jobId, const QList<ShareStep>& steps);
    void finish();
    void afterSave();

    TServers& m_servers;
    SharedCatalogue& m_catalogue;
    ShareFileHook m_hook;
    QString m_caption;
    std::shared_ptr<TShareThread> m_job;
    quint64 m_jobId = 0;
    MainThreadQueue m_queue;
    // Phase threads that have not ended yet.
    QList<QThread*> m_threads;
    std::optional<Request> m_pending;
    bool m_synchronous = false;
};

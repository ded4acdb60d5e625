#pragma once

// TLoginShareThread: the share list upload of one freshly logged-in server, the work part. It
// runs on a worker thread of its own (ShareUploads starts it, one per login) and reads files
// there; everything it finds goes to the main thread as ShareSteps, which send the frames to the
// server and add the rows. It touches no model and no socket.
//
// Run:
//   1. Read shared.dat (not the list in memory: the file is what the last scan saved). A missing
//      or unreadable file ends the run. Paths that cannot be shared are dropped.
//   2. Generic pass, in list order: files other than ".mp3" that have a file kind are measured
//      (opened for reading, regular files only); one of more than 0 bytes becomes a Generic step
//      (10300 and a row with 8, 00:00, 16000 in the audio columns). A file that cannot be opened
//      is skipped without a word.
//   3. MP3 pass: MpegAnnouncer over the ".mp3" files, a stop honoured before every file.
//   A file that is neither ".mp3" nor of a known kind is left out: it would otherwise be taken
//   for MPEG audio and announced with a made-up bitrate.
// A stop request (the connection is ending) is honoured between files.

#include "sharing/filekinds.h"
#include "sharing/sharestep.h"

#include <QString>
#include <atomic>

class TLoginShareThread final {
    Q_DISABLE_COPY_MOVE(TLoginShareThread)

public:
    TLoginShareThread(int serverIndex, const QString& sharedDatPath, const FileKinds& kinds,
                      ShareStepSink::Deliver deliver, ShareFileHook hook = {});

    int serverIndex() const { return m_serverIndex; }
    // Any thread.
    void requestStop() { m_stop.store(true); }
    bool stopRequested() const { return m_stop.load(); }

    // On the worker thread.
    void run();

private:
    const int m_serverIndex;
    const QString m_sharedDatPath;
    const FileKinds m_kinds;
    ShareStepSink::Deliver m_deliver;
    ShareFileHook m_hook;
    std::atomic_bool m_stop{false};
};

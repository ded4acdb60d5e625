#pragma once

// The MP3 part of the announcement, shared by the upload after login and the folder scan. Runs
// on a worker thread: it inspects each file with its own TMPEGAudio and reports every file and
// every finished folder batch as a ShareStep; the main thread sends them.
//
// Grouping. The paths come sorted (SharePathLess). Every run of consecutive paths with the same
// folder is one group; groups are announced from the last run to the first, and the files of a
// group from its last to its first. So a folder whose files are split by a sub-folder's files
// in the sorted order gives two groups ("/A/a.mp3", "/A/b/c.mp3", "/A/d.mp3" announce /A with
// d.mp3, then /A/b with c.mp3, then /A with a.mp3). Folders are compared exactly (see
// sharepath.h): "/M" and "/m" are different folders here.
//
// Each file: size = the inspector's length, bitrate = its bitrate when above 0, else 8, sample
// rate and duration as it found them. A file of length 0 (missing, unreadable, 5 bytes or
// fewer) is not announced. A file whose entry cannot fit one frame even alone with its folder is
// not announced either (a cut message would announce a file that does not exist). A batch is
// handed over when the next entry would make it longer than 2044 bytes, and at the end of the
// group when it holds at least one entry (or always, for the scan: see EmptyBatch).

#include "sharing/mpegaudio.h"
#include "sharing/sharestep.h"

#include <QByteArray>
#include <QList>
#include <atomic>
#include <functional>

class MpegAnnouncer final {
    Q_DISABLE_COPY_MOVE(MpegAnnouncer)

public:
    // Where a stop request is honoured.
    enum class StopCheck {
        // Before every file; the batch being built is dropped (the upload after login).
        BeforeEachFile,
        // Between groups only; a group once begun is finished (the folder scan).
        BetweenGroups,
    };
    // Whether a group's batch goes out at the group's end even when it holds no entry (the scan
    // sends the bare quoted folder then; the upload sends nothing).
    enum class EmptyBatch { Skip, Send };
    MpegAnnouncer(const std::atomic_bool& stop, StopCheck stopCheck, EmptyBatch emptyBatch,
                  ShareStepSink& sink, ShareFileHook hook = {});

    // Announces the sorted paths; false when a stop request ended it early.
    bool run(const QList<QByteArray>& sorted);

    // The groups in announcement order, each with its files in announcement order.
    static QList<QList<QByteArray>> Groups(const QList<QByteArray>& sorted);

private:
    bool announceGroup(const QList<QByteArray>& group);

    const std::atomic_bool& m_stop;
    StopCheck m_stopCheck;
    EmptyBatch m_emptyBatch;
    ShareStepSink& m_sink;
    ShareFileHook m_hook;
    TMPEGAudio m_inspector;
};

#pragma once

// What a share worker (the upload after login, the folder scan) hands to the main thread: one
// step per file handled and per folder batch finished, in the order the worker produced them.
// The main thread carries them out in that order (it sends the frames, adds the rows and the
// shared paths), so the frames leave in exactly the order of the announcement.
//
// Steps travel in chunks, so that tens of thousands of files cost a few hundred queued calls
// rather than one each, and no chunk is big enough to stall the event loop.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <functional>

struct ShareStep {
    enum class Kind {
        // A file other than MP3 was measured: 10300 goes out (size, kind).
        Generic,
        // An MP3 file was inspected; `announced` when its entry went into the folder batch.
        Mpeg,
        // A folder batch is complete: 870 goes out with `batch` as its one field.
        Batch,
    };

    Kind kind = Kind::Generic;
    QByteArray path;
    qint64 size = 0;
    QByteArray fileKind;
    // MP3: the announced values (bitrate 8 when the inspector found none).
    int bitRate = 0;
    int sampleRate = 0;
    qint64 duration = 0;
    bool announced = false;
    QByteArray batch;
};

// Called on a worker thread before each folder entry is looked at and before each file is
// measured or inspected. The program sets none; tests use it to act at a precise moment.
using ShareFileHook = std::function<void(const QByteArray& path)>;

// Collects steps on a worker thread and delivers them in chunks: when a chunk is full, when it
// has waited long enough, and at flush().
class ShareStepSink final {
public:
    using Deliver = std::function<void(QList<ShareStep> steps)>;
    static constexpr qsizetype ChunkSize = 256;
    static constexpr qint64 ChunkMilliseconds = 50;

    explicit ShareStepSink(Deliver deliver)
        : m_deliver(std::move(deliver))
    {
    }
    ~ShareStepSink() { flush(); }
    Q_DISABLE_COPY_MOVE(ShareStepSink)

    void add(ShareStep step)
    {
        if (m_steps.isEmpty())
            m_age.start();
        m_steps.append(std::move(step));
        if (m_steps.size() >= ChunkSize || m_age.elapsed() >= ChunkMilliseconds)
            flush();
    }
    void flush()
    {
        if (m_steps.isEmpty())
            return;
        if (m_deliver)
            m_deliver(std::exchange(m_steps, {}));
        m_steps.clear();
    }

private:
    Deliver m_deliver;
    QList<ShareStep> m_steps;
    QElapsedTimer m_age;
};

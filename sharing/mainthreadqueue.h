#pragma once

// Work that share workers hand to the main thread: carried out in the order it was handed over,
// a slice of at most SliceMs at a time. Between slices the event loop runs its timers, sockets
// and painting, so a worker that runs far ahead (ten thousand small files measured in a blink)
// never freezes the window: a plain queued call per chunk would be worked off in one go, since
// the event loop delivers every event posted before it started before it looks at anything
// else.
//
// A worker posts the end of its phase as the last item, so the end runs after every step the
// phase produced.

#include <QMutex>
#include <QObject>
#include <deque>
#include <functional>

class MainThreadQueue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainThreadQueue)

public:
    static constexpr int SliceMs = 10;

    explicit MainThreadQueue(QObject* parent = nullptr);

    // Any thread.
    void post(std::function<void()> work);
    // Main thread: carries out everything queued, also what the items queue meanwhile (the
    // program's close, which cannot wait for the event loop).
    void drainAll();
    // Main thread: drops what is queued.
    void clear();

private:
    void drainSlice();
    std::function<void()> take();

    QMutex m_mutex;
    std::deque<std::function<void()>> m_items;
    bool m_scheduled = false;
};

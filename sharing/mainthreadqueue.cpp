#include "sharing/mainthreadqueue.h"

#include <QElapsedTimer>
#include <QTimer>

MainThreadQueue::MainThreadQueue(QObject* parent)
    : QObject(parent)
{
}

void MainThreadQueue::post(std::function<void()> work)
{
    QMutexLocker lock(&m_mutex);
    m_items.push_back(std::move(work));
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &MainThreadQueue::drainSlice, Qt::QueuedConnection);
}

std::function<void()> MainThreadQueue::take()
{
    QMutexLocker lock(&m_mutex);
    if (m_items.empty())
        return {};
    std::function<void()> work = std::move(m_items.front());
    m_items.pop_front();
    return work;
}

void MainThreadQueue::drainSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < SliceMs) {
        std::function<void()> work = take();
        if (!work)
            break;
        work();
    }
    QMutexLocker lock(&m_mutex);
    if (m_items.empty()) {
        m_scheduled = false;
        return;
    }
    // The rest after the event loop's next round: a zero timer comes after the events and the
    // timers that are due.
    QTimer::singleShot(0, this, &MainThreadQueue::drainSlice);
}

void MainThreadQueue::drainAll()
{
    while (std::function<void()> work = take())
        work();
}

void MainThreadQueue::clear()
{
    QMutexLocker lock(&m_mutex);
    m_items.clear();
}

#include "protocol/uptimeclock.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The sampling interval when the clock gives no usable elapsed time (a clock that was set
// back, or two samples within one millisecond).
constexpr qint64 NominalSampleMs = 2000;

double rate(quint64 now, quint64 before, qint64 elapsedMs)
{
    // Totals only grow; a smaller total means the counters started over.
    const quint64 moved = now >= before ? now - before : 0;
    return double(moved) * 1000.0 / 1024.0 / double(elapsedMs);
}

} // namespace

UptimeClock::UptimeClock(Now now, QObject* parent)
    : QObject(parent)
    , m_now(std::move(now))
    , m_timer(new QTimer(this))
{
    m_startTime = m_now();
    // The first sample measures from the start.
    m_lastSampleTime = m_startTime;
    m_timer->setInterval(TickMs);
    connect(m_timer, &QTimer::timeout, this, &UptimeClock::tick);
    m_uptime = formatUptime(0);
    m_down = throughputText(u"Down"_s, 0, 0.0, 0);
    m_up = throughputText(u"Up"_s, 0, 0.0, 0);
    m_trayTip = trayTipText(0, 0.0, 0, 0.0);
}

void UptimeClock::start()
{
    m_timer->start();
}

void UptimeClock::stop()
{
    m_timer->stop();
}

bool UptimeClock::isRunning() const
{
    return m_timer->isActive();
}

QString UptimeClock::formatUptime(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    return QString::number(hours).rightJustified(2, u'0') + u':' +
           QString::number(minutes).rightJustified(2, u'0') + u':' +
           QString::number(seconds % 60).rightJustified(2, u'0');
}

QString UptimeClock::throughputText(const QString& label, int active, double kilobytesPerSecond,
                                    quint64 totalBytes)
{
    return label + u": "_s + QString::number(active) + u" ("_s +
           QString::asprintf("%.1f", kilobytesPerSecond) + u"kB/s) "_s +
           QString::asprintf("%.2f", double(totalBytes) / 1048576.0) + u"MB"_s;
}

QString UptimeClock::trayTipText(int downloads, double downRate, int uploads, double upRate)
{
    const QString tip = u"Tavolin v0.2\rD: "_s + QString::number(downloads) + u" ("_s +
                        QString::asprintf("%.1f", downRate) + u") U: "_s +
                        QString::number(uploads) + u" ("_s + QString::asprintf("%.1f", upRate) +
                        u")"_s;
    return tip.left(MaxTrayTipLength);
}

void UptimeClock::tick()
{
    const QDateTime now = m_now();
    const QString uptime = formatUptime(m_startTime.secsTo(now));
    if (uptime != m_uptime) {
        m_uptime = uptime;
        Q_EMIT uptimeChanged(m_uptime);
    }
    if (now.time().second() % 2 != 0)
        return;
    sample(now);
}

void UptimeClock::sample(const QDateTime& now)
{
    const Counters counters = m_counters ? m_counters() : Counters{};
    qint64 elapsedMs = m_lastSampleTime.msecsTo(now);
    if (elapsedMs <= 0)
        elapsedMs = NominalSampleMs;
    const double down = rate(counters.bytesReceived, m_lastReceived, elapsedMs);
    const double up = rate(counters.bytesSent, m_lastSent, elapsedMs);

    m_trayTip = trayTipText(counters.activeDownloads, down, counters.activeUploads, up);
    m_down = throughputText(u"Down"_s, counters.activeDownloads, down, counters.bytesReceived);
    m_up = throughputText(u"Up"_s, counters.activeUploads, up, counters.bytesSent);

    m_lastSampleTime = now;
    m_lastReceived = counters.bytesReceived;
    m_lastSent = counters.bytesSent;
    Q_EMIT throughputChanged();
}

#pragma once

// The main window's once-a-second figures: the uptime (status-bar panel 6), the "Down: ..."
// and "Up: ..." texts of the Transfers page and the tray icon's tip.
//
// Every tick writes the uptime; on even seconds of the clock it also samples the transfer
// counters and recomputes the rates. A rate is the bytes moved since the previous sample over
// the time that really passed since it, in kB/s (so over the usual two seconds the byte
// difference is divided by 2048). The clock and the counters are injected, so that a test can
// stand at any time of day with any totals.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

class QTimer;

class UptimeClock final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UptimeClock)

public:
    // What the transfers report. Totals are 64-bit: a long session passes 4 GB.
    struct Counters {
        int activeDownloads = 0;
        int activeUploads = 0;
        quint64 bytesReceived = 0;
        quint64 bytesSent = 0;
    };
    using Now = std::function<QDateTime()>;
    using CounterSource = std::function<Counters()>;

    static constexpr int TickMs = 1000;
    // The tray tip's length limit.
    static constexpr qsizetype MaxTrayTipLength = 63;

    // The start time is taken now, from `now`.
    explicit UptimeClock(Now now = &QDateTime::currentDateTime, QObject* parent = nullptr);

    // Until this is set every counter reads 0.
    void setCounterSource(CounterSource source) { m_counters = std::move(source); }

    // Starts or stops the 1-second timer.
    void start();
    void stop();
    bool isRunning() const;

    // One timer tick.
    void tick();

    QDateTime startTime() const { return m_startTime; }
    QString uptimeText() const { return m_uptime; }
    QString downText() const { return m_down; }
    QString upText() const { return m_up; }
    QString trayTip() const { return m_trayTip; }

    // Whole hours (at least two digits), then ":mm:ss": 00:05:07, 26:00:01.
    static QString formatUptime(qint64 seconds);
    // "Down: 0 (0.0kB/s) 0.00MB"; label is "Down" or "Up".
    static QString throughputText(const QString& label, int active, double kilobytesPerSecond,
                                  quint64 totalBytes);
    // "Tavolin v0.2\rD: 0 (0.0) U: 0 (0.0)", cut to MaxTrayTipLength.
    static QString trayTipText(int downloads, double downRate, int uploads, double upRate);

Q_SIGNALS:
    void uptimeChanged(const QString& text);
    // Down and Up texts and the tray tip were recomputed.
    void throughputChanged();

private:
    void sample(const QDateTime& now);

    Now m_now;
    CounterSource m_counters;
    QTimer* m_timer;
    QDateTime m_startTime;
    QDateTime m_lastSampleTime;
    quint64 m_lastReceived = 0;
    quint64 m_lastSent = 0;
    QString m_uptime;
    QString m_down;
    QString m_up;
    QString m_trayTip;
};

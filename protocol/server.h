#pragma once

// TServer: the connection record of one server index, from the connect request until its
// release. It owns the TCP socket, the frame reader and the record's one timer (connect
// time-out, reconnect tick or deferred release, one at a time), and keeps what the login and
// the chat learn about the connection. TServers drives it; everything runs on the main thread.
//
// Reading: on readyRead the socket's bytes go through the frame reader in chunks of at most
// ReadChunkSize, and every whole frame is handed to the frame handler at once, in arrival order.
// A handler that ends the connection (stop) ends the batch: no later frame of the batch is
// handled. Memory stays bounded whatever the server sends: the socket's read buffer is capped
// at ReadChunkSize, and the reader holds at most one unfinished frame plus one chunk, as every
// whole frame is handled before the next chunk is read. A frame is at most 4 + 65,535 bytes in
// the first layout; in the second (login only) the reader refuses lengths beyond
// FrameReader::MaxInt32FrameLength. The reader's lazy compaction can keep a consumed prefix no
// larger than the unfinished frame, so the bound is about two frames plus one chunk.
//
// Writing: QTcpSocket's write buffer is the outgoing queue. A frame is handed to it whole, from
// the main thread only, so frames reach the wire whole and in the order they were sent; the
// event loop writes the buffer out as the peer takes it.

#include "protocol/framereader.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <bitset>
#include <functional>

class QTcpSocket;
class QTimer;

class TServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TServer)

public:
    // What the record's timer is armed for.
    enum class TimerMode { Idle, ConnectTimeout, ReconnectTick, DeferredRelease };

    static constexpr qsizetype ReadChunkSize = 64 * 1024;

    using FrameHandler = std::function<void(TServer* record, const Frame& frame)>;

    explicit TServer(int serverIndex, QObject* parent = nullptr);
    ~TServer() override;

    int serverIndex() const { return m_serverIndex; }

    // --- What the login and the chat keep about the connection ---
    QString ownAddress() const { return m_ownAddress; }
    void setOwnAddress(const QString& address) { m_ownAddress = address; }
    QString nickname() const { return m_nickname; }
    void setNickname(const QString& nickname) { m_nickname = nickname; }
    QString password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    // "User" until a server notice announces another level.
    QString userLevel() const { return m_userLevel; }
    void setUserLevel(const QString& level) { m_userLevel = level; }
    // Page numbers of the server's chat pages with unseen activity.
    std::bitset<256>& unreadPages() { return m_unreadPages; }
    // Lines sent from this server's chat input lines; started afresh at each login.
    QStringList& inputHistory() { return m_inputHistory; }
    // Pings still waiting for an answer: send times and nicknames, index by index.
    QStringList& pingTimes() { return m_pingTimes; }
    QStringList& pingedNicknames() { return m_pingedNicknames; }
    // Nicknames on this server's ignore list.
    QStringList& ignoreSet() { return m_ignoreSet; }

    // --- Connection ---
    // Opens a new TCP connection in the given frame layout. A previous connection of this
    // record is dropped without a report. A port outside 1..65535 fails with "Invalid port"
    // from the event loop, as a socket failure would.
    void open(const QString& host, int port, FrameReader::Layout layout);
    // Ends the connection at once (unsent bytes are dropped) and asks for nothing more: no
    // further frame is handled and no failure is reported until the next open().
    void stop();
    bool isStopping() const { return m_stopping; }
    bool isOpen() const;
    FrameReader::Layout layout() const { return m_reader.layout(); }
    // Bytes received but not yet handled: never more than one unfinished frame between reads.
    qsizetype bufferedBytes() const { return m_reader.pendingBytes(); }
    // Writes one whole frame. While the connection is not open (still connecting, or ending)
    // the frame is dropped: a server expects nothing before the login, and nothing is sent
    // after a stop. A write that the socket refuses ends the connection with its reason.
    void writeFrame(const QByteArray& frame);
    void setFrameHandler(FrameHandler handler) { m_frameHandler = std::move(handler); }

    // --- The record's timer ---
    void armTimer(TimerMode mode, int intervalMs);
    void disarmTimer();
    TimerMode timerMode() const { return m_timerMode; }
    bool isTimerArmed() const;

    // --- Reconnect countdown: the Status is prefix + seconds left ---
    void setCountdown(const QString& prefix, int seconds)
    {
        m_countdownPrefix = prefix;
        m_countdownSeconds = seconds;
    }
    QString countdownPrefix() const { return m_countdownPrefix; }
    int countdownSeconds() const { return m_countdownSeconds; }
    void setCountdownSeconds(int seconds) { m_countdownSeconds = seconds; }

    // The reason text for a socket failure, in the form the Status cell shows it.
    static QString reasonForSocketError(QAbstractSocket::SocketError error,
                                        const QString& errorString);

Q_SIGNALS:
    // The TCP connection is open: time to log in.
    void connected();
    // The connection failed or was closed by the server; never emitted after stop().
    void failed(const QString& reason);
    void timerFired(TServer::TimerMode mode);

private:
    void readIncoming();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSocketDisconnected();
    void fail(const QString& reason);
    void dropSocket();

    const int m_serverIndex;
    QString m_ownAddress;
    QString m_nickname;
    QString m_password;
    QString m_userLevel;
    std::bitset<256> m_unreadPages;
    QStringList m_inputHistory;
    QStringList m_pingTimes;
    QStringList m_pingedNicknames;
    QStringList m_ignoreSet;

    QTcpSocket* m_socket = nullptr;
    FrameReader m_reader;
    QByteArray m_chunk;
    FrameHandler m_frameHandler;
    bool m_stopping = true;
    // Counts open() calls, so that a failure queued for an older connection is not reported.
    quint64 m_generation = 0;

    QTimer* m_timer = nullptr;
    TimerMode m_timerMode = TimerMode::Idle;
    QString m_countdownPrefix;
    int m_countdownSeconds = 0;
};

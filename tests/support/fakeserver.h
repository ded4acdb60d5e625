#pragma once

// A fake OpenNap server for tests, living in the test's own thread. It listens on 127.0.0.1
// with a port chosen by the system, accepts any number of connections, records every frame
// each connection sends and answers as the test scripts it.
//
// Everything is signal-driven on the test's event loop: no threads and no blocking waits on
// its own sockets, so a client in the same thread makes progress whenever the test waits
// (QSignalSpy::wait, QTRY_*, or the wait helpers below, which spin an event loop).
//
// Connections are numbered from 0 in the order they were accepted. A connection keeps its
// number and its record of frames after it has closed.

#include "protocol/framereader.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;

class FakeServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeServer)

public:
    static constexpr int AnyConnection = -1;
    static constexpr int DefaultTimeoutMs = 5000;

    explicit FakeServer(FrameReader::Layout layout = FrameReader::Layout::Word16,
                        QObject* parent = nullptr);
    ~FakeServer() override;

    bool isListening() const;
    QHostAddress address() const { return QHostAddress(QHostAddress::LocalHost); }
    quint16 port() const;

    // --- Connections ---
    int connectionCount() const { return int(m_connections.size()); }
    bool isConnected(int connection) const;
    // The server side socket, for tests that need more than this class offers.
    QTcpSocket* socket(int connection) const;
    // Waits until at least `count` connections have been accepted.
    bool waitForConnections(int count, int timeoutMs = DefaultTimeoutMs);
    // Waits until the connection has closed (from either side).
    bool waitForDisconnected(int connection, int timeoutMs = DefaultTimeoutMs);

    // --- What the clients sent ---
    QList<Frame> frames(int connection) const;
    // The oldest received frame of this type that no earlier waitForFrame returned, waiting
    // for it if needed; nothing when none arrives in time. Successive calls for the same type
    // return successive frames.
    std::optional<Frame> waitForFrame(quint32 type, int timeoutMs = DefaultTimeoutMs,
                                      int connection = AnyConnection);

    // --- Script ---
    // Whenever a frame of `type` arrives, answer on the same connection with `answer`, in order.
    void setAutoReply(quint32 type, const QList<Frame>& answer);
    void clearAutoReplies() { m_autoReplies.clear(); }

    // --- Sending ---
    void send(int connection, quint32 type, const QByteArray& payload = {});
    void sendRaw(int connection, const QByteArray& bytes);
    // Splits everything sent from now on into chunks of these sizes (cycling through the list
    // per connection, independent of frame boundaries). Each chunk is written and flushed on
    // its own timer tick, so that a same-thread client reads it separately. An empty list (or
    // a size of 0) writes everything at once again.
    void setWriteChunking(const QList<qsizetype>& chunkSizes);
    void setWriteChunking(qsizetype chunkSize);
    // Waits until everything queued for the connection has reached the socket layer.
    bool waitForSent(int connection, int timeoutMs = DefaultTimeoutMs);

    // --- Ending and misbehaving ---
    // Orderly close (FIN) once everything already queued has been written.
    void close(int connection);
    // Immediate reset (RST): queued bytes are dropped.
    void abort(int connection);
    // Goes silent: stops reading (the client's writes back up), stops answering and stops
    // sending queued chunks, keeping the connection open. resume() undoes it.
    void stall(int connection);
    void resume(int connection);

    // Frame bytes in the given layout, with no cap on the payload other than the layout's own
    // (the client caps what it sends; a server may send up to 65535 payload bytes).
    static QByteArray encode(quint32 type, const QByteArray& payload,
                             FrameReader::Layout layout = FrameReader::Layout::Word16);
    // Just a header announcing `payloadLength` bytes, for partial or lying frames.
    static QByteArray encodeHeader(quint32 type, quint32 payloadLength,
                                   FrameReader::Layout layout = FrameReader::Layout::Word16);

Q_SIGNALS:
    void connectionAccepted(int connection);
    void frameReceived(int connection, const Frame& frame);
    void connectionClosed(int connection);
    // Any change that a wait helper may be waiting for.
    void changed();

private:
    struct Connection;
    struct Received {
        int connection = 0;
        Frame frame;
        bool taken = false; // already returned by waitForFrame
    };

    Connection* find(int connection) const;
    void acceptPending();
    void readIncoming(int connection);
    void markClosed(int connection);
    void queueWrite(int connection, const QByteArray& bytes);
    void writeQueued(int connection);
    bool isDrained(int connection) const;
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);

    FrameReader::Layout m_layout;
    QTcpServer* m_server = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections;
    QList<Received> m_received;
    QHash<quint32, QList<Frame>> m_autoReplies;
    QList<qsizetype> m_chunkSizes;
};

// Readable QCOMPARE output for frames.
char* toString(const Frame& frame);

#include "tests/support/fakeserver.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace {

// Pause between two chunks of a chunked write. Any positive pause lets the event loop poll
// the client's socket (and the client read the chunk) before the next chunk is written; a
// zero-interval timer could be serviced in the same pass as the client's read notifier.
constexpr int ChunkIntervalMs = 1;

void appendLe(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

} // namespace

struct FakeServer::Connection {
    explicit Connection(FrameReader::Layout layout)
        : reader(layout)
    {
    }

    QTcpSocket* socket = nullptr;
    QTimer* chunkTimer = nullptr;
    FrameReader reader;
    QByteArray unsent;       // queued by send()/sendRaw(), waiting for its chunk's turn
    qsizetype nextChunk = 0; // index into m_chunkSizes
    bool open = true;
    bool stalled = false;
    bool closeWhenSent = false;
};

FakeServer::FakeServer(FrameReader::Layout layout, QObject* parent)
    : QObject(parent)
    , m_layout(layout)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeServer::acceptPending);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qWarning("FakeServer: cannot listen: %s", qPrintable(m_server->errorString()));
}

FakeServer::~FakeServer()
{
    // The sockets die with their QObject parents after this body; make sure none of their
    // last signals reaches the connection records, which are gone by then.
    for (const auto& connection : m_connections) {
        connection->socket->disconnect(this);
        connection->socket->abort();
    }
}

bool FakeServer::isListening() const
{
    return m_server->isListening();
}

quint16 FakeServer::port() const
{
    return m_server->serverPort();
}

FakeServer::Connection* FakeServer::find(int connection) const
{
    if (connection < 0 || connection >= connectionCount()) {
        qWarning("FakeServer: no connection %d", connection);
        return nullptr;
    }
    return m_connections[size_t(connection)].get();
}

bool FakeServer::isConnected(int connection) const
{
    const Connection* c = find(connection);
    return c && c->open;
}

QTcpSocket* FakeServer::socket(int connection) const
{
    const Connection* c = find(connection);
    return c ? c->socket : nullptr;
}

void FakeServer::acceptPending()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const int index = connectionCount();
        auto connection = std::make_unique<Connection>(m_layout);
        connection->socket = socket;
        connection->chunkTimer = new QTimer(this);
        connection->chunkTimer->setTimerType(Qt::PreciseTimer);
        connection->chunkTimer->setInterval(ChunkIntervalMs);
        m_connections.push_back(std::move(connection));

        connect(socket, &QTcpSocket::readyRead, this, [this, index] { readIncoming(index); });
        connect(socket, &QTcpSocket::bytesWritten, this, &FakeServer::changed);
        connect(socket, &QTcpSocket::disconnected, this, [this, index] {
            readIncoming(index); // what arrived just before the end still counts
            markClosed(index);
        });
        connect(m_connections.back()->chunkTimer, &QTimer::timeout, this,
                [this, index] { writeQueued(index); });

        Q_EMIT connectionAccepted(index);
        Q_EMIT changed();
        readIncoming(index); // bytes may have come with the connection
    }
}

void FakeServer::readIncoming(int connection)
{
    Connection* c = find(connection);
    if (!c || c->stalled)
        return;
    c->reader.append(c->socket->readAll());
    while (auto frame = c->reader.next()) {
        m_received.append({connection, *frame, false});
        const auto reply = m_autoReplies.constFind(frame->type);
        if (reply != m_autoReplies.cend()) {
            for (const Frame& answer : *reply)
                queueWrite(connection, encode(answer.type, answer.payload, m_layout));
        }
        Q_EMIT frameReceived(connection, *frame);
        Q_EMIT changed();
    }
    if (c->reader.isMalformed() && c->open)
        abort(connection);
}

void FakeServer::markClosed(int connection)
{
    Connection* c = find(connection);
    if (!c || !c->open)
        return;
    c->open = false;
    c->chunkTimer->stop();
    Q_EMIT connectionClosed(connection);
    Q_EMIT changed();
}

bool FakeServer::waitForConnections(int count, int timeoutMs)
{
    return waitUntil([this, count] { return connectionCount() >= count; }, timeoutMs);
}

bool FakeServer::waitForDisconnected(int connection, int timeoutMs)
{
    if (!find(connection))
        return false;
    return waitUntil([this, connection] { return !m_connections[size_t(connection)]->open; },
                     timeoutMs);
}

QList<Frame> FakeServer::frames(int connection) const
{
    QList<Frame> result;
    for (const Received& received : m_received) {
        if (received.connection == connection)
            result.append(received.frame);
    }
    return result;
}

std::optional<Frame> FakeServer::waitForFrame(quint32 type, int timeoutMs, int connection)
{
    const auto untaken = [this, type, connection] {
        for (qsizetype i = 0; i < m_received.size(); ++i) {
            const Received& r = m_received[i];
            if (!r.taken && r.frame.type == type &&
                (connection == AnyConnection || r.connection == connection))
                return i;
        }
        return qsizetype(-1);
    };
    if (!waitUntil([&untaken] { return untaken() >= 0; }, timeoutMs))
        return std::nullopt;
    Received& found = m_received[untaken()];
    found.taken = true;
    return found.frame;
}

void FakeServer::setAutoReply(quint32 type, const QList<Frame>& answer)
{
    m_autoReplies.insert(type, answer);
}

void FakeServer::send(int connection, quint32 type, const QByteArray& payload)
{
    queueWrite(connection, encode(type, payload, m_layout));
}

void FakeServer::sendRaw(int connection, const QByteArray& bytes)
{
    queueWrite(connection, bytes);
}

void FakeServer::setWriteChunking(const QList<qsizetype>& chunkSizes)
{
    m_chunkSizes.clear();
    for (qsizetype size : chunkSizes) {
        if (size > 0)
            m_chunkSizes.append(size);
    }
    for (const auto& c : m_connections)
        c->nextChunk = 0;
}

void FakeServer::setWriteChunking(qsizetype chunkSize)
{
    setWriteChunking(QList<qsizetype>{chunkSize});
}

void FakeServer::queueWrite(int connection, const QByteArray& bytes)
{
    Connection* c = find(connection);
    if (!c || !c->open) {
        qWarning("FakeServer: connection %d is closed, nothing sent", connection);
        return;
    }
    c->unsent.append(bytes);
    if (c->stalled)
        return;
    if (m_chunkSizes.isEmpty())
        writeQueued(connection);
    else if (!c->chunkTimer->isActive())
        c->chunkTimer->start(); // the first chunk goes out on the next tick, like every other
}

void FakeServer::writeQueued(int connection)
{
    Connection* c = find(connection);
    if (!c || !c->open || c->stalled)
        return;
    if (!c->unsent.isEmpty()) {
        qsizetype size = c->unsent.size();
        if (!m_chunkSizes.isEmpty()) {
            c->nextChunk %= m_chunkSizes.size();
            size = qMin(size, m_chunkSizes[c->nextChunk++]);
        }
        c->socket->write(c->unsent.constData(), size);
        c->unsent.remove(0, size);
        c->socket->flush();
    }
    if (c->unsent.isEmpty()) {
        c->chunkTimer->stop();
        if (c->closeWhenSent)
            c->socket->disconnectFromHost();
    } else if (!c->chunkTimer->isActive()) {
        c->chunkTimer->start();
    }
    Q_EMIT changed();
}

bool FakeServer::isDrained(int connection) const
{
    const Connection* c = m_connections[size_t(connection)].get();
    return c->unsent.isEmpty() && (!c->open || c->socket->bytesToWrite() == 0);
}

bool FakeServer::waitForSent(int connection, int timeoutMs)
{
    if (!find(connection))
        return false;
    return waitUntil([this, connection] { return isDrained(connection); }, timeoutMs);
}

void FakeServer::close(int connection)
{
    Connection* c = find(connection);
    if (!c || !c->open)
        return;
    if (c->unsent.isEmpty() || c->stalled) {
        // A stalled connection would never send its queue; closing it drops the queue.
        c->unsent.clear();
        c->socket->disconnectFromHost();
    } else {
        c->closeWhenSent = true;
    }
}

void FakeServer::abort(int connection)
{
    Connection* c = find(connection);
    if (!c || !c->open)
        return;
    c->unsent.clear();
    c->chunkTimer->stop();
    // The connection is over for us: no late readyRead or disconnected from the dying socket.
    c->socket->disconnect(this);
    // A zero linger time makes close() send a reset instead of an orderly end of stream.
    const qintptr fd = c->socket->socketDescriptor();
    if (fd != -1) {
        const linger noLinger{1, 0};
        ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    }
    c->socket->abort();
    markClosed(connection);
}

void FakeServer::stall(int connection)
{
    Connection* c = find(connection);
    if (!c)
        return;
    c->stalled = true;
    c->chunkTimer->stop();
    // Once Qt's buffer for the socket holds a byte it stops reading from the system, so the
    // client's writes back up in the kernel and then in the client.
    c->socket->setReadBufferSize(1);
}

void FakeServer::resume(int connection)
{
    Connection* c = find(connection);
    if (!c || !c->stalled)
        return;
    c->stalled = false;
    c->socket->setReadBufferSize(0);
    readIncoming(connection);
    if (!c->unsent.isEmpty()) {
        if (m_chunkSizes.isEmpty())
            writeQueued(connection);
        else
            c->chunkTimer->start();
    }
}

bool FakeServer::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &FakeServer::changed, &loop, [&loop, &done] {
        if (done())
            loop.quit();
    });
    timeout.start(timeoutMs);
    loop.exec();
    return done();
}

QByteArray FakeServer::encodeHeader(quint32 type, quint32 payloadLength, FrameReader::Layout layout)
{
    QByteArray header;
    if (layout == FrameReader::Layout::Word16) {
        if (payloadLength > 0xffff || type > 0xffff)
            qFatal("FakeServer: length %u or type %u does not fit a 16-bit header", payloadLength,
                   type);
        appendLe(header, payloadLength, 2);
        appendLe(header, type, 2);
    } else {
        if (payloadLength > 0xffffffffu - 4)
            qFatal("FakeServer: length %u does not fit a 32-bit header", payloadLength);
        appendLe(header, payloadLength + 4, 4);
        appendLe(header, type, 4);
    }
    return header;
}

QByteArray FakeServer::encode(quint32 type, const QByteArray& payload, FrameReader::Layout layout)
{
    return encodeHeader(type, quint32(payload.size()), layout) + payload;
}

char* toString(const Frame& frame)
{
    constexpr qsizetype shown = 48;
    QByteArray text = "Frame(type " + QByteArray::number(frame.type) + ", " +
                      QByteArray::number(frame.payload.size()) + " bytes: \"";
    for (char ch : frame.payload.left(shown)) {
        const auto byte = uchar(ch);
        if (byte >= 0x20 && byte < 0x7f && ch != '"' && ch != '\\')
            text.append(ch);
        else
            text.append("\\x" + QByteArray::number(byte, 16).rightJustified(2, '0'));
    }
    text.append(frame.payload.size() > shown ? "\"...)" : "\")");
    return qstrdup(text.constData());
}

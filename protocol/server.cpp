#include "protocol/server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

TServer::TServer(int serverIndex, QObject* parent)
    : QObject(parent)
    , m_serverIndex(serverIndex)
    , m_userLevel(u"User"_s)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, [this] {
        const TimerMode mode = m_timerMode;
        if (m_timer->isSingleShot())
            m_timerMode = TimerMode::Idle;
        Q_EMIT timerFired(mode);
    });
}

TServer::~TServer()
{
    dropSocket();
}

bool TServer::isOpen() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void TServer::open(const QString& host, int port, FrameReader::Layout layout)
{
    dropSocket();
    ++m_generation;
    m_stopping = false;
    m_reader = FrameReader(layout);

    if (port < 1 || port > 65535) {
        // Reported from the event loop, like any socket failure, so that the caller finishes
        // starting the connection before it ends.
        QTimer::singleShot(0, this, [this, generation = m_generation] {
            if (generation == m_generation && !m_stopping)
                fail(u"Invalid port"_s); // TServers::InvalidPortReason
        });
        return;
    }

    m_socket = new QTcpSocket(this);
    // Bounds what the socket slurps from the kernel between two reads of ours; the rest waits
    // in the kernel (and, beyond that, at the server).
    m_socket->setReadBufferSize(ReadChunkSize);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        if (!m_stopping)
            Q_EMIT connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &TServer::readIncoming);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TServer::onSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, &TServer::onSocketDisconnected);
    m_socket->connectToHost(host, quint16(port));
}

void TServer::stop()
{
    m_stopping = true;
    dropSocket();
    m_reader.clear();
}

void TServer::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    // Later, not now: we may be inside one of its signals.
    socket->deleteLater();
}

void TServer::writeFrame(const QByteArray& frame)
{
    if (m_stopping || !isOpen())
        return;
    // QTcpSocket buffers the whole frame (or refuses it whole), so frames never interleave.
    if (m_socket->write(frame) != frame.size())
        fail(reasonForSocketError(m_socket->error(), m_socket->errorString()));
}

void TServer::readIncoming()
{
    QPointer<TServer> self(this);
    QTcpSocket* const socket = m_socket;
    while (socket && !m_stopping) {
        std::optional<Frame> frame = m_reader.next();
        if (!frame) {
            if (m_reader.isMalformed()) {
                fail(u"Invalid data from server"_s);
                return;
            }
            if (socket->bytesAvailable() <= 0)
                return;
            // The reader holds no whole frame now, so it grows by one chunk at most.
            m_chunk.resize(ReadChunkSize);
            const qint64 got = socket->read(m_chunk.data(), ReadChunkSize);
            if (got <= 0)
                return;
            m_reader.append(m_chunk.constData(), qsizetype(got));
            continue;
        }
        if (m_frameHandler)
            m_frameHandler(this, *frame);
        // The handler may have ended the connection, opened a new one or released the record.
        if (!self || socket != m_socket)
            return;
    }
}

void TServer::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_stopping || !m_socket)
        return;
    // Frames that arrived before the failure are handled first: a server that sends its
    // error message and then closes must be seen to have said it.
    const QString reason = reasonForSocketError(error, m_socket->errorString());
    QPointer<TServer> self(this);
    readIncoming();
    if (self && !m_stopping)
        fail(reason);
}

void TServer::onSocketDisconnected()
{
    if (m_stopping || !m_socket)
        return;
    QPointer<TServer> self(this);
    readIncoming();
    if (self && !m_stopping)
        fail(reasonForSocketError(QAbstractSocket::RemoteHostClosedError, {}));
}

void TServer::fail(const QString& reason)
{
    if (m_stopping)
        return;
    Q_EMIT failed(reason);
}

void TServer::armTimer(TimerMode mode, int intervalMs)
{
    m_timer->stop();
    m_timerMode = mode;
    if (mode == TimerMode::Idle)
        return;
    m_timer->setSingleShot(mode != TimerMode::ReconnectTick);
    m_timer->start(qMax(0, intervalMs));
}

void TServer::disarmTimer()
{
    m_timer->stop();
    m_timerMode = TimerMode::Idle;
}

bool TServer::isTimerArmed() const
{
    return m_timer->isActive();
}

QString TServer::reasonForSocketError(QAbstractSocket::SocketError error,
                                      const QString& errorString)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return u"Connection refused"_s;
    case QAbstractSocket::HostNotFoundError:
        return u"Host not found"_s;
    case QAbstractSocket::RemoteHostClosedError:
        // An orderly close, or a reset while we were connected: the server ended it either way.
        return u"Connection closed by server"_s;
    default:
        break;
    }
    // The description up to its first full stop, as a Status cell shows a reason.
    QString reason = errorString;
    const qsizetype stop = reason.indexOf(u'.');
    if (stop >= 0)
        reason.truncate(stop);
    reason = reason.trimmed();
    return reason.isEmpty() ? u"Connection failed"_s : reason;
}

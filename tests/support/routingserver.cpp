#include "tests/support/routingserver.h"

#include "protocol/wireformat.h"

#include <QFile>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <sys/socket.h>
#include <utility>

namespace {

// A client that was asked to go but keeps its receive window shut would hold an orderly close
// open for ever; after this long it is reset instead.
constexpr int CloseGraceMs = 10000;

constexpr quint16 MsgError = 0;
constexpr quint16 MsgLogin = 2;
constexpr quint16 MsgLoginAck = 3;
constexpr quint16 MsgNewUserLogin = 6;
constexpr quint16 MsgNicknameCheck = 7;
constexpr quint16 MsgNicknameFree = 8;
constexpr quint16 MsgNicknameRegistered = 9;
constexpr quint16 MsgNicknameInvalid = 10;
constexpr quint16 MsgStatistics = 214;
constexpr quint16 MsgNotice = 404;
constexpr quint16 MsgMotd = 621;

constexpr qsizetype MaxPayload = 65535;

} // namespace

RoutingServer::RoutingServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_motd(defaultMotd())
{
    connect(m_server, &QTcpServer::newConnection, this, &RoutingServer::acceptPending);
    installHandlers();
}

RoutingServer::~RoutingServer()
{
    // The sockets are children of m_server and outlive this body; keep their last signals
    // away from the session records, which die first.
    for (const auto& [id, session] : m_sessions) {
        if (!session->socket)
            continue;
        session->socket->disconnect(this);
        session->socket->abort();
    }
}

bool RoutingServer::listen(const QHostAddress& address, quint16 port)
{
    return m_server->listen(address, port);
}

bool RoutingServer::isListening() const
{
    return m_server->isListening();
}

QHostAddress RoutingServer::address() const
{
    return m_server->serverAddress();
}

quint16 RoutingServer::port() const
{
    return m_server->serverPort();
}

QString RoutingServer::errorString() const
{
    return m_server->errorString();
}

QByteArrayList RoutingServer::defaultMotd()
{
    return {QByteArrayLiteral("Welcome to the Tavolin test server."),
            QByteArrayLiteral("Nothing here is real: share, search and chat freely.")};
}

// --- Message table ---

void RoutingServer::installHandlers()
{
    setHandler(MsgLogin, Access::Anyone, [this](Session& session, const QByteArray& payload) {
        handleLogin(session, payload, false);
    });
    setHandler(MsgNewUserLogin, Access::Anyone,
               [this](Session& session, const QByteArray& payload) {
                   handleLogin(session, payload, true);
               });
    setHandler(MsgNicknameCheck, Access::Anyone,
               [this](Session& session, const QByteArray& payload) {
                   handleNicknameCheck(session, payload);
               });
    setHandler(MsgStatistics, Access::LoggedIn, [this](Session& session, const QByteArray&) {
        send(session, MsgStatistics, statistics());
    });
}

void RoutingServer::setHandler(quint16 type, Access access, Handler handler)
{
    if (handler)
        m_routes.insert(type, Route{access, std::move(handler)});
    else
        m_routes.remove(type);
}

void RoutingServer::dispatch(Session& session, const Frame& frame)
{
    Q_EMIT frameReceived(session.id, frame);
    const auto route = m_routes.constFind(quint16(frame.type));
    if (route == m_routes.cend()) {
        // Before the login a client is nobody: it gets no answers beyond the login's own.
        if (session.loggedIn)
            send(session, MsgNotice,
                 QByteArrayLiteral("unknown command code ") + QByteArray::number(frame.type));
        return;
    }
    if (route->access == Access::LoggedIn && !session.loggedIn)
        return;
    // A handler may replace the table (setHandler); keep this one alive for its own call.
    const Handler handler = route->handler;
    handler(session, frame.payload);
}

// --- Connections ---

void RoutingServer::acceptPending()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const quint64 id = m_nextId++;
        auto session = std::make_unique<Session>();
        session->id = id;
        session->socket = socket;
        bool isV4 = false;
        const quint32 v4 = socket->peerAddress().toIPv4Address(&isV4);
        session->address = isV4 ? QHostAddress(v4) : socket->peerAddress();
        m_sessions.emplace(id, std::move(session));

        connect(socket, &QTcpSocket::readyRead, this, [this, id] { readIncoming(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { socketClosed(id); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, id, socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState)
                socketClosed(id);
        });
        Q_EMIT connectionOpened(id, socket->peerAddress(), socket->peerPort());
        // Bytes may have arrived before the readyRead connection existed.
        if (socket->bytesAvailable() > 0)
            readIncoming(id);
    }
}

RoutingServer::Session* RoutingServer::findSession(quint64 id) const
{
    const auto it = m_sessions.find(id);
    return it == m_sessions.end() ? nullptr : it->second.get();
}

void RoutingServer::readIncoming(quint64 id)
{
    Session* session = findSession(id);
    if (!session || !session->socket)
        return;
    const QByteArray bytes = session->socket->readAll();
    if (session->closing)
        return;
    session->reader.append(bytes);
    // Session records are freed only from the event loop, so `session` stays valid even when
    // a handler closes it; it just stops the loop.
    while (!session->closing) {
        std::optional<Frame> frame = session->reader.next();
        if (!frame)
            break;
        dispatch(*session, *frame);
    }
}

void RoutingServer::forget(Session& session)
{
    if (!session.loggedIn)
        return;
    session.loggedIn = false;
    const QByteArray k = key(session.nickname);
    if (m_online.value(k) == &session)
        m_online.remove(k);
    Q_EMIT userLoggedOut(session.id, session.nickname);
}

void RoutingServer::socketClosed(quint64 id)
{
    Session* session = findSession(id);
    if (!session || !session->socket)
        return;
    forget(*session);
    session->closing = true;
    QTcpSocket* socket = std::exchange(session->socket, nullptr);
    socket->disconnect(this);
    socket->deleteLater();
    Q_EMIT connectionClosed(id);
    // Not now: a handler further up the stack may still hold the record.
    QMetaObject::invokeMethod(
        this, [this, id] { m_sessions.erase(id); }, Qt::QueuedConnection);
}

void RoutingServer::send(Session& session, quint16 type, const QByteArray& payload)
{
    if (session.closing || !session.socket)
        return;
    const QByteArray body = payload.left(MaxPayload);
    session.socket->write(PackWord16(int(body.size())) + PackWord16(type) + body);
    Q_EMIT frameSent(session.id, Frame{type, body});
    if (session.socket->bytesToWrite() > m_maxPendingOutput)
        close(session, CloseMode::Abort);
}

void RoutingServer::close(Session& session, CloseMode mode)
{
    if (session.closing || !session.socket)
        return;
    forget(session);
    session.closing = true;
    QTcpSocket* socket = session.socket;
    if (mode == CloseMode::Orderly) {
        QTimer::singleShot(CloseGraceMs, socket, [socket] { socket->abort(); });
        socket->disconnectFromHost();
        return;
    }
    // Without lingering, closing sends a reset rather than a FIN, which is what a crashed
    // or killed server looks like to the client.
    const qintptr fd = socket->socketDescriptor();
    if (fd != -1) {
        const linger noLinger{1, 0};
        ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    }
    socket->abort();
    socketClosed(session.id); // in case abort() did not report it
}

// --- Login ---

bool RoutingServer::isValidNickname(const QByteArray& nickname)
{
    if (nickname.isEmpty() || nickname.size() > MaxNicknameLength)
        return false;
    return std::all_of(nickname.cbegin(), nickname.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7f;
    });
}

void RoutingServer::refuse(Session& session, quint16 type, const QByteArray& text)
{
    send(session, type, text);
    close(session, CloseMode::Orderly);
}

void RoutingServer::handleLogin(Session& session, const QByteArray& payload, bool registering)
{
    // One login per connection; a repeated one is ignored.
    if (session.loggedIn)
        return;
    // nickname, password, data port, "version", line speed
    const QByteArrayList fields = SplitFields(payload, 5);
    const QByteArray& nickname = fields[0];
    const QByteArray& password = fields[1];
    if (!isValidNickname(nickname))
        return refuse(session, MsgNicknameInvalid, {});
    const QByteArray k = key(nickname);
    if (m_online.contains(k))
        return refuse(session, MsgError, NicknameInUseText);
    const auto account = m_registered.constFind(k);
    if (registering) {
        if (account != m_registered.cend())
            return refuse(session, MsgError, AlreadyRegisteredText);
        // An empty password would let anybody log in as the new owner.
        if (password.isEmpty())
            return refuse(session, MsgError, InvalidPasswordText);
        registerNickname(nickname, password);
    } else if (account != m_registered.cend() && account->password != password) {
        return refuse(session, MsgError, InvalidPasswordText);
    }

    session.loggedIn = true;
    session.nickname = nickname;
    session.dataPort = fields[2].toUShort(); // 0 when it is not a port number
    session.version = fields[3];
    session.lineSpeed = fields[4].toInt();
    m_online.insert(k, &session);
    Q_EMIT userLoggedIn(session.id, nickname);

    send(session, MsgLoginAck, QByteArrayLiteral("anon@") + session.address.toString().toLatin1());
    sendMotd(session);
    send(session, MsgStatistics, statistics());
}

void RoutingServer::handleNicknameCheck(Session& session, const QByteArray& payload)
{
    const QByteArray nickname = SplitFields(payload, 2)[0];
    if (!isValidNickname(nickname))
        send(session, MsgNicknameInvalid);
    else if (m_registered.contains(key(nickname)) || m_online.contains(key(nickname)))
        send(session, MsgNicknameRegistered); // taken either way: not free to register
    else
        send(session, MsgNicknameFree);
}

void RoutingServer::sendMotd(Session& session)
{
    for (const QByteArray& line : std::as_const(m_motd))
        send(session, MsgMotd, line);
}

QByteArray RoutingServer::statistics() const
{
    qint64 files = 0;
    qint64 bytes = 0;
    for (const Session* session : m_online) {
        files += session->sharedFiles;
        bytes += session->sharedBytes;
    }
    return QByteArray::number(userCount()) + ' ' + QByteArray::number(files) + ' ' +
           QByteArray::number(bytes / (qint64(1) << 30));
}

// --- Registered nicknames ---

void RoutingServer::registerNickname(const QByteArray& nickname, const QByteArray& password)
{
    m_registered.insert(key(nickname), Account{nickname, password});
    if (!m_usersFile.isEmpty() && !saveUsers())
        qWarning("RoutingServer: cannot write %s", qPrintable(m_usersFile));
}

bool RoutingServer::isRegistered(const QByteArray& nickname) const
{
    return m_registered.contains(key(nickname));
}

bool RoutingServer::setUsersFile(const QString& path)
{
    m_usersFile = path;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // "nickname password" per line; anything else is skipped.
    while (!file.atEnd()) {
        const QByteArrayList fields = file.readLine().trimmed().split(' ');
        if (fields.size() != 2 || !isValidNickname(fields[0]) || fields[1].isEmpty())
            continue;
        m_registered.insert(key(fields[0]), Account{fields[0], fields[1]});
    }
    return true;
}

bool RoutingServer::saveUsers() const
{
    QByteArrayList keys = m_registered.keys();
    std::sort(keys.begin(), keys.end());
    QSaveFile file(m_usersFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& k : std::as_const(keys)) {
        const Account& account = m_registered[k];
        file.write(account.nickname + ' ' + account.password + '\n');
    }
    return file.commit();
}

// --- Administration ---

bool RoutingServer::isLoggedIn(const QByteArray& nickname) const
{
    return m_online.contains(key(nickname));
}

QByteArrayList RoutingServer::loggedInNicknames() const
{
    QByteArrayList nicknames;
    for (const Session* session : m_online)
        nicknames.append(session->nickname);
    std::sort(nicknames.begin(), nicknames.end());
    return nicknames;
}

RoutingServer::Session* RoutingServer::findUser(const QByteArray& nickname) const
{
    return m_online.value(key(nickname));
}

bool RoutingServer::sendTo(const QByteArray& nickname, quint16 type, const QByteArray& payload)
{
    Session* session = findUser(nickname);
    if (!session)
        return false;
    send(*session, type, payload);
    return true;
}

bool RoutingServer::sendNotice(const QByteArray& nickname, const QByteArray& text)
{
    return sendTo(nickname, MsgNotice, text);
}

bool RoutingServer::closeUser(const QByteArray& nickname, CloseMode mode)
{
    Session* session = findUser(nickname);
    if (!session)
        return false;
    close(*session, mode);
    return true;
}

void RoutingServer::broadcast(quint16 type, const QByteArray& payload)
{
    // A copy: sending may drop a client that does not read, which edits m_online.
    const QList<Session*> sessions = m_online.values();
    for (Session* session : sessions)
        send(*session, type, payload);
}

void RoutingServer::broadcastMotd()
{
    const QList<Session*> sessions = m_online.values();
    for (Session* session : sessions)
        sendMotd(*session);
}

#include "tests/support/routingserver.h"

#include "protocol/wireformat.h"

#include <QDateTime>
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
constexpr quint16 MsgShareFile = 100;
constexpr quint16 MsgUnshareFile = 102;
constexpr quint16 MsgUnshareAll = 110;
constexpr quint16 MsgShareFolder = 870;
constexpr quint16 MsgShareGeneric = 10300;
constexpr quint16 MsgNotice = 404;
constexpr quint16 MsgMotd = 621;

// Chat.
constexpr quint16 MsgPrivate = 205;
constexpr quint16 MsgHotlistAdd = 207;
constexpr quint16 MsgHotlistLogin = 208;
constexpr quint16 MsgSignedOn = 209;
constexpr quint16 MsgSignedOff = 210;
constexpr quint16 MsgHotlistAccepted = 301;
constexpr quint16 MsgHotlistRefused = 302;
constexpr quint16 MsgHotlistRemove = 303;
constexpr quint16 MsgIgnore = 322;
constexpr quint16 MsgUnignore = 323;
constexpr quint16 MsgNotIgnored = 324;
constexpr quint16 MsgAlreadyIgnored = 325;
constexpr quint16 MsgClearIgnore = 326;
constexpr quint16 MsgJoin = 400;
constexpr quint16 MsgPart = 401;
constexpr quint16 MsgPublicSend = 402;
constexpr quint16 MsgPublic = 403;
constexpr quint16 MsgJoined = 405;
constexpr quint16 MsgUserJoined = 406;
constexpr quint16 MsgUserLeft = 407;
constexpr quint16 MsgUserListEntry = 408;
constexpr quint16 MsgUserListEnd = 409;
constexpr quint16 MsgTopic = 410;
constexpr quint16 MsgWhois = 603;
constexpr quint16 MsgWhoisAnswer = 604;
constexpr quint16 MsgListChannels = 617;
constexpr quint16 MsgChannelEntry = 618;
constexpr quint16 MsgServerPing = 750;
constexpr quint16 MsgPing = 751;
constexpr quint16 MsgPong = 752;
constexpr quint16 MsgEmote = 824;
constexpr quint16 MsgLinks = 10112;

// The first word of a payload (all of it without a space) and what follows that space.
// Every field of a payload, quote-aware, however many there are (a folder batch holds more
// than SplitFields would cut).
QByteArrayList AllFields(const QByteArray& payload)
{
    QByteArrayList fields{QByteArray()};
    bool quoted = false;
    for (const char c : payload) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ' ' && !quoted)
            fields.append(QByteArray());
        else
            fields.last().append(c);
    }
    return fields;
}

QByteArray Head(const QByteArray& payload)
{
    const qsizetype space = payload.indexOf(' ');
    return space < 0 ? payload : payload.left(space);
}

QByteArray Tail(const QByteArray& payload)
{
    const qsizetype space = payload.indexOf(' ');
    return space < 0 ? QByteArray() : payload.mid(space + 1);
}

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
    installChatHandlers();
    installShareHandlers();
}

// Shares only count towards the statistics; a client's files are kept by path so that a
// repeated announcement or an unshare keeps the totals right.
void RoutingServer::installShareHandlers()
{
    const auto share = [](Session& session, const QByteArray& path, const QByteArray& size) {
        if (!path.isEmpty() && session.shares.size() < MaxSharesPerUser)
            session.shares.insert(path, qMax<qint64>(0, size.toLongLong()));
    };
    setHandler(MsgShareFile, Access::LoggedIn, [share](Session& session, const QByteArray& p) {
        const QByteArrayList f = SplitFields(p, 6); // path digest size bitrate rate duration
        share(session, f[0], f[2]);
    });
    setHandler(MsgShareGeneric, Access::LoggedIn, [share](Session& session, const QByteArray& p) {
        const QByteArrayList f = SplitFields(p, 4); // path size digest kind
        share(session, f[0], f[1]);
    });
    setHandler(MsgShareFolder, Access::LoggedIn, [share](Session& session, const QByteArray& p) {
        // folder, then per file: name digest size bitrate rate duration
        const QByteArrayList f = AllFields(p);
        for (qsizetype i = 1; i + 5 < f.size(); i += 6)
            share(session, f[0] + '\\' + f[i], f[i + 2]);
    });
    setHandler(MsgUnshareFile, Access::LoggedIn,
               [](Session& session, const QByteArray& p) { session.shares.remove(p); });
    setHandler(MsgUnshareAll, Access::LoggedIn,
               [](Session& session, const QByteArray&) { session.shares.clear(); });
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
    userLeaving(session);
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
    userArrived(session);
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
        files += session->sharedFiles();
        for (const qint64 size : session->shares)
            bytes += size;
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

// --- Chat ---
//
// Sending may drop a client that does not read (see send()), and dropping one makes it leave
// its channels. So no loop below holds a reference into the channel table or the online
// table across a send: loops run over copied id lists and look each session up again.

void RoutingServer::installChatHandlers()
{
    const auto on = [this](quint16 type,
                           void (RoutingServer::*handler)(Session&, const QByteArray&)) {
        setHandler(type, Access::LoggedIn, [this, handler](Session& session, const QByteArray& p) {
            (this->*handler)(session, p);
        });
    };
    on(MsgJoin, &RoutingServer::handleJoin);
    on(MsgPart, &RoutingServer::handlePart);
    on(MsgPublicSend, &RoutingServer::handlePublic);
    on(MsgEmote, &RoutingServer::handleEmote);
    on(MsgTopic, &RoutingServer::handleTopic);
    on(MsgPrivate, &RoutingServer::handlePrivate);
    on(MsgHotlistAdd, &RoutingServer::handleHotlistAdd);
    on(MsgHotlistLogin, &RoutingServer::handleHotlistAdd);
    on(MsgWhois, &RoutingServer::handleWhois);
    setHandler(MsgListChannels, Access::LoggedIn,
               [this](Session& session, const QByteArray&) { handleChannelList(session); });
    setHandler(MsgHotlistRemove, Access::LoggedIn,
               [](Session& session, const QByteArray& p) { session.hotlist.remove(key(Head(p))); });
    setHandler(MsgIgnore, Access::LoggedIn,
               [this](Session& session, const QByteArray& p) { handleIgnore(session, p, true); });
    setHandler(MsgUnignore, Access::LoggedIn,
               [this](Session& session, const QByteArray& p) { handleIgnore(session, p, false); });
    setHandler(MsgClearIgnore, Access::LoggedIn,
               [this](Session& session, const QByteArray&) { handleClearIgnore(session); });
    setHandler(MsgServerPing, Access::LoggedIn,
               [this](Session& session, const QByteArray& p) { send(session, MsgServerPing, p); });
    setHandler(MsgPing, Access::LoggedIn, [this](Session& session, const QByteArray& p) {
        handleUserPing(session, p, MsgPing);
    });
    setHandler(MsgPong, Access::LoggedIn, [this](Session& session, const QByteArray& p) {
        handleUserPing(session, p, MsgPong);
    });
    setHandler(MsgLinks, Access::LoggedIn,
               [this](Session& session, const QByteArray&) { handleLinks(session); });
}

bool RoutingServer::isValidChannelName(const QByteArray& name)
{
    if (name.isEmpty() || name.size() > MaxChannelNameLength)
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte != '"' && byte != 0x7f;
    });
}

QByteArray RoutingServer::presence(const QByteArray& channel, const Session& session) const
{
    return channel + ' ' + session.nickname + ' ' + QByteArray::number(session.sharedFiles()) +
           ' ' + QByteArray::number(session.lineSpeed);
}

void RoutingServer::sendToChannel(const Channel& channel, quint16 type, const QByteArray& payload)
{
    const QList<quint64> members = channel.members;
    for (const quint64 id : members) {
        if (Session* member = findSession(id))
            send(*member, type, payload);
    }
}

RoutingServer::Channel* RoutingServer::memberChannel(Session& session, const QByteArray& name)
{
    const QByteArray k = key(name);
    const auto it = m_channels.find(k);
    if (it == m_channels.end() || !session.channels.contains(k)) {
        send(session, MsgNotice, QByteArrayLiteral("you are not on channel ") + name);
        return nullptr;
    }
    return &it.value();
}

void RoutingServer::handleJoin(Session& session, const QByteArray& payload)
{
    const QByteArray name = Head(payload);
    if (!isValidChannelName(name))
        return send(session, MsgNotice, QByteArrayLiteral("invalid channel name"));
    const QByteArray k = key(name);
    if (session.channels.contains(k))
        return send(session, MsgNotice, QByteArrayLiteral("you are already on channel ") + name);
    if (session.channels.size() >= MaxChannelsPerUser)
        return send(session, MsgNotice, QByteArrayLiteral("you are on too many channels"));
    auto it = m_channels.find(k);
    if (it == m_channels.end()) {
        if (m_channels.size() >= MaxChannels)
            return send(session, MsgNotice, QByteArrayLiteral("too many channels"));
        it = m_channels.insert(k, Channel{name, {}, {}});
    }
    const QList<quint64> others = it->members;
    it->members.append(session.id);
    session.channels.append(k);
    const QByteArray stored = it->name;
    const QByteArray topic = it->topic;

    // The joiner hears of the join, then of every member (itself included), then the topic.
    send(session, MsgJoined, stored);
    for (const quint64 id : others + QList<quint64>{session.id}) {
        if (const Session* member = findSession(id); member && member->loggedIn)
            send(session, MsgUserListEntry, presence(stored, *member));
    }
    send(session, MsgUserListEnd, stored);
    if (!topic.isEmpty())
        send(session, MsgTopic, stored + ' ' + topic);
    const QByteArray joined = presence(stored, session);
    for (const quint64 id : others) {
        if (Session* member = findSession(id))
            send(*member, MsgUserJoined, joined);
    }
}

void RoutingServer::handlePart(Session& session, const QByteArray& payload)
{
    const QByteArray name = Head(payload);
    const QByteArray k = key(name);
    if (!session.channels.contains(k))
        return send(session, MsgNotice, QByteArrayLiteral("you are not on channel ") + name);
    leaveChannel(session, k, true);
}

void RoutingServer::leaveChannel(Session& session, const QByteArray& channelKey, bool confirm)
{
    session.channels.removeAll(channelKey);
    const auto it = m_channels.find(channelKey);
    if (it == m_channels.end())
        return;
    it->members.removeAll(session.id);
    const QByteArray name = it->name;
    const QList<quint64> others = it->members;
    if (others.isEmpty())
        m_channels.erase(it);
    if (confirm)
        send(session, MsgPart, name);
    const QByteArray left = presence(name, session);
    for (const quint64 id : others) {
        if (Session* member = findSession(id))
            send(*member, MsgUserLeft, left);
    }
}

void RoutingServer::handlePublic(Session& session, const QByteArray& payload)
{
    if (const Channel* channel = memberChannel(session, Head(payload)))
        sendToChannel(*channel, MsgPublic,
                      channel->name + ' ' + session.nickname + ' ' + Tail(payload));
}

void RoutingServer::handleEmote(Session& session, const QByteArray& payload)
{
    if (const Channel* channel = memberChannel(session, Head(payload)))
        sendToChannel(*channel, MsgEmote,
                      channel->name + ' ' + session.nickname + ' ' + Tail(payload));
}

void RoutingServer::handleTopic(Session& session, const QByteArray& payload)
{
    if (Channel* channel = memberChannel(session, Head(payload))) {
        channel->topic = Tail(payload).left(MaxTopicLength);
        sendToChannel(*channel, MsgTopic, channel->name + ' ' + channel->topic);
    }
}

void RoutingServer::handleChannelList(Session& session)
{
    const QByteArrayList names = channelNames();
    for (const QByteArray& name : names) {
        const auto it = m_channels.constFind(key(name));
        if (it == m_channels.cend())
            continue;
        send(session, MsgChannelEntry,
             it->name + ' ' + QByteArray::number(it->members.size()) + ' ' + it->topic);
    }
    send(session, MsgListChannels);
}

void RoutingServer::handlePrivate(Session& session, const QByteArray& payload)
{
    const QByteArray target = Head(payload);
    Session* recipient = findUser(target);
    if (!recipient)
        return send(session, MsgNotice,
                    QByteArrayLiteral("user ") + target + QByteArrayLiteral(" is not online"));
    if (recipient->ignored.contains(key(session.nickname)))
        return; // the sender is not told
    send(*recipient, MsgPrivate, session.nickname + ' ' + Tail(payload));
}

void RoutingServer::handleHotlistAdd(Session& session, const QByteArray& payload)
{
    const QByteArray nickname = Head(payload);
    const QByteArray k = key(nickname);
    if (!isValidNickname(nickname) ||
        (!session.hotlist.contains(k) && session.hotlist.size() >= MaxListEntries))
        return send(session, MsgHotlistRefused, nickname);
    session.hotlist.insert(k);
    send(session, MsgHotlistAccepted, nickname);
    if (const Session* user = findUser(nickname))
        send(session, MsgSignedOn, user->nickname + ' ' + QByteArray::number(user->lineSpeed));
}

void RoutingServer::handleIgnore(Session& session, const QByteArray& payload, bool ignore)
{
    const QByteArray nickname = Head(payload);
    const QByteArray k = key(nickname);
    if (ignore) {
        if (session.ignored.contains(k))
            return send(session, MsgAlreadyIgnored, nickname);
        if (!isValidNickname(nickname) || session.ignored.size() >= MaxListEntries)
            return send(session, MsgNotice, QByteArrayLiteral("cannot ignore ") + nickname);
        session.ignored.insert(k);
        return send(session, MsgIgnore, nickname);
    }
    if (!session.ignored.remove(k))
        return send(session, MsgNotIgnored, nickname);
    send(session, MsgUnignore, nickname);
}

void RoutingServer::handleClearIgnore(Session& session)
{
    const qsizetype count = session.ignored.size();
    session.ignored.clear();
    send(session, MsgClearIgnore, QByteArray::number(count));
}

void RoutingServer::handleWhois(Session& session, const QByteArray& payload)
{
    const QByteArray nickname = Head(payload);
    const Session* user = findUser(nickname);
    if (!user)
        return send(session, MsgNotice,
                    QByteArrayLiteral("user ") + nickname + QByteArrayLiteral(" is not online"));
    QByteArrayList channels;
    for (const QByteArray& k : user->channels)
        channels.append(m_channels.value(k).name);
    const qint64 online = (QDateTime::currentMSecsSinceEpoch() - user->loginMsecs) / 1000;
    // nickname, level, seconds online, channels, status, shared, downloads, uploads, line
    // speed, client
    send(session, MsgWhoisAnswer,
         user->nickname + " User " + QByteArray::number(std::max<qint64>(online, 0)) + " \"" +
             channels.join(' ') + "\" Active " + QByteArray::number(user->sharedFiles()) + " 0 0 " +
             QByteArray::number(user->lineSpeed) + " \"" + user->version + '"');
}

void RoutingServer::handleUserPing(Session& session, const QByteArray& payload, quint16 type)
{
    const QByteArray target = Head(payload);
    Session* user = findUser(target);
    if (!user) {
        if (type == MsgPing)
            send(session, MsgNotice,
                 QByteArrayLiteral("ping failed, ") + target + QByteArrayLiteral(" is not online"));
        return;
    }
    const QByteArray rest = Tail(payload);
    send(*user, type, rest.isEmpty() ? session.nickname : session.nickname + ' ' + rest);
}

void RoutingServer::handleLinks(Session& session)
{
    for (const Link& link : std::as_const(m_links))
        send(session, MsgLinks,
             link.server + ' ' + QByteArray::number(link.port) + ' ' + link.linkedServer + ' ' +
                 QByteArray::number(link.linkedPort) + ' ' + QByteArray::number(link.hops));
    send(session, MsgLinks);
}

void RoutingServer::userArrived(Session& session)
{
    session.loginMsecs = QDateTime::currentMSecsSinceEpoch();
    const QByteArray k = key(session.nickname);
    const QByteArray signedOn = session.nickname + ' ' + QByteArray::number(session.lineSpeed);
    const QList<quint64> ids = sessionIds();
    for (const quint64 id : ids) {
        Session* other = findSession(id);
        if (other && other != &session && other->loggedIn && other->hotlist.contains(k))
            send(*other, MsgSignedOn, signedOn);
    }
}

void RoutingServer::userLeaving(Session& session)
{
    const QList<QByteArray> channels = session.channels;
    for (const QByteArray& k : channels)
        leaveChannel(session, k, false);
    const QByteArray k = key(session.nickname);
    const QList<quint64> ids = sessionIds();
    for (const quint64 id : ids) {
        Session* other = findSession(id);
        if (other && other != &session && other->loggedIn && other->hotlist.contains(k))
            send(*other, MsgSignedOff, session.nickname);
    }
}

QList<quint64> RoutingServer::sessionIds() const
{
    QList<quint64> ids;
    for (const Session* session : m_online)
        ids.append(session->id);
    return ids;
}

QByteArrayList RoutingServer::channelNames() const
{
    QByteArrayList names;
    for (const Channel& channel : m_channels)
        names.append(channel.name);
    std::sort(names.begin(), names.end());
    return names;
}

QByteArrayList RoutingServer::channelMembers(const QByteArray& channel) const
{
    QByteArrayList nicknames;
    for (const quint64 id : m_channels.value(key(channel)).members) {
        if (const Session* member = findSession(id))
            nicknames.append(member->nickname);
    }
    return nicknames;
}

QByteArray RoutingServer::channelTopic(const QByteArray& channel) const
{
    return m_channels.value(key(channel)).topic;
}

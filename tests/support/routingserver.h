#pragma once

// A small OpenNap server of our own: it keeps logged-in users and registered nicknames and
// answers the way a real server does, so that real client cores (and people, through the
// tavolin-testserver program) can talk to it and to each other.
//
// Everything runs on the event loop of the thread that owns it: no threads, no blocking waits.
// Clients are hostile by assumption: any bytes may arrive, input is bounded by the frame
// reader (one frame of at most 65535 payload bytes is ever buffered) and output by
// maxPendingOutput(), past which a client that does not read is dropped.
//
// Messages are routed through a table from message type to handler. Each handler says whether
// it needs a logged-in client; messages that no handler takes are answered with a 404 notice
// once the client is logged in (and ignored before). New message families (channels, private
// messages, shares, search, browse, transfers) add their handlers to the table in
// installHandlers() or from outside with setHandler().
//
// Nicknames are compared without regard to ASCII letter case, so "Alice" cannot log in while
// "alice" is on, nor take over her registration. Channel names likewise.
//
// Chat: channels (join 400, part 401, public 402 -> 403, topic 410, emote 824, list 617 ->
// 618... 617), private messages (205, not delivered when the recipient ignores the sender),
// the hotlist (207/208 -> 301 or 302, 209 when a listed user is or comes online, 210 when
// one goes, 303 removes), the ignore list (322/323 confirmed or refused with 325/324, 326
// clears and answers the count), whois (603 -> 604, or 404 when the user is not on), pings
// (750 answered by the server, 751 and 752 relayed between users) and links (10112: the
// configured links, then an empty 10112).

#include "protocol/framereader.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class QTcpServer;
class QTcpSocket;

class RoutingServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoutingServer)

public:
    // Longest nickname a client may take, in bytes.
    static constexpr qsizetype MaxNicknameLength = 19;
    // Default bound of the bytes queued for one client that it has not read yet.
    static constexpr qint64 DefaultMaxPendingOutput = 1024 * 1024;
    // Texts of the refusals sent as message 0 before the server closes the connection.
    static inline const QByteArray NicknameInUseText = QByteArrayLiteral("nickname already in use");
    static inline const QByteArray InvalidPasswordText = QByteArrayLiteral("invalid password");
    static inline const QByteArray AlreadyRegisteredText =
        QByteArrayLiteral("nickname already registered");

    enum class CloseMode {
        Orderly, // queued messages are written, then FIN
        Abort    // connection reset at once, queued messages dropped
    };

    // One client connection. Handlers get it by reference; it stays valid for the whole call
    // even when the handler closes it (the record is freed later, from the event loop).
    struct Session {
        quint64 id = 0;
        QTcpSocket* socket = nullptr;
        FrameReader reader;
        QHostAddress address; // the client's IPv4 address when it has one
        bool loggedIn = false;
        bool closing = false; // being closed: no more input is handled, nothing more is sent
        // Set by the login.
        QByteArray nickname;
        QByteArray version;
        quint16 dataPort = 0;
        int lineSpeed = 0;
        // Announced files, by path, with their sizes: what the 214 statistics add up.
        QHash<QByteArray, qint64> shares;
        qint64 sharedFiles() const { return shares.size(); }
        // Chat state, by key(nickname or channel name).
        qint64 loginMsecs = 0; // since the epoch, for the whois answer's time online
        QList<QByteArray> channels;
        QSet<QByteArray> hotlist;
        QSet<QByteArray> ignored;
    };

    // Bounds on what one client can make the server keep.
    static constexpr qsizetype MaxChannelNameLength = 64;
    static constexpr qsizetype MaxTopicLength = 512;
    static constexpr qsizetype MaxChannelsPerUser = 32;
    static constexpr qsizetype MaxChannels = 1024;
    static constexpr qsizetype MaxListEntries = 256; // hotlist and ignore list, each
    static constexpr qsizetype MaxSharesPerUser = 100'000;

    // One server link as 10112 describes it.
    struct Link {
        QByteArray server;
        quint16 port = 0;
        QByteArray linkedServer;
        quint16 linkedPort = 0;
        int hops = 1;
    };

    using Handler = std::function<void(Session& session, const QByteArray& payload)>;
    enum class Access { Anyone, LoggedIn };

    explicit RoutingServer(QObject* parent = nullptr);
    ~RoutingServer() override;

    // Port 0 picks a free port. Returns false (see errorString()) when it cannot listen.
    bool listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                quint16 port = 0);
    bool isListening() const;
    QHostAddress address() const;
    quint16 port() const;
    QString errorString() const;

    // --- Configuration ---
    // Message-of-the-day lines, one 621 each, sent after every login acknowledgement.
    void setMotd(const QByteArrayList& lines) { m_motd = lines; }
    QByteArrayList motd() const { return m_motd; }
    static QByteArrayList defaultMotd();
    void setMaxPendingOutput(qint64 bytes) { m_maxPendingOutput = bytes; }
    // What a 10112 request is answered with before the empty end message.
    void setLinks(const QList<Link>& links) { m_links = links; }
    qint64 maxPendingOutput() const { return m_maxPendingOutput; }

    // Registered nicknames (in memory; optionally mirrored to a file, see setUsersFile).
    void registerNickname(const QByteArray& nickname, const QByteArray& password);
    bool isRegistered(const QByteArray& nickname) const;
    // Loads "nickname password" lines from the file (a missing file is an empty list) and
    // rewrites it after every registration. Returns false when an existing file cannot be read.
    bool setUsersFile(const QString& path);

    // Replaces (or, with an empty handler, removes) the handler of a message type.
    void setHandler(quint16 type, Access access, Handler handler);

    // --- Administration (for tests and the console) ---
    int userCount() const { return int(m_online.size()); }
    bool isLoggedIn(const QByteArray& nickname) const;
    QByteArrayList loggedInNicknames() const;
    Session* findUser(const QByteArray& nickname) const;
    // Each returns false when nobody with that nickname is logged in.
    bool sendTo(const QByteArray& nickname, quint16 type, const QByteArray& payload = {});
    bool sendNotice(const QByteArray& nickname, const QByteArray& text); // 404
    bool closeUser(const QByteArray& nickname, CloseMode mode);
    void broadcastMotd();
    void broadcast(quint16 type, const QByteArray& payload);

    // Sends one frame to a session (nothing once it is closing). Payloads up to 65535 bytes:
    // the cap of 2048-byte frames is the client's, not the server's.
    void send(Session& session, quint16 type, const QByteArray& payload = {});
    void close(Session& session, CloseMode mode);

    // The 214 payload: users, files, gigabytes.
    QByteArray statistics() const;

    // Channel names as they were first joined, sorted; the members of one, in join order.
    QByteArrayList channelNames() const;
    QByteArrayList channelMembers(const QByteArray& channel) const;
    QByteArray channelTopic(const QByteArray& channel) const;

    static bool isValidNickname(const QByteArray& nickname);

Q_SIGNALS:
    void connectionOpened(quint64 session, const QHostAddress& address, quint16 port);
    void connectionClosed(quint64 session);
    void frameReceived(quint64 session, const Frame& frame);
    void frameSent(quint64 session, const Frame& frame);
    void userLoggedIn(quint64 session, const QByteArray& nickname);
    void userLoggedOut(quint64 session, const QByteArray& nickname);

private:
    struct Route {
        Access access = Access::LoggedIn;
        Handler handler;
    };
    struct Account {
        QByteArray nickname; // as registered
        QByteArray password;
    };
    struct Channel {
        QByteArray name; // as first joined
        QByteArray topic;
        QList<quint64> members; // session ids, in join order
    };

    void installHandlers();
    void acceptPending();
    void readIncoming(quint64 id);
    void dispatch(Session& session, const Frame& frame);
    void socketClosed(quint64 id);
    void forget(Session& session); // leaves the online table
    Session* findSession(quint64 id) const;

    // Login messages.
    void handleLogin(Session& session, const QByteArray& payload, bool registering);
    void handleNicknameCheck(Session& session, const QByteArray& payload);
    void refuse(Session& session, quint16 type, const QByteArray& text);
    void sendMotd(Session& session);

    // Chat messages.
    void installChatHandlers();
    void installShareHandlers();
    void handleJoin(Session& session, const QByteArray& payload);
    void handlePart(Session& session, const QByteArray& payload);
    void handlePublic(Session& session, const QByteArray& payload);
    void handleEmote(Session& session, const QByteArray& payload);
    void handleTopic(Session& session, const QByteArray& payload);
    void handleChannelList(Session& session);
    void handlePrivate(Session& session, const QByteArray& payload);
    void handleHotlistAdd(Session& session, const QByteArray& payload);
    void handleIgnore(Session& session, const QByteArray& payload, bool ignore);
    void handleClearIgnore(Session& session);
    void handleWhois(Session& session, const QByteArray& payload);
    void handleUserPing(Session& session, const QByteArray& payload, quint16 type);
    void handleLinks(Session& session);
    // Leaves one channel: 401 to the user (when `confirm`), 407 to the others; an empty
    // channel goes.
    void leaveChannel(Session& session, const QByteArray& channelKey, bool confirm);
    // A user came or went: the channels and the watching hotlists hear of it.
    void userArrived(Session& session);
    void userLeaving(Session& session);
    // The channel the payload names when the user is on it; null (and a 404) otherwise.
    Channel* memberChannel(Session& session, const QByteArray& name);
    void sendToChannel(const Channel& channel, quint16 type, const QByteArray& payload);
    QByteArray presence(const QByteArray& channel, const Session& session) const;
    static bool isValidChannelName(const QByteArray& name);
    // Ids of the logged-in sessions, for loops that send.
    QList<quint64> sessionIds() const;

    bool saveUsers() const;
    static QByteArray key(const QByteArray& nickname) { return nickname.toLower(); }

    QTcpServer* m_server = nullptr;
    quint64 m_nextId = 1;
    std::map<quint64, std::unique_ptr<Session>> m_sessions;
    QHash<QByteArray, Session*> m_online;    // by key(nickname)
    QHash<QByteArray, Account> m_registered; // by key(nickname)
    QHash<quint16, Route> m_routes;
    QHash<QByteArray, Channel> m_channels; // by key(name)
    QList<Link> m_links;
    QByteArrayList m_motd;
    QString m_usersFile;
    qint64 m_maxPendingOutput = DefaultMaxPendingOutput;
};

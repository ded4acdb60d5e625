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
// "alice" is on, nor take over her registration.

#include "protocol/framereader.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QHostAddress>
#include <QObject>
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
        // Share totals that the 214 statistics add up; zero until shares are handled.
        qint64 sharedFiles = 0;
        qint64 sharedBytes = 0;
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

    bool saveUsers() const;
    static QByteArray key(const QByteArray& nickname) { return nickname.toLower(); }

    QTcpServer* m_server = nullptr;
    quint64 m_nextId = 1;
    std::map<quint64, std::unique_ptr<Session>> m_sessions;
    QHash<QByteArray, Session*> m_online;    // by key(nickname)
    QHash<QByteArray, Account> m_registered; // by key(nickname)
    QHash<quint16, Route> m_routes;
    QByteArrayList m_motd;
    QString m_usersFile;
    qint64 m_maxPendingOutput = DefaultMaxPendingOutput;
};

// The routing test server, driven over loopback by plain sockets that speak the wire format.

#include "protocol/framereader.h"
#include "protocol/wireformat.h"
#include "tests/support/fakeserver.h"
#include "tests/support/routingserver.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

namespace {

constexpr int TimeoutMs = 5000;
// What Client::next() gives when nothing arrives; no real message has this type.
constexpr quint32 NoFrame = 0xffffffff;

QByteArray LoginPayload(const QByteArray& nickname, const QByteArray& password = "pw")
{
    return nickname + ' ' + password + QByteArrayLiteral(" 6699 \"Tavolin v0.2\" 0");
}

// A bare client: a socket, a frame reader and the frames received so far.
class Client {
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
            m_reader.append(m_socket.readAll());
            while (auto frame = m_reader.next())
                m_frames.append(*frame);
        });
        m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    }

    QTcpSocket& socket() { return m_socket; }
    void send(quint16 type, const QByteArray& payload = {})
    {
        m_socket.write(BuildFrame(type, payload));
    }
    void sendRaw(const QByteArray& bytes) { m_socket.write(bytes); }

    // The oldest frame not yet taken, or a NoFrame frame when none arrives in time.
    Frame next(int timeoutMs = TimeoutMs)
    {
        if (!QTest::qWaitFor([this] { return !m_frames.isEmpty(); }, timeoutMs))
            return Frame{NoFrame, {}};
        return m_frames.takeFirst();
    }
    void push(const Frame& frame) { m_frames.append(frame); }
    QList<Frame> takeAll()
    {
        QList<Frame> frames;
        frames.swap(m_frames);
        return frames;
    }
    bool waitClosed(int timeoutMs = TimeoutMs)
    {
        return QTest::qWaitFor(
            [this] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
    }
    bool isOpen() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

private:
    QTcpSocket m_socket;
    FrameReader m_reader;
    QList<Frame> m_frames;
};

Frame F(quint32 type, const QByteArray& payload = {})
{
    return Frame{type, payload};
}

// One message a chat test sends: from "alice", "bob" or "carol".
struct Step {
    QByteArray from;
    quint16 type = 0;
    QByteArray payload;
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestTestServer : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RoutingServer> m_server;

    // A client that went through a successful login; its login answers are consumed.
    std::unique_ptr<Client> loggedIn(const QByteArray& nickname)
    {
        auto client = std::make_unique<Client>(m_server->port());
        client->send(2, LoginPayload(nickname));
        const int answers = 2 + int(m_server->motd().size()); // 3, the 621 lines, 214
        for (int i = 0; i < answers; ++i) {
            const quint32 type = client->next().type;
            if (type == NoFrame || (i == 0 && type != 3))
                return nullptr;
        }
        return client;
    }

    // A 214 there and back: once it returns, the server has handled everything the client
    // sent before. Frames that arrived meanwhile stay queued, in order.
    bool roundTrip(Client& client)
    {
        client.send(214);
        QList<Frame> before;
        for (;;) {
            const Frame frame = client.next();
            if (frame.type == NoFrame)
                return false;
            if (frame.type == 214)
                break;
            before.append(frame);
        }
        const QList<Frame> after = client.takeAll();
        for (const Frame& frame : before + after)
            client.push(frame);
        return true;
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<RoutingServer>();
        m_server->setMotd({"first line", "second line"});
        QVERIFY(m_server->listen());
        QVERIFY(m_server->port() != 0);
    }
    void cleanup() { m_server.reset(); }

    void login_data()
    {
        QTest::addColumn<QByteArray>("registered"); // registered with password "secret"
        QTest::addColumn<QByteArray>("online");     // already logged in on another connection
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<Frame>("answer");

        const Frame ack = F(3, "anon@127.0.0.1");
        const Frame invalid = F(10);
        const Frame badPassword = F(0, RoutingServer::InvalidPasswordText);
        const Frame inUse = F(0, RoutingServer::NicknameInUseText);
        QTest::newRow("guest") << QByteArray() << QByteArray() << 2 << LoginPayload("alice") << ack;
        QTest::newRow("19-byte nickname")
            << QByteArray() << QByteArray() << 2 << LoginPayload(QByteArray(19, 'n')) << ack;
        QTest::newRow("registered, right password")
            << QByteArray("alice") << QByteArray() << 2 << LoginPayload("alice", "secret") << ack;
        QTest::newRow("registered, wrong password")
            << QByteArray("alice") << QByteArray() << 2 << LoginPayload("alice", "guess")
            << badPassword;
        QTest::newRow("registered, other case") << QByteArray("alice") << QByteArray() << 2
                                                << LoginPayload("ALICE", "guess") << badPassword;
        QTest::newRow("in use") << QByteArray() << QByteArray("alice") << 2 << LoginPayload("alice")
                                << inUse;
        QTest::newRow("in use, other case")
            << QByteArray() << QByteArray("alice") << 2 << LoginPayload("Alice") << inUse;
        QTest::newRow("empty payload")
            << QByteArray() << QByteArray() << 2 << QByteArray() << invalid;
        QTest::newRow("quoted space")
            << QByteArray() << QByteArray() << 2 << LoginPayload("\"a b\"") << invalid;
        QTest::newRow("control byte")
            << QByteArray() << QByteArray() << 2 << LoginPayload("a\x01z") << invalid;
        QTest::newRow("8-bit byte")
            << QByteArray() << QByteArray() << 2 << LoginPayload("caf\xe9") << invalid;
        QTest::newRow("20-byte nickname")
            << QByteArray() << QByteArray() << 2 << LoginPayload(QByteArray(20, 'n')) << invalid;
        QTest::newRow("register taken nickname")
            << QByteArray("alice") << QByteArray() << 6 << LoginPayload("alice", "other")
            << F(0, RoutingServer::AlreadyRegisteredText);
        QTest::newRow("register in-use nickname")
            << QByteArray() << QByteArray("alice") << 6 << LoginPayload("alice") << inUse;
        QTest::newRow("register empty password")
            << QByteArray() << QByteArray() << 6 << LoginPayload("alice", "") << badPassword;
    }

    // Accepted: 3, the message of the day, 214 with the new user counted; refused: one answer
    // and the connection closes, leaving the server's users as they were.
    void login()
    {
        QFETCH(QByteArray, registered);
        QFETCH(QByteArray, online);
        QFETCH(int, type);
        QFETCH(QByteArray, payload);
        QFETCH(Frame, answer);

        if (!registered.isEmpty())
            m_server->registerNickname(registered, "secret");
        std::unique_ptr<Client> other;
        if (!online.isEmpty()) {
            other = loggedIn(online);
            QVERIFY(other);
        }
        const int usersBefore = m_server->userCount();

        Client client(m_server->port());
        client.send(quint16(type), payload);
        QCOMPARE(client.next(), answer);
        if (answer.type == 3) {
            QCOMPARE(client.next(), F(621, "first line"));
            QCOMPARE(client.next(), F(621, "second line"));
            QCOMPARE(client.next(),
                     F(214, QByteArray::number(usersBefore + 1) + QByteArrayLiteral(" 0 0")));
            QCOMPARE(m_server->userCount(), usersBefore + 1);
            QVERIFY(m_server->isLoggedIn(SplitFields(payload, 5)[0]));
            QVERIFY(client.isOpen());
        } else {
            QVERIFY(client.waitClosed());
            QVERIFY(client.takeAll().isEmpty());
            QCOMPARE(m_server->userCount(), usersBefore);
            if (other) {
                QVERIFY(m_server->isLoggedIn(online));
                QVERIFY(other->isOpen());
            }
        }
    }

    void nicknameCheck_data()
    {
        QTest::addColumn<QByteArray>("nickname");
        QTest::addColumn<int>("answer");
        QTest::newRow("free") << QByteArray("newbie") << 8;
        QTest::newRow("registered") << QByteArray("owner") << 9;
        QTest::newRow("registered, other case") << QByteArray("OWNER") << 9;
        QTest::newRow("in use, unregistered") << QByteArray("guest") << 9;
        QTest::newRow("empty") << QByteArray() << 10;
        QTest::newRow("too long") << QByteArray(20, 'n') << 10;
    }

    // 7 answers and leaves the connection open for the login that follows.
    void nicknameCheck()
    {
        QFETCH(QByteArray, nickname);
        QFETCH(int, answer);
        m_server->registerNickname("owner", "secret");
        const auto guest = loggedIn("guest");
        QVERIFY(guest);

        Client client(m_server->port());
        client.send(7, nickname);
        QCOMPARE(client.next().type, quint32(answer));
        client.send(2, LoginPayload("later"));
        QCOMPARE(client.next(), F(3, "anon@127.0.0.1"));
    }

    // 7 -> 8 -> 6 -> 3 on one connection; afterwards the nickname is registered and only its
    // password logs in with it.
    void registerFlow()
    {
        {
            Client client(m_server->port());
            client.send(7, "newbie");
            QCOMPARE(client.next(), F(8));
            client.send(6, LoginPayload("newbie", "secret"));
            QCOMPARE(client.next(), F(3, "anon@127.0.0.1"));
            QVERIFY(m_server->isRegistered("newbie"));
            QVERIFY(m_server->isLoggedIn("newbie"));
            client.send(7, "newbie");
            QCOMPARE(client.takeAll().size(), 3); // 621, 621, 214
            QCOMPARE(client.next(), F(9));
            client.socket().disconnectFromHost();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->userCount(), 0, TimeoutMs);

        Client thief(m_server->port());
        thief.send(2, LoginPayload("newbie", "guess"));
        QCOMPARE(thief.next(), F(0, RoutingServer::InvalidPasswordText));
        Client owner(m_server->port());
        owner.send(2, LoginPayload("newbie", "secret"));
        QCOMPARE(owner.next(), F(3, "anon@127.0.0.1"));
    }

    void statisticsCountUsers()
    {
        const auto alice = loggedIn("alice");
        auto bob = loggedIn("bob");
        QVERIFY(alice && bob);
        alice->send(214);
        QCOMPARE(alice->next(), F(214, "2 0 0"));

        bob.reset();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->userCount(), 1, TimeoutMs);
        QVERIFY(!m_server->isLoggedIn("bob"));
        alice->send(214);
        QCOMPARE(alice->next(), F(214, "1 0 0"));
    }

    // Announcements count towards the statistics, unshares take them back; none is answered.
    void statisticsCountShares()
    {
        const auto alice = loggedIn("alice");
        QVERIFY(alice);
        const QByteArray zeros(32, '0');
        alice->send(10300, "\"C:\\docs\\a b.txt\" 1073741824 " + zeros + " text");
        alice->send(870, "\"C:\\Music\" \"x.mp3\" " + zeros +
                             " 4000000 128 44100 250 \"y z.mp3\" " + zeros +
                             " 5000000 128 44100 300");
        alice->send(100, "\"C:\\Music\\x.mp3\" " + zeros + " 4000000 128 44100 250"); // again
        alice->send(214);
        QCOMPARE(alice->next(), F(214, "1 3 1"));
        alice->send(102, "C:\\Music\\y z.mp3");
        alice->send(214);
        QCOMPARE(alice->next(), F(214, "1 2 1"));
        alice->send(110);
        alice->send(214);
        QCOMPARE(alice->next(), F(214, "1 0 0"));
    }

    // Before the login a client gets no answers but the login's; after it, unknown types are
    // answered with a notice.
    void messagesAroundLogin()
    {
        Client client(m_server->port());
        client.send(214);
        client.send(9999, "hello");
        client.send(2, LoginPayload("alice"));
        QCOMPARE(client.next(), F(3, "anon@127.0.0.1"));
        client.takeAll();
        client.send(9999, "hello");
        client.send(2, LoginPayload("again")); // a second login on the connection is ignored
        client.send(214);
        QCOMPARE(client.next(), F(404, "unknown command code 9999"));
        QCOMPARE(client.next(), F(214, "1 0 0"));
        QVERIFY(!m_server->isLoggedIn("again"));
    }

    void adminHooks()
    {
        const auto alice = loggedIn("alice");
        const auto bob = loggedIn("bob");
        QVERIFY(alice && bob);
        QCOMPARE(m_server->loggedInNicknames(), QByteArrayList({"alice", "bob"}));

        QVERIFY(m_server->sendNotice("ALICE", "hello \"you\""));
        QCOMPARE(alice->next(), F(404, "hello \"you\""));
        QVERIFY(!m_server->sendNotice("carol", "nobody"));
        QVERIFY(!m_server->closeUser("carol", RoutingServer::CloseMode::Abort));

        m_server->setMotd({"news"});
        m_server->broadcastMotd();
        QCOMPARE(alice->next(), F(621, "news"));
        QCOMPARE(bob->next(), F(621, "news"));
    }

    void closeUser_data()
    {
        QTest::addColumn<RoutingServer::CloseMode>("mode");
        QTest::newRow("orderly") << RoutingServer::CloseMode::Orderly;
        QTest::newRow("abort") << RoutingServer::CloseMode::Abort;
    }

    // An orderly close delivers what was queued before it; a reset drops it.
    void closeUser()
    {
        QFETCH(RoutingServer::CloseMode, mode);
        const auto alice = loggedIn("alice");
        QVERIFY(alice);
        QVERIFY(m_server->sendNotice("alice", "bye"));
        QVERIFY(m_server->closeUser("alice", mode));
        QVERIFY(!m_server->isLoggedIn("alice"));
        QCOMPARE(m_server->userCount(), 0);

        QVERIFY(alice->waitClosed());
        const QList<Frame> received = alice->takeAll();
        if (mode == RoutingServer::CloseMode::Orderly) {
            QCOMPARE(received, QList<Frame>{F(404, "bye")});
            QCOMPARE(alice->socket().error(), QAbstractSocket::RemoteHostClosedError);
        } else {
            QVERIFY(received.isEmpty());
        }
        // The nickname is free again.
        QVERIFY(loggedIn("alice"));
    }

    // A client that falls further behind than the output bound is dropped; others go on.
    void slowReaderDropped()
    {
        m_server->setMaxPendingOutput(64 * 1024);
        const auto slow = loggedIn("slow");
        const auto other = loggedIn("other");
        QVERIFY(slow && other);
        const QByteArray text(2000, 'x');
        for (int i = 0; i < 40 && m_server->isLoggedIn("slow"); ++i)
            m_server->sendNotice("slow", text);
        QVERIFY(!m_server->isLoggedIn("slow"));
        QVERIFY(slow->waitClosed());
        QVERIFY(m_server->sendNotice("other", "still here"));
        QCOMPARE(other->next(), F(404, "still here"));
    }

    void hostileInput_data()
    {
        QTest::addColumn<bool>("afterLogin");
        QTest::addColumn<QByteArray>("bytes");

        QByteArray random(64 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(42);
        for (char& byte : random)
            byte = char(generator.bounded(256));
        QByteArray burst;
        for (int i = 0; i < 5000; ++i)
            burst += BuildFrame(quint16(1000 + i % 50), QByteArray::number(i));
        QByteArray emptyPayloads;
        for (const quint16 type : {0, 2, 3, 6, 7, 8, 9, 10, 214, 404, 621, 65535})
            emptyPayloads += BuildFrame(type, QByteArray());

        for (const bool after : {false, true}) {
            const char* when = after ? "after login" : "before login";
            QTest::addRow("random bytes, %s", when) << after << random;
            QTest::addRow("burst of unknown types, %s", when) << after << burst;
            QTest::addRow("empty payloads, %s", when) << after << emptyPayloads;
            QTest::addRow("announced payload never sent, %s", when)
                << after << FakeServer::encodeHeader(2, 65535) + QByteArray(100, 'a');
        }
    }

    // Whatever a client sends, the server survives it and goes on serving everybody else.
    void hostileInput()
    {
        QFETCH(bool, afterLogin);
        QFETCH(QByteArray, bytes);
        const auto bystander = loggedIn("bystander");
        QVERIFY(bystander);

        {
            std::unique_ptr<Client> hostile =
                afterLogin ? loggedIn("hostile") : std::make_unique<Client>(m_server->port());
            QVERIFY(hostile);
            hostile->sendRaw(bytes);
            QTRY_COMPARE_WITH_TIMEOUT(hostile->socket().bytesToWrite(), 0, TimeoutMs);
            // A round trip through the server, which by then has read the bytes above.
            bystander->send(214);
            QCOMPARE(bystander->next().type, 214u);
            // Leave in the middle of whatever frame the bytes ended with.
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->loggedInNicknames(), QByteArrayList({"bystander"}),
                                  TimeoutMs);
        const auto newcomer = loggedIn("newcomer");
        QVERIFY(newcomer);
        bystander->send(214);
        QCOMPARE(bystander->next(), F(214, "2 0 0"));
    }

    void chatRoutes_data()
    {
        // alice and bob are logged in (line speeds 0) and both on "#a"; carol is on no channel.
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QList<Frame>>("toAlice");
        QTest::addColumn<QList<Frame>>("toBob");
        QTest::addColumn<QList<Frame>>("toCarol");
        using Frames = QList<Frame>;

        QTest::newRow("public message to every member")
            << QList<Step>{{"alice", 402, "#A hi  there"}} << Frames{F(403, "#a alice hi  there")}
            << Frames{F(403, "#a alice hi  there")} << Frames{};
        QTest::newRow("emote keeps its quotes")
            << QList<Step>{{"bob", 824, "#a \"waves\""}} << Frames{F(824, "#a bob \"waves\"")}
            << Frames{F(824, "#a bob \"waves\"")} << Frames{};
        QTest::newRow("topic") << QList<Step>{{"bob", 410, "#a all about us"}}
                               << Frames{F(410, "#a all about us")}
                               << Frames{F(410, "#a all about us")} << Frames{};
        QTest::newRow("outsider cannot talk")
            << QList<Step>{{"carol", 402, "#a hi"}, {"carol", 410, "#a t"}} << Frames{} << Frames{}
            << Frames{F(404, "you are not on channel #a"), F(404, "you are not on channel #a")};
        QTest::newRow("join: user list, end, topic; members hear of it")
            << QList<Step>{{"bob", 410, "#a t"}, {"carol", 400, "#A"}}
            << Frames{F(410, "#a t"), F(406, "#a carol 0 0")}
            << Frames{F(410, "#a t"), F(406, "#a carol 0 0")}
            << Frames{F(405, "#a"),           F(408, "#a alice 0 0"), F(408, "#a bob 0 0"),
                      F(408, "#a carol 0 0"), F(409, "#a"),           F(410, "#a t")};
        QTest::newRow("join twice, bad names")
            << QList<Step>{{"alice", 400, "#a"}, {"alice", 400, ""}, {"alice", 400, "\"x\""}}
            << Frames{F(404, "you are already on channel #a"), F(404, "invalid channel name"),
                      F(404, "invalid channel name")}
            << Frames{} << Frames{};
        QTest::newRow("part") << QList<Step>{{"alice", 401, "#a"}, {"alice", 401, "#a"}}
                              << Frames{F(401, "#a"), F(404, "you are not on channel #a")}
                              << Frames{F(407, "#a alice 0 0")} << Frames{};
        QTest::newRow("channel list")
            << QList<Step>{{"bob", 410, "#a some topic"}, {"carol", 400, "#z"}, {"carol", 617, ""}}
            << Frames{F(410, "#a some topic")} << Frames{F(410, "#a some topic")}
            << Frames{F(405, "#z"),    F(408, "#z carol 0 0"),
                      F(409, "#z"),    F(618, "#a 2 some topic"),
                      F(618, "#z 1 "), F(617)};
        QTest::newRow("private message")
            << QList<Step>{{"alice", 205, "CAROL hello \"you\""}, {"alice", 205, "nobody x"}}
            << Frames{F(404, "user nobody is not online")} << Frames{}
            << Frames{F(205, "alice hello \"you\"")};
        QTest::newRow("private message from an ignored user is dropped")
            << QList<Step>{{"carol", 322, "Alice"},
                           {"alice", 205, "carol psst"},
                           {"bob", 205, "carol hi"}}
            << Frames{} << Frames{} << Frames{F(322, "Alice"), F(205, "bob hi")};
        QTest::newRow("ignore list")
            << QList<Step>{{"alice", 322, "x"}, {"alice", 322, "X"}, {"alice", 323, "y"},
                           {"alice", 323, "x"}, {"alice", 322, "a"}, {"alice", 322, "b"},
                           {"alice", 326, ""},  {"alice", 326, ""}}
            << Frames{F(322, "x"), F(325, "X"), F(324, "y"), F(323, "x"),
                      F(322, "a"), F(322, "b"), F(326, "2"), F(326, "0")}
            << Frames{} << Frames{};
        QTest::newRow("hotlist add")
            << QList<Step>{{"alice", 207, "BOB"},
                           {"alice", 207, "dave"},
                           {"alice", 208, QByteArray(20, 'n')}}
            << Frames{F(301, "BOB"), F(209, "bob 0"), F(301, "dave"), F(302, QByteArray(20, 'n'))}
            << Frames{} << Frames{};
        QTest::newRow("whois of nobody") << QList<Step>{{"carol", 603, "nobody"}} << Frames{}
                                         << Frames{} << Frames{F(404, "user nobody is not online")};
        QTest::newRow("pings") << QList<Step>{{"alice", 751, "bob"},
                                              {"bob", 752, "alice"},
                                              {"bob", 751, "x"},
                                              {"carol", 750, "server 12"},
                                              {"carol", 752, "x"}}
                               << Frames{F(752, "bob")}
                               << Frames{F(751, "alice"), F(404, "ping failed, x is not online")}
                               << Frames{F(750, "server 12")};
        QTest::newRow("no links") << QList<Step>{{"carol", 10112, ""}} << Frames{} << Frames{}
                                  << Frames{F(10112)};
    }

    // Each step goes out from its client; then every client has received exactly its frames.
    void chatRoutes()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QList<Frame>, toAlice);
        QFETCH(QList<Frame>, toBob);
        QFETCH(QList<Frame>, toCarol);

        QHash<QByteArray, std::shared_ptr<Client>> clients;
        for (const QByteArray nickname : {"alice", "bob", "carol"}) {
            clients.insert(nickname, std::shared_ptr<Client>(loggedIn(nickname)));
            QVERIFY(clients[nickname]);
        }
        for (const QByteArray nickname : {"alice", "bob"}) {
            clients[nickname]->send(400, "#a");
            QVERIFY(roundTrip(*clients[nickname]));
        }
        QVERIFY(roundTrip(*clients["alice"]));
        for (const auto& client : std::as_const(clients))
            client->takeAll();

        // One step at a time, so that what different clients send is handled in step order.
        for (const Step& step : std::as_const(steps)) {
            clients[step.from]->send(step.type, step.payload);
            QVERIFY(roundTrip(*clients[step.from]));
        }
        const auto received = [this](Client& client) {
            return roundTrip(client) ? client.takeAll() : QList<Frame>{F(NoFrame)};
        };
        QCOMPARE(received(*clients["alice"]), toAlice);
        QCOMPARE(received(*clients["bob"]), toBob);
        QCOMPARE(received(*clients["carol"]), toCarol);
    }

    // Leaving the server leaves every channel and tells the hotlists; an empty channel goes.
    void leavingTellsChannelsAndHotlists()
    {
        const auto alice = loggedIn("alice");
        auto bob = loggedIn("bob");
        QVERIFY(alice && bob);
        alice->send(207, "bob");
        alice->send(400, "#a");
        bob->send(400, "#a");
        bob->send(400, "#b");
        QVERIFY(roundTrip(*bob));
        QVERIFY(roundTrip(*alice));
        alice->takeAll();
        QCOMPARE(m_server->channelNames(), (QByteArrayList{"#a", "#b"}));
        QCOMPARE(m_server->channelMembers("#A"), (QByteArrayList{"alice", "bob"}));

        bob.reset();
        QCOMPARE(alice->next(), F(407, "#a bob 0 0"));
        QCOMPARE(alice->next(), F(210, "bob"));
        QCOMPARE(m_server->channelNames(), QByteArrayList{"#a"});

        const auto again = loggedIn("Bob");
        QVERIFY(again);
        QCOMPARE(alice->next(), F(209, "Bob 0"));
        alice->send(303, "bob");
        QVERIFY(roundTrip(*alice));
        alice->takeAll();
        m_server->closeUser("bob", RoutingServer::CloseMode::Orderly);
        QVERIFY(roundTrip(*alice));
        QCOMPARE(alice->takeAll(), QList<Frame>{});
    }

    void whois()
    {
        const auto alice = loggedIn("alice");
        const auto bob = loggedIn("bob");
        QVERIFY(alice && bob);
        alice->send(400, "#a");
        alice->send(400, "#b");
        bob->send(603, "ALICE");
        QVERIFY(roundTrip(*alice));
        const Frame answer = bob->next();
        QCOMPARE(answer.type, 604u);
        // nickname, level, seconds online, channels, status, shared, downloads, uploads, line
        // speed, client
        const QByteArrayList fields = SplitFields(answer.payload, 11);
        QCOMPARE(fields.mid(0, 2), (QByteArrayList{"alice", "User"}));
        QVERIFY(fields[2].toInt() >= 0);
        QCOMPARE(fields.mid(3),
                 (QByteArrayList{"#a #b", "Active", "0", "0", "0", "0", "Tavolin v0.2", ""}));
    }

    void links()
    {
        m_server->setLinks({{"a.net", 8888, "b.net", 7777, 1}, {"b.net", 7777, "c.net", 8888, 2}});
        const auto alice = loggedIn("alice");
        QVERIFY(alice);
        alice->send(10112);
        QCOMPARE(alice->next(), F(10112, "a.net 8888 b.net 7777 1"));
        QCOMPARE(alice->next(), F(10112, "b.net 7777 c.net 8888 2"));
        QCOMPARE(alice->next(), F(10112));
    }

    // A client cannot make the server keep without bound.
    void chatLimits()
    {
        const auto alice = loggedIn("alice");
        QVERIFY(alice);
        for (int i = 0; i <= RoutingServer::MaxChannelsPerUser; ++i)
            alice->send(400, "#c" + QByteArray::number(i));
        alice->send(400, QByteArray(RoutingServer::MaxChannelNameLength + 1, 'x'));
        for (int i = 0; i <= RoutingServer::MaxListEntries; ++i) {
            alice->send(207, "h" + QByteArray::number(i));
            alice->send(322, "i" + QByteArray::number(i));
        }
        alice->send(410, "#c0 " + QByteArray(RoutingServer::MaxTopicLength + 10, 't'));
        QVERIFY(roundTrip(*alice));
        const QList<Frame> frames = alice->takeAll();
        QCOMPARE(m_server->channelNames().size(), RoutingServer::MaxChannelsPerUser);
        QVERIFY(frames.contains(F(404, "you are on too many channels")));
        QVERIFY(frames.contains(F(404, "invalid channel name")));
        QCOMPARE(frames.count(F(302, "h" + QByteArray::number(RoutingServer::MaxListEntries))), 1);
        QCOMPARE(frames.count(
                     F(404, "cannot ignore i" + QByteArray::number(RoutingServer::MaxListEntries))),
                 1);
        QCOMPARE(m_server->channelTopic("#c0").size(), RoutingServer::MaxTopicLength);
    }
};

QTEST_MAIN(TestTestServer)
#include "tst_testserver.moc"

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

} // namespace

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
};

QTEST_MAIN(TestTestServer)
#include "tst_testserver.moc"

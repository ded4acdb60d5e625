#include "tests/connections/tst_connectionlife.h"

#include "config/configkeys.h"
#include "protocol/server.h"
#include "protocol/wireformat.h"
#include "tests/connections/clientfixture.h"
#include "tests/support/fakeserver.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A loopback port that nothing listens on (it was free a moment ago).
int closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// Every distinct Status text of a row, in the order it was shown.
class StatusRecorder {
public:
    StatusRecorder(const ServerListModel& list, int serverIndex)
        : texts{list.cell(serverIndex, ServerListModel::StatusColumn)}
    {
        QObject::connect(
            &list, &QAbstractItemModel::dataChanged, &m_context, [&list, serverIndex, this] {
                const QString status = list.cell(serverIndex, ServerListModel::StatusColumn);
                if (texts.isEmpty() || texts.last() != status)
                    texts.append(status);
            });
    }
    QStringList texts;

private:
    QObject m_context;
};

} // namespace

void TestConnectionLife::connectionRefused()
{
    Client client({ServerSetup(closedPort())});
    client.servers->connectServer(0);
    QVERIFY(client.waitForStatus(0, u"Connection refused"_s));
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Default);
}

void TestConnectionLife::invalidPort_data()
{
    QTest::addColumn<QString>("portCell");
    QTest::newRow("not a number") << u"abc"_s;
    QTest::newRow("zero") << u"0"_s;
    QTest::newRow("too large") << u"70000"_s;
    QTest::newRow("empty") << QString();
}

void TestConnectionLife::invalidPort()
{
    QFETCH(QString, portCell);
    Client client({ServerSetup(1)});
    client.list.setCell(0, ServerListModel::PortColumn, portCell);
    client.servers->connectServer(0);
    QCOMPARE(client.status(0), u"Invalid port"_s);
    QVERIFY(!client.servers->FindServer(0));
}

void TestConnectionLife::connectTimeoutInterval_data()
{
    QTest::addColumn<QString>("connectTimeout");
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("default") << QString() << 30000;
    QTest::newRow("below the floor") << u"10"_s << 30000;
    QTest::newRow("above the floor") << u"45"_s << 45000;
    QTest::newRow("zero") << u"0"_s << 30000;
    QTest::newRow("negative") << u"-5"_s << 30000;
    QTest::newRow("beyond a timer's range") << u"2147483647"_s << 2147483647;
}

void TestConnectionLife::connectTimeoutInterval()
{
    QFETCH(QString, connectTimeout);
    QFETCH(int, milliseconds);
    Client client({}, connectTimeout.isEmpty() ? Settings{}
                                               : Settings{{u"connect_timeout"_s, connectTimeout}});
    QCOMPARE(client.servers->connectTimeoutMs(), milliseconds);
}

void TestConnectionLife::silentServer_data()
{
    // What the server sends after the login; it never acknowledges.
    QTest::addColumn<QByteArray>("answer");
    // What the client holds of it, unhandled, once it has arrived.
    QTest::addColumn<int>("buffered");
    // true: the user disconnects; false: the time-out ends it.
    QTest::addColumn<bool>("userDisconnects");

    const QByteArray announcesAll = FakeServer::encodeHeader(3, 65535);
    const QByteArray halfOfIt = announcesAll + QByteArray(30000, 'x');
    const QByteArray noise = FakeServer::encode(9999, "still here");
    for (bool user : {false, true}) {
        const char* how = user ? ", user disconnects" : ", time-out";
        QTest::addRow("nothing%s", how) << QByteArray() << 0 << user;
        QTest::addRow("header of 65,535 bytes, no payload%s", how) << announcesAll << 4 << user;
        QTest::addRow("half a payload%s", how) << halfOfIt << int(halfOfIt.size()) << user;
        QTest::addRow("frames that are not an answer%s", how) << noise << 0 << user;
    }
}

void TestConnectionLife::silentServer()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, buffered);
    QFETCH(bool, userDisconnects);

    FakeServer fake;
    Client client({ServerSetup(fake.port())},
                  {{u"default_dataport"_s, u"0"_s}, {u"connect_timeout"_s, u"0"_s}});
    client.servers->setMinimumConnectTimeoutForTests(userDisconnects ? 60000 : 300);
    client.servers->connectServer(0);
    QVERIFY(fake.waitForFrame(2));
    TServer* record = client.servers->FindServer(0);
    QVERIFY(record);
    if (!answer.isEmpty()) {
        const qsizetype linesBefore = client.debugLog.lineCount(DebugLog::Direction::Incoming);
        fake.sendRaw(0, answer);
        const bool wholeFrame = buffered == 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                return wholeFrame
                           ? client.debugLog.lineCount(DebugLog::Direction::Incoming) > linesBefore
                           : record->bufferedBytes() == buffered;
            },
            5000));
    }

    if (userDisconnects) {
        QCOMPARE(client.status(0), u"Connecting..."_s);
        client.servers->disconnectServer(0);
        QCOMPARE(client.status(0), u"Not connected"_s);
    } else {
        QVERIFY(client.waitForStatus(0, u"Timed out"_s));
    }
    QVERIFY(client.waitForNoRecord(0));
    QVERIFY(fake.waitForDisconnected(0));
}

void TestConnectionLife::reconnectCountdown()
{
    Client client({ServerSetup(closedPort())}, {{u"default_dataport"_s, u"0"_s},
                                                {u"auto_reconnect"_s, u"1"_s},
                                                {u"reconnect_interval"_s, u"3"_s}});
    client.servers->setReconnectTickForTests(20);
    StatusRecorder recorder(client.list, 0);
    client.servers->connectServer(0);

    QTRY_VERIFY_WITH_TIMEOUT(recorder.texts.count(u"Connecting..."_s) >= 2, 5000);
    const QStringList expected = {u"Not connected"_s,          u"Connecting..."_s,
                                  u"Connection refused"_s,     u"Connection refused...3"_s,
                                  u"Connection refused...2"_s, u"Connection refused...1"_s,
                                  u"Connection refused...0"_s, u"Connecting..."_s};
    QCOMPARE(recorder.texts.mid(0, expected.size()), expected);
    // The record is kept for the countdown, in red.
    QVERIFY(client.servers->FindServer(0));
    QTRY_VERIFY_WITH_TIMEOUT(client.servers->isCountingDown(0), 5000);
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Red);
    QCOMPARE(client.servers->ServerCount(), 1);
}

void TestConnectionLife::connectDuringCountdown()
{
    // The first attempt is refused; connecting again during the countdown reuses the record.
    const int port = closedPort();
    Client client({ServerSetup(port)}, {{u"default_dataport"_s, u"0"_s},
                                        {u"auto_reconnect"_s, u"1"_s},
                                        {u"reconnect_interval"_s, u"1000"_s}});
    client.servers->connectServer(0);
    QVERIFY(client.waitForStatus(0, u"Connection refused...1000"_s));
    TServer* record = client.servers->FindServer(0);
    QVERIFY(client.servers->isCountingDown(0));

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, quint16(port)));
    client.servers->connectServer(0);
    QCOMPARE(client.status(0), u"Connecting..."_s);
    QCOMPARE(client.servers->FindServer(0), record);
    QCOMPARE(client.servers->ServerCount(), 1);
    QVERIFY(!client.servers->isCountingDown(0));
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
}

void TestConnectionLife::userDisconnectDuringCountdown()
{
    Client client({ServerSetup(closedPort())}, {{u"default_dataport"_s, u"0"_s},
                                                {u"auto_reconnect"_s, u"1"_s},
                                                {u"reconnect_interval"_s, u"1000"_s}});
    client.servers->connectServer(0);
    QVERIFY(client.waitForStatus(0, u"Connection refused...1000"_s));
    client.servers->disconnectServer(0);
    QCOMPARE(client.status(0), u"Not connected"_s);
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Default);
    // A second disconnect finds nothing to do.
    client.servers->disconnectServer(0);
    QCOMPARE(client.status(0), u"Not connected"_s);
}

void TestConnectionLife::socketErrorReason_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("errorString");
    QTest::addColumn<QString>("reason");
    QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError)
                             << u"Connection refused."_s << u"Connection refused"_s;
    QTest::newRow("host not found") << int(QAbstractSocket::HostNotFoundError)
                                    << u"Host xyz not found"_s << u"Host not found"_s;
    QTest::newRow("closed by the server")
        << int(QAbstractSocket::RemoteHostClosedError) << u"The remote host closed the connection"_s
        << u"Connection closed by server"_s;
    QTest::newRow("cut at the first full stop")
        << int(QAbstractSocket::NetworkError) << u"Network unreachable. Try later."_s
        << u"Network unreachable"_s;
    QTest::newRow("no full stop") << int(QAbstractSocket::SocketTimeoutError)
                                  << u"Socket operation timed out"_s
                                  << u"Socket operation timed out"_s;
    QTest::newRow("nothing left") << int(QAbstractSocket::UnknownSocketError) << u"."_s
                                  << u"Connection failed"_s;
}

void TestConnectionLife::socketErrorReason()
{
    QFETCH(int, error);
    QFETCH(QString, errorString);
    QFETCH(QString, reason);
    QCOMPARE(TServer::reasonForSocketError(QAbstractSocket::SocketError(error), errorString),
             reason);
}

void TestConnectionLife::framesGoOutWholeAndInOrder()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));

    constexpr int Count = 2000;
    for (int i = 0; i < Count; ++i)
        client.servers->SendToServer(0, 10000, {QByteArray::number(i), QByteArray(i % 300, 'p')});
    // Larger than a frame may be: cut to 2044 payload bytes.
    client.servers->SendToServer(0, 10001, {QByteArray(2100, 'z')});

    QTRY_COMPARE_WITH_TIMEOUT(fake.frames(0).size(), 2 + Count, 10000);
    const QList<Frame> frames = fake.frames(0);
    for (int i = 0; i < Count; ++i) {
        const Frame& frame = frames[1 + i];
        QCOMPARE(frame.type, 10000u);
        QCOMPARE(frame.payload, QByteArray::number(i) + ' ' + QByteArray(i % 300, 'p'));
    }
    QCOMPARE(frames.last(), (Frame{10001, QByteArray(2044, 'z')}));
    // Logged with the length before the cut.
    QVERIFY(client.debugLog.lastLine(DebugLog::Direction::Outgoing)
                .startsWith(u"Server: 0 Len: 2100 Msg: 10001 Text: zzz"_s));

    // To a server without a record nothing goes out, but the line is logged.
    client.servers->SendToServer(7, 402, {"#chan", "hi"});
    QCOMPARE(client.debugLog.lastLine(DebugLog::Direction::Outgoing),
             u"Server: 7 Len: 8 Msg: 402 Text: #chan hi"_s);
}

void TestConnectionLife::sendHooks()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));

    // The echo of a private message runs before the frame is written.
    int framesAtEcho = -1;
    QByteArrayList echoed;
    client.servers->setPrivateMessageEcho([&](int index, const QByteArrayList& fields) {
        QCOMPARE(index, 0);
        echoed = fields;
        framesAtEcho = int(fake.frames(0).size());
    });
    bool channelListOpen = true;
    client.servers->setChannelListRequestFilter([&](int) { return !channelListOpen; });

    client.servers->SendToServer(0, 205, {"alice", "say \"hi\""});
    client.servers->SendToServer(0, 617, {});
    channelListOpen = false;
    client.servers->SendToServer(0, 617, {});

    QTRY_COMPARE_WITH_TIMEOUT(fake.frames(0).size(), 3, 5000);
    QCOMPARE(echoed, QByteArrayList({"alice", "say \"hi\""}));
    QCOMPARE(framesAtEcho, 1);
    QCOMPARE(fake.frames(0)[1], (Frame{205, "alice say \"hi\""}));
    QCOMPARE(fake.frames(0)[2], (Frame{617, {}}));
    // The request that was held back was still logged.
    QCOMPARE(client.debugLog.lines(DebugLog::Direction::Outgoing).filter(u" Msg: 617 "_s).size(),
             2);
}

#include "tests/connections/tst_dispatch.h"

#include "protocol/server.h"
#include "tests/connections/clientfixture.h"
#include "tests/support/fakeserver.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Waits until the client has logged `count` more incoming lines than `before`.
bool waitForIncoming(const Client& client, qsizetype before, qsizetype count = 1)
{
    return QTest::qWaitFor(
        [&] { return client.debugLog.lineCount(DebugLog::Direction::Incoming) >= before + count; },
        5000);
}

// Records what a handler received.
struct Call {
    int serverIndex;
    MessageInput input;
};

} // namespace

void TestDispatch::handlerInput_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArrayList>("fields");

    QTest::newRow("whole keeps quotes")
        << 404 << QByteArray("say \"hi\"") << QByteArray("say \"hi\"") << QByteArrayList{};
    QTest::newRow("fields") << 214 << QByteArray("1 2 3") << QByteArray()
                            << QByteArrayList{"1", "2", "3"};
    QTest::newRow("keep quotes") << 205 << QByteArray("bob hi \"x\"") << QByteArray()
                                 << QByteArrayList{"bob", "hi \"x\""};
    QTest::newRow("first word") << 752 << QByteArray("alice 12345") << QByteArray("alice")
                                << QByteArrayList{};
    // A bare nickname is the whole word, or a pong from a client that answers with the
    // nickname alone could never be matched to its ping.
    QTest::newRow("first word without a space")
        << 750 << QByteArray("alice") << QByteArray("alice") << QByteArrayList{};
    QTest::newRow("first word, empty") << 752 << QByteArray() << QByteArray() << QByteArrayList{};
}

void TestDispatch::handlerInput()
{
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, text);
    QFETCH(QByteArrayList, fields);
    const auto entry = MessageDispatcher::entry(quint32(type));
    QVERIFY(entry);
    const MessageInput input = MessageDispatcher::prepareInput(*entry, payload);
    QCOMPARE(input.text, text);
    QCOMPARE(input.fields, fields);
}

void TestDispatch::informationBoxes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");

    QTest::newRow("302") << 302 << QByteArray("bob") << u"Cannot add user bob to the hotlist"_s;
    QTest::newRow("324") << 324 << QByteArray("bob") << u"User bob is not ignored"_s;
    QTest::newRow("325") << 325 << QByteArray("bob") << u"User bob is already ignored"_s;
    QTest::newRow("326") << 326 << QByteArray("3") << u"Removed 3 user(s) from ignore list"_s;
    QTest::newRow("601") << 601 << QByteArray("alice 8") << u"User alice's speed is DSL"_s;
    QTest::newRow("601 last code")
        << 601 << QByteArray("alice 10") << u"User alice's speed is T3 >"_s;
    QTest::newRow("601 out of range")
        << 601 << QByteArray("alice 11") << u"User alice's speed is Unknown"_s;
    QTest::newRow("601 negative") << 601 << QByteArray("alice -1")
                                  << u"User alice's speed is Unknown"_s;
    QTest::newRow("601 not a number")
        << 601 << QByteArray("alice fast") << u"User alice's speed is Unknown"_s;
    QTest::newRow("605 epoch")
        << 605 << QByteArray("bob Offline 0")
        << u"Whowas\nUser:        bob\nStatus:      Offline\nLast Online: Thu Jan 01 00:00 1970 "_s;
    QTest::newRow("605 later")
        << 605 << QByteArray("bob Online 1000000000")
        << u"Whowas\nUser:        bob\nStatus:      Online\nLast Online: Sun Sep 09 01:46 2001 "_s;
    QTest::newRow("605 not a number")
        << 605 << QByteArray("bob Offline yesterday")
        << u"Whowas\nUser:        bob\nStatus:      Offline\nLast Online: yesterday"_s;
    QTest::newRow("605 beyond any date")
        << 605 << QByteArray("bob Offline 99999999999999999")
        << u"Whowas\nUser:        bob\nStatus:      Offline\nLast Online: 99999999999999999"_s;
    QTest::newRow("605 missing fields")
        << 605 << QByteArray("bob") << u"Whowas\nUser:        bob\nStatus:      \nLast Online: "_s;
}

void TestDispatch::informationBoxes()
{
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);

    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    client.servers->FindServer(0)->ignoreSet() = QStringList{u"x"_s, u"y"_s, u"z"_s};

    fake.send(0, quint32(type), payload);
    QTRY_COMPARE_WITH_TIMEOUT(client.boxes().size(), 1, 5000);
    QCOMPARE(client.boxes().first(), text);
    // The box does not hold the connection up.
    QCOMPARE(client.status(0), u"Connected"_s);
    QCOMPARE(client.servers->FindServer(0)->ignoreSet().isEmpty(), type == 326);
}

void TestDispatch::serverDisconnect316()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port())},
                  {{u"default_dataport"_s, u"0"_s}, {u"auto_reconnect"_s, u"1"_s}});
    QVERIFY(client.connectAndLogin(fake, 0));
    fake.send(0, 214, "10 20 30");
    fake.send(0, 316);
    QTRY_COMPARE_WITH_TIMEOUT(client.boxes(),
                              QStringList{u"Disconnected from server 127.0.0.1 (0)"_s}, 5000);
    // "Not connected" never starts a countdown, even with auto_reconnect.
    QCOMPARE(client.status(0), u"Not connected"_s);
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(client.list.cell(0, ServerListModel::UsersColumn), QString());
    QCOMPARE(client.list.cell(0, ServerListModel::FilesColumn), QString());
    QCOMPARE(client.list.cell(0, ServerListModel::GbytesColumn), QString());
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Default);
    QVERIFY(fake.waitForDisconnected(0));
}

void TestDispatch::onlyLogged_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("9999") << 9999 << QByteArray("hello");
    QTest::newRow("type 1") << 1 << QByteArray("x");
    QTest::newRow("65535") << 65535 << QByteArray();
    QTest::newRow("in the table, no handler yet") << 404 << QByteArray("notice");
}

void TestDispatch::onlyLogged()
{
    QFETCH(int, type);
    QFETCH(QByteArray, payload);

    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    const QStringList linesBefore = client.serverLines;
    const qsizetype before = client.debugLog.lineCount(DebugLog::Direction::Incoming);

    fake.send(0, quint32(type), payload);
    QVERIFY(waitForIncoming(client, before));
    QCOMPARE(client.debugLog.lastLine(DebugLog::Direction::Incoming),
             u"Server: 0 Len: "_s + QString::number(payload.size()) + u" Msg: "_s +
                 QString::number(type) + u" Text: "_s + QString::fromUtf8(payload));
    QCOMPARE(client.status(0), u"Connected"_s);
    QVERIFY(client.boxes().isEmpty());
    QCOMPARE(client.serverLines, linesBefore);
}

void TestDispatch::emptyPayloadForEveryType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("status");
    for (const MessageDispatcher::Entry& entry : MessageDispatcher::Table) {
        QString status = u"Connected"_s;
        switch (entry.type) {
        case 0:
            status = u"Server error"_s;
            break;
        case 9:
            status = u"Already registered"_s;
            break;
        case 10:
            status = u"Invalid nickname"_s;
            break;
        case 316:
            status = u"Not connected"_s;
            break;
        default:
            break;
        }
        QTest::addRow("%d", int(entry.type)) << int(entry.type) << status;
    }
}

void TestDispatch::emptyPayloadForEveryType()
{
    QFETCH(int, type);
    QFETCH(QString, status);

    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    // Types whose subsystem is not wired here get a recording handler.
    QList<Call> calls;
    if (!client.dispatcher->hasHandler(quint16(type))) {
        client.dispatcher->registerHandler(quint16(type), [&](int index, const MessageInput& in) {
            calls.append({index, in});
        });
    }

    const qsizetype before = client.debugLog.lineCount(DebugLog::Direction::Incoming);
    fake.send(0, quint32(type));
    fake.send(0, 9999, "marker");
    QVERIFY(waitForIncoming(client, before, status == u"Connected"_s ? 2 : 1));
    QVERIFY2(client.waitForStatus(0, status), qPrintable(client.status(0)));

    const auto entry = MessageDispatcher::entry(quint32(type));
    QVERIFY(entry);
    if (!calls.isEmpty()) {
        QCOMPARE(calls.size(), 1);
        const MessageInput& input = calls.first().input;
        QCOMPARE(input.text, QByteArray());
        const bool split = entry->kind == MessageDispatcher::InputKind::Fields ||
                           entry->kind == MessageDispatcher::InputKind::KeepQuotes;
        QCOMPARE(input.fields.size(), split ? entry->count : 0);
        for (const QByteArray& field : input.fields)
            QVERIFY(field.isEmpty());
    }
    if (type == 8) // the nickname is free: the new-user login goes out
        QVERIFY(fake.waitForFrame(6));
}

void TestDispatch::hostileStreams_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Whether the server closes after sending them.
    QTest::addColumn<bool>("closes");

    QByteArray garbage(200 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char& byte : garbage)
        byte = char(random.bounded(256));
    QByteArray allSizes;
    for (int size = 0; size < 3000; size += 7)
        allSizes += FakeServer::encode(9999, QByteArray(size, 'q'));

    QTest::newRow("garbage") << garbage << false;
    QTest::newRow("garbage, then close") << garbage << true;
    QTest::newRow("65,535 bytes announced, none sent")
        << FakeServer::encodeHeader(404, 65535) << false;
    QTest::newRow("payload cut by the close")
        << FakeServer::encodeHeader(214, 100) + QByteArray(50, '7') << true;
    QTest::newRow("header cut by the close") << QByteArray("\x05\x00", 2) << true;
    QTest::newRow("largest frames") << FakeServer::encode(9999, QByteArray(65535, 'L')) +
                                           FakeServer::encode(9999, QByteArray(65535, 'M'))
                                    << false;
    QTest::newRow("frames of every size") << allSizes << false;
}

void TestDispatch::hostileStreams()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closes);

    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    // Cut at odd places, so that frames straddle reads.
    fake.setWriteChunking({1, 1000, 7, 65536, 3});
    fake.sendRaw(0, bytes);
    if (closes)
        fake.close(0);
    QVERIFY(fake.waitForSent(0, 20000));

    if (closes) {
        // Ends with a reason; the cut frame is never handled.
        QVERIFY(client.waitForNoRecord(0, 20000));
        QVERIFY(!client.status(0).isEmpty());
        QVERIFY(client.status(0) != u"Connected"_s);
        QCOMPARE(client.list.cell(0, ServerListModel::UsersColumn), QString());
        return;
    }
    TServer* record = client.servers->FindServer(0);
    if (record) {
        // What is kept unhandled is never more than one unfinished frame.
        QTRY_VERIFY_WITH_TIMEOUT(record->bufferedBytes() <= 4 + 65535, 5000);
        // The user can still end it.
        client.servers->disconnectServer(0);
        QCOMPARE(client.status(0), u"Not connected"_s);
    }
    QVERIFY(client.waitForNoRecord(0));
}

void TestDispatch::burstInOrder()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    QByteArrayList seen;
    client.dispatcher->registerHandler(404,
                                       [&](int, const MessageInput& in) { seen.append(in.text); });

    constexpr int Count = 5000;
    QByteArray burst;
    for (int i = 0; i < Count; ++i)
        burst += FakeServer::encode(404, QByteArray::number(i));
    burst += FakeServer::encode(214, "1 2 3");
    fake.sendRaw(0, burst);

    QTRY_COMPARE_WITH_TIMEOUT(client.list.cell(0, ServerListModel::GbytesColumn), u"3"_s, 10000);
    QCOMPARE(seen.size(), Count);
    for (int i = 0; i < Count; ++i)
        QCOMPARE(seen[i], QByteArray::number(i));
}

void TestDispatch::stopEndsTheBatch()
{
    // Frames that arrive with the one that ends the connection are not handled.
    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    QByteArrayList seen;
    client.dispatcher->registerHandler(404,
                                       [&](int, const MessageInput& in) { seen.append(in.text); });

    fake.sendRaw(0, FakeServer::encode(404, "before") + FakeServer::encode(10, {}) +
                        FakeServer::encode(404, "after") + FakeServer::encode(3, "x@y"));
    QVERIFY(client.waitForStatus(0, u"Invalid nickname"_s));
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(seen, QByteArrayList{"before"});
    QCOMPARE(client.status(0), u"Invalid nickname"_s);
}

void TestDispatch::staleLoginAcknowledgement()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port())});
    QSignalSpy acknowledged(client.servers.get(), &TServers::loginAcknowledged);

    // The user drops the connection while the acknowledgement is on its way: here the user's
    // disconnect happens in the handler of the frame before it, in the same read.
    client.dispatcher->registerHandler(
        404, [&](int index, const MessageInput&) { client.servers->disconnectServer(index); });
    client.servers->connectServer(0);
    QVERIFY(fake.waitForFrame(2));
    fake.sendRaw(0, FakeServer::encode(404, "bye") + FakeServer::encode(3, "anon@1.2.3.4"));
    QVERIFY(client.waitForStatus(0, u"Not connected"_s));
    QVERIFY(client.waitForNoRecord(0));

    // And one that reaches the dispatcher after the record is gone.
    client.dispatcher->HandleServerMessage(0, 3, "anon@1.2.3.4");
    QCOMPARE(acknowledged.size(), 0);
    QCOMPARE(client.status(0), u"Not connected"_s);
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Default);
    QVERIFY(client.serverLines.isEmpty());
    QCOMPARE(client.debugLog.lastLine(DebugLog::Direction::Incoming),
             u"Server: 0 Len: 12 Msg: 3 Text: anon@1.2.3.4"_s);
}

void TestDispatch::debugLogIsBounded()
{
    DebugLog log;
    log.add(DebugLog::Direction::Incoming, 0, 1, 404, "x");
    QCOMPARE(log.lineCount(DebugLog::Direction::Incoming), 0); // off unless enabled

    log.setEnabled(true);
    for (int i = 0; i < DebugLog::MaxLines + 50; ++i)
        log.add(DebugLog::Direction::Incoming, 0, 1, 404, QByteArray::number(i));
    QCOMPARE(log.lineCount(DebugLog::Direction::Incoming), DebugLog::MaxLines);
    QCOMPARE(log.lines(DebugLog::Direction::Incoming).first(),
             u"Server: 0 Len: 1 Msg: 404 Text: 50"_s);
    QCOMPARE(log.lineCount(DebugLog::Direction::Outgoing), 0);

    // Lines of the largest payloads: the character budget drops old lines sooner.
    const QByteArray large(65535, 'b');
    for (int i = 0; i < 200; ++i)
        log.add(DebugLog::Direction::Outgoing, 1, large.size(), 9999, large);
    qsizetype characters = 0;
    for (const QString& line : log.lines(DebugLog::Direction::Outgoing))
        characters += line.size();
    QVERIFY(characters <= DebugLog::MaxCharacters);
    QVERIFY(log.lineCount(DebugLog::Direction::Outgoing) < 200);
}

#include "tests/connections/tst_login.h"

#include "config/configkeys.h"
#include "protocol/server.h"
#include "protocol/wireformat.h"
#include "tests/connections/clientfixture.h"
#include "tests/support/fakeserver.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Message type -> the fake's answer to it.
using Script = QList<QPair<int, Frame>>;
} // namespace

void TestLogin::loginWithDefaults()
{
    // No configuration at all: the placeholder nickname, "wisp", the data port found from
    // 6699 on, the quoted version, line speed 0.
    FakeServer fake;
    Client client({ServerSetup(fake.port())}, {}, /*keepDefaults=*/true);
    QSignalSpy acknowledged(client.servers.get(), &TServers::loginAcknowledged);

    client.servers->connectServer(0);
    QCOMPARE(client.status(0), u"Connecting..."_s);
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Olive);
    const auto login = fake.waitForFrame(2);
    QVERIFY(login);

    const int port = client.listener->port();
    QVERIFY2(port >= 6699 || (port >= 1000 && port < 6699), qPrintable(QString::number(port)));
    QCOMPARE(client.config->ReadInteger(ConfigKey::DefaultDataport, -1), port);
    QCOMPARE(login->payload, "anon wisp " + QByteArray::number(port) + " \"Tavolin v0.2\" 0");

    fake.send(0, 3, "anon@1.2.3.4");
    QVERIFY(client.waitForStatus(0, u"Connected"_s));
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Green);
    QCOMPARE(acknowledged.size(), 1);
    TServer* record = client.servers->FindServer(0);
    QVERIFY(record);
    QCOMPARE(record->ownAddress(), u"1.2.3.4"_s);
    QCOMPARE(record->nickname(), u"anon"_s);
    QCOMPARE(client.serverLines, QStringList({u"0: You are connected to 127.0.0.1"_s,
                                              u"0: Email set to -> anon@1.2.3.4"_s}));
    // The first acknowledgement starts the data port on the port the login announced.
    QVERIFY(client.listener->isActive());
    QVERIFY(client.listener->isBound());
    QCOMPARE(client.listener->boundPort(), port);

    // The last record going stops the listening, not the listener.
    QSignalSpy lastReleased(client.servers.get(), &TServers::lastRecordReleased);
    client.servers->disconnectServer(0);
    QCOMPARE(client.status(0), u"Not connected"_s);
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(lastReleased.size(), 1);
    QVERIFY(client.listener->isActive());
    QVERIFY(!client.listener->isBound());
}

void TestLogin::loginMessage_data()
{
    QTest::addColumn<QString>("nicknameCell");
    QTest::addColumn<QString>("passwordCell");
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");

    const Settings noPort = {{u"default_dataport"_s, u"0"_s}};
    QTest::newRow("cells win over the defaults")
        << u"bob"_s << u"secret"_s << noPort << 2 << QByteArray("bob secret 0 \"Tavolin v0.2\" 0");
    QTest::newRow("configured defaults fill empty cells")
        << QString() << QString()
        << Settings{{u"default_dataport"_s, u"0"_s},
                    {u"default_nickname"_s, u"carol"_s},
                    {u"default_password"_s, u"pw"_s}}
        << 2 << QByteArray("carol pw 0 \"Tavolin v0.2\" 0");
    QTest::newRow("version and speed") << u"bob"_s << u"secret"_s
                                       << Settings{{u"default_dataport"_s, u"0"_s},
                                                   {u"version"_s, u"My Client 1.0"_s},
                                                   {u"default_speed"_s, u"8"_s}}
                                       << 2 << QByteArray("bob secret 0 \"My Client 1.0\" 8");
    QTest::newRow("register upon login asks with the nickname alone")
        << u"bob"_s << u"secret"_s
        << Settings{{u"default_dataport"_s, u"0"_s}, {u"register_upon_login"_s, u"1"_s}} << 7
        << QByteArray("bob");
}

void TestLogin::loginMessage()
{
    QFETCH(QString, nicknameCell);
    QFETCH(QString, passwordCell);
    QFETCH(Settings, settings);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);

    FakeServer fake;
    Client client({ServerSetup(fake.port()).withLogin(nicknameCell, passwordCell)}, settings);
    client.servers->connectServer(0);
    QVERIFY(fake.waitForConnections(1));
    QTRY_COMPARE_WITH_TIMEOUT(fake.frames(0).size(), 1, 5000);
    QCOMPARE(fake.frames(0).first(), (Frame{quint32(type), payload}));
    // Nothing listens while the data port is 0.
    QVERIFY(!client.listener->isBound());
}

void TestLogin::loginOutcome_data()
{
    QTest::addColumn<bool>("registerUponLogin");
    // Type -> answer, applied as the fake's script.
    QTest::addColumn<Script>("script");
    // Close the connection after answering this type (-1: never).
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<QList<int>>("sentTypes");
    QTest::addColumn<QString>("status");

    QTest::newRow("register: 7, 8, 6, 3") << true << Script{{7, {8, {}}}, {6, {3, "bob@1.2.3.4"}}}
                                          << -1 << QList<int>{7, 6} << u"Connected"_s;
    QTest::newRow("register: already registered")
        << true << Script{{7, {9, {}}}} << -1 << QList<int>{7} << u"Already registered"_s;
    QTest::newRow("invalid nickname")
        << false << Script{{2, {10, {}}}} << -1 << QList<int>{2} << u"Invalid nickname"_s;
    QTest::newRow("server error text") << false << Script{{2, {0, "Invalid password for bob"}}}
                                       << -1 << QList<int>{2} << u"Invalid password for bob"_s;
    QTest::newRow("server error without text")
        << false << Script{{2, {0, {}}}} << -1 << QList<int>{2} << u"Server error"_s;
    QTest::newRow("error, then the server closes: the error is the reason")
        << false << Script{{2, {0, "You are banned"}}} << 2 << QList<int>{2} << u"You are banned"_s;
    QTest::newRow("the server closes after the login")
        << false << Script{} << 2 << QList<int>{2} << u"Connection closed by server"_s;
}

void TestLogin::loginOutcome()
{
    QFETCH(bool, registerUponLogin);
    QFETCH(Script, script);
    QFETCH(int, closeAfter);
    QFETCH(QList<int>, sentTypes);
    QFETCH(QString, status);

    FakeServer fake;
    for (const auto& [type, answer] : std::as_const(script))
        fake.setAutoReply(quint32(type), {answer});
    QObject::connect(&fake, &FakeServer::frameReceived, &fake,
                     [&](int connection, const Frame& frame) {
                         if (int(frame.type) == closeAfter)
                             fake.close(connection);
                     });
    Client client({ServerSetup(fake.port()).withLogin(u"bob"_s, u"pw"_s)},
                  {{u"default_dataport"_s, u"0"_s},
                   {u"register_upon_login"_s, registerUponLogin ? u"1"_s : u"0"_s}});
    client.servers->connectServer(0);

    QVERIFY2(client.waitForStatus(0, status), qPrintable(client.status(0)));
    QList<int> types;
    for (const Frame& frame : fake.frames(0))
        types.append(int(frame.type));
    QCOMPARE(types, sentTypes);
    if (status == u"Connected"_s) {
        QCOMPARE(fake.frames(0).last().payload, QByteArray("bob pw 0 \"Tavolin v0.2\" 0"));
        QVERIFY(client.servers->FindServer(0));
        return;
    }
    // Without auto_reconnect a refused login releases the record; the reason stays.
    QVERIFY(client.waitForNoRecord(0));
    QCOMPARE(client.status(0), status);
    QCOMPARE(client.list.rowColour(0), ServerListModel::RowColour::Default);
}

void TestLogin::secondProtocolLogin()
{
    FakeServer fake(FrameReader::Layout::Int32);
    Client client({ServerSetup(fake.port()).filedUnder(u"Soulseek"_s)});
    client.servers->connectServer(0);

    const auto login = fake.waitForFrame(1);
    QVERIFY(login);
    QCOMPARE(login->payload, BuildLogin32Payload("anon", "wisp"));

    // Any other code is only logged; code 1 acknowledges the login.
    fake.send(0, 2, "ignored");
    fake.send(0, 1, "welcome");
    QVERIFY(client.waitForStatus(0, u"Connected"_s));
    QCOMPARE(client.servers->FindServer(0)->ownAddress(), u"127.0.0.1"_s);
    QCOMPARE(client.serverLines,
             QStringList({u"0: You are connected to 127.0.0.1"_s, u"0: welcome"_s}));

    // A length no frame of that layout can have ends the connection.
    fake.sendRaw(0, QByteArray::fromHex("0200000001000000"));
    QVERIFY(client.waitForStatus(0, u"Invalid data from server"_s));
    QVERIFY(client.waitForNoRecord(0));
}

void TestLogin::sharingPanelOnFirstConnectionOnly()
{
    FakeServer fake;
    Client client({ServerSetup(fake.port()), ServerSetup(fake.port())});
    QVERIFY(client.connectAndLogin(fake, 0));
    QCOMPARE(client.panels->text(StatusPanels::SharingPanel), u"Sharing: 0 file(s), 0.0 GB"_s);

    client.panels->setText(StatusPanels::SharingPanel, u"Sharing: 7 file(s), 1.5 GB"_s);
    QVERIFY(client.connectAndLogin(fake, 1));
    QCOMPARE(client.panels->text(StatusPanels::SharingPanel), u"Sharing: 7 file(s), 1.5 GB"_s);
}

void TestLogin::totals_data()
{
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QByteArrayList>("stats");
    QTest::addColumn<QStringList>("totals"); // panels 1, 2, 3 with no chat page shown

    QTest::newRow("one host counted once")
        << QStringList{u"127.0.0.1"_s, u"127.0.0.1"_s} << QByteArrayList{"100 5 1", "100 5 1"}
        << QStringList{u"100 Users"_s, u"5 Files"_s, u"1 GB"_s};
    QTest::newRow("the first record's figures count")
        << QStringList{u"127.0.0.1"_s, u"127.0.0.1"_s} << QByteArrayList{"100 5 1", "300 9 4"}
        << QStringList{u"100 Users"_s, u"5 Files"_s, u"1 GB"_s};
    QTest::newRow("host names compared without case")
        << QStringList{u"localhost"_s, u"LOCALHOST"_s} << QByteArrayList{"100 5 1", "300 9 4"}
        << QStringList{u"100 Users"_s, u"5 Files"_s, u"1 GB"_s};
    QTest::newRow("two hosts add up")
        << QStringList{u"127.0.0.1"_s, u"localhost"_s} << QByteArrayList{"100 5 1", "50 7 2"}
        << QStringList{u"150 Users"_s, u"12 Files"_s, u"3 GB"_s};
    QTest::newRow("cells that are not numbers count as nothing")
        << QStringList{u"127.0.0.1"_s, u"localhost"_s} << QByteArrayList{"abc 5 x", "50 y -"}
        << QStringList{u"50 Users"_s, u"5 Files"_s, u"0 GB"_s};
    QTest::newRow("missing fields")
        << QStringList{u"127.0.0.1"_s, u"localhost"_s} << QByteArrayList{"", "7"}
        << QStringList{u"7 Users"_s, u"0 Files"_s, u"0 GB"_s};
}

void TestLogin::totals()
{
    QFETCH(QStringList, hosts);
    QFETCH(QByteArrayList, stats);
    QFETCH(QStringList, totals);

    FakeServer fake;
    QList<ServerSetup> setups;
    for (const QString& host : hosts)
        setups.append(ServerSetup(fake.port(), host));
    Client client(setups);
    for (int i = 0; i < int(hosts.size()); ++i)
        QVERIFY(client.connectAndLogin(fake, i));
    const auto handled214 = [&] {
        return client.debugLog.lines(DebugLog::Direction::Incoming).filter(u" Msg: 214 "_s).size();
    };
    for (int i = 0; i < int(hosts.size()); ++i) {
        fake.send(i, 214, stats[i]);
        QTRY_COMPARE_WITH_TIMEOUT(handled214(), i + 1, 5000);
        const QByteArrayList fields = SplitFields(stats[i], 3);
        QCOMPARE(client.list.cell(i, ServerListModel::UsersColumn), QString::fromUtf8(fields[0]));
        QCOMPARE(client.list.cell(i, ServerListModel::GbytesColumn), QString::fromUtf8(fields[2]));
    }
    QCOMPARE(client.panels->text(StatusPanels::UsersPanel), totals[0]);
    QCOMPARE(client.panels->text(StatusPanels::FilesPanel), totals[1]);
    QCOMPARE(client.panels->text(StatusPanels::GigabytesPanel), totals[2]);
    QCOMPARE(client.panels->text(StatusPanels::NicknamePanel), QString());

    // With the second server's chat page shown: its figures beside the totals, its nickname.
    client.panels->UpdateServerTotals(true, 1);
    QCOMPARE(client.panels->text(StatusPanels::UsersPanel),
             client.list.cell(1, ServerListModel::UsersColumn) + u" ("_s +
                 totals[0].split(u' ')[0] + u") Users"_s);
    QCOMPARE(client.panels->text(StatusPanels::NicknamePanel), u"anon (User)"_s);

    // No records: panels 0 to 3 empty.
    client.servers->disconnectAndRelease(0);
    client.servers->disconnectAndRelease(1);
    client.panels->UpdateServerTotals(false, StatusPanels::NoChatPage);
    for (int panel = 0; panel <= 3; ++panel)
        QCOMPARE(client.panels->text(panel), QString());
}

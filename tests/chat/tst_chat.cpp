// Chat pages, server notices, the main view state and the uptime figures, driven by a real
// registry and login against the fake server over loopback.

#include "chat/chatlinemodel.h"
#include "chat/chatlines.h"
#include "chat/chatpages.h"
#include "chat/mainviewstate.h"
#include "chat/servernotices.h"
#include "chat/serverpage.h"
#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/dataport.h"
#include "protocol/debuglog.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/uptimeclock.h"
#include "tests/chat/chatfixture.h"
#include "tests/support/fakeserver.h"
#include "tests/support/recordingprompts.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QStringList pageLines(const ChatCore& core, int serverIndex)
{
    return core.serverMessages(serverIndex);
}

} // namespace

class TestChat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginMakesThePageWithItsLines();
    void notices_data();
    void notices();
    void noticeBeforeThePageExists();
    void reconnectReusesThePage();
    void pageGoesWithTheRecord();
    void nicknamePanelFollowsTheShownPage_data();
    void nicknamePanelFollowsTheShownPage();
    void inputLine_data();
    void inputLine();
    void pageRule_data();
    void pageRule();
    void linesKeepTheNewest();
    void uptimeText_data();
    void uptimeText();
    void uptimeFromTheClock();
    void throughput();
    void trayTipIsCut();
};

void TestChat::loginMakesThePageWithItsLines()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QSignalSpy added(&core.pages, &ChatPages::pageAdded);
    QVERIFY(core.login(fake));

    QCOMPARE(added.size(), 1);
    const ServerPage* page = core.pages.page(0);
    QVERIFY(page);
    QCOMPARE(page->caption(), u"127.0.0.1 (0)"_s);
    QCOMPARE(page->innerPageNames(), (QStringList{u"Server Messages"_s, u"Hotlist"_s}));
    QCOMPARE(pageLines(core, 0), (QStringList{u"* You are connected to 127.0.0.1"_s,
                                              u"* Email set to -> me@127.0.0.1"_s}));
    QCOMPARE(core.notices.serversTabLines().lines(),
             (QStringList{u"[127.0.0.1 (0)] You are connected to 127.0.0.1"_s, QString(),
                          u"[127.0.0.1 (0)] Email set to -> me@127.0.0.1"_s}));
    // chat_switch_connect is on by default: the Chat page shows the new server.
    QCOMPARE(core.view.mainPage(), MainViewState::ChatPage);
    QCOMPARE(core.view.currentChatServer(), 0);
}

void TestChat::notices_data()
{
    QTest::addColumn<QList<Frame>>("frames");
    QTest::addColumn<QStringList>("onPage");
    QTest::addColumn<QStringList>("inServersTab");

    QTest::newRow("two 404s") << QList<Frame>{{404, "first notice"}, {404, "second notice"}}
                              << QStringList{u"* first notice"_s, u"* second notice"_s}
                              << QStringList{u"[127.0.0.1 (0)] first notice"_s, QString(),
                                             u"[127.0.0.1 (0)] second notice"_s};
    QTest::newRow("motd lines keep their spaces")
        << QList<Frame>{{621, "  Welcome  to  the  server"}, {621, ""}}
        << QStringList{u"*   Welcome  to  the  server"_s, u"* "_s}
        << QStringList{u"[127.0.0.1 (0)]   Welcome  to  the  server"_s, QString(),
                       u"[127.0.0.1 (0)] "_s};
    QTest::newRow("bytes that are not UTF-8")
        << QList<Frame>{{404, "caf\xe9"}} << QStringList{u"* caf\u00e9"_s}
        << QStringList{u"[127.0.0.1 (0)] caf\u00e9"_s};
    QTest::newRow("other types are not notices")
        << QList<Frame>{{9999, "junk"}, {404, "after"}} << QStringList{u"* after"_s}
        << QStringList{u"[127.0.0.1 (0)] after"_s};
}

void TestChat::notices()
{
    QFETCH(QList<Frame>, frames);
    QFETCH(QStringList, onPage);
    QFETCH(QStringList, inServersTab);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    core.notices.serversTabLines().clear();
    const qsizetype before = pageLines(core, 0).size();

    for (const Frame& frame : frames)
        fake.send(0, frame.type, frame.payload);
    QTRY_COMPARE_WITH_TIMEOUT(pageLines(core, 0).mid(before), onPage, 5000);
    QCOMPARE(core.notices.serversTabLines().lines(), inServersTab);
}

void TestChat::noticeBeforeThePageExists()
{
    // The server sends a notice before it acknowledges the login: there is no page for it
    // yet, so only the Servers tab shows it.
    FakeServer fake;
    ChatCore core(fake.port());
    core.servers.connectServer(0);
    QVERIFY(fake.waitForFrame(2));
    fake.send(0, 404, "too early");
    QTRY_COMPARE_WITH_TIMEOUT(core.notices.serversTabLines().lines(),
                              QStringList{u"[127.0.0.1 (0)] too early"_s}, 5000);
    QVERIFY(core.pages.isEmpty());

    fake.send(0, 3, "me@127.0.0.1");
    QTRY_VERIFY_WITH_TIMEOUT(core.pages.page(0), 5000);
    QVERIFY(!pageLines(core, 0).contains(u"* too early"_s));
    QCOMPARE(pageLines(core, 0).constFirst(), u"* You are connected to 127.0.0.1"_s);

    // A notice for a server the list does not know has no host, and still shows.
    core.notices.ShowServerText(42, u"stray"_s);
    QCOMPARE(core.notices.serversTabLines().lines().constLast(), u"[ (42)] stray"_s);
}

void TestChat::reconnectReusesThePage()
{
    FakeServer fake;
    ChatCore core(fake.port());
    core.config.WriteBool(ConfigKey::AutoReconnect, true);
    core.config.WriteInteger(ConfigKey::ReconnectInterval, 1);
    core.servers.setReconnectTickForTests(10);
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    QSignalSpy added(&core.pages, &ChatPages::pageAdded);
    QSignalSpy removed(&core.pages, &ChatPages::pageRemoved);

    fake.close(0);
    QVERIFY(fake.waitForConnections(2));
    QTRY_COMPARE_WITH_TIMEOUT(pageLines(core, 0).count(u"* You are connected to 127.0.0.1"_s), 2,
                              5000);
    QCOMPARE(core.pages.count(), 1);
    QCOMPARE(core.pages.page(0), page);
    QCOMPARE(added.size(), 0);
    QCOMPARE(removed.size(), 0);
}

void TestChat::pageGoesWithTheRecord()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    QSignalSpy removed(&core.pages, &ChatPages::pageRemoved);

    core.servers.disconnectServer(0);
    QVERIFY(removed.wait(5000));
    QCOMPARE(removed.constFirst().constFirst().toInt(), 0);
    QVERIFY(core.pages.isEmpty());
    // The last page went: the Chat page is closed again.
    QCOMPARE(core.view.mainPage(), MainViewState::ServersPage);
    QCOMPARE(core.view.currentChatServer(), MainViewState::NoChatPage);
    QCOMPARE(core.panels.text(StatusPanels::NicknamePanel), QString());
}

void TestChat::nicknamePanelFollowsTheShownPage_data()
{
    QTest::addColumn<int>("mainPage");
    QTest::addColumn<QString>("panel");

    QTest::newRow("chat page shows the server") << int(MainViewState::ChatPage) << u"me (User)"_s;
    QTest::newRow("servers page current") << int(MainViewState::ServersPage) << u"x"_s;
}

void TestChat::nicknamePanelFollowsTheShownPage()
{
    QFETCH(int, mainPage);
    QFETCH(QString, panel);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    QVERIFY(core.view.selectMainPage(mainPage));
    core.panels.setText(StatusPanels::NicknamePanel, u"x"_s);

    fake.send(0, 404, "a notice");
    QTRY_COMPARE_WITH_TIMEOUT(pageLines(core, 0).constLast(), u"* a notice"_s, 5000);
    QCOMPARE(core.panels.text(StatusPanels::NicknamePanel), panel);
}

void TestChat::inputLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("command"); // name and arguments; empty for none

    QTest::newRow("plain text") << u"hello there"_s << QStringList();
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("command alone") << u"/quit"_s << QStringList{u"quit"_s, QString()};
    QTest::newRow("command with arguments")
        << u"/msg bob  hi  there"_s << QStringList{u"msg"_s, u"bob  hi  there"_s};
    QTest::newRow("slash alone") << u"/"_s << QStringList{QString(), QString()};
}

void TestChat::inputLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, command);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    QSignalSpy commands(&core.pages, &ChatPages::commandEntered);

    core.pages.SubmitServerInput(0, text);
    QCOMPARE(core.servers.FindServer(0)->inputHistory(), QStringList{text});
    if (command.isEmpty()) {
        QCOMPARE(commands.size(), 0);
    } else {
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands.constFirst().at(1).toString(), command.at(0));
        QCOMPARE(commands.constFirst().at(2).toString(), command.at(1));
    }
}

void TestChat::pageRule_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("Chat") << int(MainViewState::ChatPage) << false;
    QTest::newRow("Search") << int(MainViewState::SearchPage) << false;
    QTest::newRow("Shares") << int(MainViewState::SharesPage) << false;
    QTest::newRow("Transfers") << int(MainViewState::TransfersPage) << true;
}

void TestChat::pageRule()
{
    QFETCH(int, page);
    QFETCH(bool, allowed);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.view.selectMainPage(MainViewState::TransfersPage));
    QVERIFY(core.view.selectMainPage(MainViewState::ServersPage));
    QSignalSpy changed(&core.view, &MainViewState::mainPageChanged);

    QCOMPARE(core.view.selectMainPage(page), allowed);
    const int expected = allowed ? page : int(MainViewState::ServersPage);
    QCOMPARE(core.view.mainPage(), expected);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.constFirst().constFirst().toInt(), expected);
    QCOMPARE(core.prompts.texts(RecordingPrompts::Kind::Information),
             allowed ? QStringList() : QStringList{u"Connect to a server first"_s});

    // With a server page every page opens.
    QVERIFY(core.login(fake));
    QVERIFY(core.view.selectMainPage(page));
}

void TestChat::linesKeepTheNewest()
{
    ChatLines lines;
    QAbstractItemModelTester tester(&lines);
    for (int i = 0; i < 50; ++i)
        lines.append(QString::number(i));
    QStringList block;
    for (int i = 50; i < ChatLines::DefaultMaxLines + 60; ++i)
        block.append(QString::number(i));
    lines.append(block);
    QCOMPARE(lines.count(), ChatLines::DefaultMaxLines);
    QCOMPARE(lines.line(0), u"60"_s);
    lines.append(u"last"_s);
    QCOMPARE(lines.count(), ChatLines::DefaultMaxLines);
    QCOMPARE(lines.line(0), u"61"_s);
    QCOMPARE(lines.lines().constLast(), u"last"_s);

    // Long lines are bounded by their characters, too; the newest always stays.
    const QString mega(1024 * 1024, u'x');
    for (int i = 0; i < 6; ++i)
        lines.append(mega);
    QVERIFY(lines.characters() <= ChatLines::MaxCharacters);
    QCOMPARE(lines.lines().constLast(), mega);
    const QString huge(ChatLines::MaxCharacters + 1, u'y');
    lines.append(huge);
    QCOMPARE(lines.count(), 1);
    QCOMPARE(lines.characters(), huge.size());
}

void TestChat::uptimeText_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("start") << qint64(0) << u"00:00:00"_s;
    QTest::newRow("minutes") << qint64(5 * 60 + 7) << u"00:05:07"_s;
    QTest::newRow("a day and more") << qint64(26 * 3600 + 1) << u"26:00:01"_s;
    QTest::newRow("three-digit hours") << qint64(100 * 3600 + 59 * 60 + 59) << u"100:59:59"_s;
    QTest::newRow("clock set back") << qint64(-5) << u"00:00:00"_s;
}

void TestChat::uptimeText()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(UptimeClock::formatUptime(seconds), text);
}

void TestChat::uptimeFromTheClock()
{
    const QDateTime start(QDate(2024, 3, 1), QTime(10, 0, 0));
    QDateTime now = start;
    UptimeClock clock([&now] { return now; });
    QSignalSpy changed(&clock, &UptimeClock::uptimeChanged);

    now = start.addSecs(26 * 3600 + 1);
    clock.tick();
    QCOMPARE(clock.uptimeText(), u"26:00:01"_s);
    QCOMPARE(changed.size(), 1);
}

void TestChat::throughput()
{
    const QDateTime start(QDate(2024, 3, 1), QTime(10, 0, 0));
    QDateTime now = start;
    UptimeClock::Counters counters;
    UptimeClock clock([&now] { return now; });
    clock.setCounterSource([&counters] { return counters; });

    // Right after start.
    QCOMPARE(clock.downText(), u"Down: 0 (0.0kB/s) 0.00MB"_s);
    QCOMPARE(clock.upText(), u"Up: 0 (0.0kB/s) 0.00MB"_s);
    QCOMPARE(clock.trayTip(), u"Tavolin v0.2\rD: 0 (0.0) U: 0 (0.0)"_s);

    now = start.addSecs(2);
    clock.tick();
    QCOMPARE(clock.downText(), u"Down: 0 (0.0kB/s) 0.00MB"_s);

    // Odd seconds only count the uptime.
    counters = {1, 2, 4096, 3 * 1048576};
    now = start.addSecs(3);
    clock.tick();
    QCOMPARE(clock.downText(), u"Down: 0 (0.0kB/s) 0.00MB"_s);

    // 4096 bytes over the two seconds since the last sample: 2 kB/s.
    now = start.addSecs(4);
    clock.tick();
    QCOMPARE(clock.downText(), u"Down: 1 (2.0kB/s) 0.00MB"_s);
    QCOMPARE(clock.upText(), u"Up: 2 (1536.0kB/s) 3.00MB"_s);
    QCOMPARE(clock.trayTip(), u"Tavolin v0.2\rD: 1 (2.0) U: 2 (1536.0)"_s);

    // Nothing moved since; totals past 4 GB still add up.
    counters.bytesReceived = 5ull * 1024 * 1048576;
    now = start.addSecs(6);
    clock.tick();
    QCOMPARE(clock.downText(), u"Down: 1 (2621438.0kB/s) 5120.00MB"_s);
    QCOMPARE(clock.upText(), u"Up: 2 (0.0kB/s) 3.00MB"_s);
}

void TestChat::trayTipIsCut()
{
    const QString tip = UptimeClock::trayTipText(123456789, 123456789.0, 987654321, 987654321.0);
    QCOMPARE(tip.size(), UptimeClock::MaxTrayTipLength);
    QVERIFY(tip.startsWith(u"Tavolin v0.2\rD: 123456789 (123456789.0) U: 987654321 ("_s));
}

int runTestChat(int argc, char** argv)
{
    TestChat test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chat.moc"

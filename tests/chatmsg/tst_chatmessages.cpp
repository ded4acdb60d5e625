#include "tests/chatmsg/tst_chatmessages.h"

#include "chat/channelusers.h"
#include "chat/chatlinemodel.h"
#include "chat/commandinterpreter.h"
#include "chat/irctags.h"
#include "config/configkeys.h"
#include "protocol/server.h"
#include "tests/chatmsg/chatmsgfixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int TimeoutMs = 5000;

QByteArray S()
{
    return ChatMsgCore::stamp();
}

QByteArray Public(const QByteArray& nickname, const QByteArray& text, bool own = false)
{
    return S() + T("^12<^") + (own ? "8" : "14") + nickname + T("^12>^-1 ") + text;
}

QByteArray Private(const QByteArray& who, const QByteArray& text, bool sent = false)
{
    return S() + T("^12<^") + (sent ? "8" : "14") + who + T("^12> ^-1") + text;
}

QByteArrayList Lines(const ChatPage* page)
{
    return ChatMsgCore::lines(page ? page->output() : nullptr);
}

// A round trip through the client and the fake: every frame the client sent before it has
// reached the fake once this returns.
bool Flush(ChatMsgCore& core)
{
    core.whois.RequestWhois(0, u"flush"_s);
    const std::optional<Frame> frame = core.sent(603);
    return frame && frame->payload == "flush";
}

} // namespace

// --- Channels ---

void TestChatMessages::joinMakesAPageInFront()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.view.selectMainPage(MainViewState::ServersPage));

    ChatPage* page = core.join("#tavolin");
    QVERIFY(page);
    QCOMPARE(page->caption(), u"Channel: #tavolin"_s);
    QCOMPARE(core.serverPage()->indexOf(page), 2);
    QCOMPARE(core.serverPage()->currentPage(), page);
    QCOMPARE(core.view.mainPage(), MainViewState::ChatPage);
    QCOMPARE(page->label(), u" Channel #tavolin: 0 user(s)"_s);
    QVERIFY(ChannelMessages::usersOf(page));
    QVERIFY(Lines(page).isEmpty());
    QCOMPARE(ChatMsgCore::lines(page->topic()), QByteArrayList());
}

void TestChatMessages::joinTwiceGivesTwoPages()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* first = core.join("#a");
    QVERIFY(core.deliver(405, "#a"));
    QCOMPARE(core.serverPage()->innerPageNames(),
             (QStringList{u"Server Messages"_s, u"Hotlist"_s, u"Channel: #a"_s, u"Channel: #a"_s}));
    ChatPage* second = core.serverPage()->page(3);
    QCOMPARE(core.serverPage()->currentPage(), second);

    QVERIFY(core.deliver(403, "#a bob hi"));
    QCOMPARE(Lines(first), QByteArrayList{Public("bob", "hi")});
    QVERIFY(Lines(second).isEmpty());
}

void TestChatMessages::publicMessages_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("someone else") << QByteArray("#a bob hello there")
                                  << Public("bob", "hello there");
    QTest::newRow("own nickname") << QByteArray("#a Me my words") << Public("Me", "my words", true);
    QTest::newRow("own nickname in other letter case")
        << QByteArray("#a ME shouting") << Public("ME", "shouting");
    QTest::newRow("quotes in the text stay")
        << QByteArray("#a bob \"quoted\"  twice") << Public("bob", "\"quoted\"  twice");
    QTest::newRow("empty text") << QByteArray("#a bob") << Public("bob", "");
    QTest::newRow("tags pass through")
        << QByteArray(T("#a bob ^4red\x0f plain")) << Public("bob", T("^4red\x0f plain"));
}

void TestChatMessages::publicMessages()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, line);
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    QVERIFY(core.deliver(403, payload));
    QCOMPARE(Lines(page), QByteArrayList{line});
}

void TestChatMessages::userList()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    ChannelUsers* users = ChannelMessages::usersOf(page);
    QVERIFY(users);
    QAbstractItemModelTester tester(users, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QVERIFY(core.deliver({{408, "#a zed 10 7"}, {408, "#a Amy 3 11"}, {408, "#a Amy 3 1"}}));
    // The list sorts itself; a user listed twice has two rows; a bad speed code shows the
    // placeholder with the first icon.
    QCOMPARE(users->nicknames(), (QStringList{u"Amy"_s, u"Amy"_s, u"zed"_s}));
    const auto row = [users](int r) {
        return QStringList{users->data(users->index(r, 0)).toString(),
                           users->data(users->index(r, 1)).toString(),
                           users->data(users->index(r, 2)).toString(),
                           users->data(users->index(r, 0), ChannelUsers::SpeedIconRole).toString()};
    };
    QCOMPARE(row(0), (QStringList{u"Amy"_s, u"Unknown"_s, u"3"_s, u"0"_s}));
    QCOMPARE(row(1), (QStringList{u"Amy"_s, u"14.4k"_s, u"3"_s, u"0"_s}));
    QCOMPARE(row(2), (QStringList{u"zed"_s, u"Cable"_s, u"10"_s, u"1"_s}));
    QCOMPARE(page->label(), u" Channel #a: 3 user(s)"_s);
    QVERIFY(Lines(page).isEmpty()); // 408 writes no line

    QVERIFY(core.deliver(406, "#a bob 120 9"));
    QCOMPARE(Lines(page),
             QByteArrayList{S() + T("^3* bob ^8(T1) ^3[sharing 120 files] has joined.")});
    QCOMPARE(users->nicknames(), (QStringList{u"Amy"_s, u"Amy"_s, u"bob"_s, u"zed"_s}));
    QCOMPARE(page->label(), u" Channel #a: 4 user(s)"_s);

    QVERIFY(core.deliver({{407, "#a BOB 120 9"}, {407, "#a ghost 0 x"}}));
    QCOMPARE(Lines(page).mid(1),
             (QByteArrayList{S() + T("^4* BOB ^8(T1) ^4[sharing 120 files] has left."),
                             S() + T("^4* ghost ^14(Unknown) ^4[sharing 0 files] has left.")}));
    QCOMPARE(users->nicknames(), (QStringList{u"Amy"_s, u"Amy"_s, u"zed"_s}));
    QCOMPARE(page->label(), u" Channel #a: 3 user(s)"_s);

    // The page's user list is what nickname completion walks.
    QCOMPARE(page->userNicknames(), users->nicknames());
}

void TestChatMessages::partRemovesFromEveryPageOfTheChannel()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* first = core.join("#a");
    QVERIFY(core.deliver({{405, "#a"}, {405, "#b"}}));
    ChatPage* second = core.serverPage()->page(3);
    ChatPage* other = core.channel(u"#b"_s);
    QVERIFY(core.deliver({{408, "#a bob 1 1"}, {408, "#b bob 1 1"}}));
    ChannelMessages::usersOf(second)->addUser(u"Bob"_s, u"1"_s, "1");

    QVERIFY(core.deliver(407, "#a bob 1 1"));
    QVERIFY(ChannelMessages::usersOf(first)->nicknames().isEmpty());
    QVERIFY(ChannelMessages::usersOf(second)->nicknames().isEmpty());
    QCOMPARE(second->label(), u" Channel #a: 0 user(s)"_s);
    QCOMPARE(ChannelMessages::usersOf(other)->nicknames(), QStringList{u"bob"_s});
    // The line goes to the first page only.
    QCOMPARE(Lines(first).size(), 1);
    QVERIFY(Lines(second).isEmpty());
}

void TestChatMessages::topicShowsOnlyTheLatest()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    QVERIFY(core.deliver({{410, "#a \"first topic\""}, {410, "#a second  topic"}}));
    QCOMPARE(ChatMsgCore::lines(page->topic()),
             QByteArrayList{T("^3Topic for #a: ^-1second  topic")});
    QVERIFY(Lines(page).isEmpty());
}

void TestChatMessages::leaveRemovesThePage()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.join("#a"));
    QVERIFY(core.join("#b"));
    QVERIFY(core.deliver({{401, "#a"}, {401, "#a"}, {401, "#B"}}));
    QCOMPARE(core.serverPage()->innerPageNames(),
             (QStringList{u"Server Messages"_s, u"Hotlist"_s, u"Channel: #b"_s}));
}

void TestChatMessages::messagesWithoutAPageChangeNothing()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    const int serverLines = core.serverPage()->serverMessages().lineCount();
    QVERIFY(core.deliver({{403, "#A bob hi"},
                          {406, "#nope bob 1 1"},
                          {407, "#nope bob 1 1"},
                          {408, "#nope bob 1 1"},
                          {410, "#nope topic"},
                          {824, "#nope bob waves"},
                          {401, "#nope"}}));
    QCOMPARE(core.serverPage()->count(), 3);
    QVERIFY(Lines(page).isEmpty());
    QVERIFY(ChannelMessages::usersOf(page)->nicknames().isEmpty());
    QCOMPARE(core.serverPage()->serverMessages().lineCount(), serverLines);
}

// --- Ignore list ---

void TestChatMessages::ignoreFiltersPublicMessagesOnly()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    TServer* record = core.servers.FindServer(0);

    QVERIFY(core.deliver({{322, "Bob"}, {322, "bob"}}));
    QCOMPARE(core.ignoreList.ignoredUsers(0)->nicknames(), QStringList{u"Bob"_s});
    QCOMPARE(record->ignoreSet(), QStringList{u"Bob"_s});

    QVERIFY(core.deliver({{403, "#a BOB hidden"}, {824, "#a bob waves"}, {205, "bob psst"}}));
    QCOMPARE(Lines(page), QByteArrayList{S() + T("^12* bob waves")});
    QCOMPARE(Lines(core.conversation(u"bob"_s)), QByteArrayList{Private("bob", "psst")});

    QVERIFY(core.deliver({{323, "BOB"}, {403, "#a bob shown"}}));
    QVERIFY(core.ignoreList.ignoredUsers(0)->nicknames().isEmpty());
    QVERIFY(record->ignoreSet().isEmpty());
    QCOMPARE(Lines(page).constLast(), Public("bob", "shown"));

    // 323 for a nickname without a row changes nothing.
    QVERIFY(core.deliver({{322, "carol"}, {323, "dave"}}));
    QCOMPARE(core.ignoreList.ignoredUsers(0)->nicknames(), QStringList{u"carol"_s});
    QCOMPARE(record->ignoreSet(), QStringList{u"carol"_s});
}

void TestChatMessages::clearIgnoreList()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    QVERIFY(core.deliver({{322, "ann"}, {322, "bob"}, {326, "2"}}));
    QVERIFY(core.ignoreList.ignoredUsers(0)->nicknames().isEmpty());
    QVERIFY(core.servers.FindServer(0)->ignoreSet().isEmpty());
    QCOMPARE(core.prompts.texts(RecordingPrompts::Kind::Information),
             QStringList{u"Removed 2 user(s) from ignore list"_s});
    QVERIFY(core.deliver(403, "#a ann back"));
    QCOMPARE(Lines(page), QByteArrayList{Public("ann", "back")});
}

void TestChatMessages::ignoreRequests_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QByteArrayList>("payloads");
    QTest::newRow("a nickname") << std::optional<QString>(u"carol"_s) << QByteArrayList{"carol"};
    QTest::newRow("spaces only are sent as typed")
        << std::optional<QString>(u"  "_s) << QByteArrayList{"  "};
    QTest::newRow("empty") << std::optional<QString>(QString()) << QByteArrayList{};
    QTest::newRow("cancelled") << std::optional<QString>() << QByteArrayList{};
}

void TestChatMessages::ignoreRequests()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QByteArrayList, payloads);
    ChatMsgCore core;
    QVERIFY(core.login());

    core.prompts.inputAnswers = {answer};
    Q_EMIT core.pages.ignoreAddRequested(0);
    QCOMPARE(core.prompts.calls.size(), 1);
    QCOMPARE(core.prompts.calls[0].caption, u"Ignore user"_s);
    QCOMPARE(core.prompts.calls[0].text, QString());
    QVERIFY(Flush(core));
    QByteArrayList sent;
    for (const Frame& frame : core.sentOfType(322))
        sent.append(frame.payload);
    QCOMPARE(sent, payloads);
    // Nothing is listed before the server confirms.
    QVERIFY(core.ignoreList.ignoredUsers(0)->nicknames().isEmpty());

    // "Remove" sends 323; the row goes with the server's answer.
    QVERIFY(core.deliver(322, "dave"));
    Q_EMIT core.pages.ignoreRemoveRequested(0, u"dave"_s);
    QCOMPARE(core.sent(323)->payload, QByteArray("dave"));
    QCOMPARE(core.ignoreList.ignoredUsers(0)->nicknames(), QStringList{u"dave"_s});
}

// --- Private messages ---

void TestChatMessages::receivedPrivateMessageOpensAConversation()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.view.selectMainPage(MainViewState::ServersPage));

    QVERIFY(core.deliver(205, "bob \"hi\" there"));
    ChatPage* page = core.conversation(u"bob"_s);
    QVERIFY(page);
    QCOMPARE(page->caption(), u"Msg: bob"_s);
    QCOMPARE(core.view.mainPage(), MainViewState::ChatPage);
    QCOMPARE(core.view.currentChatServer(), 0);
    QCOMPARE(core.serverPage()->currentPage(), page);
    QCOMPARE(Lines(page), QByteArrayList{Private("bob", "\"hi\" there")});

    // A reply in another letter case goes to the same page.
    QVERIFY(core.deliver(205, "BOB again"));
    QCOMPARE(core.serverPage()->count(), 3);
    QCOMPARE(Lines(page).constLast(), Private("BOB", "again"));
}

void TestChatMessages::sentPrivateMessageIsEchoed()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.view.selectMainPage(MainViewState::ServersPage));

    core.servers.SendToServer(0, 205, {"carol", "hello you"});
    ChatPage* page = core.conversation(u"carol"_s);
    QVERIFY(page);
    QCOMPARE(Lines(page), QByteArrayList{Private("Me", "hello you", true)});
    QCOMPARE(core.view.mainPage(), MainViewState::ChatPage);
    QCOMPARE(core.serverPage()->currentPage(), page);
    QCOMPARE(core.sent(205)->payload, QByteArray("carol hello you"));
}

void TestChatMessages::privateMessageToAnOpenConversation()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.pages.OpenPrivatePage(0, u"Bob"_s);
    QVERIFY(core.join("#a"));
    QCOMPARE(core.serverPage()->currentIndex(), 3);

    QVERIFY(core.deliver(205, "bob back"));
    // The conversation came to the front before its line: nothing unread.
    QCOMPARE(core.serverPage()->currentPage(), page);
    QVERIFY(!page->isHighlighted());
    QCOMPARE(Lines(page), QByteArrayList{Private("bob", "back")});
    QCOMPARE(core.serverPage()->count(), 4);
}

// --- Hotlist ---

void TestChatMessages::hotlistMovesUsers()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    NicknameList* online = core.hotlist.onlineUsers(0);
    NicknameList* offline = core.hotlist.offlineUsers(0);
    QVERIFY(online && offline);
    QAbstractItemModelTester t1(online, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester t2(offline, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList resets;
    core.hotlist.setBrowseReset([&resets](int serverIndex, const QString& nickname) {
        resets.append(QString::number(serverIndex) + u":"_s + nickname);
    });
    const auto rows = [online] {
        QStringList out;
        for (int r = 0; r < online->count(); ++r)
            out.append(online->cell(r, 0) + u"/"_s + online->cell(r, 1));
        return out;
    };

    QVERIFY(core.deliver({{301, "alice"}, {301, "ALICE"}, {301, "zed"}}));
    QCOMPARE(offline->nicknames(), (QStringList{u"alice"_s, u"zed"_s}));

    QVERIFY(core.deliver(209, "Alice 8"));
    QCOMPARE(offline->nicknames(), QStringList{u"zed"_s});
    QCOMPARE(rows(), QStringList{u"Alice/DSL"_s});

    QVERIFY(core.deliver({{209, "alice 2"}, {209, "bob 77"}}));
    QCOMPARE(rows(), (QStringList{u"Alice/28.8k"_s, u"bob/Unknown"_s}));

    QVERIFY(core.deliver({{210, "ALICE"}, {210, "zed"}}));
    QCOMPARE(rows(), QStringList{u"bob/Unknown"_s});
    QCOMPARE(offline->nicknames(), (QStringList{u"ALICE"_s, u"zed"_s}));
    QCOMPARE(resets, (QStringList{u"0:ALICE"_s, u"0:zed"_s}));
    QCOMPARE(core.serverPage()->hotlistModel(ServerPage::OnlineUsersList), online);
}

void TestChatMessages::hotlistRequests_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QByteArrayList>("payloads");
    QTest::newRow("a nickname") << std::optional<QString>(u"alice"_s) << QByteArrayList{"alice"};
    QTest::newRow("spaces only") << std::optional<QString>(u" "_s) << QByteArrayList{" "};
    QTest::newRow("empty") << std::optional<QString>(QString()) << QByteArrayList{};
    QTest::newRow("cancelled") << std::optional<QString>() << QByteArrayList{};
}

void TestChatMessages::hotlistRequests()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QByteArrayList, payloads);
    ChatMsgCore core;
    QVERIFY(core.login());
    QStringList resets;
    core.hotlist.setBrowseReset(
        [&resets](int, const QString& nickname) { resets.append(nickname); });

    core.prompts.inputAnswers = {answer};
    Q_EMIT core.pages.hotlistAddRequested(0);
    QCOMPARE(core.prompts.calls.size(), 1);
    QCOMPARE(core.prompts.calls[0].caption, u"Add user to hotlist"_s);
    QVERIFY(Flush(core));
    QByteArrayList sent;
    for (const Frame& frame : core.sentOfType(207))
        sent.append(frame.payload);
    QCOMPARE(sent, payloads);
    QCOMPARE(core.hotlist.offlineUsers(0)->count(), 0);

    // "Remove" deletes the row at once, from either list.
    QVERIFY(core.deliver({{301, "ann"}, {209, "bob 1"}}));
    Q_EMIT core.pages.hotlistRemoveRequested(0, u"ANN"_s);
    Q_EMIT core.pages.hotlistRemoveRequested(0, u"bob"_s);
    QCOMPARE(core.sent(303)->payload, QByteArray("ANN"));
    QCOMPARE(core.sent(303)->payload, QByteArray("bob"));
    QCOMPARE(core.hotlist.offlineUsers(0)->count(), 0);
    QCOMPARE(core.hotlist.onlineUsers(0)->count(), 0);
    QCOMPARE(resets, (QStringList{u"ANN"_s, u"bob"_s}));
}

void TestChatMessages::hotlistStartsAfreshAtLogin()
{
    ChatMsgCore core;
    core.config.WriteBool(ConfigKey::AutoReconnect, true);
    core.config.WriteInteger(ConfigKey::ReconnectInterval, 1);
    core.servers.setReconnectTickForTests(10);
    QVERIFY(core.login());
    QVERIFY(core.deliver({{301, "ann"}, {209, "bob 1"}, {322, "eve"}}));

    core.fake.close(0);
    QVERIFY(core.fake.waitForConnections(2));
    QTRY_COMPARE_WITH_TIMEOUT(core.list.cell(0, ServerListModel::StatusColumn), u"Connected"_s,
                              TimeoutMs);
    QCOMPARE(core.hotlist.onlineUsers(0)->count(), 0);
    QCOMPARE(core.hotlist.offlineUsers(0)->count(), 0);
    QCOMPARE(core.ignoreList.ignoredUsers(0)->count(), 0);
    QVERIFY(core.servers.FindServer(0)->ignoreSet().isEmpty());
}

// --- Channel list ---

void TestChatMessages::channelListFromTheMenu()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChannelList& list = core.channelList;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy shows(&list, &ChannelList::showRequested);
    QSignalSpy closes(&list, &ChannelList::closeRequested);
    QCOMPARE(list.title(), u"Channel List"_s);
    QCOMPARE(list.counterText(), u"0 channel(s)"_s);

    Q_EMIT core.pages.channelListRequested(0);
    QVERIFY(core.sent(617));
    QCOMPARE(shows.size(), 1);
    QCOMPARE(shows[0][0].toBool(), true);
    QCOMPARE(list.counterText(), u"Waiting for channel list..."_s);
    QVERIFY(!list.canClose());

    QVERIFY(core.deliver({{618, "#a 3 \"first topic\""}}));
    QCOMPARE(list.title(), u"Channel List for 127.0.0.1"_s);
    QCOMPARE(list.counterText(), u"1 channel(s)"_s);
    QVERIFY(core.deliver({{618, "#b 12 second"}}));
    QCOMPARE(list.counterText(), u"2 channel(s)"_s);
    QCOMPARE(list.data(list.index(0, ChannelList::TopicColumn)).toString(), u"first topic"_s);
    QCOMPARE(list.data(list.index(1, ChannelList::UsersColumn)).toString(), u"12"_s);

    // Asking again while the window is up sends nothing.
    list.ListChannels(0);
    // Before the end of the list a double-click changes nothing.
    list.rowActivated(1);
    QCOMPARE(closes.size(), 0);

    QVERIFY(core.deliver(617, {}));
    QCOMPARE(list.counterText(), u"Done...2 channel(s)"_s);
    QVERIFY(list.canClose());
    list.rowActivated(1);
    QCOMPARE(closes.size(), 1);
    list.windowClosed();
    QCOMPARE(core.sent(400)->payload, QByteArray("#b"));
    QCOMPARE(list.count(), 0);
    QCOMPARE(core.sentOfType(617).size(), 1);

    // Closed without a choice: nothing is joined.
    list.ListChannels(0);
    QVERIFY(core.deliver({{618, "#c 1 x"}, {617, {}}}));
    list.windowClosed();
    QVERIFY(Flush(core));
    QCOMPARE(core.sentOfType(400).size(), 1);
    QCOMPARE(core.sentOfType(617).size(), 2);
}

void TestChatMessages::channelListFromTheCommand()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChannelList& list = core.channelList;
    QSignalSpy shows(&list, &ChannelList::showRequested);
    QSignalSpy closes(&list, &ChannelList::closeRequested);
    QVERIFY(core.deliver(618, "#old 1 x")); // an answer nobody waited for
    QCOMPARE(list.count(), 1);

    list.ListChannelsFromCommand(0);
    QVERIFY(core.sent(617));
    QCOMPARE(shows.size(), 1);
    QCOMPARE(shows[0][0].toBool(), false);
    QCOMPARE(list.count(), 0);

    QVERIFY(core.deliver({{618, "#a 2 t"}, {617, {}}}));
    QCOMPARE(list.counterText(), u"Done...1 channel(s)"_s);
    list.rowActivated(0);
    QCOMPARE(closes.size(), 0); // this form joins nothing

    // LIST while the window is open sends nothing and leaves the list empty.
    list.ListChannelsFromCommand(0);
    QCOMPARE(list.count(), 0);
    list.windowClosed();
    QVERIFY(Flush(core));
    QCOMPARE(core.sentOfType(617).size(), 1);
    QVERIFY(core.sentOfType(400).isEmpty());
}

void TestChatMessages::channelListLetsGoWhenTheConnectionEnds()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    core.channelList.ListChannels(0);
    QVERIFY(!core.channelList.canClose());
    core.servers.disconnectServer(0);
    QVERIFY(core.channelList.canClose());
}

// --- Notices ---

void TestChatMessages::userLevelNotice()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.view.isServerPageShown(0));
    QVERIFY(core.deliver(404, "Boss changed your user level to Moderator (2)."));
    QCOMPARE(core.servers.FindServer(0)->userLevel(), u"Moderator"_s);
    QCOMPARE(core.panels.text(StatusPanels::NicknamePanel), u"Me (Moderator)"_s);
    QCOMPARE(ChatMsgCore::lines(&core.serverPage()->serverMessages()).constLast(),
             QByteArray("* Boss changed your user level to Moderator (2)."));
}

void TestChatMessages::operatorNotices_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("current"); // the current inner page
    QTest::addColumn<QByteArray>("notice");
    QTest::addColumn<QByteArrayList>("onCurrent");

    const QByteArray admins = "bob [Admins]: hi there";
    const QByteArray news = "bob [Announcement]: hi there";
    QTest::newRow("627 on a channel")
        << 627 << u"Channel: #a"_s << admins << QByteArrayList{S() + T("^51* ") + admins};
    QTest::newRow("627 on a conversation")
        << 627 << u"Msg: ann"_s << admins << QByteArrayList{S() + T("^51* ") + admins};
    QTest::newRow("627 on the hotlist") << 627 << u"Hotlist"_s << admins << QByteArrayList{};
    QTest::newRow("628 on a channel")
        << 628 << u"Channel: #a"_s << news << QByteArrayList{S() + T("^51,0* ") + news};
    QTest::newRow("628 on server messages")
        << 628 << u"Server Messages"_s << news << QByteArrayList{"* " + news};
}

void TestChatMessages::operatorNotices()
{
    QFETCH(int, type);
    QFETCH(QString, current);
    QFETCH(QByteArray, notice);
    QFETCH(QByteArrayList, onCurrent);

    ChatMsgCore core;
    QVERIFY(core.login());
    QVERIFY(core.join("#a"));
    core.pages.OpenPrivatePage(0, u"ann"_s);
    ServerPage* server = core.serverPage();
    server->setCurrentIndex(int(server->innerPageNames().indexOf(current)));
    ChatPage* page = server->currentPage();
    const int before = page->output() ? page->output()->lineCount() : 0;
    core.notices.serversTabLines().clear();

    QVERIFY(core.deliver(quint32(type), "bob \"hi there\""));
    QCOMPARE(ChatMsgCore::lines(&server->serverMessages()).constLast(), "* " + notice);
    QCOMPARE(core.notices.serversTabLines().lines(),
             QStringList{u"[127.0.0.1 (0)] "_s + QString::fromUtf8(notice)});
    QCOMPARE(Lines(page).mid(before), onCurrent);
}

void TestChatMessages::opsNoticeGoesToThatChannel()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* help = core.join("#help");
    ChatPage* other = core.join("#other");
    ChatPage* namesake = core.pages.OpenPrivatePage(0, u"#help"_s);

    QVERIFY(core.deliver(404, "bob [ops/#help]: need a hand"));
    const QByteArray line = S() + T("^51* bob [ops/#help]: need a hand");
    QCOMPARE(Lines(help), QByteArrayList{line});
    QCOMPARE(Lines(namesake), QByteArrayList{line});
    QVERIFY(Lines(other).isEmpty());
    QCOMPARE(ChatMsgCore::lines(&core.serverPage()->serverMessages()).constLast(),
             QByteArray("* bob [ops/#help]: need a hand"));
}

void TestChatMessages::pings()
{
    ChatMsgCore core;
    QVERIFY(core.login());

    // A user pings us: noted, and answered at once.
    QVERIFY(core.deliver(751, "alice"));
    QCOMPARE(ChatMsgCore::lines(&core.serverPage()->serverMessages()).constLast(),
             QByteArray("* alice has requested a ping."));
    QCOMPARE(core.sent(752)->payload, QByteArray("alice"));

    // Answers to our own pings.
    TServer* record = core.servers.FindServer(0);
    const QTime sent = QTime::currentTime().addSecs(-2);
    record->pingedNicknames() = QStringList{u"x"_s, u"Alice"_s, u"alice"_s};
    record->pingTimes() =
        QStringList{CommandInterpreter::PingTimeText(sent), CommandInterpreter::PingTimeText(sent),
                    CommandInterpreter::PingTimeText(sent)};
    QVERIFY(core.deliver(752, "ALICE 123"));
    const QStringList boxes = core.prompts.texts(RecordingPrompts::Kind::Information);
    QCOMPARE(boxes.size(), 1);
    const QRegularExpression pong(u"^Received pong from ALICE \\[\\d{1,2}\\.\\d{3}\\]$"_s);
    QVERIFY2(pong.match(boxes[0]).hasMatch(), qPrintable(boxes[0]));
    QCOMPARE(ChatMsgCore::lines(&core.serverPage()->serverMessages()).constLast(),
             "* " + boxes[0].toUtf8());
    // The first matching entry went, from both lists.
    QCOMPARE(record->pingedNicknames(), (QStringList{u"x"_s, u"alice"_s}));
    QCOMPARE(record->pingTimes().size(), 2);

    QVERIFY(core.deliver({{750, "x 1"}, {752, "alice 1"}, {752, "alice 1"}, {750, "nobody 1"}}));
    QCOMPARE(core.prompts.texts(RecordingPrompts::Kind::Information).size(), 3);
    QVERIFY(record->pingedNicknames().isEmpty());
    QVERIFY(record->pingTimes().isEmpty());
}

// What the command line starts ends here: the typed line, the frame, the answer's lines.
void TestChatMessages::typedCommands()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    QSignalSpy shows(&core.channelList, &ChannelList::showRequested);

    core.pages.SubmitInput(page, u"/list"_s);
    QVERIFY(core.sent(617));
    QCOMPARE(shows.size(), 1);
    QCOMPARE(shows[0][0].toBool(), false);
    core.pages.SubmitInput(page, u"/list"_s); // the window is up: nothing goes out
    QVERIFY(Flush(core));
    QCOMPARE(core.sentOfType(617).size(), 1);

    core.pages.SubmitInput(page, u"hello all"_s);
    QCOMPARE(core.sent(402)->payload, QByteArray("#a hello all"));
    QVERIFY(Lines(page).isEmpty()); // shown when the server sends it back
    QVERIFY(core.deliver(403, "#a Me hello all"));
    QCOMPARE(Lines(page), QByteArrayList{Public("Me", "hello all", true)});

    core.pages.SubmitInput(page, u"/msg bob see you"_s);
    QCOMPARE(core.sent(205)->payload, QByteArray("bob see you"));
    QCOMPARE(Lines(core.conversation(u"bob"_s)), QByteArrayList{Private("Me", "see you", true)});

    core.pages.SubmitInput(page, u"/ping bob"_s);
    QCOMPARE(core.sent(751)->payload, QByteArray("bob"));
    QVERIFY(core.deliver(752, "bob 1"));
    QCOMPARE(core.prompts.texts(RecordingPrompts::Kind::Information).size(), 1);
    QVERIFY(core.prompts.texts(RecordingPrompts::Kind::Information)[0].startsWith(
        u"Received pong from bob ["_s));

    // Another client answers a ping with 752 and the nickname alone, which the server passes
    // on as the answering nickname alone.
    core.pages.SubmitInput(page, u"/ping carol"_s);
    QVERIFY(core.deliver(752, "carol"));
    QCOMPARE(core.prompts.texts(RecordingPrompts::Kind::Information).size(), 2);
}

// --- Whois and links ---

void TestChatMessages::whoisAnswer()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    QSignalSpy answers(&core.whois, &Whois::whoisReceived);

    core.whois.RequestWhois(0, u"alice"_s);
    QCOMPARE(core.sent(603)->payload, QByteArray("alice"));
    QVERIFY(core.deliver(604, "alice Admin 59 \"#a\" Active 3 0 1 42 \"Tavolin 0.2\""));
    QCOMPARE(answers.size(), 1);
    const WhoisInfo info = answers[0][0].value<WhoisInfo>();
    QCOMPARE(info.caption, u"alice@127.0.0.1"_s);
    QCOMPARE(info.time, u"59 s "_s);
    QCOMPARE(info.line, u"Unknown"_s);
    QCOMPARE(info.classColor, QColor(0, 0xff, 0));
    QVERIFY(!info.extraEnabled);
}

void TestChatMessages::serverLinks()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    LinksTree& links = core.links;
    QSignalSpy shows(&links, &LinksTree::showRequested);

    core.links.RequestLinks(0);
    QCOMPARE(core.sent(10112)->payload, QByteArray());

    QVERIFY(core.deliver(
        {{10112, "A 8888 B 8888 1"}, {10112, "A 8888 C 8888 1"}, {10112, "b 8888 D 8888 2"}}));
    QCOMPARE(shows.size(), 0);
    QVERIFY(core.deliver(10112, {}));
    QCOMPARE(shows.size(), 1);
    QCOMPARE(links.title(), u"Server links for A"_s);
    QCOMPARE(links.statusText(), u"4 linked server(s)"_s);
    QStandardItem* a = links.tree().item(0);
    QCOMPARE(links.tree().rowCount(), 1);
    QCOMPARE(a->text(), u"A"_s);
    QCOMPARE(a->rowCount(), 2);
    QCOMPARE(a->child(0)->text(), u"B"_s);
    QCOMPARE(a->child(1)->text(), u"C"_s);
    QCOMPARE(a->child(0)->rowCount(), 1);
    QCOMPARE(a->child(0)->child(0)->text(), u"D"_s);

    // The next list starts afresh; an end with no links at all keeps the plain title.
    QVERIFY(core.deliver(10112, {}));
    QCOMPARE(links.title(), u"Server links"_s);
    QCOMPARE(links.statusText(), u"0 linked server(s)"_s);
    QCOMPARE(links.tree().rowCount(), 0);
    QCOMPARE(shows.size(), 2);
}

void TestChatMessages::linksCannotExplode()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    // Each "A-A" link doubles the nodes named A.
    QList<Frame> frames(64, Frame{10112, "A 1 A 1 1"});
    frames.append(Frame{10112, {}});
    QVERIFY(core.deliver(frames));
    QCOMPARE(core.links.nodeCount(), LinksTree::MaxNodes);
    QCOMPARE(core.links.statusText(),
             QString::number(LinksTree::MaxNodes) + u" linked server(s)"_s);
}

// --- Hostile input ---

void TestChatMessages::hostileLines_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("60,000 bytes") << QByteArray(60000, 'x');
    QByteArray colours;
    for (int i = 0; colours.size() < 60000; ++i)
        colours += T("^") + QByteArray::number(i % 60) + "," + QByteArray::number(i % 50);
    QTest::newRow("full of colour tags") << colours;
    QTest::newRow("10,000-character word with a link inside")
        << QByteArray(5000, 'a') + "http://" + QByteArray(4993, 'b');
    QTest::newRow("link starts without ends") << QByteArray(20000, '\x19');
    QTest::newRow("NUL and invalid UTF-8") << QByteArray("a\0b\xff\xfe\xc3(\x80 end", 13);
}

void TestChatMessages::hostileLines()
{
    QFETCH(QByteArray, text);
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    QVERIFY(core.deliver(403, "#a bob " + text));
    QCOMPARE(Lines(page), QByteArrayList{Public("bob", text)});
    const TaggedLineParts& parts = page->output()->parts(0);
    QVERIFY(parts.text.startsWith(u"[13:07] <bob> "_s));
    QVERIFY(parts.text.size() <= 14 + text.size());
    // The same text as a private message and a topic.
    QVERIFY(core.deliver({{205, "bob " + text}, {410, "#a " + text}}));
    QCOMPARE(Lines(core.conversation(u"bob"_s)), QByteArrayList{Private("bob", text)});
    QCOMPARE(page->topic()->lineCount(), 1);
}

void TestChatMessages::floodKeepsTheNewestLines()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    ChatPage* page = core.join("#a");
    constexpr int Burst = 10000;
    QList<Frame> frames;
    frames.reserve(Burst);
    for (int i = 0; i < Burst; ++i)
        frames.append(Frame{403, "#a bob line " + QByteArray::number(i)});
    QVERIFY(core.deliver(frames, 60000));
    QCOMPARE(page->output()->lineCount(), ChatLineModel::DefaultMaxLines);
    QCOMPARE(page->output()->storedText(0), Public("bob", "line 1"));
    QCOMPARE(page->output()->storedText(ChatLineModel::DefaultMaxLines - 1),
             Public("bob", "line 9999"));
}

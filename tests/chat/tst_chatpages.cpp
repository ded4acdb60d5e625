// The page tree of a connection: look-ups, private pages, removal, the unread marks with
// RefreshActivity, and what Enter sends from each kind of page.

#include "chat/chatlinemodel.h"
#include "chat/chatpages.h"
#include "protocol/server.h"
#include "tests/chat/chatfixture.h"
#include "tests/support/fakeserver.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Pages in order: 0 "Server Messages", 1 "Hotlist", then the given captions.
void addPages(ChatPages& pages, const QStringList& captions)
{
    for (const QString& caption : captions) {
        const QString name = caption.mid(caption.indexOf(u' ') + 1);
        if (caption.startsWith(u"Channel: "_s))
            pages.AddChannelPage(0, name);
        else
            pages.AddPrivatePage(0, name);
    }
}

std::bitset<256> unread(ChatCore& core)
{
    return core.servers.FindServer(0)->unreadPages();
}

QList<bool> highlights(const ServerPage* page)
{
    QList<bool> out;
    for (const ChatPage* inner : page->pages())
        out.append(inner->isHighlighted());
    return out;
}

} // namespace

class TestChatPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookups_data();
    void lookups();
    void pageNames();
    void openPrivatePage();
    void removingPages();
    void unreadMarks();
    void marksFollowTheirPages();
    void highPagesAreNeverMarked();
    void activityText_data();
    void activityText();
    void enterSends_data();
    void enterSends();
    void menuSends();
    void wireNamesKeepTheirBytes();
    void userNicknamesInDisplayOrder();
};

void TestChatPages::lookups_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("channel"); // else a private look-up
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("found"); // page number, -1 for none

    const QStringList pages{u"Channel: #Chat"_s, u"Msg: Bob"_s, u"Channel: #chat"_s, u"Msg: bob"_s,
                            u"Channel: #Chat"_s};
    QTest::newRow("channel, exact") << pages << true << u"#chat"_s << 4;
    QTest::newRow("channel, first of two") << pages << true << u"#Chat"_s << 2;
    QTest::newRow("channel, case counts") << pages << true << u"#CHAT"_s << -1;
    QTest::newRow("private, case ignored, first") << pages << false << u"BOB"_s << 3;
    QTest::newRow("private is not a channel") << pages << true << u"Bob"_s << -1;
    QTest::newRow("channel is not private") << pages << false << u"#chat"_s << -1;
    QTest::newRow("server messages is neither") << pages << false << u"Messages"_s << -1;
    QTest::newRow("empty name") << pages << true << QString() << -1;
    QTest::newRow("no pages of our own") << QStringList() << false << u"bob"_s << -1;
}

void TestChatPages::lookups()
{
    QFETCH(QStringList, captions);
    QFETCH(bool, channel);
    QFETCH(QString, name);
    QFETCH(int, found);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    addPages(core.pages, captions);
    const ServerPage* page = core.pages.page(0);

    const ChatPage* hit =
        channel ? core.pages.FindChannelPage(0, name) : core.pages.FindPrivatePage(0, name);
    QCOMPARE(page->indexOf(hit), found);
    // No server page, no page at all.
    QVERIFY(!core.pages.FindChannelPage(7, u"#Chat"_s));
    QVERIFY(!core.pages.FindPrivatePage(7, u"bob"_s));
    QVERIFY(!core.pages.AddChannelPage(7, u"#x"_s));
    QVERIFY(!core.pages.OpenPrivatePage(7, u"bob"_s));
}

void TestChatPages::pageNames()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    ChatPage* channel = core.pages.AddChannelPage(0, u"#a b"_s);
    ChatPage* conversation = core.pages.AddPrivatePage(0, u"Bob"_s);

    QCOMPARE(page->innerPageNames(),
             (QStringList{u"Server Messages"_s, u"Hotlist"_s, u"Channel: #a b"_s, u"Msg: Bob"_s}));
    QCOMPARE(page->serverMessagesPage()->name(), u"Messages"_s);
    QCOMPARE(page->hotlistPage()->name(), u"Hotlist"_s);
    QCOMPARE(channel->name(), u"#a b"_s);
    QCOMPARE(conversation->name(), u"Bob"_s);
    QVERIFY(channel->topic());
    QCOMPARE(channel->topic()->maxLines(), 1);
    QVERIFY(!conversation->topic());
    QVERIFY(!page->hotlistPage()->output());
    // New pages do not become current.
    QCOMPARE(page->currentIndex(), int(ServerPage::ServerMessagesPage));
}

void TestChatPages::openPrivatePage()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    addPages(core.pages, {u"Channel: #a"_s});
    QSignalSpy focus(&core.pages, &ChatPages::inputFocusRequested);
    QSignalSpy inserted(page, &ServerPage::pageInserted);

    ChatPage* opened = core.pages.OpenPrivatePage(0, u"Bob"_s);
    QCOMPARE(opened->caption(), u"Msg: Bob"_s);
    QCOMPARE(page->indexOf(opened), 3);
    QCOMPARE(page->currentPage(), opened);
    QCOMPARE(focus.size(), 1);
    QCOMPARE(inserted.size(), 1);

    page->setCurrentIndex(2);
    // Letter case ignored: the same page comes forward, none is made.
    QCOMPARE(core.pages.OpenPrivatePage(0, u"BOB"_s), opened);
    QCOMPARE(page->currentPage(), opened);
    QCOMPARE(page->count(), 4);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(focus.size(), 2);
}

void TestChatPages::removingPages()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    addPages(core.pages, {u"Msg: a"_s, u"Msg: b"_s, u"Channel: #c"_s});
    ChatPage* a = page->page(2);
    ChatPage* b = page->page(3);

    // Closing the current page makes the last page current, whichever it is.
    page->setCurrentPage(a);
    core.pages.RemovePage(a);
    QCOMPARE(page->innerPageNames(),
             (QStringList{u"Server Messages"_s, u"Hotlist"_s, u"Msg: b"_s, u"Channel: #c"_s}));
    QCOMPARE(page->currentIndex(), 3);

    // Closing a page before the current one keeps the same page current.
    ChatPage* c = page->page(3);
    QSignalSpy current(page, &ServerPage::currentIndexChanged);
    core.pages.RemovePage(b);
    QCOMPARE(page->currentPage(), c);
    QCOMPARE(page->currentIndex(), 2);
    QCOMPARE(current.size(), 1);

    // The first two pages stay; a page that is gone is no longer found.
    core.pages.RemovePage(page->serverMessagesPage());
    core.pages.RemovePage(page->hotlistPage());
    core.pages.RemovePage(nullptr);
    QCOMPARE(page->count(), 3);
    QVERIFY(!core.pages.FindPrivatePage(0, u"b"_s));
}

void TestChatPages::unreadMarks()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    addPages(core.pages, {u"Channel: #a"_s, u"Msg: bob"_s, u"Channel: #b"_s});
    QSignalSpy activity(&core.pages, &ChatPages::activityChanged);

    // A line in the current page leaves no mark.
    core.pages.AddOutputLine(page->page(0), "seen");
    QVERIFY(unread(core).none());
    QCOMPARE(activity.size(), 0);

    // Lines in other pages mark them, once each.
    core.pages.AddOutputLine(page->page(2), "one");
    core.pages.AddOutputLine(page->page(2), "two");
    QCOMPARE(activity.size(), 1);
    QCOMPARE(core.pages.activityText(), u" Act: 3"_s);
    core.pages.AddOutputLine(page->page(4), "three");
    QCOMPARE(core.pages.activityText(), u" Act: 3, 5"_s);
    QCOMPARE(activity.constLast().constFirst().toString(), u" Act: 3, 5"_s);
    QCOMPARE(highlights(page), (QList<bool>{false, false, true, false, true}));
    // Lines written straight into a page's view count just the same.
    page->page(3)->output()->appendLine("direct");
    QCOMPARE(core.pages.activityText(), u" Act: 3, 4, 5"_s);
    // The topic view is not an output view.
    page->page(4)->topic()->appendLine("topic");
    QCOMPARE(highlights(page), (QList<bool>{false, false, true, true, true}));

    // Showing a page clears its mark.
    page->setCurrentIndex(2);
    QCOMPARE(core.pages.activityText(), u" Act: 4, 5"_s);
    QCOMPARE(highlights(page), (QList<bool>{false, false, false, true, true}));
    page->setCurrentIndex(3);
    page->setCurrentIndex(4);
    QCOMPARE(core.pages.activityText(), QString());
    QCOMPARE(highlights(page), (QList<bool>(5, false)));
    QVERIFY(unread(core).none());
}

void TestChatPages::marksFollowTheirPages()
{
    // Closing a page moves the pages after it down; their marks go with them, so the tab that
    // lights up is still the one with the unseen lines.
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    addPages(core.pages, {u"Msg: a"_s, u"Msg: b"_s, u"Msg: c"_s, u"Msg: d"_s});
    ChatPage* b = page->page(3);
    ChatPage* d = page->page(5);
    core.pages.AddOutputLine(page->page(2), "x");
    core.pages.AddOutputLine(d, "x");

    core.pages.RemovePage(page->page(2));
    core.pages.RefreshActivity(0);
    QCOMPARE(core.pages.activityText(), u" Act: 5"_s);
    QVERIFY(d->isHighlighted());
    QVERIFY(!b->isHighlighted());
    page->setCurrentPage(d);
    QVERIFY(unread(core).none());
}

void TestChatPages::highPagesAreNeverMarked()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ServerPage* page = core.pages.page(0);
    for (int i = 2; i <= 257; ++i)
        core.pages.AddPrivatePage(0, u"u"_s + QString::number(i));
    core.pages.AddOutputLine(page->page(257), "far");
    core.pages.AddOutputLine(page->page(256), "far");
    QVERIFY(unread(core).none());
    core.pages.AddOutputLine(page->page(255), "near");
    QCOMPARE(core.pages.activityText(), u" Act: 256"_s);
}

void TestChatPages::activityText_data()
{
    QTest::addColumn<QList<int>>("marked");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QList<int>() << QString();
    QTest::newRow("one") << QList<int>{0} << u" Act: 1"_s;
    QTest::newRow("three and five") << QList<int>{2, 4} << u" Act: 3, 5"_s;
    QTest::newRow("high") << QList<int>{9, 10, 255} << u" Act: 10, 11, 256"_s;
}

void TestChatPages::activityText()
{
    QFETCH(QList<int>, marked);
    QFETCH(QString, text);
    QCOMPARE(ChatPages::ActivityText(marked), text);
}

void TestChatPages::enterSends_data()
{
    QTest::addColumn<int>("pageNumber"); // 0 server messages, 2 channel "#a", 3 private "bob"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<Frame>>("sent");

    QTest::newRow("channel") << 2 << u"hello all"_s << QList<Frame>{{402, "#a hello all"}};
    QTest::newRow("channel, empty line") << 2 << QString() << QList<Frame>{{402, "#a "}};
    QTest::newRow("channel, line breaks kept")
        << 2 << u"one\ntwo"_s << QList<Frame>{{402, "#a one\ntwo"}};
    QTest::newRow("channel, spaces kept") << 2 << u"  x  "_s << QList<Frame>{{402, "#a   x  "}};
    QTest::newRow("private") << 3 << u"hi bob"_s << QList<Frame>{{205, "bob hi bob"}};
    QTest::newRow("private, empty") << 3 << QString() << QList<Frame>{{205, "bob "}};
    QTest::newRow("server messages") << 0 << u"hello"_s << QList<Frame>();
    QTest::newRow("not UTF-8 safe text")
        << 2 << u"caf\u00e9 \u263a"_s << QList<Frame>{{402, "#a caf\xc3\xa9 \xe2\x98\xba"}};
}

void TestChatPages::enterSends()
{
    QFETCH(int, pageNumber);
    QFETCH(QString, typed);
    QFETCH(QList<Frame>, sent);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    addPages(core.pages, {u"Channel: #a"_s, u"Msg: bob"_s});
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(core.pages.page(0)->page(pageNumber), typed);
    QCOMPARE(core.sentSince(fake, before), sent);
    QCOMPARE(core.servers.FindServer(0)->inputHistory(), QStringList{typed});
}

void TestChatPages::menuSends()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    addPages(core.pages, {u"Channel: #a"_s, u"Msg: bob"_s});
    const ServerPage* page = core.pages.page(0);
    const qsizetype before = fake.frames(0).size();

    core.pages.SendWhois(0, u"bob"_s);
    core.pages.SendHotlistAdd(0, u"bob"_s);
    core.pages.SendIgnore(0, u"eve"_s);
    core.pages.LeaveChannel(page->page(2));
    core.pages.LeaveChannel(page->page(3)); // not a channel: nothing
    QCOMPARE(core.sentSince(fake, before),
             (QList<Frame>{{603, "bob"}, {207, "bob"}, {322, "eve"}, {401, "#a"}}));
    // The channel stays until the server confirms.
    QVERIFY(core.pages.FindChannelPage(0, u"#a"_s));
}

void TestChatPages::wireNamesKeepTheirBytes()
{
    // Names that are not UTF-8 are shown decoded, and every message about them names them in
    // the bytes the server used.
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    const QByteArray channelBytes("#caf\xe9");
    const QByteArray nicknameBytes("b\xf6"
                                   "b");
    ChatPage* channel = core.pages.AddChannelPage(0, channelBytes);
    ChatPage* conversation = core.pages.AddPrivatePage(0, nicknameBytes);
    QCOMPARE(channel->caption(), u"Channel: #caf\u00e9"_s);
    QCOMPARE(conversation->caption(), u"Msg: b\u00f6b"_s);
    QCOMPARE(core.pages.FindChannelPage(0, u"#caf\u00e9"_s), channel);
    QCOMPARE(core.pages.FindPrivatePage(0, u"B\u00d6B"_s), conversation);
    core.pages.AddOutputLine(conversation, "line");
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(channel, u"hi"_s);
    core.pages.ShowPage(channel);
    core.pages.SubmitInput(channel, u"/me waves"_s);
    core.pages.SubmitInput(channel, u"/leave"_s);
    core.pages.LeaveChannel(channel);
    core.pages.SubmitInput(conversation, u"yo"_s);
    core.pages.ShowPage(conversation);
    core.pages.SubmitInput(conversation, u"/paste"_s);
    const QList<Frame> expected{{402, channelBytes + " hi"},  {824, channelBytes + " \"waves\""},
                                {401, channelBytes},          {401, channelBytes},
                                {205, nicknameBytes + " yo"}, {402, nicknameBytes + " [  1] line"}};
    QCOMPARE(core.sentSince(fake, before), expected);
}

void TestChatPages::userNicknamesInDisplayOrder()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ChatPage* channel = core.pages.AddChannelPage(0, u"#a"_s);
    QVERIFY(channel->userNicknames().isEmpty());

    auto* users = new QStandardItemModel(0, 3);
    for (const char* nickname : {"zed", "amy", "Bob"})
        users->appendRow({new QStandardItem(QString::fromLatin1(nickname)),
                          new QStandardItem(u"DSL"_s), new QStandardItem(u"10"_s)});
    QSignalSpy changed(channel, &ChatPage::userListChanged);
    channel->setUserList(users);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(users->parent(), channel);
    QCOMPARE(channel->userNicknames(), (QStringList{u"zed"_s, u"amy"_s, u"Bob"_s}));
    users->sort(0, Qt::DescendingOrder);
    QCOMPARE(channel->userNicknames(), (QStringList{u"zed"_s, u"amy"_s, u"Bob"_s}));
    users->sort(0);
    QCOMPARE(channel->userNicknames(), (QStringList{u"Bob"_s, u"amy"_s, u"zed"_s}));
}

int runTestChatPages(int argc, char** argv)
{
    TestChatPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatpages.moc"

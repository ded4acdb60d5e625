// The chat's secondary windows, offscreen, over a core logged in to the fake server.

#include "tests/chatmsg/chatmsgfixture.h"
#include "ui/aboutform.h"
#include "ui/channellistform.h"
#include "ui/chatwindows.h"
#include "ui/linksform.h"
#include "ui/whoisform.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestChatWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void channelListWindow();
    void channelListFromTheCommandIsNotModal();
    void whoisWindow();
    void linksWindow();
    void aboutWindow();
};

void TestChatWindows::channelListWindow()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    TChatWindows windows(core.channelList, core.whois, core.links);

    Q_EMIT core.pages.channelListRequested(0);
    TChannelListForm* form = windows.channelListForm();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::ApplicationModal);
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form->windowTitle(), u"Channel List"_s);
    QCOMPARE(form->counterLabel()->text(), u"Waiting for channel list..."_s);
    QCOMPARE(form->listView()->objectName(), u"ChannelListElTree"_s);

    QVERIFY(core.deliver({{618, "#a 3 first"}, {618, "#b 12 second topic"}}));
    QCOMPARE(form->windowTitle(), u"Channel List for 127.0.0.1"_s);
    QCOMPARE(form->counterLabel()->text(), u"2 channel(s)"_s);
    QCOMPARE(form->listView()->model()->rowCount(), 2);

    // The list is not complete: the window stays.
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());

    QVERIFY(core.deliver(617, {}));
    QCOMPARE(form->counterLabel()->text(), u"Done...2 channel(s)"_s);
    const QModelIndex second = form->listView()->model()->index(1, 0);
    Q_EMIT form->listView()->doubleClicked(second);
    QVERIFY(!form->isVisible());
    QCOMPARE(core.sent(400)->payload, QByteArray("#b"));
    QCOMPARE(form->listView()->model()->rowCount(), 0);
}

void TestChatWindows::channelListFromTheCommandIsNotModal()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    TChatWindows windows(core.channelList, core.whois, core.links);
    core.channelList.ListChannelsFromCommand(0);
    TChannelListForm* form = windows.channelListForm();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::NonModal);
    QVERIFY(core.deliver({{618, "#a 3 first"}, {617, {}}}));
    Q_EMIT form->listView()->doubleClicked(form->listView()->model()->index(0, 0));
    QVERIFY(form->isVisible()); // this form joins nothing
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
}

void TestChatWindows::whoisWindow()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    TChatWindows windows(core.channelList, core.whois, core.links);

    QVERIFY(core.deliver(604, "alice Moderator 3725 \"#a\" Active 12 1 2 8 \"Tavolin 0.2\""));
    TWhoisForm* form = windows.whoisForm();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowTitle(), u"Whois Info"_s);
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form->groupBox()->title(), u"alice@127.0.0.1"_s);
    QCOMPARE(form->field(u"Time"_s)->text(), u"1 h 2 m 5 s "_s);
    QCOMPARE(form->field(u"Line"_s)->text(), u"DSL"_s);
    QCOMPARE(form->field(u"Line"_s)->palette().color(QPalette::Text), QColor(0xff, 0x00, 0xff));
    QCOMPARE(form->field(u"Class"_s)->palette().color(QPalette::Text), QColor(0xff, 0xff, 0x00));
    QVERIFY(form->field(u"Client"_s)->isReadOnly());
    for (const QString& caption :
         {u"Ip"_s, u"Server"_s, u"Listen Port"_s, u"Data Port"_s, u"Total ULs"_s, u"Total DLs"_s})
        QVERIFY2(!form->field(caption)->isEnabled(), qPrintable(caption));

    // Escape hides the window and leaves the fields as they are; closing enables them.
    QTest::keyClick(form->field(u"User"_s), Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QVERIFY(!form->field(u"Ip"_s)->isEnabled());
    QVERIFY(core.deliver(604, "bob User 1 \"\" Active 0 0 0 3 c 1 2 10.0.0.9 6699 6700 srv"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->field(u"Ip"_s)->text(), u"10.0.0.9"_s);
    QVERIFY(!form->field(u"Ip"_s)->isEnabled());
    QVERIFY(form->close());
    QVERIFY(form->field(u"Ip"_s)->isEnabled());
    QVERIFY(core.deliver(604, "carol User 1 \"\" Active 0 0 0 3 c 1 2 10.0.0.9 6699 6700 srv"));
    QVERIFY(form->field(u"Ip"_s)->isEnabled());
}

void TestChatWindows::linksWindow()
{
    ChatMsgCore core;
    QVERIFY(core.login());
    TChatWindows windows(core.channelList, core.whois, core.links);

    QVERIFY(core.deliver({{10112, "A 8888 B 8888 1"}, {10112, "B 8888 C 8888 2"}}));
    QVERIFY(!windows.linksForm()->isVisible());
    QVERIFY(core.deliver(10112, {}));
    TLinksForm* form = windows.linksForm();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::ApplicationModal);
    QCOMPARE(form->windowTitle(), u"Server links for A"_s);
    QCOMPARE(form->statusPanel()->text(), u"3 linked server(s)"_s);
    QTreeView* tree = form->treeView();
    const QModelIndex a = tree->model()->index(0, 0);
    const QModelIndex b = tree->model()->index(0, 0, a);
    QVERIFY(tree->isExpanded(a));
    QVERIFY(tree->isExpanded(b));
    QCOMPARE(tree->model()->index(0, 0, b).data().toString(), u"C"_s);
}

void TestChatWindows::aboutWindow()
{
    TAboutForm form;
    QCOMPARE(form.windowTitle(), u"About Tavolin"_s);
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(form.textView()->isReadOnly());
    QVERIFY(form.textView()->toPlainText().startsWith(u"Tavolin v0.2"_s));
    QCOMPARE(form.textView()->document()->firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(form.windowModality(), Qt::NonModal);
}

QTEST_MAIN(TestChatWindows)
#include "tst_chatwindows.moc"

// The chat pages on screen (offscreen): the input line's keys, the page keys, the unread
// marks on the tabs, the private page's Close and the link opener, with a real chat core
// logged in to the fake server.

#include "chat/chatlinemodel.h"
#include "chat/chatpages.h"
#include "protocol/server.h"
#include "tests/chat/chatfixture.h"
#include "tests/support/fakeserver.h"
#include "ui/channelframe.h"
#include "ui/chatpagecontrol.h"
#include "ui/chatpagesheet.h"
#include "ui/fatmemo.h"
#include "ui/hotlisttabsheet.h"
#include "ui/inputmemo.h"
#include "ui/privmsgframe.h"
#include "ui/serverframe.h"
#include "ui/servertabsheet.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A window with the Chat tab's page control over a logged-in core.
struct Screen {
    explicit Screen(quint16 secondPort = 0)
        : core(fake.port(), secondPort)
    {
    }

    bool start()
    {
        control = new ChatPageControl(core.pages, core.view, &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(control);
        window.resize(700, 400);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window) || !core.login(fake))
            return false;
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }

    ServerPage* page(int serverIndex = 0) const { return core.pages.page(serverIndex); }
    TServerFrame* frame(int serverIndex = 0) const
    {
        TServerTabSheet* sheet = control->serverTabSheet(serverIndex);
        return sheet ? sheet->frame() : nullptr;
    }
    TChatPageSheet* sheet(ChatPage* inner) const
    {
        return frame(inner->serverIndex())->sheetOf(inner);
    }
    TInputMemo* input(ChatPage* inner) const { return sheet(inner)->inputLine(); }
    // Shows the page and returns its input line, focused.
    TInputMemo* focusOn(ChatPage* inner)
    {
        core.pages.ShowPage(inner);
        TInputMemo* line = input(inner);
        line->setFocus();
        return line;
    }

    FakeServer fake;
    ChatCore core;
    QWidget window;
    ChatPageControl* control = nullptr;
};

QStringList keysOf(const QString& text)
{
    QStringList keys;
    for (const QChar c : text)
        keys.append(QString(c));
    return keys;
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

class TestChatUi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandCompletion_data();
    void commandCompletion();
    void historyKeys();
    void tabCompletesNicknames();
    void tabElsewhereIsConsumed();
    void tagKeys_data();
    void tagKeys();
    void enterSendsWhatWasTyped();
    void longTypedLine();
    void altDigitSelectsInnerPages();
    void ctrlDigitSelectsConnections();
    void unreadMarksOnTabs();
    void closePrivatePage();
    void hotlistMenus();
    void channelMenus();
    void disconnectFromTheMenu();
    void focusFollowsShownPage();
    void linksOpenOnlyWebAndMail_data();
    void linksOpenOnlyWebAndMail();
};

void TestChatUi::commandCompletion_data()
{
    QTest::addColumn<QStringList>("keys"); // characters, or "BS" for Backspace
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("afterShift"); // after one more key release

    QTest::newRow("jo") << keysOf(u"/jo"_s) << u"/join"_s << u"in"_s << u"/join"_s;
    QTest::newRow("typing on replaces the rest")
        << keysOf(u"/jox"_s) << u"/jox"_s << QString() << u"/jox"_s;
    QTest::newRow("typing the rest itself")
        << keysOf(u"/join"_s) << u"/join"_s << QString() << u"/join"_s;
    // Backspace takes the rest away without a new completion; the next release brings it back.
    QTest::newRow("backspace removes the rest")
        << (keysOf(u"/jo"_s) << u"BS"_s) << u"/jo"_s << QString() << u"/join"_s;
    QTest::newRow("k is two commands") << keysOf(u"/k"_s) << u"/k"_s << QString() << u"/k"_s;
    QTest::newRow("m is three commands") << keysOf(u"/m"_s) << u"/m"_s << QString() << u"/m"_s;
    QTest::newRow("upper case") << keysOf(u"/SETU"_s) << u"/setuserlevel"_s << u"serlevel"_s
                                << u"/setuserlevel"_s;
    QTest::newRow("after a space nothing")
        << keysOf(u"/jo #"_s) << u"/jo #"_s << QString() << u"/jo #"_s;
}

void TestChatUi::commandCompletion()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    QFETCH(QString, afterShift);

    Screen screen;
    QVERIFY(screen.start());
    TInputMemo* input = screen.focusOn(screen.page()->serverMessagesPage());
    for (const QString& key : std::as_const(keys)) {
        if (key == u"BS"_s)
            QTest::keyClick(input, Qt::Key_Backspace);
        else
            QTest::keyClicks(input, key);
    }
    QCOMPARE(input->text(), text);
    QCOMPARE(input->selectedText(), selected);
    if (!selected.isEmpty())
        QCOMPARE(input->cursorPosition(), int(text.size() - selected.size()));

    // Any further key release, Shift too, completes again.
    QTest::keyClick(input, Qt::Key_Shift);
    QCOMPARE(input->text(), afterShift);
}

void TestChatUi::historyKeys()
{
    Screen screen;
    QVERIFY(screen.start());
    TInputMemo* input = screen.focusOn(screen.page()->serverMessagesPage());

    // A fresh connection has no history.
    QTest::keyClicks(input, u"x"_s);
    QTest::keyClick(input, Qt::Key_Up);
    QCOMPARE(input->text(), u"x"_s);
    input->clear();

    QTest::keyClicks(input, u"a"_s);
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClicks(input, u"b"_s);
    QTest::keyClick(input, Qt::Key_Enter);
    QCOMPARE(input->text(), QString());

    QTest::keyClick(input, Qt::Key_Up);
    QCOMPARE(input->text(), u"b"_s);
    QCOMPARE(input->cursorPosition(), 1);
    QTest::keyClick(input, Qt::Key_Up);
    QCOMPARE(input->text(), u"a"_s);
    QTest::keyClick(input, Qt::Key_Down);
    QCOMPARE(input->text(), u"b"_s);
    QTest::keyClick(input, Qt::Key_Down);
    QCOMPARE(input->text(), QString());

    // The history is the connection's: another page's input line walks the same one.
    ChatPage* channel = screen.core.pages.AddChannelPage(0, u"#a"_s);
    TInputMemo* other = screen.focusOn(channel);
    QTest::keyClick(other, Qt::Key_Up);
    QVERIFY(!other->text().isEmpty());
}

void TestChatUi::tabCompletesNicknames()
{
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* channel = screen.core.pages.AddChannelPage(0, u"#a"_s);
    auto* users = new QStandardItemModel(0, 3);
    for (const char* nickname : {"alice", "Bob", "bobby"})
        users->appendRow({new QStandardItem(QString::fromLatin1(nickname)),
                          new QStandardItem(u"DSL"_s), new QStandardItem(u"1"_s)});
    channel->setUserList(users);
    TInputMemo* input = screen.focusOn(channel);

    QTest::keyClicks(input, u"hi AL"_s);
    QTest::keyClick(input, Qt::Key_Tab);
    QCOMPARE(input->text(), u"hi alice "_s);
    QCOMPARE(input->cursorPosition(), 9);
    QVERIFY(input->hasFocus());

    // Two matches: nothing changes, the caret goes back where it was.
    input->setText(u"bo and"_s);
    input->setCursorPosition(2);
    QTest::keyClick(input, Qt::Key_Tab);
    QCOMPARE(input->text(), u"bo and"_s);
    QCOMPARE(input->cursorPosition(), 2);

    // After a command and its space, too.
    input->setText(u"/msg ali"_s);
    QTest::keyClick(input, Qt::Key_Tab);
    QCOMPARE(input->text(), u"/msg alice "_s);

    // The user list's own row order decides nothing here: one match is one match.
    users->sort(0, Qt::DescendingOrder);
    input->setText(u"bobb"_s);
    QTest::keyClick(input, Qt::Key_Tab);
    QCOMPARE(input->text(), u"bobby "_s);

    // The list on screen shows the page's model.
    auto* view = screen.sheet(channel)->findChild<QTreeView*>(u"ChannelUsersElTree"_s);
    QVERIFY(view);
    QCOMPARE(view->model()->rowCount(), 3);
    QCOMPARE(view->model()->index(0, 0).data().toString(), u"bobby"_s);
}

void TestChatUi::tabElsewhereIsConsumed()
{
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* conversation = screen.core.pages.AddPrivatePage(0, u"alice"_s);
    for (ChatPage* inner : {screen.page()->serverMessagesPage(), conversation}) {
        TInputMemo* input = screen.focusOn(inner);
        QTest::keyClicks(input, u"hi al"_s);
        QTest::keyClick(input, Qt::Key_Tab);
        QCOMPARE(input->text(), u"hi al"_s);
        QVERIFY(input->hasFocus());
    }
}

void TestChatUi::tagKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");

    const int ctrl = int(Qt::ControlModifier);
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    // "abcd" with "bc" selected.
    QTest::newRow("bold") << int(Qt::Key_B) << ctrl << u"a\x02"_s + u"d"_s;
    QTest::newRow("colour") << int(Qt::Key_K) << ctrl << u"a\x03"_s + u"d"_s;
    QTest::newRow("reverse") << int(Qt::Key_R) << ctrl << u"a\x16"_s + u"d"_s;
    QTest::newRow("underline") << int(Qt::Key_U) << ctrl << u"a\x1f"_s + u"d"_s;
    QTest::newRow("upper-case letter") << int(Qt::Key_B) << ctrlShift << u"a\x02"_s + u"d"_s;
    QTest::newRow("other letters stay themselves") << int(Qt::Key_A) << ctrl << u"abcd"_s;
}

void TestChatUi::tagKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);

    Screen screen;
    QVERIFY(screen.start());
    TInputMemo* input = screen.focusOn(screen.page()->serverMessagesPage());
    input->setText(u"abcd"_s);
    input->setSelection(1, 2);
    QTest::keyClick(input, Qt::Key(key), Qt::KeyboardModifiers::fromInt(modifiers));
    if (key == Qt::Key_A) {
        // Ctrl+A selects all, as usual.
        QCOMPARE(input->text(), text);
        return;
    }
    QCOMPARE(input->text(), text);
    QCOMPARE(input->cursorPosition(), 2);

    // At the caret, without a selection.
    input->setText(u"xy"_s);
    input->setCursorPosition(1);
    QTest::keyClick(input, Qt::Key(key), Qt::KeyboardModifiers::fromInt(modifiers));
    QCOMPARE(input->text().size(), 3);
    QCOMPARE(input->text().at(0), u'x');
    QCOMPARE(input->text().at(2), u'y');
}

void TestChatUi::enterSendsWhatWasTyped()
{
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* channel = screen.core.pages.AddChannelPage(0, u"#a"_s);
    ChatPage* conversation = screen.core.pages.AddPrivatePage(0, u"bob"_s);
    const qsizetype before = screen.fake.frames(0).size();

    TInputMemo* input = screen.focusOn(channel);
    QTest::keyClicks(input, u"hello all"_s);
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(input->text(), QString());
    QTest::keyClick(input, Qt::Key_Return); // an empty line goes too
    // Pasted text with a line break is one message, the break included.
    input->insert(u"one\ntwo"_s);
    QTest::keyClick(input, Qt::Key_Return);

    input = screen.focusOn(conversation);
    QTest::keyClicks(input, u"psst"_s);
    QTest::keyClick(input, Qt::Key_Return);

    input = screen.focusOn(screen.page()->serverMessagesPage());
    QTest::keyClicks(input, u"nowhere"_s);
    QTest::keyClick(input, Qt::Key_Return);

    const QList<Frame> expected{
        {402, "#a hello all"}, {402, "#a "}, {402, "#a one\ntwo"}, {205, "bob psst"}};
    QCOMPARE(screen.core.sentSince(screen.fake, before), expected);
}

void TestChatUi::longTypedLine()
{
    // A line of 10,000 characters: the last keys are typed into it one by one (every release
    // tries a command completion over the whole line), and it goes out cut to what a frame
    // holds. Typing all of it key by key would only time the text field's own drawing.
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* channel = screen.core.pages.AddChannelPage(0, u"#a"_s);
    TInputMemo* input = screen.focusOn(channel);

    // A command name that long is no command.
    input->insert(u"/"_s + QString(9989, u'k'));
    QTest::keyClicks(input, u"kkkkkkkkkk"_s);
    QCOMPARE(input->text().size(), 10000);
    QTest::keyClick(input, Qt::Key_Return);
    QVERIFY(screen.core.serverMessages().constLast().endsWith(u"Unknown Command: "_s +
                                                              QString(9999, u'K')));

    const qsizetype before = screen.fake.frames(0).size();
    input->insert(QString(9990, u'w'));
    QTest::keyClicks(input, u"wwwww wwww"_s);
    QTest::keyClick(input, Qt::Key_Return);
    const QList<Frame> sent = screen.core.sentSince(screen.fake, before);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.constFirst().payload.size(), 2044);
    QCOMPARE(screen.core.servers.FindServer(0)->inputHistory().constLast().size(), 10000);
}

void TestChatUi::altDigitSelectsInnerPages()
{
    Screen screen;
    QVERIFY(screen.start());
    ServerPage* page = screen.page();
    for (int i = 2; i < 10; ++i)
        screen.core.pages.AddPrivatePage(0, u"u"_s + QString::number(i));
    QTabWidget* tabs = screen.frame()->windowPageControl();
    TInputMemo* input = screen.focusOn(page->serverMessagesPage());

    QTest::keyClick(input, Qt::Key_2, Qt::AltModifier);
    QCOMPARE(page->currentIndex(), 1);
    QCOMPARE(tabs->currentIndex(), 1);

    // From an output view, too.
    ChatPage* fifth = page->page(4);
    screen.core.pages.ShowPage(fifth);
    TFatMemo* view = screen.sheet(fifth)->views().constFirst();
    QTest::keyClick(view, Qt::Key_9, Qt::AltModifier);
    QCOMPARE(page->currentIndex(), 8);
    QTest::keyClick(view, Qt::Key_1, Qt::AltModifier);
    QCOMPARE(page->currentIndex(), 0);

    // Ten pages: Alt+0 wants the eleventh, which is not there.
    QCOMPARE(page->count(), 10);
    input = screen.input(page->page(0));
    QTest::keyClick(input, Qt::Key_0, Qt::AltModifier);
    QCOMPARE(page->currentIndex(), 0);
    screen.core.pages.AddPrivatePage(0, u"u10"_s);
    QTest::keyClick(input, Qt::Key_0, Qt::AltModifier);
    QCOMPARE(page->currentIndex(), 10);
    QCOMPARE(tabs->currentIndex(), 10);

    // Keypad digits do not count.
    input = screen.input(page->page(10));
    QTest::keyClick(input, Qt::Key_3, Qt::AltModifier | Qt::KeypadModifier);
    QCOMPARE(page->currentIndex(), 10);
}

void TestChatUi::ctrlDigitSelectsConnections()
{
    FakeServer second;
    Screen screen(second.port());
    QVERIFY(screen.start());
    QVERIFY(screen.core.login(second, 1));
    QCOMPARE(screen.control->count(), 2);
    screen.control->setCurrentIndex(0);
    TInputMemo* input = screen.focusOn(screen.page(0)->serverMessagesPage());

    QTest::keyClick(input, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(screen.control->currentIndex(), 1);
    QCOMPARE(screen.core.view.currentChatServer(), 1);
    QTest::keyClick(input, Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(screen.control->currentIndex(), 1);
    QTest::keyClick(input, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(screen.control->currentIndex(), 0);
    QCOMPARE(screen.core.view.currentChatServer(), 0);
}

void TestChatUi::unreadMarksOnTabs()
{
    Screen screen;
    QVERIFY(screen.start());
    ServerPage* page = screen.page();
    ChatPage* a = screen.core.pages.AddChannelPage(0, u"#a"_s);
    ChatPage* b = screen.core.pages.AddPrivatePage(0, u"bob"_s);
    QTabBar* bar = screen.frame()->windowPageControl()->tabBar();
    const QColor plain = bar->tabTextColor(2);

    screen.core.pages.AddOutputLine(a, "\x03"
                                       "9[12:00] hello");
    QCOMPARE(bar->tabTextColor(2), TServerFrame::HighlightColor);
    QCOMPARE(bar->tabTextColor(3), plain);
    QCOMPARE(screen.core.panels.text(StatusPanels::GigabytesPanel), u" Act: 3"_s);
    screen.core.pages.AddOutputLine(b, "hi");
    QCOMPARE(screen.core.panels.text(StatusPanels::GigabytesPanel), u" Act: 3, 4"_s);

    // A line in the page on screen leaves no mark.
    screen.core.pages.AddOutputLine(page->serverMessagesPage(), "notice");
    QCOMPARE(bar->tabTextColor(0), plain);

    // The user clicks the channel's tab: its mark goes.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(page->currentIndex(), 2);
    QCOMPARE(bar->tabTextColor(2), plain);
    QCOMPARE(bar->tabTextColor(3), TServerFrame::HighlightColor);
    QCOMPARE(screen.core.panels.text(StatusPanels::GigabytesPanel), u" Act: 4"_s);

    QTest::keyClick(screen.input(a), Qt::Key_4, Qt::AltModifier);
    QCOMPARE(bar->tabTextColor(3), plain);
    QCOMPARE(screen.core.panels.text(StatusPanels::GigabytesPanel), QString());
}

void TestChatUi::closePrivatePage()
{
    Screen screen;
    QVERIFY(screen.start());
    ServerPage* page = screen.page();
    ChatPage* bob = screen.core.pages.AddPrivatePage(0, u"bob"_s);
    screen.core.pages.AddChannelPage(0, u"#a"_s);
    screen.core.pages.AddPrivatePage(0, u"carol"_s);
    screen.core.pages.ShowPage(bob);
    const qsizetype before = screen.fake.frames(0).size();

    auto* frame = qobject_cast<TPrivMsgFrame*>(screen.sheet(bob)->frame());
    QVERIFY(frame);
    QCOMPARE(frame->popupMenu()->objectName(), u"PrivMsgPopupMenu"_s);
    const QList<QAction*> actions = frame->popupMenu()->actions();
    QCOMPARE(actions.size(), 4);
    actions.at(0)->trigger(); // Whois
    actions.at(2)->trigger(); // Hotlist
    actions.at(3)->trigger(); // Close
    QTRY_COMPARE_WITH_TIMEOUT(page->count(), 4, 5000);
    QCOMPARE(page->currentIndex(), 3);
    QCOMPARE(screen.frame()->windowPageControl()->count(), 4);
    QCOMPARE(screen.frame()->windowPageControl()->currentIndex(), 3);
    QCOMPARE(screen.frame()->windowPageControl()->tabText(3), u"Msg: carol"_s);
    const QList<Frame> expected{{603, "bob"}, {207, "bob"}};
    QCOMPARE(screen.core.sentSince(screen.fake, before), expected);
}

namespace {

QStandardItemModel* nicknames(const QStringList& names, int columns = 1)
{
    auto* model = new QStandardItemModel(0, columns);
    for (const QString& name : names) {
        QList<QStandardItem*> row{new QStandardItem(name)};
        for (int column = 1; column < columns; ++column)
            row.append(new QStandardItem(u"DSL"_s));
        model->appendRow(row);
    }
    return model;
}

QStringList visibleItems(const QMenu* menu)
{
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible())
            items.append(action->text());
    }
    return items;
}

QAction* item(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void selectRow(QTreeView* view, int row)
{
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

void TestChatUi::hotlistMenus()
{
    Screen screen;
    QVERIFY(screen.start());
    ServerPage* page = screen.page();
    page->setHotlistModel(ServerPage::OnlineUsersList, nicknames({u"alice"_s}, 2));
    page->setHotlistModel(ServerPage::OfflineUsersList, nicknames({u"bob"_s}));
    page->setHotlistModel(ServerPage::IgnoreList, nicknames({u"eve"_s}));
    auto* sheet = screen.sheet(page->hotlistPage())->findChild<THotlistTabSheet*>();
    QVERIFY(sheet);
    QCOMPARE(sheet->onlineView()->objectName(), u"OnlineUsersElTree"_s);
    QCOMPARE(sheet->onlineView()->model()->rowCount(), 1);
    QMenu* menu = sheet->hotlistMenu();
    QSignalSpy removeRequests(&screen.core.pages, &ChatPages::hotlistRemoveRequested);
    QSignalSpy addRequests(&screen.core.pages, &ChatPages::hotlistAddRequested);
    const qsizetype before = screen.fake.frames(0).size();

    sheet->prepareHotlistMenu(sheet->onlineView(), {}, false);
    QCOMPARE(visibleItems(menu), QStringList{u"Add"_s});
    selectRow(sheet->onlineView(), 0);
    sheet->prepareHotlistMenu(sheet->onlineView(), {}, false);
    QCOMPARE(visibleItems(menu),
             (QStringList{u"Browse"_s, u"Whois"_s, u"Message"_s, u"Add"_s, u"Remove"_s}));
    sheet->browsePanel(3)->setText(u"Browsing..."_s);
    sheet->prepareHotlistMenu(sheet->onlineView(), {}, false);
    QCOMPARE(visibleItems(menu), (QStringList{u"Whois"_s, u"Message"_s, u"Add"_s, u"Remove"_s}));
    item(menu, u"Whois"_s)->trigger();
    item(menu, u"Message"_s)->trigger();
    QVERIFY(screen.core.pages.FindPrivatePage(0, u"alice"_s));
    QCOMPARE(page->currentPage()->caption(), u"Msg: alice"_s);
    item(menu, u"Add"_s)->trigger();
    QCOMPARE(addRequests.size(), 1);

    // The offline list: only Add and, with a row, Remove.
    sheet->prepareHotlistMenu(sheet->offlineView(), {}, false);
    QCOMPARE(visibleItems(menu), QStringList{u"Add"_s});
    selectRow(sheet->offlineView(), 0);
    sheet->prepareHotlistMenu(sheet->offlineView(), {}, false);
    QCOMPARE(visibleItems(menu), (QStringList{u"Add"_s, u"Remove"_s}));
    item(menu, u"Remove"_s)->trigger();
    QCOMPARE(removeRequests.size(), 1);
    QCOMPARE(removeRequests.constFirst().at(1).toString(), u"bob"_s);

    // The ignore list.
    QSignalSpy unignore(&screen.core.pages, &ChatPages::ignoreRemoveRequested);
    sheet->prepareIgnoreMenu({}, false);
    QCOMPARE(visibleItems(sheet->ignoreMenu()), QStringList{u"Add"_s});
    selectRow(sheet->ignoreView(), 0);
    sheet->prepareIgnoreMenu({}, false);
    QCOMPARE(visibleItems(sheet->ignoreMenu()), (QStringList{u"Add"_s, u"Remove"_s}));
    item(sheet->ignoreMenu(), u"Remove"_s)->trigger();
    QCOMPARE(unignore.size(), 1);
    QCOMPARE(unignore.constFirst().at(1).toString(), u"eve"_s);

    const QList<Frame> expected{{603, "alice"}};
    QCOMPARE(screen.core.sentSince(screen.fake, before), expected);
}

void TestChatUi::channelMenus()
{
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* channel = screen.core.pages.AddChannelPage(0, u"#a"_s);
    channel->setUserList(nicknames({u"alice"_s, u"bob"_s}, 3));
    channel->setLabel(u" Channel #a: 2 user(s)"_s);
    screen.core.pages.ShowPage(channel);
    auto* frame = qobject_cast<TChannelFrame*>(screen.sheet(channel)->frame());
    QVERIFY(frame);
    QCOMPARE(frame->channelLabel()->text(), u" Channel #a: 2 user(s)"_s);
    QSignalSpy listRequests(&screen.core.pages, &ChatPages::channelListRequested);
    const qsizetype before = screen.fake.frames(0).size();

    // Without a selected row every item is there and does nothing.
    QMenu* users = frame->usersMenu();
    QCOMPARE(visibleItems(users),
             (QStringList{u"Browse"_s, u"Hotlist"_s, u"Ignore"_s, u"Message"_s, u"Whois"_s}));
    for (QAction* action : users->actions())
        action->trigger();
    QCOMPARE(screen.page()->count(), 3);

    selectRow(frame->usersView(), 1);
    QCOMPARE(frame->selectedNickname(), u"bob"_s);
    item(users, u"Hotlist"_s)->trigger();
    item(users, u"Ignore"_s)->trigger();
    item(users, u"Whois"_s)->trigger();
    item(users, u"Message"_s)->trigger();
    QCOMPARE(screen.page()->currentPage()->caption(), u"Msg: bob"_s);

    QMenu* output = frame->outputMenu();
    QCOMPARE(output->objectName(), u"PrivMsgPopupMenu"_s);
    QCOMPARE(visibleItems(output), (QStringList{u"Close"_s, u"List Channels"_s}));
    item(output, u"List Channels"_s)->trigger();
    QCOMPARE(listRequests.size(), 1);
    item(output, u"Close"_s)->trigger();
    // The page stays until the server confirms the part.
    QVERIFY(screen.core.pages.FindChannelPage(0, u"#a"_s));

    const QList<Frame> expected{{207, "bob"}, {322, "bob"}, {603, "bob"}, {401, "#a"}};
    QCOMPARE(screen.core.sentSince(screen.fake, before), expected);
}

void TestChatUi::disconnectFromTheMenu()
{
    Screen screen;
    QVERIFY(screen.start());
    QMenu* menu = screen.frame()->serverMessagesMenu();
    QCOMPARE(menu->objectName(), u"ServerFramePopupMenu"_s);
    QCOMPARE(visibleItems(menu), QStringList{u"Disconnect"_s});
    item(menu, u"Disconnect"_s)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(screen.control->count(), 0, 5000);
    QCOMPARE(screen.core.list.cell(0, ServerListModel::StatusColumn), u"Not connected"_s);
    QVERIFY(!screen.core.servers.FindServer(0));
}

void TestChatUi::focusFollowsShownPage()
{
    Screen screen;
    QVERIFY(screen.start());
    ChatPage* bob = screen.core.pages.OpenPrivatePage(0, u"bob"_s);
    QTRY_VERIFY_WITH_TIMEOUT(screen.input(bob)->hasFocus(), 5000);
    QCOMPARE(screen.frame()->windowPageControl()->tabText(2), u"Msg: bob"_s);

    // A caption with "&" is shown as it is, not as a shortcut marker.
    screen.core.pages.AddChannelPage(0, u"#rock&roll"_s);
    QCOMPARE(screen.frame()->windowPageControl()->tabText(3), u"Channel: #rock&&roll"_s);

    screen.page()->setCurrentIndex(0);
    QTRY_VERIFY_WITH_TIMEOUT(screen.input(screen.page()->page(0))->hasFocus(), 5000);
}

void TestChatUi::linksOpenOnlyWebAndMail_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("opened"); // empty: nothing is opened

    QTest::newRow("www") << u"www.example.org"_s << u"http://www.example.org"_s;
    QTest::newRow("http") << u"http://example.org/a?b=c"_s << u"http://example.org/a?b=c"_s;
    QTest::newRow("mail") << u"ann@example.org"_s << u"mailto:ann@example.org"_s;
    QTest::newRow("local file") << u"/etc/passwd"_s << QString();
    QTest::newRow("file scheme") << u"file:///etc/passwd"_s << QString();
    QTest::newRow("program") << u"xterm"_s << QString();
}

void TestChatUi::linksOpenOnlyWebAndMail()
{
    QFETCH(QString, target);
    QFETCH(QString, opened);

    UrlCatcher catcher;
    for (const char* scheme : {"http", "https", "ftp", "mailto", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
    ChatViews::OpenLink(target);
    for (const char* scheme : {"http", "https", "ftp", "mailto", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));

    if (opened.isEmpty())
        QVERIFY(catcher.urls.isEmpty());
    else
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(opened)});
}

QTEST_MAIN(TestChatUi)
#include "tst_chatui.moc"

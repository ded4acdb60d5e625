// The main window over the program's real object graph (ClientCore) in a temporary start
// directory: its skeleton, what a user and later work find by name, and its lifecycle (start-up
// folders, page rule, debug switch, splash, uptime and throughput, login pages, close).

#include "app/clientcore.h"
#include "chat/chatlines.h"
#include "chat/commandinterpreter.h"
#include "chat/mainviewstate.h"
#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/debuglog.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/uptimeclock.h"
#include "tests/support/fakeserver.h"
#include "tests/support/recordingprompts.h"
#include "transfers/dataportlistener.h"
#include "ui/appicon.h"
#include "ui/chatpagecontrol.h"
#include "ui/clientform.h"
#include "ui/clientmainmenu.h"
#include "ui/clientstatusbar.h"
#include "ui/debugpanel.h"
#include "ui/fatmemo.h"
#include "ui/linesmemo.h"
#include "ui/serverframe.h"
#include "ui/serverstabsheet.h"
#include "ui/servertabsheet.h"
#include "ui/splashscreen.h"
#include "ui/startoptions.h"
#include "ui/transferstabsheet.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One program in a temporary start directory: Tavolin.ini (data port 0, so nothing listens)
// and, when given a port, a servers.dat with one checked server (index 0) on 127.0.0.1.
struct Program {
    explicit Program(const StartOptions& options = {}, int serverPort = -1,
                     const QByteArray& extraSettings = {},
                     UptimeClock::Now now = &QDateTime::currentDateTime)
    {
        writeFile(u"Tavolin.ini"_s, "[Tavolin]\ndefault_dataport=0\n" + extraSettings);
        if (serverPort >= 0)
            writeFile(u"servers.dat"_s,
                      "[Protocols]\nOpennap=1\n\n[net]\nprotocol=Opennap\nbookmark=0\n127.0.0.1=" +
                          QByteArray::number(serverPort) + " \"\" \"\"\n\n");
        core = std::make_unique<ClientCore>(dir.path(), options, prompts, std::move(now));
        form = std::make_unique<TClientForm>(core->formContext(), options);
    }
    ~Program()
    {
        form.reset();
        core.reset();
    }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    QString status(int serverIndex) const
    {
        return core->serverList().cell(serverIndex, ServerListModel::StatusColumn);
    }

    bool login(FakeServer& fake)
    {
        fake.setAutoReply(2, {Frame{3, QByteArrayLiteral("anon@127.0.0.1")},
                              Frame{621, QByteArrayLiteral("Welcome to the test server")}});
        core->servers().connectServer(0);
        return QTest::qWaitFor([this] { return status(0) == u"Connected"_s; }, 5000);
    }

    QTemporaryDir dir;
    RecordingPrompts prompts;
    std::unique_ptr<ClientCore> core;
    std::unique_ptr<TClientForm> form;
};

} // namespace

class TestClientForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Skeleton
    void titleAndWindowState();
    void mainPagesInOrder();
    void controlsFoundByName_data();
    void controlsFoundByName();
    void serverPages();
    void menuItems_data();
    void menuItems();
    void statusPanels_data();
    void statusPanels();
    void stretchPanelTakesTheSpareWidth();
    void panelTextOutsideRange();
    void statusBarMirrorsTheCore();
    void debugArgument_data();
    void debugArgument();
    void iconIsDrawn();

    // Lifecycle
    void startupFolders_data();
    void startupFolders();
    void pageRule_data();
    void pageRule();
    void debugPanel_data();
    void debugPanel();
    void aboutFromTheHelpMenu();
    void splashScreen_data();
    void splashScreen();
    void uptimeAndThroughput();
    void loginShowsTheServerPage();
    void connectAllFromTheMenu();
    void closeAsksFirst();
    void linesMemoFollowsItsModel();
};

void TestClientForm::titleAndWindowState()
{
    Program program;
    QCOMPARE(program.form->windowTitle(), u"Tavolin v0.2"_s);
    QVERIFY(program.form->windowState().testFlag(Qt::WindowMaximized));
}

void TestClientForm::mainPagesInOrder()
{
    Program program;
    TClientForm& form = *program.form;
    const QStringList expected{u"Servers"_s, u"Chat"_s, u"Search"_s, u"Shares"_s, u"Transfers"_s};
    QTabWidget* pages = form.pageControl();
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i)
        titles << pages->tabText(i);
    QCOMPARE(titles, expected);
    QCOMPARE(pages->currentIndex(), int(TClientForm::ServersPage));
    QCOMPARE(pages->widget(TClientForm::ServersPage), form.serversTabSheet());
    QVERIFY(pages->widget(TClientForm::ChatPage)->isAncestorOf(form.chatPageControl()));
    QCOMPARE(pages->widget(TClientForm::TransfersPage), form.transfersTabSheet());
    QCOMPARE(form.chatPageControl()->count(), 0);
}

void TestClientForm::controlsFoundByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("className");

    QTest::newRow("menu") << u"ClientMainMenu"_s << QByteArray("QMenuBar");
    QTest::newRow("pages") << u"ClientPageControl"_s << QByteArray("QTabWidget");
    QTest::newRow("status bar") << u"ClientStatusBar"_s << QByteArray("QStatusBar");
    QTest::newRow("server list") << u"ServersTreeView"_s << QByteArray("QTreeView");
    QTest::newRow("server messages") << u"ServerMessagesMemo"_s << QByteArray("QPlainTextEdit");
    QTest::newRow("chat pages") << u"ChatPageControl"_s << QByteArray("QTabWidget");
    QTest::newRow("down text") << u"DownloadSummaryEdit"_s << QByteArray("QLineEdit");
    QTest::newRow("up text") << u"UploadSummaryEdit"_s << QByteArray("QLineEdit");
    for (int i = 0; i < ClientStatusBar::PanelCount; ++i) {
        const QString name = u"StatusPanel%1"_s.arg(i);
        QTest::newRow(qPrintable(name)) << name << QByteArray("QLabel");
    }
}

void TestClientForm::controlsFoundByName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, className);

    Program program;
    const auto found = program.form->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first()->inherits(className.constData()),
             found.first()->metaObject()->className());
}

void TestClientForm::serverPages()
{
    Program program;
    ServersTabSheet* sheet = program.form->serversTabSheet();
    QTabWidget* inner = sheet->pageControl();
    QCOMPARE(inner->count(), 2);
    QCOMPARE(inner->tabText(ServersTabSheet::ServerListPage), u"Server List"_s);
    QCOMPARE(inner->tabText(ServersTabSheet::ServerMessagesPage), u"Server Messages"_s);
    QCOMPARE(inner->currentIndex(), int(ServersTabSheet::ServerListPage));
    QVERIFY(inner->widget(ServersTabSheet::ServerListPage)->isAncestorOf(sheet->serversTreeView()));
    QCOMPARE(sheet->serversTreeView()->model(), &program.core->serverList());

    // Notices from every server are one red, bold stream the user only reads.
    const QPlainTextEdit* memo = program.form->findChild<QPlainTextEdit*>(u"ServerMessagesMemo"_s);
    QCOMPARE(inner->widget(ServersTabSheet::ServerMessagesPage), memo);
    QVERIFY(memo->isReadOnly());
    QVERIFY(memo->font().bold());
    QCOMPARE(memo->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::red));
    QCOMPARE(memo->palette().color(QPalette::Inactive, QPalette::Text), QColor(Qt::red));
}

void TestClientForm::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("shortcuts");

    QTest::newRow("connect") << u"&Connect"_s
                             << QStringList{u"Connect All"_s, u"Disconnect All"_s, u"E&xit"_s}
                             << QStringList{u"Ctrl+A"_s, u"Ctrl+D"_s, QString()};
    QTest::newRow("view") << u"&View"_s << QStringList{u"Expand Networks"_s, u"Collapse Networks"_s}
                          << QStringList{QString(), QString()};
    // "Settings" is an item of the bar itself, with nothing under it.
    QTest::newRow("settings") << u"Settings"_s << QStringList() << QStringList();
    QTest::newRow("help") << u"Help"_s << QStringList{u"About"_s} << QStringList{QString()};
}

void TestClientForm::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QFETCH(QStringList, shortcuts);

    Program program;
    QStringList barTitles;
    QAction* entry = nullptr;
    for (QAction* action : program.form->mainMenu()->actions()) {
        barTitles << action->text();
        if (action->text() == menu)
            entry = action;
    }
    QCOMPARE(barTitles, (QStringList{u"&Connect"_s, u"&View"_s, u"Settings"_s, u"Help"_s}));
    QVERIFY(entry);

    QStringList foundItems;
    QStringList foundShortcuts;
    if (entry->menu()) {
        for (QAction* action : entry->menu()->actions()) {
            if (action->isSeparator())
                continue;
            foundItems << action->text();
            foundShortcuts << action->shortcut().toString();
        }
    }
    QCOMPARE(foundItems, items);
    QCOMPARE(foundShortcuts, shortcuts);
}

void TestClientForm::statusPanels_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("rightAligned");

    QTest::newRow("nickname") << 0 << 120 << true;
    QTest::newRow("users") << 1 << 120 << false;
    QTest::newRow("files") << 2 << 130 << false;
    QTest::newRow("gigabytes") << 3 << 130 << false;
    QTest::newRow("sharing") << 4 << 175 << false;
    QTest::newRow("uptime") << 6 << 70 << true;
}

void TestClientForm::statusPanels()
{
    QFETCH(int, panel);
    QFETCH(int, width);
    QFETCH(bool, rightAligned);

    Program program;
    TClientForm& form = *program.form;
    form.setWindowState(Qt::WindowNoState);
    form.resize(1400, 600);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QLabel* label = form.clientStatusBar()->panelLabel(panel);
    QVERIFY(label);
    QCOMPARE(label->width(), width);
    QCOMPARE(bool(label->alignment() & Qt::AlignRight), rightAligned);

    // Panels sit left to right in index order.
    if (panel > 0) {
        const QLabel* before = form.clientStatusBar()->panelLabel(panel - 1);
        QVERIFY(before->geometry().right() < label->geometry().left());
    }
}

void TestClientForm::stretchPanelTakesTheSpareWidth()
{
    Program program;
    TClientForm& form = *program.form;
    form.setWindowState(Qt::WindowNoState);
    form.resize(1200, 600);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QLabel* stretch = form.clientStatusBar()->panelLabel(ClientStatusBar::StretchPanel);
    const QLabel* uptime = form.clientStatusBar()->panelLabel(ClientStatusBar::UptimePanel);
    QTRY_VERIFY_WITH_TIMEOUT(stretch->width() >= 200, 5000);
    const int narrow = stretch->width();

    form.resize(1500, 600);
    QTRY_COMPARE_WITH_TIMEOUT(stretch->width(), narrow + 300, 5000);
    // The others keep their widths, and the uptime panel stays at the right end.
    QCOMPARE(uptime->width(), 70);
    QVERIFY(uptime->geometry().right() > form.width() - 40);
}

void TestClientForm::panelTextOutsideRange()
{
    ClientStatusBar bar;
    bar.setPanelText(ClientStatusBar::UptimePanel, u"00:00:01"_s);
    bar.setPanelText(ClientStatusBar::PanelCount, u"x"_s);
    bar.setPanelText(-1, u"x"_s);
    QCOMPARE(bar.panelText(ClientStatusBar::UptimePanel), u"00:00:01"_s);
    QCOMPARE(bar.panelText(ClientStatusBar::PanelCount), QString());
    QCOMPARE(bar.panelText(-1), QString());
}

void TestClientForm::statusBarMirrorsTheCore()
{
    Program program;
    StatusPanels& panels = program.core->statusPanels();
    panels.setText(StatusPanels::SharingPanel, u"Sharing: 0 file(s), 0.0 GB"_s);
    panels.setText(StatusPanels::UsersPanel, u"12 Users"_s);
    for (int panel = 0; panel < StatusPanels::PanelCount; ++panel)
        QCOMPARE(program.form->clientStatusBar()->panelText(panel), panels.text(panel));
    QCOMPARE(program.form->clientStatusBar()->panelText(StatusPanels::UptimePanel), u"00:00:00"_s);
}

void TestClientForm::debugArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("debug");

    const QString program = u"tavolin"_s;
    QTest::newRow("none") << QStringList{program} << false;
    QTest::newRow("first") << QStringList{program, u"/debug"_s} << true;
    QTest::newRow("first of two") << QStringList{program, u"/debug"_s, u"x"_s} << true;
    QTest::newRow("capitals") << QStringList{program, u"/DEBUG"_s} << false;
    QTest::newRow("second") << QStringList{program, u"x"_s, u"/debug"_s} << false;
    QTest::newRow("longer") << QStringList{program, u"/debugx"_s} << false;
    QTest::newRow("program named /debug") << QStringList{u"/debug"_s} << false;
    QTest::newRow("empty list") << QStringList() << false;
}

void TestClientForm::debugArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, debug);
    QCOMPARE(StartOptions::fromArguments(arguments).debug, debug);
}

void TestClientForm::iconIsDrawn()
{
    // A painter that silently fails leaves a fully transparent pixmap.
    const QImage image = drawAppIcon(32).toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY(qAlpha(image.pixel(16, 16)) == 255);
    QVERIFY(qAlpha(image.pixel(0, 0)) < 255); // rounded corner
    QVERIFY(!makeAppIcon().availableSizes().isEmpty());
}

void TestClientForm::startupFolders_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("downloads"); // relative to the start directory

    QTest::newRow("default") << QByteArray() << u"Downloads"_s;
    QTest::newRow("empty value") << QByteArray("download_directory=\n") << u"Downloads"_s;
    QTest::newRow("missing parents")
        << QByteArray("download_directory=music/new/mp3\n") << u"music/new/mp3"_s;
}

void TestClientForm::startupFolders()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, downloads);

    Program program({}, -1, settings);
    const QDir start(program.dir.path());
    QVERIFY(start.exists(u"Incomplete"_s));
    QVERIFY(start.exists(downloads));
    QCOMPARE(program.core->downloadDirectory(), start.absoluteFilePath(downloads));
    // The listener exists from the start but waits for the first login.
    QVERIFY(!program.core->dataPort().isActive());
}

void TestClientForm::pageRule_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("opens");

    QTest::newRow("Chat") << int(TClientForm::ChatPage) << false;
    QTest::newRow("Search") << int(TClientForm::SearchPage) << false;
    QTest::newRow("Shares") << int(TClientForm::SharesPage) << false;
    QTest::newRow("Transfers") << int(TClientForm::TransfersPage) << true;
}

void TestClientForm::pageRule()
{
    QFETCH(int, page);
    QFETCH(bool, opens);

    Program program;
    QTabWidget* pages = program.form->pageControl();
    pages->setCurrentIndex(TClientForm::TransfersPage);
    pages->setCurrentIndex(TClientForm::ServersPage);

    pages->setCurrentIndex(page);
    const int expected = opens ? page : int(TClientForm::ServersPage);
    QCOMPARE(pages->currentIndex(), expected);
    QCOMPARE(int(program.core->viewState().mainPage()), expected);
    QCOMPARE(program.prompts.texts(RecordingPrompts::Kind::Information),
             opens ? QStringList() : QStringList{u"Connect to a server first"_s});
}

void TestClientForm::debugPanel_data()
{
    QTest::addColumn<bool>("debug");
    QTest::newRow("with /debug") << true;
    QTest::newRow("without") << false;
}

void TestClientForm::debugPanel()
{
    QFETCH(bool, debug);

    StartOptions options;
    options.debug = debug;
    Program program(options);
    // A frame sent to a server index without a connection still passes the debug log.
    program.core->servers().SendToServer(3, 404, {QByteArrayLiteral("x")});

    DebugPanel* panel = program.form->findChild<DebugPanel*>(u"DebugPanel"_s);
    QCOMPARE(panel != nullptr, debug);
    QCOMPARE(program.form->debugPanel(), panel);
    if (!debug) {
        // No panel, and no debug line is made at all.
        QCOMPARE(program.core->debugLog().lineCount(DebugLog::Direction::Outgoing), 0);
        QCOMPARE(program.core->debugLog().lineCount(DebugLog::Direction::Incoming), 0);
        return;
    }
    QStringList labels;
    for (const QLabel* label : panel->findChildren<QLabel*>())
        labels << label->text();
    QCOMPARE(labels, (QStringList{u"Incoming:"_s, u"Outgoing:"_s}));
    const auto* in = panel->findChild<QComboBox*>(u"DebugInComboBox"_s);
    const auto* out = panel->findChild<QComboBox*>(u"DebugOutComboBox"_s);
    QVERIFY(in && out);
    QCOMPARE(in->count(), 0);
    QCOMPARE(out->count(), 1);
    QCOMPARE(out->currentText(), u"Server: 3 Len: 1 Msg: 404 Text: x"_s);

    // The newest line is the one shown.
    program.core->servers().SendToServer(3, 404, {QByteArrayLiteral("y")});
    QCOMPARE(out->count(), 2);
    QCOMPARE(out->currentText(), u"Server: 3 Len: 1 Msg: 404 Text: y"_s);

    // KILLDEBUG takes the panel away and nothing more is recorded.
    program.core->commands().RunCommand(3, u"KILLDEBUG"_s, QString());
    QTRY_VERIFY_WITH_TIMEOUT(!program.form->findChild<DebugPanel*>(u"DebugPanel"_s), 2000);
    QCOMPARE(program.form->debugPanel(), nullptr);
    program.core->servers().SendToServer(3, 404, {QByteArrayLiteral("z")});
    QCOMPARE(program.core->debugLog().lineCount(DebugLog::Direction::Outgoing), 2);
}

void TestClientForm::aboutFromTheHelpMenu()
{
    Program program;
    auto* menu = program.form->findChild<ClientMainMenu*>();
    QVERIFY(menu);
    menu->aboutAction()->trigger();
    QWidget* about = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowTitle() == u"About Tavolin"_s)
            about = window;
    }
    QVERIFY(about);
    about->close();
}

void TestClientForm::splashScreen_data()
{
    QTest::addColumn<bool>("debug");
    QTest::newRow("normal start") << false;
    QTest::newRow("debug mode") << true;
}

void TestClientForm::splashScreen()
{
    QFETCH(bool, debug);

    StartOptions options;
    options.debug = debug;
    Program program(options);
    TClientForm& form = *program.form;
    QVERIFY(!form.splashScreen());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (debug) {
        QVERIFY(!form.splashScreen());
        QVERIFY(form.findChildren<TSplashScreen*>().isEmpty());
        return;
    }
    TSplashScreen* splash = form.splashScreen();
    QVERIFY(splash);
    QVERIFY(!splash->isVisible()); // 100 ms after the first show
    QTRY_VERIFY_WITH_TIMEOUT(splash->isVisible(), 5000);
    QCOMPARE(splash->size(), QSize(500, 250));
    QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    QTRY_VERIFY_WITH_TIMEOUT(!splash->isVisible(), 10000);

    // Only the first show starts it.
    form.hide();
    form.show();
    QCOMPARE(form.findChildren<TSplashScreen*>().size(), 1);
    QVERIFY(!splash->isPending());
}

void TestClientForm::uptimeAndThroughput()
{
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0, 0));
    QDateTime now = start;
    Program program({}, -1, {}, [&now] { return now; });
    TransfersTabSheet* transfers = program.form->transfersTabSheet();
    QCOMPARE(transfers->downText()->text(), u"Down: 0 (0.0kB/s) 0.00MB"_s);
    QCOMPARE(transfers->upText()->text(), u"Up: 0 (0.0kB/s) 0.00MB"_s);

    now = start.addSecs(26 * 3600);
    program.core->uptime().tick();
    now = start.addSecs(26 * 3600 + 1);
    program.core->uptime().tick();
    QCOMPARE(program.form->clientStatusBar()->panelText(ClientStatusBar::UptimePanel),
             u"26:00:01"_s);
    program.core->uptime().setCounterSource([] {
        return UptimeClock::Counters{2, 0, 2 * 1048576, 0};
    });
    // 2 MB since the sample at 26:00:00, two seconds ago.
    now = start.addSecs(26 * 3600 + 2);
    program.core->uptime().tick();
    QCOMPARE(transfers->downText()->text(), u"Down: 2 (1024.0kB/s) 2.00MB"_s);
    QCOMPARE(transfers->upText()->text(), u"Up: 0 (0.0kB/s) 0.00MB"_s);
    QVERIFY(program.core->uptime().isRunning());
}

void TestClientForm::loginShowsTheServerPage()
{
    FakeServer fake;
    Program program({}, fake.port());
    TClientForm& form = *program.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(program.login(fake));

    ChatPageControl* chat = form.chatPageControl();
    QCOMPARE(chat->count(), 1);
    QCOMPARE(chat->tabText(0), u"127.0.0.1 (0)"_s);
    // chat_switch_connect: the Chat page and the new server's page come to the front.
    QCOMPARE(form.pageControl()->currentIndex(), int(TClientForm::ChatPage));
    TServerTabSheet* sheet = chat->serverTabSheet(0);
    QVERIFY(sheet);
    QCOMPARE(chat->currentWidget(), sheet);
    QTabWidget* inner = sheet->findChild<QTabWidget*>(u"WindowPageControl"_s);
    QVERIFY(inner);
    QCOMPARE(inner->count(), 2);
    QCOMPARE(inner->tabText(0), u"Server Messages"_s);
    QCOMPARE(inner->tabText(1), u"Hotlist"_s);
    QCOMPARE(inner->currentIndex(), 0);

    auto* output = sheet->findChild<TFatMemo*>(u"ServerMsgFatMemo"_s);
    QVERIFY(output);
    const auto shownLines = [output] {
        QStringList lines;
        for (int i = 0; output->model() && i < output->model()->lineCount(); ++i)
            lines.append(output->model()->parts(i).text);
        return lines;
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        shownLines(),
        (QStringList{u"* You are connected to 127.0.0.1"_s, u"* Email set to -> anon@127.0.0.1"_s,
                     u"* Welcome to the test server"_s}),
        5000);
    const auto* memo = form.findChild<QPlainTextEdit*>(u"ServerMessagesMemo"_s);
    QCOMPARE(memo->toPlainText(), u"[127.0.0.1 (0)] You are connected to 127.0.0.1\n\n"
                                  "[127.0.0.1 (0)] Email set to -> anon@127.0.0.1\n\n"
                                  "[127.0.0.1 (0)] Welcome to the test server"_s);
    QCOMPARE(form.clientStatusBar()->panelText(ClientStatusBar::NicknamePanel), u"anon (User)"_s);

    // The input line keeps what was typed in the history and empties; nothing is sent.
    auto* input = sheet->findChild<QLineEdit*>(u"InputMemo"_s);
    QVERIFY(input);
    input->setText(u"hello"_s);
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(input->text(), QString());
    QCOMPARE(program.core->servers().FindServer(0)->inputHistory(), QStringList{u"hello"_s});

    // The connection goes, and its page with it; the Chat page closes.
    program.core->servers().disconnectServer(0);
    QTRY_COMPARE_WITH_TIMEOUT(chat->count(), 0, 5000);
    QCOMPARE(form.pageControl()->currentIndex(), int(TClientForm::ServersPage));
    QCOMPARE(form.clientStatusBar()->panelText(ClientStatusBar::NicknamePanel), QString());
}

void TestClientForm::connectAllFromTheMenu()
{
    FakeServer fake;
    Program program({}, fake.port());
    fake.setAutoReply(2, {Frame{3, QByteArrayLiteral("anon@127.0.0.1")}});
    program.form->mainMenu()->connectAllAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(program.status(0), u"Connected"_s, 5000);
    program.form->mainMenu()->disconnectAllAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(program.status(0), u"Not connected"_s, 5000);
}

void TestClientForm::closeAsksFirst()
{
    FakeServer fake;
    Program program({}, fake.port(), "max_uploads=4\n");
    TClientForm& form = *program.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(program.login(fake));
    QSignalSpy closed(&form, &TClientForm::closed);
    program.core->config().WriteInteger(ConfigKey::MaxDownloads, 5);

    // No: everything goes on, the connection included.
    program.prompts.confirmAnswers = {false};
    form.mainMenu()->exitAction()->trigger();
    QCOMPARE(program.prompts.texts(RecordingPrompts::Kind::Confirm),
             QStringList{u"Do you really want to close Tavolin?"_s});
    QVERIFY(form.isVisible());
    QCOMPARE(closed.size(), 0);
    QVERIFY(!program.core->isShutDown());
    QVERIFY(program.core->uptime().isRunning());
    QVERIFY(fake.isConnected(0));
    QCOMPARE(program.status(0), u"Connected"_s);

    // Yes: the settings are written, the server is disconnected, the window goes.
    program.prompts.confirmAnswers = {true};
    QVERIFY(form.close());
    QCOMPARE(closed.size(), 1);
    QVERIFY(!form.isVisible());
    QVERIFY(program.core->isShutDown());
    QVERIFY(!program.core->uptime().isRunning());
    QCOMPARE(program.status(0), u"Not connected"_s);
    QCOMPARE(program.core->servers().ServerCount(), 0);
    QVERIFY(fake.waitForDisconnected(0));
    const ConfigStore written(program.dir.filePath(u"Tavolin.ini"_s));
    QCOMPARE(written.ReadInteger(ConfigKey::MaxDownloads, 0), 5);
    QCOMPARE(written.ReadInteger(ConfigKey::MaxUploads, 0), 4);
}

void TestClientForm::linesMemoFollowsItsModel()
{
    ChatLines lines(3);
    LinesMemo memo(lines);
    lines.append(u"a"_s);
    lines.append(QStringList{QString(), u"b"_s});
    QCOMPARE(memo.toPlainText(), u"a\n\nb"_s);

    // Trimmed lines leave the view; a line break inside a line does not split it.
    lines.append(QStringList{u"c\r\nd"_s, u"e"_s});
    QCOMPARE(memo.toPlainText(), u"b\nc  d\ne"_s);
    QCOMPARE(memo.blockCount(), 3);

    lines.clear();
    QCOMPARE(memo.toPlainText(), QString());
    lines.append(QString());
    lines.append(u"f"_s);
    QCOMPARE(memo.blockCount(), 2);

    // A view made later shows what the model holds.
    const LinesMemo late(lines);
    QCOMPARE(late.toPlainText(), u"\nf"_s);
}

QTEST_MAIN(TestClientForm)
#include "tst_clientform.moc"

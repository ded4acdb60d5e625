#include "ui/clientform.h"

#include "chat/mainviewstate.h"
#include "chat/servernotices.h"
#include "protocol/serverlistactions.h"
#include "protocol/statuspanels.h"
#include "protocol/uptimeclock.h"
#include "ui/appicon.h"
#include "ui/appinfo.h"
#include "ui/chatpagecontrol.h"
#include "ui/clientmainmenu.h"
#include "ui/clientstatusbar.h"
#include "ui/debugpanel.h"
#include "ui/serverlistview.h"
#include "ui/serverstabsheet.h"
#include "ui/sharestabsheet.h"
#include "ui/splashscreen.h"
#include "ui/transferstabsheet.h"

#include <QAction>
#include <QCloseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

static_assert(int(TClientForm::ChatPage) == int(MainViewState::ChatPage) &&
              int(TClientForm::TransfersPage) == int(MainViewState::TransfersPage));

TClientForm::TClientForm(const ClientFormContext& context, const StartOptions& options,
                         QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_options(options)
{
    setObjectName(u"ClientForm"_s);
    setWindowTitle(AppInfo::caption());

    m_mainMenu = new ClientMainMenu(this);
    setMenuBar(m_mainMenu);

    createPages();

    m_statusBar = new ClientStatusBar(this);
    setStatusBar(m_statusBar);

    connectCore();
    createTrayIcon();

    // The size the window returns to when the user un-maximises it.
    resize(1024, 700);
    setWindowState(windowState() | Qt::WindowMaximized);
}

TClientForm::~TClientForm() = default;

void TClientForm::createPages()
{
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    setCentralWidget(central);

    m_pageControl = new QTabWidget(central);
    m_pageControl->setObjectName(u"ClientPageControl"_s);
    centralLayout->addWidget(m_pageControl, 1);

    m_serversTabSheet = new ServersTabSheet(m_context.serverList, m_context.serverListActions,
                                            m_context.notices.serversTabLines());
    m_pageControl->addTab(m_serversTabSheet, u"Servers"_s);

    QWidget* chatPage = addPage(new QWidget, u"ChatTabSheet"_s, u"Chat"_s);
    m_chatPageControl = new ChatPageControl(m_context.chatPages, m_context.viewState, chatPage);
    auto* chatLayout = new QVBoxLayout(chatPage);
    chatLayout->setContentsMargins(0, 0, 0, 0);
    chatLayout->addWidget(m_chatPageControl);

    addPage(new QWidget, u"SearchTabSheet"_s, u"Search"_s);
    m_sharesTabSheet = new SharesTabSheet(m_context.catalogue, m_context.shareScanner);
    m_pageControl->addTab(m_sharesTabSheet, u"Shares"_s);
    m_transfersTabSheet = new TransfersTabSheet;
    m_pageControl->addTab(m_transfersTabSheet, u"Transfers"_s);

    m_pageControl->setCurrentIndex(m_context.viewState.mainPage());
    m_serversTabSheet->pageControl()->setCurrentIndex(ServersTabSheet::ServerListPage);

    // Without "/debug" the panel does not exist, and the log makes no lines for it.
    if (m_options.debug) {
        m_debugPanel = new DebugPanel(m_context.debugLog, central);
        centralLayout->addWidget(m_debugPanel);
    }
}

QWidget* TClientForm::addPage(QWidget* page, const QString& objectName, const QString& title)
{
    page->setObjectName(objectName);
    m_pageControl->addTab(page, title);
    return page;
}

void TClientForm::connectCore()
{
    // The user's page changes go to the core; the core's page (also a refusal of the page
    // rule, which repeats the page that stays) comes back to the tabs.
    connect(m_pageControl, &QTabWidget::currentChanged, this, [this](int page) {
        if (!m_followingPage)
            m_context.viewState.selectMainPage(page);
    });
    connect(&m_context.viewState, &MainViewState::mainPageChanged, this, [this](int page) {
        const QScopedValueRollback following(m_followingPage, true);
        m_pageControl->setCurrentIndex(page);
    });

    for (int panel = 0; panel < StatusPanels::PanelCount; ++panel)
        m_statusBar->setPanelText(panel, m_context.statusPanels.text(panel));
    connect(&m_context.statusPanels, &StatusPanels::panelChanged, m_statusBar,
            &ClientStatusBar::setPanelText);

    updateThroughput();
    connect(&m_context.uptime, &UptimeClock::throughputChanged, this,
            &TClientForm::updateThroughput);

    ServerListActions& actions = m_context.serverListActions;
    ServerListView* list = m_serversTabSheet->serverListView();
    connect(m_mainMenu->connectAllAction(), &QAction::triggered, this,
            [&actions] { actions.connectAll(); });
    connect(m_mainMenu->disconnectAllAction(), &QAction::triggered, this,
            [&actions] { actions.disconnectAll(); });
    connect(m_mainMenu->expandNetworksAction(), &QAction::triggered, list,
            &ServerListView::expandNetworks);
    connect(m_mainMenu->collapseNetworksAction(), &QAction::triggered, list,
            &ServerListView::collapseNetworks);
    connect(m_mainMenu->exitAction(), &QAction::triggered, this, &QWidget::close);
    connect(m_mainMenu->aboutAction(), &QAction::triggered, this,
            [this] { m_context.showAbout(); });
    connect(list, &ServerListView::listChannelsRequested, this,
            [this](int serverIndex) { m_context.listChannels(serverIndex); });
    connect(list, &ServerListView::showLinksRequested, this,
            [this](int serverIndex) { m_context.showLinks(serverIndex); });
    if (m_debugPanel) {
        // KILLDEBUG: the log stops recording; the panel that shows it goes too.
        m_context.onDebugKilled([panel = QPointer<DebugPanel>(m_debugPanel), this] {
            if (panel)
                panel->deleteLater();
            m_debugPanel = nullptr;
        });
    }
}

void TClientForm::createTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_trayIcon = new QSystemTrayIcon(makeAppIcon(), this);
    m_trayIcon->setObjectName(u"TrayIcon"_s);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    restoreFromTray();
            });
}

void TClientForm::updateThroughput()
{
    const UptimeClock& uptime = m_context.uptime;
    m_transfersTabSheet->setThroughputTexts(uptime.downText(), uptime.upText());
    // The tip is kept current also while the icon is shown. Its line break is a CR, which
    // tool tips here do not break at.
    if (m_trayIcon)
        m_trayIcon->setToolTip(QString(uptime.trayTip()).replace(u'\r', u'\n'));
}

void TClientForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_options.debug) {
        m_splash = new TSplashScreen(this);
        m_splash->start();
    }
}

void TClientForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !m_trayIcon)
        return;
    // Hiding from inside the state change confuses some window managers; right after it,
    // the window is gone cleanly.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            minimiseToTray();
    });
}

void TClientForm::minimiseToTray()
{
    if (!m_trayIcon)
        return;
    hide();
    updateThroughput();
    m_trayIcon->show();
}

void TClientForm::restoreFromTray()
{
    if (m_trayIcon)
        m_trayIcon->hide();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TClientForm::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_context.confirmClose || !m_context.confirmClose()) {
        event->ignore();
        return;
    }
    if (m_trayIcon)
        m_trayIcon->hide();
    if (m_splash)
        m_splash->close();
    if (m_context.shutdown)
        m_context.shutdown();
    m_closed = true;
    event->accept();
    Q_EMIT closed();
}

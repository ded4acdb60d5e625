#pragma once

// The main window: the menu, the five main pages, the status bar and, in debug mode, the
// debug panel. It draws the core's state and forwards the user's gestures; the page rule, the
// totals, the uptime and the shutdown order live in the core (see ClientFormContext).
//
// Its own lifecycle: the splash screen after the first show (not in debug mode), the tray
// icon that stands in for the window while it is minimised, and the close question.

#include "ui/clientformcontext.h"
#include "ui/startoptions.h"

#include <QMainWindow>

class ChatPageControl;
class ClientMainMenu;
class ClientStatusBar;
class DebugPanel;
class QSystemTrayIcon;
class QTabWidget;
class ServersTabSheet;
class SharesTabSheet;
class TransfersTabSheet;
class TSplashScreen;

class TClientForm final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TClientForm)

public:
    // The main pages, in tab order.
    enum Page { ServersPage = 0, ChatPage, SearchPage, SharesPage, TransfersPage };

    explicit TClientForm(const ClientFormContext& context, const StartOptions& options = {},
                         QWidget* parent = nullptr);
    ~TClientForm() override;

    const StartOptions& startOptions() const { return m_options; }

    ClientMainMenu* mainMenu() const { return m_mainMenu; }
    ClientStatusBar* clientStatusBar() const { return m_statusBar; }
    QTabWidget* pageControl() const { return m_pageControl; }
    ServersTabSheet* serversTabSheet() const { return m_serversTabSheet; }
    // One page per connected server; empty while none is connected.
    ChatPageControl* chatPageControl() const { return m_chatPageControl; }
    SharesTabSheet* sharesTabSheet() const { return m_sharesTabSheet; }
    TransfersTabSheet* transfersTabSheet() const { return m_transfersTabSheet; }
    // Only in debug mode.
    DebugPanel* debugPanel() const { return m_debugPanel; }
    // Made at the first show, never in debug mode.
    TSplashScreen* splashScreen() const { return m_splash; }
    // Only where the desktop has a notification area.
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }

    // The window stands aside for the tray icon, and comes back from it.
    void minimiseToTray();
    void restoreFromTray();

Q_SIGNALS:
    // The user confirmed the close and the program's work has stopped.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createPages();
    QWidget* addPage(QWidget* page, const QString& objectName, const QString& title);
    void connectCore();
    void createTrayIcon();
    void updateThroughput();

    ClientFormContext m_context;
    StartOptions m_options;
    ClientMainMenu* m_mainMenu = nullptr;
    ClientStatusBar* m_statusBar = nullptr;
    QTabWidget* m_pageControl = nullptr;
    ServersTabSheet* m_serversTabSheet = nullptr;
    ChatPageControl* m_chatPageControl = nullptr;
    SharesTabSheet* m_sharesTabSheet = nullptr;
    TransfersTabSheet* m_transfersTabSheet = nullptr;
    DebugPanel* m_debugPanel = nullptr;
    TSplashScreen* m_splash = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    bool m_shownOnce = false;
    bool m_followingPage = false;
    bool m_closed = false;
};

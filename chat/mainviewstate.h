#pragma once

// Which page of the main window is current, and which server's chat page: the window reports
// the user's page changes here, and the rules that depend on them live here too.
//
// The page rule: "Chat", "Search" and "Shares" stay closed while no server has a chat page.
// Selecting one of them then keeps the page that was current and tells the user to connect
// first. Every change of the main page or of the chat page refreshes the status-bar totals.
//
// After a login the registry may ask for the server's page to come to the front
// (chat_switch_connect); the first server page made becomes the current chat page, as the
// first tab of a page control does.

#include <QObject>

class ChatPages;
class ServerPage;
class StatusPanels;
class TServers;
class UserPrompts;

class MainViewState final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainViewState)

public:
    // The main pages, in tab order.
    enum MainPage { ServersPage = 0, ChatPage, SearchPage, SharesPage, TransfersPage };
    static constexpr int PageCount = 5;
    static constexpr int NoChatPage = -1;

    MainViewState(TServers& servers, ChatPages& chatPages, StatusPanels& statusPanels,
                  UserPrompts& prompts, QObject* parent = nullptr);

    MainPage mainPage() const { return m_mainPage; }
    // The main page that was current before the last change.
    MainPage previousPage() const { return m_previousPage; }
    // Server index of the chat page shown in the Chat tab, or NoChatPage.
    int currentChatServer() const { return m_currentChatServer; }
    // The Chat page is current and shows this server's page.
    bool isServerPageShown(int serverIndex) const;

    // The user selected a main page. Returns false when the page rule refused it; the page
    // that was current stays, and mainPageChanged repeats it so that the view goes back.
    bool selectMainPage(int page);
    // The user (or the view, when pages come and go) made another chat page current.
    void setCurrentChatServer(int serverIndex);
    // Brings the Chat page and the server's chat page to the front (after a login, when
    // chat_switch_connect asks for it).
    void showServerPage(int serverIndex);

    static bool needsServer(int page);

Q_SIGNALS:
    void mainPageChanged(int page);
    void currentChatServerChanged(int serverIndex);
    // The Chat page now shows this server's page; its "Server Messages" page comes forward.
    void serverPageShown(int serverIndex);

private:
    void onPageAdded(ServerPage* page);
    void onPageRemoved(int serverIndex);
    void setMainPage(MainPage page);
    void updateTotals();

    ChatPages& m_chatPages;
    StatusPanels& m_statusPanels;
    UserPrompts& m_prompts;
    MainPage m_mainPage = ServersPage;
    MainPage m_previousPage = ServersPage;
    int m_currentChatServer = NoChatPage;
};

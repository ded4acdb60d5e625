#include "chat/mainviewstate.h"

#include "chat/chatpages.h"
#include "chat/serverpage.h"
#include "config/userprompts.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"

using namespace Qt::StringLiterals;

MainViewState::MainViewState(TServers& servers, ChatPages& chatPages, StatusPanels& statusPanels,
                             UserPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_chatPages(chatPages)
    , m_statusPanels(statusPanels)
    , m_prompts(prompts)
{
    connect(&m_chatPages, &ChatPages::pageAdded, this, &MainViewState::onPageAdded);
    connect(&m_chatPages, &ChatPages::pageRemoved, this, &MainViewState::onPageRemoved);
    connect(&servers, &TServers::chatSwitchRequested, this, &MainViewState::showServerPage);
}

bool MainViewState::needsServer(int page)
{
    return page == ChatPage || page == SearchPage || page == SharesPage;
}

bool MainViewState::isServerPageShown(int serverIndex) const
{
    return m_mainPage == ChatPage && m_currentChatServer != NoChatPage &&
           m_currentChatServer == serverIndex;
}

bool MainViewState::selectMainPage(int page)
{
    if (page < 0 || page >= PageCount)
        return false;
    if (needsServer(page) && m_chatPages.isEmpty()) {
        // Repeated first, so that the view is back on its page before the box comes up.
        Q_EMIT mainPageChanged(m_mainPage);
        m_prompts.information(u"Connect to a server first"_s);
        updateTotals();
        return false;
    }
    setMainPage(MainPage(page));
    updateTotals();
    return true;
}

void MainViewState::setMainPage(MainPage page)
{
    if (page == m_mainPage)
        return;
    m_previousPage = m_mainPage;
    m_mainPage = page;
    Q_EMIT mainPageChanged(page);
}

void MainViewState::setCurrentChatServer(int serverIndex)
{
    if (serverIndex != NoChatPage && !m_chatPages.page(serverIndex))
        serverIndex = NoChatPage;
    if (serverIndex != m_currentChatServer) {
        m_currentChatServer = serverIndex;
        Q_EMIT currentChatServerChanged(serverIndex);
    }
    updateTotals();
}

void MainViewState::showServerPage(int serverIndex)
{
    if (!m_chatPages.page(serverIndex))
        return;
    if (serverIndex != m_currentChatServer) {
        m_currentChatServer = serverIndex;
        Q_EMIT currentChatServerChanged(serverIndex);
    }
    setMainPage(ChatPage);
    updateTotals();
    Q_EMIT serverPageShown(serverIndex);
}

void MainViewState::onPageAdded(ServerPage* page)
{
    if (m_currentChatServer == NoChatPage)
        setCurrentChatServer(page->serverIndex());
}

void MainViewState::onPageRemoved(int serverIndex)
{
    if (serverIndex == m_currentChatServer || m_chatPages.isEmpty()) {
        const int next =
            m_chatPages.isEmpty() ? NoChatPage : m_chatPages.pages().constFirst()->serverIndex();
        if (next != m_currentChatServer) {
            m_currentChatServer = next;
            Q_EMIT currentChatServerChanged(next);
        }
    }
    // The last server page went: the Servers page takes over, as the page rule would refuse
    // the Chat, Search and Shares pages from now on anyway.
    if (m_chatPages.isEmpty())
        setMainPage(ServersPage);
    updateTotals();
}

void MainViewState::updateTotals()
{
    m_statusPanels.UpdateServerTotals(m_mainPage == ChatPage, m_currentChatServer);
}

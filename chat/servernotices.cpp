#include "chat/servernotices.h"

#include "chat/chatpages.h"
#include "chat/mainviewstate.h"
#include "chat/serverpage.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 NoticeType = 404;
constexpr quint16 MotdLineType = 621;

} // namespace

ServerNotices::ServerNotices(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                             MainViewState& viewState, StatusPanels& statusPanels, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_viewState(viewState)
    , m_statusPanels(statusPanels)
{
    connect(&m_servers, &TServers::serverText, this, &ServerNotices::ShowServerText);
    const auto showPayload = [this](int serverIndex, const MessageInput& input) {
        ShowServerText(serverIndex, WireToDisplay(input.text));
    };
    dispatcher.registerHandler(NoticeType, showPayload);
    dispatcher.registerHandler(MotdLineType, showPayload);
}

void ServerNotices::ShowServerText(int serverIndex, const QString& text)
{
    if (ServerPage* page = m_chatPages.page(serverIndex))
        page->serverMessages().append(u"* "_s + text);

    const QString host = m_servers.serverList().cell(serverIndex, ServerListModel::ServerColumn);
    const QString entry = u"["_s + host + u" ("_s + QString::number(serverIndex) + u")] "_s + text;
    if (m_serversTabLines.isEmpty())
        m_serversTabLines.append(entry);
    else
        m_serversTabLines.append(QStringList{QString(), entry});

    // The nickname panel shows the connection on screen; it is the same rule as in
    // UpdateServerTotals, so the panel never names a server whose page is not in view.
    if (m_viewState.isServerPageShown(serverIndex)) {
        if (const TServer* record = m_servers.FindServer(serverIndex))
            m_statusPanels.setText(StatusPanels::NicknamePanel,
                                   record->nickname() + u" ("_s + record->userLevel() + u")"_s);
    }
}

#include "chat/chatpages.h"

#include "chat/serverpage.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"

using namespace Qt::StringLiterals;

ChatPages::ChatPages(TServers& servers, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
{
    connect(&m_servers, &TServers::loginAcknowledged, this, &ChatPages::openServerPage);
    connect(&m_servers, &TServers::recordReleased, this, &ChatPages::closeServerPage);
}

ChatPages::~ChatPages() = default;

ServerPage* ChatPages::page(int serverIndex) const
{
    for (ServerPage* page : m_pages) {
        if (page->serverIndex() == serverIndex)
            return page;
    }
    return nullptr;
}

ServerPage* ChatPages::openServerPage(int serverIndex)
{
    const QString host = m_servers.serverList().cell(serverIndex, ServerListModel::ServerColumn);
    if (ServerPage* existing = page(serverIndex)) {
        existing->setHost(host);
        return existing;
    }
    auto* created = new ServerPage(serverIndex, host, this);
    m_pages.append(created);
    Q_EMIT pageAdded(created);
    return created;
}

void ChatPages::closeServerPage(int serverIndex)
{
    ServerPage* gone = page(serverIndex);
    if (!gone)
        return;
    m_pages.removeOne(gone);
    Q_EMIT pageRemoved(serverIndex);
    // Views drop their references in pageRemoved; the object may still be on the stack of the
    // signal that released the record.
    gone->deleteLater();
}

void ChatPages::SubmitServerInput(int serverIndex, const QString& text)
{
    if (TServer* record = m_servers.FindServer(serverIndex))
        record->inputHistory().append(text);
    if (!text.startsWith(u'/'))
        return;
    const QString line = text.contains(u' ') ? text : text + u' ';
    const qsizetype space = line.indexOf(u' ');
    Q_EMIT commandEntered(serverIndex, line.mid(1, space - 1), line.mid(space + 1));
}

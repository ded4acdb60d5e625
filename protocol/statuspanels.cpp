#include "protocol/statuspanels.h"

#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// Servers send decimal integers; anything else counts as nothing.
qint64 cellNumber(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

StatusPanels::StatusPanels(const TServers& servers, const ServerListModel& serverList,
                           QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_serverList(serverList)
{
}

QString StatusPanels::text(int panel) const
{
    if (panel < 0 || panel >= PanelCount)
        return {};
    return m_texts[std::size_t(panel)];
}

void StatusPanels::setText(int panel, const QString& text)
{
    if (panel < 0 || panel >= PanelCount || m_texts[std::size_t(panel)] == text)
        return;
    m_texts[std::size_t(panel)] = text;
    Q_EMIT panelChanged(panel, text);
}

void StatusPanels::UpdateServerTotals()
{
    UpdateServerTotals(m_chatPageCurrent, m_currentChatServerIndex);
}

void StatusPanels::UpdateServerTotals(bool chatPageCurrent, int currentChatServerIndex)
{
    m_chatPageCurrent = chatPageCurrent;
    m_currentChatServerIndex = currentChatServerIndex;

    const TServer* shown = chatPageCurrent ? m_servers.FindServer(currentChatServerIndex) : nullptr;
    if (m_servers.ServerCount() == 0) {
        setText(UsersPanel, {});
        setText(FilesPanel, {});
        setText(GigabytesPanel, {});
    } else {
        qint64 users = 0;
        qint64 files = 0;
        qint64 gigabytes = 0;
        QSet<QString> hosts;
        for (const TServer* record : m_servers.records()) {
            const int index = record->serverIndex();
            const QString host =
                m_serverList.cell(index, ServerListModel::ServerColumn).toCaseFolded();
            if (hosts.contains(host))
                continue;
            hosts.insert(host);
            users += cellNumber(m_serverList.cell(index, ServerListModel::UsersColumn));
            files += cellNumber(m_serverList.cell(index, ServerListModel::FilesColumn));
            gigabytes += cellNumber(m_serverList.cell(index, ServerListModel::GbytesColumn));
        }
        if (shown) {
            const int index = shown->serverIndex();
            setText(UsersPanel, m_serverList.cell(index, ServerListModel::UsersColumn) + u" ("_s +
                                    QString::number(users) + u") Users"_s);
            setText(FilesPanel, m_serverList.cell(index, ServerListModel::FilesColumn) + u" ("_s +
                                    QString::number(files) + u") Files"_s);
            setText(GigabytesPanel, m_serverList.cell(index, ServerListModel::GbytesColumn) +
                                        u" ("_s + QString::number(gigabytes) + u") GB"_s);
        } else {
            setText(UsersPanel, QString::number(users) + u" Users"_s);
            setText(FilesPanel, QString::number(files) + u" Files"_s);
            setText(GigabytesPanel, QString::number(gigabytes) + u" GB"_s);
        }
    }
    setText(NicknamePanel,
            shown ? shown->nickname() + u" ("_s + shown->userLevel() + u")"_s : QString());
}

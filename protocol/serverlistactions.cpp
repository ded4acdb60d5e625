#include "protocol/serverlistactions.h"

#include "config/userprompts.h"
#include "protocol/serverconnector.h"

using namespace Qt::StringLiterals;

namespace {

ServerEntry Normalised(const ServerEntry& entry)
{
    return ServerEntry{entry.server.trimmed(), entry.port.trimmed(), StorableField(entry.nickname),
                       StorableField(entry.password)};
}

bool IsPortNumber(const QString& port)
{
    for (const QChar c : port) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const int number = port.toInt(&ok);
    return ok && number >= 1 && number <= 65535;
}

} // namespace

ServerListActions::ServerListActions(ServerListModel& model, ServerConnector& connector,
                                     UserPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_connector(connector)
    , m_prompts(prompts)
{
    // Every action that changes the list saves it; a failure is told once, here.
    connect(&m_model, &ServerListModel::saveFailed, this,
            [this](const QString& message) { m_prompts.warning(message, u"Server List"_s); });
}

ServerListActions::PopupItems ServerListActions::popupItems(const ServerListModel& model,
                                                            const QModelIndex& selected)
{
    switch (model.kind(selected)) {
    case ServerListModel::RowKind::Server: {
        const int serverIndex = model.serverIndexAt(selected);
        if (model.cell(serverIndex, ServerListModel::StatusColumn) == StatusConnected)
            return PopupItem::Disconnect | PopupItem::ListChannels | PopupItem::ShowLinks;
        return PopupItem::Connect | PopupItem::EditServer | PopupItem::RemoveServer;
    }
    case ServerListModel::RowKind::Network: {
        PopupItems items = PopupItem::AddServer | PopupItem::EditNetwork;
        bool anyConnected = false;
        for (const int serverIndex : model.networkServers(selected)) {
            if (model.cell(serverIndex, ServerListModel::StatusColumn) == StatusConnected)
                anyConnected = true;
        }
        if (!anyConnected)
            items |= PopupItem::RemoveNetwork;
        return items;
    }
    case ServerListModel::RowKind::ProtocolGroup:
        return PopupItem::AddNetwork;
    case ServerListModel::RowKind::None:
        break;
    }
    return {};
}

bool ServerListActions::activate(const QModelIndex& index)
{
    const int serverIndex = m_model.serverIndexAt(index);
    if (serverIndex < 0)
        return false;
    if (m_connector.isBusy(serverIndex) || m_connector.isCountingDown(serverIndex))
        m_connector.disconnectServer(serverIndex);
    else
        m_connector.connectServer(serverIndex);
    return true;
}

void ServerListActions::toggleMark(const QModelIndex& index)
{
    switch (m_model.kind(index)) {
    case ServerListModel::RowKind::ProtocolGroup:
        m_model.setGroupChecked(index, !m_model.isGroupChecked(index));
        break;
    case ServerListModel::RowKind::Server:
        m_model.checkServer(m_model.serverIndexAt(index));
        break;
    default:
        break;
    }
}

void ServerListActions::connectServer(const QModelIndex& server)
{
    const int serverIndex = m_model.serverIndexAt(server);
    if (serverIndex >= 0)
        connectIfIdle(serverIndex);
}

void ServerListActions::disconnectServer(const QModelIndex& server)
{
    const int serverIndex = m_model.serverIndexAt(server);
    if (serverIndex >= 0)
        m_connector.disconnectServer(serverIndex);
}

void ServerListActions::connectAll()
{
    // The rows are collected first: connecting changes Status cells, not the rows.
    QList<int> toConnect;
    for (int g = 0; g < m_model.rowCount(); ++g) {
        const QModelIndex group = m_model.index(g, 0);
        if (!m_model.isGroupChecked(group))
            continue;
        for (int n = 0; n < m_model.rowCount(group); ++n) {
            const QList<int> servers = m_model.networkServers(m_model.index(n, 0, group));
            bool busy = false;
            int checked = -1;
            for (const int serverIndex : servers) {
                if (m_connector.isBusy(serverIndex))
                    busy = true;
                if (checked < 0 && m_model.isServerChecked(serverIndex))
                    checked = serverIndex;
            }
            if (!busy && checked >= 0)
                toConnect.append(checked);
        }
    }
    for (const int serverIndex : toConnect)
        m_connector.connectServer(serverIndex);
}

void ServerListActions::disconnectAll()
{
    for (const int serverIndex : m_model.serverIndexes()) {
        if (m_connector.isBusy(serverIndex))
            m_connector.disconnectServer(serverIndex);
    }
}

void ServerListActions::addNetwork(const QModelIndex& group)
{
    if (m_model.kind(group) != ServerListModel::RowKind::ProtocolGroup)
        return;
    const std::optional<QString> answer = m_prompts.inputText(u"Add Network"_s, u"Network"_s);
    if (!answer)
        return;
    if (!m_model.isValidNetworkName(*answer)) {
        m_prompts.information(u"Invalid network name"_s);
        return;
    }
    m_model.addNetwork(group, *answer);
}

void ServerListActions::editNetwork(const QModelIndex& network)
{
    if (m_model.kind(network) != ServerListModel::RowKind::Network)
        return;
    const QString current = m_model.networkText(network);
    const std::optional<QString> answer =
        m_prompts.inputText(u"Edit network name"_s, u"New network name:"_s, current);
    if (!answer)
        return;
    const QString name = answer->trimmed();
    if (name.isEmpty() || name == current)
        return;
    // Two networks with one name would share one section of servers.dat and merge at the
    // next start, so a rename is held to the same rule as a new network.
    if (!m_model.isValidNetworkName(name, network)) {
        m_prompts.information(u"Invalid network name"_s);
        return;
    }
    m_model.renameNetwork(network, name);
}

void ServerListActions::removeNetwork(const QModelIndex& network)
{
    if (m_model.kind(network) != ServerListModel::RowKind::Network)
        return;
    if (!m_prompts.confirm(u"Are you sure you want to remove this network?"_s, u"Remove Network"_s))
        return;
    // The index may move while records are released; hold it persistently.
    const QPersistentModelIndex row(network);
    for (const int serverIndex : m_model.networkServers(network))
        m_connector.disconnectAndRelease(serverIndex);
    if (row.isValid())
        m_model.removeNetwork(row);
}

ServerEntry ServerListActions::editPreset(const QModelIndex& server) const
{
    return m_model.serverEntry(m_model.serverIndexAt(server));
}

int ServerListActions::addServer(const QModelIndex& network, const ServerEntry& entry)
{
    if (m_model.kind(network) != ServerListModel::RowKind::Network)
        return -1;
    const ServerEntry wanted = Normalised(entry);
    // Any row of the network with the same host, port and nickname is the same server.
    for (const int serverIndex : m_model.networkServers(network)) {
        const ServerEntry have = m_model.serverEntry(serverIndex);
        if (have.server.compare(wanted.server, Qt::CaseInsensitive) == 0 &&
            have.port == wanted.port && have.nickname == wanted.nickname) {
            m_prompts.information(u"Server already exists!"_s);
            return -1;
        }
    }
    if (!checkStorable(wanted))
        return -1;
    return m_model.addServer(network, wanted);
}

bool ServerListActions::editServer(const QModelIndex& server, const ServerEntry& entry)
{
    const int serverIndex = m_model.serverIndexAt(server);
    if (serverIndex < 0)
        return false;
    const ServerEntry wanted = Normalised(entry);
    if (!checkStorable(wanted))
        return false;
    m_model.editServer(serverIndex, wanted);
    return true;
}

void ServerListActions::removeServer(const QModelIndex& server)
{
    const int serverIndex = m_model.serverIndexAt(server);
    if (serverIndex < 0)
        return;
    if (!m_prompts.confirm(u"Are you sure you want to remove this server?"_s, u"Remove Server"_s))
        return;
    m_connector.disconnectAndRelease(serverIndex);
    m_model.removeServer(serverIndex);
}

bool ServerListActions::checkStorable(const ServerEntry& entry)
{
    // A host such as "protocol" or "a=b" would overwrite or break the network's section, and
    // a port outside 1..65535 can never connect: neither is stored.
    if (!IsStorableServerName(entry.server)) {
        m_prompts.warning(u"Invalid server name"_s);
        return false;
    }
    if (!IsPortNumber(entry.port)) {
        m_prompts.warning(u"Invalid port"_s);
        return false;
    }
    return true;
}

void ServerListActions::connectIfIdle(int serverIndex)
{
    if (!m_connector.isBusy(serverIndex))
        m_connector.connectServer(serverIndex);
}

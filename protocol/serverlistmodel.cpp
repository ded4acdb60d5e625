#include "protocol/serverlistmodel.h"

#include "protocol/wireformat.h"

#include <QBrush>
#include <QSize>

using namespace Qt::StringLiterals;

namespace {

const QString ProtocolsSection = u"Protocols"_s;
const QString ProtocolKey = u"protocol"_s;
const QString BookmarkKey = u"bookmark"_s;
const QString GroupSuffix = u" protocol"_s;
const QString NotAffiliated = u"Not affiliated"_s;

struct ColumnInfo {
    QStringView caption;
    int width;
};

constexpr std::array<ColumnInfo, ServerListModel::ColumnCount> Columns = {{
    {u"Index", 135},
    {u"Status", 150},
    {u"Server", 120},
    {u"Port", 120},
    {u"Nickname", 120},
    {u"Password", 120},
    {u"Users", 85},
    {u"Files", 85},
    {u"Gbytes", 85},
}};

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsSectionOwnKey(const QString& key)
{
    return SameName(key, ProtocolKey) || SameName(key, BookmarkKey);
}

bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// What the user enters is shown as servers.dat will keep it, so the row and the file agree.
// (A loaded entry is shown as the file holds it.)
ServerEntry Storable(const ServerEntry& entry)
{
    return ServerEntry{entry.server, StorableField(entry.port), StorableField(entry.nickname),
                       StorableField(entry.password)};
}

} // namespace

bool IsBusyStatus(const QString& status)
{
    return status == StatusConnected || WildcardMatch(status, u"Connecting...*"_s);
}

// ---------------------------------------------------------------------------------------------

struct ServerListModel::Node {
    RowKind kind = RowKind::None;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    QString name;         // group: protocol name; network: section name
    bool checked = false; // group: takes part in Connect All; server: the network's bookmark
    int serverIndex = -1;
    std::array<QString, ColumnCount> cells; // server rows; the Index cell is serverIndex
    RowColour colour = RowColour::Default;

    int row() const
    {
        if (!parent)
            return 0;
        const auto& siblings = parent->children;
        for (size_t i = 0; i < siblings.size(); ++i) {
            if (siblings[i].get() == this)
                return int(i);
        }
        return 0;
    }

    Node* append(std::unique_ptr<Node> child)
    {
        child->parent = this;
        children.push_back(std::move(child));
        return children.back().get();
    }
};

const QStringList& ServerListModel::protocolNames()
{
    static const QStringList names{u"Opennap"_s, u"Soulseek"_s};
    return names;
}

ServerListModel::ServerListModel(QObject* parent)
    : QAbstractItemModel(parent)
    , m_root(std::make_unique<Node>())
{
    resetToEmpty();
}

ServerListModel::~ServerListModel() = default;

QString ServerListModel::columnCaption(int column)
{
    if (column < 0 || column >= ColumnCount)
        return {};
    return Columns[size_t(column)].caption.toString();
}

int ServerListModel::columnWidth(int column)
{
    if (column < 0 || column >= ColumnCount)
        return 0;
    return Columns[size_t(column)].width;
}

QColor ServerListModel::colourValue(RowColour colour)
{
    switch (colour) {
    case RowColour::Olive:
        return QColor(0x80, 0x80, 0x00);
    case RowColour::Green:
        return QColor(0x00, 0x80, 0x00);
    case RowColour::Red:
        return QColor(0xFF, 0x00, 0x00);
    case RowColour::Default:
        break;
    }
    return {};
}

// --- QAbstractItemModel ------------------------------------------------------------------------

QModelIndex ServerListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (parent.isValid() && parent.column() != 0)
        return {};
    const Node* p = parent.isValid() ? nodeOf(parent) : m_root.get();
    if (!p || size_t(row) >= p->children.size())
        return {};
    return createIndex(row, column, p->children[size_t(row)].get());
}

QModelIndex ServerListModel::parent(const QModelIndex& child) const
{
    const Node* node = nodeOf(child);
    if (!node || !node->parent || node->parent == m_root.get())
        return {};
    return indexOfNode(node->parent);
}

int ServerListModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_root->children.size());
    if (parent.column() != 0)
        return 0;
    const Node* node = nodeOf(parent);
    return node ? int(node->children.size()) : 0;
}

int ServerListModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const
{
    const Node* node = nodeOf(index);
    if (!node)
        return {};
    const int column = index.column();
    switch (node->kind) {
    case RowKind::ProtocolGroup:
        if (column != IndexColumn)
            return {};
        if (role == Qt::DisplayRole)
            return node->name + GroupSuffix;
        if (role == Qt::CheckStateRole)
            return node->checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case RowKind::Network:
        if (column == IndexColumn && role == Qt::DisplayRole)
            return node->name.isEmpty() ? NotAffiliated : node->name;
        return {};
    case RowKind::Server:
        break;
    case RowKind::None:
        return {};
    }

    switch (role) {
    case Qt::DisplayRole:
        if (column == IndexColumn)
            return QString::number(node->serverIndex);
        return node->cells[size_t(column)];
    case Qt::CheckStateRole:
        if (column == IndexColumn)
            return node->checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ForegroundRole:
        if (node->colour == RowColour::Default)
            return {};
        return QBrush(colourValue(node->colour));
    case RawValueRole: {
        const QString& text = node->cells[size_t(column)];
        bool ok = false;
        switch (column) {
        case IndexColumn:
            return node->serverIndex;
        case PortColumn:
        case UsersColumn:
        case FilesColumn: {
            const qlonglong number = text.toLongLong(&ok);
            return ok ? QVariant(number) : QVariant(text);
        }
        case GbytesColumn: {
            const double number = text.toDouble(&ok);
            return ok ? QVariant(number) : QVariant(text);
        }
        default:
            return text;
        }
    }
    default:
        return {};
    }
}

bool ServerListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const Node* node = nodeOf(index);
    if (!node || role != Qt::CheckStateRole || index.column() != IndexColumn)
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (node->kind == RowKind::ProtocolGroup) {
        setGroupChecked(index, checked);
        return true;
    }
    if (node->kind == RowKind::Server && checked) {
        checkServer(node->serverIndex);
        return true;
    }
    return false;
}

Qt::ItemFlags ServerListModel::flags(const QModelIndex& index) const
{
    const Node* node = nodeOf(index);
    if (!node)
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == IndexColumn &&
        (node->kind == RowKind::ProtocolGroup || node->kind == RowKind::Server))
        f |= Qt::ItemIsUserCheckable;
    if (node->kind == RowKind::Server)
        f |= Qt::ItemNeverHasChildren;
    return f;
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return columnCaption(section);
    return {};
}

// --- Loading and saving ------------------------------------------------------------------------

void ServerListModel::resetToEmpty()
{
    m_root->children.clear();
    m_servers.clear();
    auto group = std::make_unique<Node>();
    group->kind = RowKind::ProtocolGroup;
    group->name = protocolNames().first();
    // Checked, like the Opennap=1 that the first save writes and every later load reads.
    group->checked = true;
    m_root->append(std::move(group));
}

bool ServerListModel::load(const QString& path)
{
    beginResetModel();
    m_root->children.clear();
    m_servers.clear();
    m_file.setPath(path);
    const QString& defaultProtocol = protocolNames().first();

    if (!m_file.load()) {
        // An empty in-memory file for that path; Opennap=1 is written into it already so that
        // the first save (after the first change) starts the file with its protocol group.
        m_file.setValue(ProtocolsSection, defaultProtocol, u"1"_s);
        resetToEmpty();
        endResetModel();
        return true;
    }

    if (!m_file.hasKey(ProtocolsSection, defaultProtocol))
        m_file.setValue(ProtocolsSection, defaultProtocol, u"1"_s);

    const QStringList protocols = m_file.keys(ProtocolsSection);
    for (const QString& protocol : protocols) {
        auto group = std::make_unique<Node>();
        group->kind = RowKind::ProtocolGroup;
        group->name = protocol;
        bool ok = false;
        const int mark = m_file.value(ProtocolsSection, protocol).toInt(&ok);
        group->checked = !ok || mark != 0;
        m_root->append(std::move(group));
    }

    const auto rowOfProtocol = [&protocols](const QString& name) -> qsizetype {
        for (qsizetype i = 0; i < protocols.size(); ++i) {
            if (SameName(protocols.at(i), name))
                return i;
        }
        return -1;
    };

    int nextIndex = 0;
    const QStringList sections = m_file.sections();
    for (const QString& section : sections) {
        if (SameName(section, ProtocolsSection))
            continue;
        qsizetype groupRow = rowOfProtocol(m_file.value(section, ProtocolKey));
        if (groupRow < 0) {
            m_file.setValue(section, ProtocolKey, defaultProtocol);
            groupRow = rowOfProtocol(defaultProtocol); // a key since the correction above
        }

        auto networkOwner = std::make_unique<Node>();
        networkOwner->kind = RowKind::Network;
        networkOwner->name = section;
        Node* network = m_root->children[size_t(groupRow)]->append(std::move(networkOwner));

        if (!m_file.hasKey(section, BookmarkKey))
            m_file.setValue(section, BookmarkKey, u"0"_s);
        // An unreadable bookmark reads as 0, as a missing one would.
        const int bookmark = m_file.value(section, BookmarkKey).toInt();

        for (const QString& key : m_file.keys(section)) {
            if (IsSectionOwnKey(key))
                continue;
            appendServerNode(network, nextIndex++,
                             ServerEntryFromValue(key, m_file.value(section, key)),
                             StatusNotConnected.toString());
        }
        if (bookmark >= 0 && size_t(bookmark) < network->children.size())
            network->children[size_t(bookmark)]->checked = true;
    }
    endResetModel();
    return save();
}

bool ServerListModel::save()
{
    if (m_file.save())
        return true;
    Q_EMIT saveFailed(
        u"The server list could not be saved to %1: %2"_s.arg(m_file.path(), m_file.errorString()));
    return false;
}

// --- Server items by server index --------------------------------------------------------------

bool ServerListModel::hasServer(int serverIndex) const
{
    return m_servers.contains(serverIndex);
}

QString ServerListModel::cell(int serverIndex, Column column) const
{
    const Node* node = serverNode(serverIndex);
    if (!node || column < 0 || column >= ColumnCount)
        return {};
    if (column == IndexColumn)
        return QString::number(serverIndex);
    return node->cells[size_t(column)];
}

void ServerListModel::setCell(int serverIndex, Column column, const QString& text)
{
    Node* node = serverNode(serverIndex);
    if (!node || column <= IndexColumn || column >= ColumnCount)
        return;
    if (node->cells[size_t(column)] == text)
        return;
    node->cells[size_t(column)] = text;
    emitServerRowChanged(node, column, column, {Qt::DisplayRole, RawValueRole});
}

ServerListModel::RowColour ServerListModel::rowColour(int serverIndex) const
{
    const Node* node = serverNode(serverIndex);
    return node ? node->colour : RowColour::Default;
}

void ServerListModel::setRowColour(int serverIndex, RowColour colour)
{
    Node* node = serverNode(serverIndex);
    if (!node || node->colour == colour)
        return;
    node->colour = colour;
    emitServerRowChanged(node, 0, ColumnCount - 1, {Qt::ForegroundRole});
}

bool ServerListModel::isUnderFirstProtocolGroup(int serverIndex) const
{
    const Node* node = serverNode(serverIndex);
    return node && !m_root->children.empty() && groupOf(node) == m_root->children.front().get();
}

QList<int> ServerListModel::serverIndexes() const
{
    QList<int> indexes;
    indexes.reserve(m_servers.size());
    for (const auto& group : m_root->children) {
        for (const auto& network : group->children) {
            for (const auto& server : network->children)
                indexes.append(server->serverIndex);
        }
    }
    return indexes;
}

ServerEntry ServerListModel::serverEntry(int serverIndex) const
{
    const Node* node = serverNode(serverIndex);
    if (!node)
        return {};
    return ServerEntry{node->cells[ServerColumn], node->cells[PortColumn],
                       node->cells[NicknameColumn], node->cells[PasswordColumn]};
}

// --- Rows --------------------------------------------------------------------------------------

ServerListModel::RowKind ServerListModel::kind(const QModelIndex& index) const
{
    const Node* node = nodeOf(index);
    return node ? node->kind : RowKind::None;
}

int ServerListModel::serverIndexAt(const QModelIndex& index) const
{
    const Node* node = nodeOf(index);
    return node && node->kind == RowKind::Server ? node->serverIndex : -1;
}

QModelIndex ServerListModel::indexOfServer(int serverIndex, int column) const
{
    const Node* node = serverNode(serverIndex);
    return node ? indexOfNode(node, column) : QModelIndex();
}

QModelIndex ServerListModel::networkOf(const QModelIndex& index) const
{
    const Node* node = nodeOf(index);
    if (!node)
        return {};
    if (node->kind == RowKind::Server)
        return indexOfNode(node->parent);
    if (node->kind == RowKind::Network)
        return indexOfNode(node);
    return {};
}

QString ServerListModel::protocolName(const QModelIndex& group) const
{
    const Node* node = nodeOf(group);
    const Node* g = node ? groupOf(node) : nullptr;
    return g ? g->name : QString();
}

QString ServerListModel::networkSection(const QModelIndex& network) const
{
    const Node* node = nodeOf(networkOf(network));
    return node ? node->name : QString();
}

QString ServerListModel::networkText(const QModelIndex& network) const
{
    const Node* node = nodeOf(networkOf(network));
    if (!node)
        return {};
    return node->name.isEmpty() ? NotAffiliated : node->name;
}

QList<int> ServerListModel::networkServers(const QModelIndex& network) const
{
    QList<int> indexes;
    if (const Node* node = nodeOf(networkOf(network))) {
        for (const auto& server : node->children)
            indexes.append(server->serverIndex);
    }
    return indexes;
}

// --- Check marks -------------------------------------------------------------------------------

bool ServerListModel::isGroupChecked(const QModelIndex& group) const
{
    const Node* node = nodeOf(group);
    return node && node->kind == RowKind::ProtocolGroup && node->checked;
}

bool ServerListModel::setGroupChecked(const QModelIndex& group, bool checked)
{
    Node* node = nodeOf(group);
    if (!node || node->kind != RowKind::ProtocolGroup)
        return false;
    if (node->checked != checked) {
        node->checked = checked;
        const QModelIndex at = indexOfNode(node);
        Q_EMIT dataChanged(at, at, {Qt::CheckStateRole});
    }
    m_file.setValue(ProtocolsSection, node->name, checked ? u"1"_s : u"0"_s);
    return save();
}

bool ServerListModel::isServerChecked(int serverIndex) const
{
    const Node* node = serverNode(serverIndex);
    return node && node->checked;
}

bool ServerListModel::checkServer(int serverIndex)
{
    Node* node = serverNode(serverIndex);
    if (!node)
        return false;
    for (const auto& sibling : node->parent->children) {
        const bool checked = sibling.get() == node;
        if (sibling->checked != checked) {
            sibling->checked = checked;
            const QModelIndex at = indexOfNode(sibling.get());
            Q_EMIT dataChanged(at, at, {Qt::CheckStateRole});
        }
    }
    writeBookmark(node->parent);
    return save();
}

// --- Networks ----------------------------------------------------------------------------------

bool ServerListModel::isValidNetworkName(const QString& name, const QModelIndex& renamed) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || HasControlCharacter(trimmed) || SameName(trimmed, ProtocolsSection))
        return false;
    const Node* except = nodeOf(renamed);
    for (const auto& group : m_root->children) {
        for (const auto& network : group->children) {
            if (network.get() == except)
                continue;
            const QString text = network->name.isEmpty() ? NotAffiliated : network->name;
            if (SameName(network->name, trimmed) || SameName(text, trimmed))
                return false;
        }
    }
    return true;
}

QModelIndex ServerListModel::addNetwork(const QModelIndex& group, const QString& name)
{
    Node* node = nodeOf(group);
    if (!node || node->kind != RowKind::ProtocolGroup)
        return {};
    const int row = int(node->children.size());
    beginInsertRows(indexOfNode(node), row, row);
    auto network = std::make_unique<Node>();
    network->kind = RowKind::Network;
    network->name = name.trimmed();
    Node* added = node->append(std::move(network));
    endInsertRows();
    return indexOfNode(added);
}

bool ServerListModel::renameNetwork(const QModelIndex& network, const QString& newName)
{
    Node* node = nodeOf(network);
    if (!node || node->kind != RowKind::Network)
        return false;
    const bool inFile = m_file.hasSection(node->name);
    m_file.eraseSection(node->name);
    node->name = newName.trimmed();
    const QModelIndex at = indexOfNode(node);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    // A network without servers stays out of the file, as a new one does.
    if (node->children.empty())
        return inFile ? save() : true;
    for (const auto& server : node->children) {
        m_file.setValue(node->name, server->cells[ServerColumn],
                        ServerValue(serverEntry(server->serverIndex)));
    }
    writeProtocol(node);
    writeBookmark(node);
    return save();
}

bool ServerListModel::removeNetwork(const QModelIndex& network)
{
    Node* node = nodeOf(network);
    if (!node || node->kind != RowKind::Network)
        return false;
    m_file.eraseSection(node->name);
    const bool saved = save();
    Node* group = node->parent;
    const int row = node->row();
    beginRemoveRows(indexOfNode(group), row, row);
    for (const auto& server : node->children)
        m_servers.remove(server->serverIndex);
    group->children.erase(group->children.begin() + row);
    endRemoveRows();
    return saved;
}

// --- Servers -----------------------------------------------------------------------------------

int ServerListModel::nextServerIndex() const
{
    const int count = int(m_servers.size());
    if (!m_servers.contains(count))
        return count;
    // count indexes are in use and count is one of them, so a smaller one is free.
    for (int candidate = 0;; ++candidate) {
        if (!m_servers.contains(candidate))
            return candidate;
    }
}

int ServerListModel::addServer(const QModelIndex& network, const ServerEntry& given)
{
    const ServerEntry entry = Storable(given);
    Node* node = nodeOf(network);
    if (!node || node->kind != RowKind::Network)
        return -1;
    const int serverIndex = nextServerIndex();
    const int row = int(node->children.size());
    beginInsertRows(indexOfNode(node), row, row);
    Node* server = appendServerNode(node, serverIndex, entry, StatusNeverConnected.toString());
    server->checked = node->children.size() == 1;
    endInsertRows();

    writeProtocol(node);
    m_file.setValue(node->name, server->cells[ServerColumn], ServerValue(entry));
    writeBookmark(node);
    save();
    return serverIndex;
}

bool ServerListModel::editServer(int serverIndex, const ServerEntry& given)
{
    const ServerEntry entry = Storable(given);
    Node* node = serverNode(serverIndex);
    if (!node)
        return false;
    const QString oldHost = node->cells[ServerColumn];
    node->cells[ServerColumn] = entry.server;
    node->cells[PortColumn] = entry.port;
    node->cells[NicknameColumn] = entry.nickname;
    node->cells[PasswordColumn] = entry.password;
    emitServerRowChanged(node, ServerColumn, PasswordColumn, {Qt::DisplayRole, RawValueRole});

    const Node* network = node->parent;
    writeProtocol(network);
    const QString value = ServerValue(entry);
    if (!SameName(oldHost, entry.server) && otherServerHasHost(network, node, oldHost))
        m_file.setValue(network->name, entry.server, value);
    else
        m_file.renameKey(network->name, oldHost, entry.server, value);
    writeBookmark(network);
    return save();
}

bool ServerListModel::removeServer(int serverIndex)
{
    Node* node = serverNode(serverIndex);
    if (!node)
        return false;
    Node* network = node->parent;
    const QString host = node->cells[ServerColumn];
    // Another row of the network with the same host keeps the key, holding that row's values.
    if (const Node* other = lastServerWithHost(network, node, host))
        m_file.setValue(network->name, host, ServerValue(serverEntry(other->serverIndex)));
    else
        m_file.removeKey(network->name, host);

    const int row = node->row();
    beginRemoveRows(indexOfNode(network), row, row);
    m_servers.remove(serverIndex);
    network->children.erase(network->children.begin() + row);
    endRemoveRows();

    if (m_file.hasSection(network->name))
        writeBookmark(network);
    return save();
}

// --- Private -----------------------------------------------------------------------------------

ServerListModel::Node* ServerListModel::nodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex ServerListModel::indexOfNode(const Node* node, int column) const
{
    if (!node || node == m_root.get())
        return {};
    return createIndex(node->row(), column, const_cast<Node*>(node));
}

ServerListModel::Node* ServerListModel::serverNode(int serverIndex) const
{
    return m_servers.value(serverIndex, nullptr);
}

ServerListModel::Node* ServerListModel::groupOf(const Node* node) const
{
    while (node && node->parent && node->parent != m_root.get())
        node = node->parent;
    return node && node->kind == RowKind::ProtocolGroup ? const_cast<Node*>(node) : nullptr;
}

ServerListModel::Node* ServerListModel::appendServerNode(Node* network, int serverIndex,
                                                         const ServerEntry& entry,
                                                         const QString& status)
{
    auto server = std::make_unique<Node>();
    server->kind = RowKind::Server;
    server->serverIndex = serverIndex;
    server->cells[StatusColumn] = status;
    server->cells[ServerColumn] = entry.server;
    server->cells[PortColumn] = entry.port;
    server->cells[NicknameColumn] = entry.nickname;
    server->cells[PasswordColumn] = entry.password;
    Node* added = network->append(std::move(server));
    m_servers.insert(serverIndex, added);
    return added;
}

void ServerListModel::writeBookmark(const Node* network)
{
    int position = -1;
    for (const auto& server : network->children) {
        if (!server->checked)
            continue;
        int keyPosition = 0;
        for (const QString& key : m_file.keys(network->name)) {
            if (IsSectionOwnKey(key))
                continue;
            if (SameName(key, server->cells[ServerColumn])) {
                position = keyPosition;
                break;
            }
            ++keyPosition;
        }
        break;
    }
    m_file.setValue(network->name, BookmarkKey, QString::number(position));
}

void ServerListModel::writeProtocol(const Node* network)
{
    if (const Node* group = groupOf(network))
        m_file.setValue(network->name, ProtocolKey, group->name);
}

bool ServerListModel::otherServerHasHost(const Node* network, const Node* except,
                                         const QString& host) const
{
    return lastServerWithHost(network, except, host) != nullptr;
}

const ServerListModel::Node* ServerListModel::lastServerWithHost(const Node* network,
                                                                 const Node* except,
                                                                 const QString& host) const
{
    const Node* found = nullptr;
    for (const auto& server : network->children) {
        if (server.get() != except && SameName(server->cells[ServerColumn], host))
            found = server.get();
    }
    return found;
}

void ServerListModel::emitServerRowChanged(const Node* server, int firstColumn, int lastColumn,
                                           const QList<int>& roles)
{
    Q_EMIT dataChanged(indexOfNode(server, firstColumn), indexOfNode(server, lastColumn), roles);
}

#include "chat/hotlist.h"

#include "chat/chatpages.h"
#include "chat/rowsort.h"
#include "config/fixedtables.h"
#include "config/userprompts.h"
#include "protocol/messagedispatcher.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgHotlistAdd = 207;
constexpr quint16 MsgSignedOn = 209;
constexpr quint16 MsgSignedOff = 210;
constexpr quint16 MsgHotlistAccepted = 301;
constexpr quint16 MsgHotlistRemove = 303;

} // namespace

// --- NicknameList ---

NicknameList::NicknameList(const QStringList& headers, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(headers.isEmpty() ? QStringList{QString()} : headers)
{
}

QString NicknameList::nickname(int row) const
{
    return cell(row, 0);
}

QStringList NicknameList::nicknames() const
{
    QStringList names;
    names.reserve(m_rows.size());
    for (const QStringList& row : m_rows)
        names.append(row.constFirst());
    return names;
}

QString NicknameList::cell(int row, int column) const
{
    return m_rows.value(row).value(column);
}

void NicknameList::count(const QString& nickname, int delta)
{
    const QString key = nickname.toCaseFolded();
    const int rows = m_folded.value(key) + delta;
    if (rows > 0)
        m_folded.insert(key, rows);
    else
        m_folded.remove(key);
}

int NicknameList::find(const QString& nickname) const
{
    if (!contains(nickname))
        return -1;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).constFirst().compare(nickname, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool NicknameList::lessThan(const QStringList& a, const QStringList& b) const
{
    const QString& x = a.at(m_sortColumn);
    const QString& y = b.at(m_sortColumn);
    const int order = x.compare(y, Qt::CaseInsensitive);
    return m_sortOrder == Qt::AscendingOrder ? order < 0 : order > 0;
}

int NicknameList::sortedPosition(const QStringList& cells) const
{
    const auto at = std::upper_bound(
        m_rows.cbegin(), m_rows.cend(), cells,
        [this](const QStringList& a, const QStringList& b) { return lessThan(a, b); });
    return int(at - m_rows.cbegin());
}

void NicknameList::addRow(const QStringList& cells)
{
    QStringList row = cells.mid(0, m_headers.size());
    while (row.size() < m_headers.size())
        row.append(QString());
    const int position = sortedPosition(row);
    beginInsertRows({}, position, position);
    count(row.constFirst(), +1);
    m_rows.insert(position, std::move(row));
    endInsertRows();
}

bool NicknameList::removeRow(const QString& nickname)
{
    const int row = find(nickname);
    if (row < 0)
        return false;
    beginRemoveRows({}, row, row);
    count(m_rows.at(row).constFirst(), -1);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

void NicknameList::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_headers.size())
        return;
    if (column != m_sortColumn) {
        if (column == 0) {
            count(m_rows.at(row).constFirst(), -1);
            count(text, +1);
        }
        m_rows[row][column] = text;
        const QModelIndex changed = index(row, column);
        Q_EMIT dataChanged(changed, changed);
        return;
    }
    QStringList cells = m_rows.at(row);
    cells[column] = text;
    beginRemoveRows({}, row, row);
    count(m_rows.at(row).constFirst(), -1);
    m_rows.removeAt(row);
    endRemoveRows();
    addRow(cells);
}

void NicknameList::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_folded.clear();
    endResetModel();
}

int NicknameList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int NicknameList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant NicknameList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return m_rows.at(index.row()).at(index.column());
}

QVariant NicknameList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

void NicknameList::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_headers.size())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    m_sortColumn = column;
    m_sortOrder = order;
    const QList<int> newRowOf = StableSortRows(
        m_rows, [this](const QStringList& a, const QStringList& b) { return lessThan(a, b); });
    changePersistentIndexList(before, MovedIndexes(*this, before, newRowOf));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- Hotlist ---

Hotlist::Hotlist(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                 UserPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_prompts(prompts)
{
    dispatcher.registerHandler(MsgSignedOn, [this](int serverIndex, const MessageInput& input) {
        signedOn(serverIndex, input);
    });
    dispatcher.registerHandler(MsgSignedOff, [this](int serverIndex, const MessageInput& input) {
        signedOff(serverIndex, input);
    });
    dispatcher.registerHandler(
        MsgHotlistAccepted,
        [this](int serverIndex, const MessageInput& input) { accepted(serverIndex, input); });

    for (ServerPage* page : m_chatPages.pages())
        installLists(page);
    connect(&m_chatPages, &ChatPages::pageAdded, this, &Hotlist::installLists);
    // A page outlives a reconnect; the server's hotlist does not.
    connect(&m_servers, &TServers::loginAcknowledged, this, &Hotlist::clearLists);
    connect(&m_chatPages, &ChatPages::hotlistAddRequested, this, &Hotlist::AddUser);
    connect(&m_chatPages, &ChatPages::hotlistRemoveRequested, this, &Hotlist::RemoveUser);
}

void Hotlist::installLists(ServerPage* page)
{
    page->setHotlistModel(ServerPage::OnlineUsersList,
                          new NicknameList({u"Online Users"_s, u"Speed"_s}));
    page->setHotlistModel(ServerPage::OfflineUsersList, new NicknameList({u"Offline Users"_s}));
}

void Hotlist::clearLists(int serverIndex)
{
    if (NicknameList* online = onlineUsers(serverIndex))
        online->clear();
    if (NicknameList* offline = offlineUsers(serverIndex))
        offline->clear();
}

NicknameList* Hotlist::onlineUsers(int serverIndex) const
{
    const ServerPage* page = m_chatPages.page(serverIndex);
    return page ? qobject_cast<NicknameList*>(page->hotlistModel(ServerPage::OnlineUsersList))
                : nullptr;
}

NicknameList* Hotlist::offlineUsers(int serverIndex) const
{
    const ServerPage* page = m_chatPages.page(serverIndex);
    return page ? qobject_cast<NicknameList*>(page->hotlistModel(ServerPage::OfflineUsersList))
                : nullptr;
}

void Hotlist::AddUser(int serverIndex)
{
    const std::optional<QString> answer = m_prompts.inputText(u"Add user to hotlist"_s, {}, {});
    // An answer of spaces only is not empty: it goes out as typed.
    if (answer && !answer->isEmpty())
        m_servers.SendToServer(serverIndex, MsgHotlistAdd, {DisplayToWire(*answer)});
}

void Hotlist::RemoveUser(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, MsgHotlistRemove, {DisplayToWire(nickname)});
    if (m_browseReset)
        m_browseReset(serverIndex, nickname);
    if (NicknameList* online = onlineUsers(serverIndex))
        online->removeRow(nickname);
    if (NicknameList* offline = offlineUsers(serverIndex))
        offline->removeRow(nickname);
}

void Hotlist::signedOn(int serverIndex, const MessageInput& input)
{
    NicknameList* online = onlineUsers(serverIndex);
    NicknameList* offline = offlineUsers(serverIndex);
    if (!online || !offline)
        return;
    const QString nickname = WireToDisplay(input.fields[0]);
    const QString speed = LineSpeedNameFromText(QByteArrayView(input.fields[1]));
    offline->removeRow(nickname);
    const int row = online->find(nickname);
    if (row >= 0)
        online->setCell(row, SpeedColumn, speed);
    else
        online->addRow({nickname, speed});
}

void Hotlist::signedOff(int serverIndex, const MessageInput& input)
{
    const QString nickname = WireToDisplay(input.text);
    NicknameList* online = onlineUsers(serverIndex);
    NicknameList* offline = offlineUsers(serverIndex);
    if (online && offline) {
        online->removeRow(nickname);
        if (!offline->contains(nickname))
            offline->addRow({nickname});
    }
    if (m_browseReset)
        m_browseReset(serverIndex, nickname);
}

void Hotlist::accepted(int serverIndex, const MessageInput& input)
{
    const QString nickname = WireToDisplay(input.text);
    NicknameList* offline = offlineUsers(serverIndex);
    if (offline && !offline->contains(nickname))
        offline->addRow({nickname});
}

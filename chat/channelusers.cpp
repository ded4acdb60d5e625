#include "chat/channelusers.h"

#include "chat/channellines.h"
#include "chat/rowsort.h"
#include "config/fixedtables.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

qint64 SharedNumber(const QString& shared)
{
    bool ok = false;
    const qint64 n = shared.trimmed().toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace

ChannelUsers::ChannelUsers(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QStringList ChannelUsers::nicknames() const
{
    QStringList names;
    names.reserve(m_users.size());
    for (const User& user : m_users)
        names.append(user.nickname);
    return names;
}

int ChannelUsers::find(const QString& nickname) const
{
    for (qsizetype i = 0; i < m_users.size(); ++i) {
        if (m_users.at(i).nickname.compare(nickname, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool ChannelUsers::lessThan(const User& a, const User& b) const
{
    const User& x = m_sortOrder == Qt::AscendingOrder ? a : b;
    const User& y = m_sortOrder == Qt::AscendingOrder ? b : a;
    switch (m_sortColumn) {
    case SpeedColumn:
        return x.speedCode < y.speedCode;
    case SharedColumn:
        return SharedNumber(x.shared) < SharedNumber(y.shared);
    default:
        return x.nickname.compare(y.nickname, Qt::CaseInsensitive) < 0;
    }
}

void ChannelUsers::addUser(const QString& nickname, const QString& shared,
                           const QByteArray& speedCode)
{
    User user{nickname, LineSpeedCodeFromText(speedCode), shared};
    const auto at =
        std::upper_bound(m_users.cbegin(), m_users.cend(), user,
                         [this](const User& a, const User& b) { return lessThan(a, b); });
    const int row = int(at - m_users.cbegin());
    beginInsertRows({}, row, row);
    m_users.insert(row, std::move(user));
    endInsertRows();
    Q_EMIT countChanged(count());
}

bool ChannelUsers::removeUser(const QString& nickname)
{
    const int row = find(nickname);
    if (row < 0)
        return false;
    beginRemoveRows({}, row, row);
    m_users.removeAt(row);
    endRemoveRows();
    Q_EMIT countChanged(count());
    return true;
}

void ChannelUsers::clear()
{
    if (m_users.isEmpty())
        return;
    beginResetModel();
    m_users.clear();
    endResetModel();
    Q_EMIT countChanged(0);
}

int ChannelUsers::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_users.size());
}

int ChannelUsers::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChannelUsers::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const User& user = m_users.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case UsersColumn:
            return user.nickname;
        case SpeedColumn:
            return LineSpeedName(user.speedCode);
        default:
            return user.shared;
        }
    case SpeedIconRole:
        if (index.column() == UsersColumn)
            return ChannelLines::SpeedIconNumber(user.speedCode);
        return {};
    case SortRole:
        switch (index.column()) {
        case UsersColumn:
            return user.nickname.toCaseFolded();
        case SpeedColumn:
            return user.speedCode;
        default:
            return SharedNumber(user.shared);
        }
    default:
        return {};
    }
}

QVariant ChannelUsers::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case UsersColumn:
        return u"Users"_s;
    case SpeedColumn:
        return u"Speed"_s;
    case SharedColumn:
        return u"Shared"_s;
    default:
        return {};
    }
}

void ChannelUsers::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    m_sortColumn = column;
    m_sortOrder = order;
    const QList<int> newRowOf =
        StableSortRows(m_users, [this](const User& a, const User& b) { return lessThan(a, b); });
    changePersistentIndexList(before, MovedIndexes(*this, before, newRowOf));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

#include "chat/channellist.h"

#include "chat/chatpages.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgJoin = 400;
constexpr quint16 MsgListChannels = 617; // request, and the end of the list
constexpr quint16 MsgChannelEntry = 618;

QString ChannelCount(int count)
{
    return QString::number(count) + u" channel(s)"_s;
}

} // namespace

ChannelList::ChannelList(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                         QObject* parent)
    : QAbstractTableModel(parent)
    , m_servers(servers)
    , m_title(u"Channel List"_s)
    , m_counterText(ChannelCount(0))
{
    dispatcher.registerHandler(MsgListChannels, [this](int, const MessageInput&) { listEnd(); });
    dispatcher.registerHandler(MsgChannelEntry, [this](int serverIndex, const MessageInput& input) {
        listEntry(serverIndex, input);
    });
    m_servers.setChannelListRequestFilter(
        [this](int serverIndex) { return allowRequest(serverIndex); });
    connect(&chatPages, &ChatPages::channelListRequested, this, &ChannelList::ListChannels);
    connect(&m_servers, &TServers::connectionStopping, this,
            [this](int serverIndex) { connectionEnded(serverIndex); });
    connect(&m_servers, &TServers::recordReleased, this, &ChannelList::connectionEnded);
}

ChannelList::~ChannelList()
{
    m_servers.setChannelListRequestFilter({});
}

bool ChannelList::allowRequest(int)
{
    // One list at a time: the window shows the rows of the request that opened it.
    if (m_shown)
        return false;
    setCounterText(u"Waiting for channel list..."_s);
    return true;
}

void ChannelList::ListChannels(int serverIndex)
{
    m_servers.SendToServer(serverIndex, MsgListChannels, {});
    m_joinChosen = false;
    show(serverIndex, true);
}

void ChannelList::ListChannelsFromCommand(int serverIndex)
{
    m_servers.SendToServer(serverIndex, MsgListChannels, {});
    ShowFromCommand(serverIndex);
}

void ChannelList::ShowFromCommand(int serverIndex)
{
    show(serverIndex, false);
    clearRows();
}

void ChannelList::show(int serverIndex, bool modal)
{
    if (!m_shown) {
        m_shown = true;
        m_listComplete = false;
        m_serverIndex = serverIndex;
    }
    m_modal = modal;
    Q_EMIT showRequested(modal);
}

void ChannelList::rowActivated(int row)
{
    // Before the end of the list the window cannot close, so a choice would wait for ever.
    if (!m_shown || !m_modal || !m_listComplete || row < 0 || row >= m_entries.size())
        return;
    m_joinChosen = true;
    m_chosenChannel = m_entries.at(row).channelBytes;
    Q_EMIT closeRequested();
}

void ChannelList::windowClosed()
{
    if (!m_shown)
        return;
    m_shown = false;
    if (m_modal) {
        if (m_joinChosen)
            m_servers.SendToServer(m_serverIndex, MsgJoin, {m_chosenChannel});
        clearRows();
    }
    m_modal = false;
    m_joinChosen = false;
    m_chosenChannel.clear();
}

void ChannelList::connectionEnded(int serverIndex)
{
    if (m_shown && serverIndex == m_serverIndex)
        m_listComplete = true;
}

void ChannelList::listEntry(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields; // channel, users, topic
    if (const TServer* record = m_servers.FindServer(serverIndex))
        setTitle(u"Channel List for "_s + record->ownAddress());
    if (m_entries.size() < MaxRows) {
        const int row = int(m_entries.size());
        beginInsertRows({}, row, row);
        m_entries.append(Entry{fields[0], WireToDisplay(fields[0]), WireToDisplay(fields[1]),
                               WireToDisplay(fields[2])});
        endInsertRows();
    }
    setCounterText(ChannelCount(count()));
}

void ChannelList::listEnd()
{
    setCounterText(u"Done..."_s + ChannelCount(count()));
    m_listComplete = true;
}

void ChannelList::clearRows()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void ChannelList::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

void ChannelList::setCounterText(const QString& text)
{
    if (text == m_counterText)
        return;
    m_counterText = text;
    Q_EMIT counterTextChanged(text);
}

int ChannelList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int ChannelList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChannelList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Entry& entry = m_entries.at(index.row());
    switch (index.column()) {
    case ChannelColumn:
        return entry.channel;
    case UsersColumn:
        return entry.users;
    default:
        return entry.topic;
    }
}

QVariant ChannelList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ChannelColumn:
        return u"Channel"_s;
    case UsersColumn:
        return u"Users"_s;
    case TopicColumn:
        return u"Topic"_s;
    default:
        return {};
    }
}

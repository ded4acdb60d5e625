#include "chat/privatemessages.h"

#include "chat/chatpages.h"
#include "chat/mainviewstate.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

namespace {

constexpr quint16 MsgPrivate = 205;

} // namespace

PrivateMessages::PrivateMessages(TServers& servers, MessageDispatcher& dispatcher,
                                 ChatPages& chatPages, MainViewState& viewState, ChatClock clock,
                                 QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_viewState(viewState)
    , m_clock(std::move(clock))
{
    dispatcher.registerHandler(MsgPrivate, [this](int serverIndex, const MessageInput& input) {
        ShowPrivateMessage(serverIndex, Direction::Received, input.fields[0], input.fields[1]);
    });
    m_servers.setPrivateMessageEcho([this](int serverIndex, const QByteArrayList& fields) {
        // nickname, text; a text that came in more than one field is shown as it goes out,
        // joined by single spaces.
        ShowPrivateMessage(serverIndex, Direction::Sent, fields.value(0), fields.mid(1).join(' '));
    });
}

PrivateMessages::~PrivateMessages()
{
    m_servers.setPrivateMessageEcho({});
}

QByteArray PrivateMessages::PrivateMessageLine(QTime time, Direction direction, QByteArrayView who,
                                               QByteArrayView text)
{
    using ChannelLines::ColorTag;
    QByteArray line = ChannelLines::TimeStamp(time);
    line += ColorTag("12");
    line += '<';
    line += ColorTag(direction == Direction::Received ? "14" : "8");
    line += who;
    line += ColorTag("12");
    line += "> ";
    line += ColorTag("-1");
    line += text;
    return line;
}

void PrivateMessages::ShowPrivateMessage(int serverIndex, Direction direction,
                                         const QByteArray& nickname, const QByteArray& text)
{
    QByteArray who = nickname;
    if (direction == Direction::Sent) {
        const TServer* record = m_servers.FindServer(serverIndex);
        who = record ? DisplayToWire(record->nickname()) : QByteArray();
    }
    const QByteArray line = PrivateMessageLine(m_clock(), direction, who, text);

    const QString name = WireToDisplay(nickname);
    if (ChatPage* page = m_chatPages.FindPrivatePage(serverIndex, name)) {
        // The conversation comes to the front of its connection before the line is added, so
        // the line does not count as unread.
        m_chatPages.ShowPage(page);
        m_chatPages.AddOutputLine(page, line);
        return;
    }
    ChatPage* page = m_chatPages.AddPrivatePage(serverIndex, name);
    if (!page)
        return;
    // A new conversation brings the Chat tab and its connection's page to the front.
    m_viewState.showServerPage(serverIndex);
    m_chatPages.ShowPage(page);
    m_chatPages.AddOutputLine(page, line);
}

#include "chat/channelmessages.h"

#include "chat/channelusers.h"
#include "chat/chatlinemodel.h"
#include "chat/chatpages.h"
#include "chat/ignorelist.h"
#include "chat/mainviewstate.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgPartConfirmed = 401;
constexpr quint16 MsgPublic = 403;
constexpr quint16 MsgJoinConfirmed = 405;
constexpr quint16 MsgUserJoined = 406;
constexpr quint16 MsgUserLeft = 407;
constexpr quint16 MsgUserListEntry = 408;
constexpr quint16 MsgTopic = 410;
constexpr quint16 MsgEmote = 824;

} // namespace

ChannelMessages::ChannelMessages(TServers& servers, MessageDispatcher& dispatcher,
                                 ChatPages& chatPages, MainViewState& viewState,
                                 const IgnoreList& ignoreList, ChatClock clock, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_viewState(viewState)
    , m_ignoreList(ignoreList)
    , m_clock(std::move(clock))
{
    const auto bind = [this](void (ChannelMessages::*handler)(int, const MessageInput&)) {
        return [this, handler](int serverIndex, const MessageInput& input) {
            (this->*handler)(serverIndex, input);
        };
    };
    dispatcher.registerHandler(MsgPartConfirmed, bind(&ChannelMessages::channelLeft));
    dispatcher.registerHandler(MsgPublic, bind(&ChannelMessages::publicMessage));
    dispatcher.registerHandler(MsgJoinConfirmed, bind(&ChannelMessages::channelJoined));
    dispatcher.registerHandler(MsgUserJoined, bind(&ChannelMessages::userJoined));
    dispatcher.registerHandler(MsgUserLeft, bind(&ChannelMessages::userLeft));
    dispatcher.registerHandler(MsgUserListEntry, bind(&ChannelMessages::userListEntry));
    dispatcher.registerHandler(MsgTopic, bind(&ChannelMessages::topicChanged));
    dispatcher.registerHandler(MsgEmote, bind(&ChannelMessages::emote));
}

ChannelUsers* ChannelMessages::usersOf(const ChatPage* page)
{
    return page ? qobject_cast<ChannelUsers*>(page->userList()) : nullptr;
}

ChatPage* ChannelMessages::channelPage(int serverIndex, const QByteArray& channel) const
{
    return m_chatPages.FindChannelPage(serverIndex, WireToDisplay(channel));
}

bool ChannelMessages::isOwnNickname(int serverIndex, const QString& nickname) const
{
    const TServer* record = m_servers.FindServer(serverIndex);
    return record && record->nickname() == nickname;
}

void ChannelMessages::addUserRow(ChatPage* page, const QByteArrayList& fields)
{
    if (ChannelUsers* users = usersOf(page))
        users->addUser(WireToDisplay(fields[1]), WireToDisplay(fields[2]), fields[3]);
}

void ChannelMessages::channelJoined(int serverIndex, const MessageInput& input)
{
    // A confirmed join always makes a page, even beside one of the same name.
    ChatPage* page = m_chatPages.AddChannelPage(serverIndex, WireToDisplay(input.text));
    if (!page)
        return;
    auto* users = new ChannelUsers;
    page->setUserList(users);
    page->setLabel(ChannelLines::ChannelLabel(page->caption(), 0));
    connect(users, &ChannelUsers::countChanged, page, [page](int count) {
        page->setLabel(ChannelLines::ChannelLabel(page->caption(), count));
    });
    // The Chat tab comes to the front with the new page, but the server page shown there
    // stays whichever it was.
    m_viewState.selectMainPage(MainViewState::ChatPage);
    m_chatPages.ShowPage(page);
}

void ChannelMessages::channelLeft(int serverIndex, const MessageInput& input)
{
    if (ChatPage* page = channelPage(serverIndex, input.text))
        m_chatPages.RemovePage(page);
}

void ChannelMessages::publicMessage(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields; // channel, nickname, text
    const QString nickname = WireToDisplay(fields[1]);
    if (m_ignoreList.isIgnored(serverIndex, nickname))
        return;
    ChatPage* page = channelPage(serverIndex, fields[0]);
    if (!page)
        return;
    m_chatPages.AddOutputLine(
        page, ChannelLines::PublicMessageLine(m_clock(), fields[1], fields[2],
                                              isOwnNickname(serverIndex, nickname)));
}

void ChannelMessages::userJoined(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields; // channel, nickname, shared, speed
    ChatPage* page = channelPage(serverIndex, fields[0]);
    if (!page)
        return;
    m_chatPages.AddOutputLine(page,
                              ChannelLines::JoinLine(m_clock(), fields[1], fields[2], fields[3]));
    addUserRow(page, fields);
}

void ChannelMessages::userLeft(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields;
    if (ChatPage* page = channelPage(serverIndex, fields[0]))
        m_chatPages.AddOutputLine(
            page, ChannelLines::PartLine(m_clock(), fields[1], fields[2], fields[3]));

    // Every page of the channel loses the user, not only the first: a user who left is in
    // none of them.
    const ServerPage* serverPage = m_chatPages.page(serverIndex);
    if (!serverPage)
        return;
    const QString caption = ChatPage::ChannelPrefix.toString() + WireToDisplay(fields[0]);
    const QString nickname = WireToDisplay(fields[1]);
    for (const ChatPage* page : serverPage->pages()) {
        if (page->caption() != caption)
            continue;
        if (ChannelUsers* users = usersOf(page))
            users->removeUser(nickname);
    }
}

void ChannelMessages::userListEntry(int serverIndex, const MessageInput& input)
{
    addUserRow(channelPage(serverIndex, input.fields[0]), input.fields);
}

void ChannelMessages::topicChanged(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields; // channel, topic
    ChatPage* page = channelPage(serverIndex, fields[0]);
    if (!page || !page->topic())
        return;
    page->topic()->clear();
    page->topic()->appendLine(ChannelLines::TopicLine(fields[0], fields[1]));
}

void ChannelMessages::emote(int serverIndex, const MessageInput& input)
{
    const QByteArrayList& fields = input.fields; // channel, nickname, text
    // Emotes are shown whoever sends them: the ignore list filters public messages only.
    if (ChatPage* page = channelPage(serverIndex, fields[0]))
        m_chatPages.AddOutputLine(page, ChannelLines::EmoteLine(m_clock(), fields[1], fields[2]));
}

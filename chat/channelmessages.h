#pragma once

// Channel traffic: the handlers of 401, 403, 405, 406, 407, 408, 410 and 824, which make and
// remove channel pages and write their lines, user lists and topics.
//
// A channel page is found by its caption, "Channel: " + the channel name as the server sent
// it (letter case counts); when a page of that name appears twice, the first one gets the
// messages. A message for a channel without a page changes nothing. Sending writes nothing
// locally: our own public messages and emotes are shown when the server sends them back.

#include "chat/channellines.h"

#include <QObject>

class ChannelUsers;
class ChatPage;
class ChatPages;
class IgnoreList;
class MainViewState;
class MessageDispatcher;
class TServers;
struct MessageInput;

class ChannelMessages final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChannelMessages)

public:
    // Public messages from users on `ignoreList` are dropped.
    ChannelMessages(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                    MainViewState& viewState, const IgnoreList& ignoreList,
                    ChatClock clock = &QTime::currentTime, QObject* parent = nullptr);

    // The user list of a channel page; null for any other page.
    static ChannelUsers* usersOf(const ChatPage* page);

private:
    void channelJoined(int serverIndex, const MessageInput& input); // 405
    void channelLeft(int serverIndex, const MessageInput& input);   // 401
    void publicMessage(int serverIndex, const MessageInput& input); // 403
    void userJoined(int serverIndex, const MessageInput& input);    // 406
    void userLeft(int serverIndex, const MessageInput& input);      // 407
    void userListEntry(int serverIndex, const MessageInput& input); // 408
    void topicChanged(int serverIndex, const MessageInput& input);  // 410
    void emote(int serverIndex, const MessageInput& input);         // 824

    ChatPage* channelPage(int serverIndex, const QByteArray& channel) const;
    // Adds a row for fields channel, nickname, shared, speed code to the page's list.
    static void addUserRow(ChatPage* page, const QByteArrayList& fields);
    bool isOwnNickname(int serverIndex, const QString& nickname) const;

    TServers& m_servers;
    ChatPages& m_chatPages;
    MainViewState& m_viewState;
    const IgnoreList& m_ignoreList;
    ChatClock m_clock;
};

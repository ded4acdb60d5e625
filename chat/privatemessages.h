#pragma once

// Private messages in both directions. Every one, received (205 from the server) or sent (the
// send operation echoes each 205 before it goes out), is written into the conversation's
// private page, which comes to the front of its connection's pages; a conversation without a
// page gets a new one and brings the whole Chat tab to the front. Private messages are shown
// whoever sends them: the ignore list filters public channel messages only.

#include "chat/channellines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>

class ChatPages;
class MainViewState;
class MessageDispatcher;
class TServers;

class PrivateMessages final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrivateMessages)

public:
    enum class Direction { Received, Sent };

    // Registers 205 and installs itself as the registry's private message echo.
    PrivateMessages(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                    MainViewState& viewState, ChatClock clock = &QTime::currentTime,
                    QObject* parent = nullptr);
    ~PrivateMessages() override;

    // Writes one message line into the conversation with `nickname` (for a sent message, the
    // recipient). Nothing happens while the connection has no chat page.
    void ShowPrivateMessage(int serverIndex, Direction direction, const QByteArray& nickname,
                            const QByteArray& text);

    // "[hh:mm] <who> text": the brackets blue, who gray for the sender of a received message
    // or yellow for our own nickname on a sent one, the text in the view's default colours.
    static QByteArray PrivateMessageLine(QTime time, Direction direction, QByteArrayView who,
                                         QByteArrayView text);

private:
    TServers& m_servers;
    ChatPages& m_chatPages;
    MainViewState& m_viewState;
    ChatClock m_clock;
};

#pragma once

// ShowServerText: the one way to write a server notice. A notice goes to the connection's
// "Server Messages" page as "* " + text, and to the Servers tab's shared view as
// "[" + host + " (" + index + ")] " + text, entries there being separated by one empty line.
// A notice that announces a new user level (" your user level to ") sets the connection's
// level, and one addressed to a channel's operators (" [ops/" + channel + "]") is also
// written, with a red star, into the pages of that name.
//
// The handlers here: 404 and 621 (notices, message of the day), 627 and 628 (operator
// messages and announcements, also written into the page the user is on when it is a
// channel or private page), 751 (a user pings us: noted and answered with 752), 750 and 752
// (answers to our own pings: the elapsed time as a notice and in a box).
//
// A notice can arrive before the login acknowledgement made the server's chat page (a 404
// right after the connect): it is then shown only in the Servers tab's view, which always
// exists, and is not kept for the page that comes later.

#include "chat/channellines.h"
#include "chat/chatlines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QTime>
#include <optional>

class ChatPages;
class MainViewState;
class MessageDispatcher;
class StatusPanels;
class TServers;
class UserPrompts;
struct MessageInput;

class ServerNotices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerNotices)

public:
    // The Servers tab's view holds entries of two lines (an empty one between entries), so it
    // keeps about as many entries as a chat page keeps lines.
    static constexpr qsizetype ServersTabMaxLines = 2 * ChatLines::DefaultMaxLines;

    // Registers the handlers above and takes the login's lines from the registry. Without
    // `prompts` an answer to a ping is shown as a notice only, without its box.
    ServerNotices(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                  MainViewState& viewState, StatusPanels& statusPanels,
                  UserPrompts* prompts = nullptr, ChatClock clock = &QTime::currentTime,
                  QObject* parent = nullptr);

    void ShowServerText(int serverIndex, const QString& text);

    // The lines of the Servers tab's "Server Messages" view.
    ChatLines& serversTabLines() { return m_serversTabLines; }
    const ChatLines& serversTabLines() const { return m_serversTabLines; }

    // --- Texts, for the handlers and their tests ---
    // The level that a notice announces: the text after " your user level to " up to the next
    // space (empty when none follows); nothing when the phrase is absent.
    static std::optional<QString> AnnouncedUserLevel(const QString& text);
    // The channel that a notice to a channel's operators names: the text after its first "/"
    // and before the next "]" (empty without a "]"); nothing when " [ops/" is absent.
    static std::optional<QString> OperatorsChannel(const QString& text);
    // "[hh:mm] * text" with a red star, or red on white for an announcement.
    static QByteArray OperatorLine(QTime time, QByteArrayView text, bool announcement = false);
    // "Received pong from " + name + " [s.zzz]": the seconds within the minute and the
    // milliseconds from `sent` to `received` (a ping answered after midnight counts on; an
    // unreadable send time counts as no time at all).
    static QString PongText(const QString& name, QTime sent, QTime received);

private:
    void operatorMessage(int serverIndex, const MessageInput& input, bool announcement);
    void pingRequested(int serverIndex, const MessageInput& input); // 751
    void pongReceived(int serverIndex, const MessageInput& input);  // 750, 752

    TServers& m_servers;
    ChatPages& m_chatPages;
    MainViewState& m_viewState;
    StatusPanels& m_statusPanels;
    UserPrompts* m_prompts;
    ChatClock m_clock;
    ChatLines m_serversTabLines{ServersTabMaxLines};
};

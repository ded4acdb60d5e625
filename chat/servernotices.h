#pragma once

// ShowServerText: the one way to write a server notice. A notice goes to the connection's
// "Server Messages" page as "* " + text, and to the Servers tab's shared view as
// "[" + host + " (" + index + ")] " + text, entries there being separated by one empty line.
// The login's own lines (TServers::serverText) and the notices 404 and 621 come through here.
//
// A notice can arrive before the login acknowledgement made the server's chat page (a 404
// right after the connect): it is then shown only in the Servers tab's view, which always
// exists, and is not kept for the page that comes later.

#include "chat/chatlines.h"

#include <QObject>
#include <QString>

class ChatPages;
class MainViewState;
class MessageDispatcher;
class StatusPanels;
class TServers;

class ServerNotices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerNotices)

public:
    // The Servers tab's view holds entries of two lines (an empty one between entries), so it
    // keeps about as many entries as a chat page keeps lines.
    static constexpr qsizetype ServersTabMaxLines = 2 * ChatLines::DefaultMaxLines;

    // Registers the handlers of 404 and 621 and takes the login's lines from the registry.
    ServerNotices(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                  MainViewState& viewState, StatusPanels& statusPanels, QObject* parent = nullptr);

    void ShowServerText(int serverIndex, const QString& text);

    // The lines of the Servers tab's "Server Messages" view.
    ChatLines& serversTabLines() { return m_serversTabLines; }
    const ChatLines& serversTabLines() const { return m_serversTabLines; }

private:
    TServers& m_servers;
    ChatPages& m_chatPages;
    MainViewState& m_viewState;
    StatusPanels& m_statusPanels;
    ChatLines m_serversTabLines{ServersTabMaxLines};
};

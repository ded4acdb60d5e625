#pragma once

// One client core with the chat handlers of channels, private messages, the hotlist, the
// ignore list, notices, whois and links, wired as the program wires them, logged in to a fake
// server as "Me" (server index 0). The clock of the chat lines stands at 13:07.
//
// deliver() sends frames from the fake server and returns once the client has handled all of
// them, so a test can compare the state right after.

#include "chat/channellist.h"
#include "chat/channelmessages.h"
#include "chat/chatpages.h"
#include "chat/commandinterpreter.h"
#include "chat/hotlist.h"
#include "chat/ignorelist.h"
#include "chat/linkstree.h"
#include "chat/mainviewstate.h"
#include "chat/privatemessages.h"
#include "chat/servernotices.h"
#include "chat/whois.h"
#include "config/configstore.h"
#include "protocol/dataport.h"
#include "protocol/debuglog.h"
#include "protocol/inlinehandlers.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "tests/support/fakeserver.h"
#include "tests/support/recordingprompts.h"

#include <QByteArrayList>
#include <QList>
#include <QTemporaryDir>
#include <QTime>

class ChatLineModel;

// A tagged line written with '^' for the colour tag: T("^12<") is "\x03" "12<". Keeps the colour
// digits apart from the tag byte's hex escape, which would swallow them.
inline QByteArray T(const char* text)
{
    QByteArray line(text);
    line.replace('^', '\x03');
    return line;
}

// The chat needs no data port: nothing listens here.
class NoDataPort final : public DataPort {
public:
    int port() const override { return 0; }
    bool isActive() const override { return false; }
    bool isListening() const override { return false; }
    void ChooseDataPort(int) override {}
    void setActive(bool) override {}
    void SetListening(bool) override {}
};

struct ChatMsgCore {
    static inline const QTime Now = QTime(13, 7);
    // T("^9[13:07] ")
    static QByteArray stamp();

    ChatMsgCore();
    ~ChatMsgCore();

    // Logs server 0 in as "Me"; false when the login did not complete.
    bool login();
    // Sends the frames from the fake server and waits until the client has handled them.
    bool deliver(const QList<Frame>& frames, int timeoutMs = 10000);
    bool deliver(quint32 type, const QByteArray& payload)
    {
        return deliver({Frame{type, payload}});
    }
    // The next frame of that type the client sent.
    std::optional<Frame> sent(quint32 type) { return fake.waitForFrame(type); }
    // Frames the client sent so far, of one type.
    QList<Frame> sentOfType(quint32 type) const;

    ServerPage* serverPage() const { return pages.page(0); }
    ChatPage* channel(const QString& name) const { return pages.FindChannelPage(0, name); }
    ChatPage* conversation(const QString& nickname) const
    {
        return pages.FindPrivatePage(0, nickname);
    }
    // Tagged lines of a model, oldest first.
    static QByteArrayList lines(const ChatLineModel* model);
    // Joins a channel: the server confirms with 405.
    ChatPage* join(const QByteArray& channel);

    FakeServer fake;
    QTemporaryDir dir;
    ConfigStore config{dir.filePath(QStringLiteral("Tavolin.ini"))};
    ServerListModel list;
    DebugLog debugLog;
    RecordingPrompts prompts;
    TServers servers{list, config, debugLog};
    MessageDispatcher dispatcher{servers};
    StatusPanels panels{servers, list};
    NoDataPort dataPort;
    LoginHandler loginHandler{servers, dispatcher, panels, dataPort};
    InlineHandlers inlineHandlers{servers, dispatcher, prompts};
    ChatPages pages{servers};
    MainViewState view{servers, pages, panels, prompts};
    ServerNotices notices{servers, dispatcher, pages, view, panels, &prompts, [] { return Now; }};
    IgnoreList ignoreList{servers, dispatcher, inlineHandlers, pages, prompts};
    ChannelMessages channels{servers, dispatcher, pages, view, ignoreList, [] { return Now; }};
    PrivateMessages privateMessages{servers, dispatcher, pages, view, [] { return Now; }};
    Hotlist hotlist{servers, dispatcher, pages, prompts};
    ChannelList channelList{servers, dispatcher, pages};
    Whois whois{servers, dispatcher};
    LinksTree links{servers, dispatcher};
    CommandInterpreter commands{
        servers, pages, notices, config, debugLog, prompts, [] { return qint64(0); }};

    // Frames the client has handled so far.
    int handled = 0;
};

#pragma once

// One chat core wired as the program wires it: registry, dispatcher, login, status panels,
// chat pages, view state, server notices and the command interpreter, over a servers.dat with
// one server (index 0) at the fake server's port. The uptime and the time of day are fixed by
// the test. Information boxes are recorded. A second port adds server 1 at that port.

#include "chat/chatpages.h"
#include "chat/commandinterpreter.h"
#include "chat/mainviewstate.h"
#include "chat/servernotices.h"
#include "config/configstore.h"
#include "protocol/dataport.h"
#include "protocol/debuglog.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "tests/support/recordingprompts.h"

#include <QByteArrayList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTime>

class FakeServer;

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

struct ChatCore {
    explicit ChatCore(quint16 port, quint16 secondPort = 0);
    ~ChatCore();

    // Logs a server in as "me": the fake answers the login with the acknowledgement.
    bool login(FakeServer& fake, int serverIndex = 0);

    // What the client sent on a fake connection from frame `from` on, up to a marker that this
    // sends after everything else (so "nothing was sent" is seen without waiting for it).
    QList<Frame> sentSince(FakeServer& fake, qsizetype from, int serverIndex = 0,
                           int connection = 0);

    // Lines of an output view, tags included, decoded as the view decodes them.
    static QStringList lines(const ChatLineModel* model);
    QStringList serverMessages(int serverIndex = 0) const;

    QTemporaryDir dir;
    ConfigStore config{dir.filePath(QStringLiteral("Tavolin.ini"))};
    ServerListModel list;
    DebugLog debugLog;
    TServers servers{list, config, debugLog};
    MessageDispatcher dispatcher{servers};
    StatusPanels panels{servers, list};
    NoDataPort dataPort;
    LoginHandler loginHandler{servers, dispatcher, panels, dataPort};
    RecordingPrompts prompts;
    ChatPages pages{servers};
    MainViewState view{servers, pages, panels, prompts};
    ServerNotices notices{servers, dispatcher, pages, view, panels};
    qint64 uptimeSeconds = 0;
    QTime timeOfDay{12, 0, 0};
    CommandInterpreter commands{
        servers, pages, notices, config, debugLog, prompts, [this] { return uptimeSeconds; }};
};

#pragma once

// One client core wired as the program wires it (registry, dispatcher, login, inline
// handlers, status panels, data-port listener), over a server list loaded from a servers.dat
// written to a temporary folder. Information boxes are recorded instead of shown.

#include "config/configstore.h"
#include "protocol/debuglog.h"
#include "protocol/inlinehandlers.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "tests/support/recordingprompts.h"
#include "transfers/dataportlistener.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class FakeServer;

// One server item; each goes into a network of its own unless two name the same network.
struct ServerSetup {
    explicit ServerSetup(int port_, const QString& host_ = QStringLiteral("127.0.0.1"))
        : host(host_)
        , port(port_)
    {
    }
    ServerSetup& filedUnder(const QString& protocolName)
    {
        protocol = protocolName;
        return *this;
    }
    ServerSetup& withLogin(const QString& nick, const QString& pass)
    {
        nickname = nick;
        password = pass;
        return *this;
    }

    QString host;
    int port = 0;
    QString network;                              // default: "net" + position
    QString protocol = QStringLiteral("Opennap"); // the group it is filed under
    QString nickname;
    QString password;
};

using Settings = QList<QPair<QString, QString>>;

class Client {
public:
    // Without "default_dataport" in the settings the data port is 0, so that the login's
    // port field is fixed and nothing listens; pass keepDefaults to read no settings at all.
    explicit Client(const QList<ServerSetup>& setups, const Settings& settings = {},
                    bool keepDefaults = false);
    ~Client();

    // Status of a server row, and waiting for one.
    QString status(int serverIndex) const;
    bool waitForStatus(int serverIndex, const QString& status, int timeoutMs = 5000) const;
    bool waitForNoRecord(int serverIndex, int timeoutMs = 5000) const;
    // Connects the server and completes the login against the fake (it answers 2 with 3).
    bool connectAndLogin(FakeServer& fake, int serverIndex, int timeoutMs = 5000);
    // Texts of the information boxes shown so far.
    QStringList boxes() const { return prompts.texts(RecordingPrompts::Kind::Information); }

    QTemporaryDir dir;
    std::unique_ptr<ConfigStore> config;
    ServerListModel list;
    DebugLog debugLog;
    RecordingPrompts prompts;
    std::unique_ptr<TServers> servers;
    std::unique_ptr<MessageDispatcher> dispatcher;
    std::unique_ptr<StatusPanels> panels;
    std::unique_ptr<DataPortListener> listener;
    std::unique_ptr<LoginHandler> login;
    std::unique_ptr<InlineHandlers> inlines;
    // serverText lines, as "index: text".
    QStringList serverLines;
};

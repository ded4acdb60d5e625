#pragma once

// The program's object graph: every core object, built in the start-up order and wired
// together, and the shutdown in its fixed order. main() makes one; widget tests make their own
// over a temporary start directory.
//
// Start-up: start time, debug switch, Tavolin.ini in the start directory, the "Incomplete"
// and download folders, the server list from servers.dat, the connection registry with the
// dispatcher and the login, notice and inline handlers, the data-port listener (created with
// default_dataport, not listening), the chat pages and the view state. The registry needs the
// configuration, so the file is opened before the registry is made. The shared file list
// (shared.dat) and the file kinds are loaded right after the server list, with the upload after
// login and the folder scanner beside them.

#include "protocol/uptimeclock.h"
#include "ui/clientformcontext.h"
#include "ui/startoptions.h"

#include <QString>
#include <memory>

class ChannelList;
class ChannelMessages;
class ChatPages;
class CommandInterpreter;
class ConfigStore;
class DataPortListener;
class DebugLog;
class Hotlist;
class IgnoreList;
class InlineHandlers;
class LinksTree;
class LoginHandler;
class MainViewState;
class MessageDispatcher;
class PrivateMessages;
class QFileIconProvider;
class ServerListActions;
class ServerListModel;
class ServerNotices;
class ShareScanner;
class ShareUploads;
class SharedCatalogue;
class StatusPanels;
class TChatWindows;
class TServers;
class UserPrompts;
class Whois;

class ClientCore final {
public:
    static constexpr const char* ConfigFileName = "Tavolin.ini";
    static constexpr const char* ServersFileName = "servers.dat";
    static constexpr const char* IncompleteFolderName = "Incomplete";
    static constexpr const char* DefaultDownloadFolderName = "Downloads";

    // `now` is the clock of the uptime and throughput figures; tests pass their own.
    ClientCore(const QString& startDirectory, const StartOptions& options, UserPrompts& prompts,
               UptimeClock::Now now = &QDateTime::currentDateTime);
    ~ClientCore();
    Q_DISABLE_COPY_MOVE(ClientCore)

    QString startDirectory() const { return m_startDirectory; }
    // The folder made for finished downloads (download_directory, or the default).
    QString downloadDirectory() const { return m_downloadDirectory; }

    ClientFormContext formContext();

    // "Do you really want to close Tavolin?"; false keeps everything running.
    bool confirmClose();
    // Stops the program's work in order: the uptime timer, Tavolin.ini written, every busy
    // server disconnected ("Not connected") and every record released, the data-port listener
    // off. Runs once; the objects stay until the core is destroyed, so the window can still be
    // drawn while it goes.
    void shutdown();
    bool isShutDown() const { return m_shutDown; }

    ConfigStore& config() const { return *m_config; }
    DebugLog& debugLog() const { return *m_debugLog; }
    ServerListModel& serverList() const { return *m_serverList; }
    TServers& servers() const { return *m_servers; }
    MessageDispatcher& dispatcher() const { return *m_dispatcher; }
    StatusPanels& statusPanels() const { return *m_statusPanels; }
    DataPortListener& dataPort() const { return *m_dataPort; }
    ChatPages& chatPages() const { return *m_chatPages; }
    CommandInterpreter& commands() const { return *m_commands; }
    MainViewState& viewState() const { return *m_viewState; }
    ServerNotices& notices() const { return *m_notices; }
    // Channels, private messages, the hotlist, the ignore list, whois and links.
    IgnoreList& ignoreList() const { return *m_ignoreList; }
    ChannelMessages& channelMessages() const { return *m_channelMessages; }
    PrivateMessages& privateMessages() const { return *m_privateMessages; }
    Hotlist& hotlist() const { return *m_hotlist; }
    ChannelList& channelList() const { return *m_channelList; }
    Whois& whois() const { return *m_whois; }
    LinksTree& links() const { return *m_links; }
    // The channel list, whois, links and About windows, made when first shown. The main
    // window's "About" and the server list's "List Channels" and "Show Links" go here.
    TChatWindows& chatWindows() const { return *m_chatWindows; }
    ServerListActions& serverListActions() const { return *m_serverListActions; }
    UptimeClock& uptime() const { return *m_uptime; }
    SharedCatalogue& catalogue() const { return *m_catalogue; }
    ShareUploads& shareUploads() const { return *m_shareUploads; }
    ShareScanner& shareScanner() const { return *m_shareScanner; }

private:
    void createFolders();
    void wire();

    const QString m_startDirectory;
    UserPrompts& m_prompts;
    QString m_downloadDirectory;
    bool m_shutDown = false;

    // In creation order, so that they are destroyed in the reverse.
    std::unique_ptr<UptimeClock> m_uptime;
    std::unique_ptr<DebugLog> m_debugLog;
    std::unique_ptr<ConfigStore> m_config;
    std::unique_ptr<ServerListModel> m_serverList;
    std::unique_ptr<TServers> m_servers;
    std::unique_ptr<MessageDispatcher> m_dispatcher;
    std::unique_ptr<StatusPanels> m_statusPanels;
    std::unique_ptr<DataPortListener> m_dataPort;
    std::unique_ptr<LoginHandler> m_login;
    std::unique_ptr<InlineHandlers> m_inlineHandlers;
    std::unique_ptr<ChatPages> m_chatPages;
    std::unique_ptr<MainViewState> m_viewState;
    std::unique_ptr<ServerNotices> m_notices;
    std::unique_ptr<CommandInterpreter> m_commands;
    std::unique_ptr<IgnoreList> m_ignoreList;
    std::unique_ptr<ChannelMessages> m_channelMessages;
    std::unique_ptr<PrivateMessages> m_privateMessages;
    std::unique_ptr<Hotlist> m_hotlist;
    std::unique_ptr<ChannelList> m_channelList;
    std::unique_ptr<Whois> m_whois;
    std::unique_ptr<LinksTree> m_links;
    std::unique_ptr<TChatWindows> m_chatWindows;
    std::unique_ptr<ServerListActions> m_serverListActions;
    // Sharing, made right after the registry (they hang on its signals) but declared last, so
    // that their worker threads are stopped and waited for before anything they use goes.
    std::unique_ptr<QFileIconProvider> m_iconProvider;
    std::unique_ptr<SharedCatalogue> m_catalogue;
    std::unique_ptr<ShareUploads> m_shareUploads;
    std::unique_ptr<ShareScanner> m_shareScanner;
};

#include "app/clientcore.h"

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
#include "config/configkeys.h"
#include "config/configstore.h"
#include "config/userprompts.h"
#include "protocol/debuglog.h"
#include "protocol/inlinehandlers.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistactions.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/uptimeclock.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharescanner.h"
#include "sharing/shareuploads.h"
#include "transfers/dataportlistener.h"
#include "ui/chatwindows.h"

#include <QDir>
#include <QFileIconProvider>
#include <QtDebug>

using namespace Qt::StringLiterals;

ClientCore::ClientCore(const QString& startDirectory, const StartOptions& options,
                       UserPrompts& prompts, UptimeClock::Now now)
    : m_startDirectory(QDir(startDirectory).absolutePath())
    , m_prompts(prompts)
{
    const QDir start(m_startDirectory);

    m_uptime = std::make_unique<UptimeClock>(now);
    m_debugLog = std::make_unique<DebugLog>();
    m_debugLog->setEnabled(options.debug);

    m_config = std::make_unique<ConfigStore>(start.filePath(QLatin1StringView(ConfigFileName)));
    createFolders();

    m_serverList = std::make_unique<ServerListModel>();
    QObject::connect(m_serverList.get(), &ServerListModel::saveFailed, m_serverList.get(),
                     [this](const QString& message) { m_prompts.warning(message); });
    m_serverList->load(start.filePath(QLatin1StringView(ServersFileName)));

    m_servers = std::make_unique<TServers>(*m_serverList, *m_config, *m_debugLog);
    m_iconProvider = std::make_unique<QFileIconProvider>();
    m_catalogue = std::make_unique<SharedCatalogue>(*m_servers, m_prompts, m_startDirectory);
    m_catalogue->icons().setProvider(m_iconProvider.get());
    m_catalogue->load();
    m_shareUploads = std::make_unique<ShareUploads>(*m_servers, *m_catalogue);
    m_shareScanner = std::make_unique<ShareScanner>(*m_servers, *m_catalogue);
    m_dispatcher = std::make_unique<MessageDispatcher>(*m_servers);
    m_statusPanels = std::make_unique<StatusPanels>(*m_servers, *m_serverList);
    m_dataPort = std::make_unique<DataPortListener>(
        *m_config,
        m_config->ReadInteger(ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport));
    m_login =
        std::make_unique<LoginHandler>(*m_servers, *m_dispatcher, *m_statusPanels, *m_dataPort);
    m_inlineHandlers = std::make_unique<InlineHandlers>(*m_servers, *m_dispatcher, m_prompts);

    m_chatPages = std::make_unique<ChatPages>(*m_servers);
    m_viewState =
        std::make_unique<MainViewState>(*m_servers, *m_chatPages, *m_statusPanels, m_prompts);
    m_notices = std::make_unique<ServerNotices>(*m_servers, *m_dispatcher, *m_chatPages,
                                                *m_viewState, *m_statusPanels, &m_prompts);
    m_serverListActions = std::make_unique<ServerListActions>(*m_serverList, *m_servers, m_prompts);
    m_commands = std::make_unique<CommandInterpreter>(
        *m_servers, *m_chatPages, *m_notices, *m_config, *m_debugLog, m_prompts,
        [clock = m_uptime.get(), now] { return clock->startTime().secsTo(now()); });
    m_ignoreList = std::make_unique<IgnoreList>(*m_servers, *m_dispatcher, *m_inlineHandlers,
                                                *m_chatPages, m_prompts);
    m_channelMessages = std::make_unique<ChannelMessages>(*m_servers, *m_dispatcher, *m_chatPages,
                                                          *m_viewState, *m_ignoreList);
    m_privateMessages =
        std::make_unique<PrivateMessages>(*m_servers, *m_dispatcher, *m_chatPages, *m_viewState);
    m_hotlist = std::make_unique<Hotlist>(*m_servers, *m_dispatcher, *m_chatPages, m_prompts);
    m_channelList = std::make_unique<ChannelList>(*m_servers, *m_dispatcher, *m_chatPages);
    m_whois = std::make_unique<Whois>(*m_servers, *m_dispatcher);
    m_links = std::make_unique<LinksTree>(*m_servers, *m_dispatcher);
    m_chatWindows = std::make_unique<TChatWindows>(*m_channelList, *m_whois, *m_links);

    wire();
    m_uptime->start();
}

// Members go in the reverse of their creation: the handlers before the registry they listen
// to, the registry (and with it every socket) before the configuration and the server list.
ClientCore::~ClientCore() = default;

void ClientCore::createFolders()
{
    const QDir start(m_startDirectory);
    // mkpath makes missing parent folders as well.
    if (!start.mkpath(QLatin1StringView(IncompleteFolderName)))
        qWarning("Could not create the folder %s",
                 qUtf8Printable(start.filePath(QLatin1StringView(IncompleteFolderName))));

    const QString defaultDownloads = start.filePath(QLatin1StringView(DefaultDownloadFolderName));
    QString downloads = m_config->ReadString(ConfigKey::DownloadDirectory, defaultDownloads);
    if (downloads.trimmed().isEmpty())
        downloads = defaultDownloads;
    // A relative folder is taken from the start directory, where the program keeps its files.
    m_downloadDirectory = QDir::cleanPath(start.absoluteFilePath(downloads));
    if (!start.mkpath(m_downloadDirectory))
        qWarning("Could not create the download folder %s", qUtf8Printable(m_downloadDirectory));
}

void ClientCore::wire()
{
    // LIST has sent its request; the window shows, not modally, with its list cleared.
    QObject::connect(m_commands.get(), &CommandInterpreter::channelListWindowRequested,
                     m_channelList.get(), &ChannelList::ShowFromCommand);

    // The chat activity marks share the third figures panel; the marks of the connection
    // that changed last are shown, and showing a server's page shows its marks.
    QObject::connect(m_chatPages.get(), &ChatPages::activityChanged, m_statusPanels.get(),
                     [this](const QString& text) {
                         m_statusPanels->setText(StatusPanels::GigabytesPanel, text);
                     });
    QObject::connect(m_viewState.get(), &MainViewState::currentChatServerChanged, m_chatPages.get(),
                     &ChatPages::RefreshActivity);

    m_login->setShareUploadStarter(
        [this](int serverIndex) { m_shareUploads->StartShareUpload(serverIndex); });
    QObject::connect(
        &m_catalogue->model(), &SharesModel::statusTextChanged, m_statusPanels.get(),
        [this](const QString& text) { m_statusPanels->setText(StatusPanels::SharingPanel, text); });

    m_statusPanels->setText(StatusPanels::UptimePanel, m_uptime->uptimeText());
    QObject::connect(
        m_uptime.get(), &UptimeClock::uptimeChanged, m_statusPanels.get(),
        [this](const QString& text) { m_statusPanels->setText(StatusPanels::UptimePanel, text); });
}

ClientFormContext ClientCore::formContext()
{
    return ClientFormContext{
        *m_serverList,
        *m_serverListActions,
        *m_chatPages,
        *m_notices,
        *m_viewState,
        *m_statusPanels,
        *m_debugLog,
        *m_uptime,
        *m_catalogue,
        *m_shareScanner,
        [this] { m_chatWindows->showAbout(); },
        [this](int serverIndex) { m_channelList->ListChannels(serverIndex); },
        [this](int serverIndex) { m_links->RequestLinks(serverIndex); },
        [this](std::function<void()> removePanel) {
            QObject::connect(m_commands.get(), &CommandInterpreter::debugKilled, m_commands.get(),
                             std::move(removePanel));
        },
        [this] { return confirmClose(); },
        [this] { shutdown(); },
    };
}

bool ClientCore::confirmClose()
{
    return m_prompts.confirm(u"Do you really want to close Tavolin?"_s, u"Confirm"_s);
}

void ClientCore::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;

    // From here on no row of the Shares view changes the sharing totals.
    m_catalogue->detachRowRemoval();
    m_uptime->stop();

    QString error;
    if (!m_config->Flush(&error))
        qWarning("%s", qUtf8Printable(error));

    // A running scan stops and saves what it has; the uploads stop before their next file.
    m_shareScanner->shutdown();
    m_shareUploads->stopAll();

    // Busy servers end as the user's disconnect would. Every record then goes at once rather
    // than through the deferred release, which would need an event loop that is about to end;
    // records waiting for a reconnect go with them.
    const QList<TServer*> records = m_servers->records();
    for (TServer* record : records) {
        if (m_serverList->isBusy(record->serverIndex()))
            m_servers->DisconnectServer(record, StatusNotConnected.toString());
    }
    while (!m_servers->records().isEmpty())
        m_servers->ReleaseServerRecord(m_servers->records().constFirst()->serverIndex());

    if (m_servers->ServerCount() == 0 && m_dataPort->isActive())
        m_dataPort->setActive(false);
}

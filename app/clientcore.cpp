#include "app/clientcore.h"

#include "chat/chatpages.h"
#include "chat/mainviewstate.h"
#include "chat/servernotices.h"
#include "protocol/uptimeclock.h"
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
#include "transfers/dataportlistener.h"

#include <QDir>
#include <QtDebug>

using namespace Qt::StringLiterals;

ClientCore::ClientCore(const QString& startDirectory, const StartOptions& options,
                       UserPrompts& prompts, UptimeClock::Now now)
    : m_startDirectory(QDir(startDirectory).absolutePath())
    , m_prompts(prompts)
{
    const QDir start(m_startDirectory);

    m_uptime = std::make_unique<UptimeClock>(std::move(now));
    m_debugLog = std::make_unique<DebugLog>();
    m_debugLog->setEnabled(options.debug);

    m_config = std::make_unique<ConfigStore>(start.filePath(QLatin1StringView(ConfigFileName)));
    createFolders();

    m_serverList = std::make_unique<ServerListModel>();
    QObject::connect(m_serverList.get(), &ServerListModel::saveFailed, m_serverList.get(),
                     [this](const QString& message) { m_prompts.warning(message); });
    m_serverList->load(start.filePath(QLatin1StringView(ServersFileName)));

    m_servers = std::make_unique<TServers>(*m_serverList, *m_config, *m_debugLog);
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
                                                *m_viewState, *m_statusPanels);
    m_serverListActions = std::make_unique<ServerListActions>(*m_serverList, *m_servers, m_prompts);

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

    m_uptime->stop();

    QString error;
    if (!m_config->Flush(&error))
        qWarning("%s", qUtf8Printable(error));

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

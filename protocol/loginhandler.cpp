#include "protocol/loginhandler.h"

#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/dataport.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int LoginType = 2;
constexpr int NewUserLoginType = 6;
constexpr int RegisterCheckType = 7;
constexpr quint32 Login32Code = 1;

} // namespace

LoginHandler::LoginHandler(TServers& servers, MessageDispatcher& dispatcher,
                           StatusPanels& statusPanels, DataPort& dataPort, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_statusPanels(statusPanels)
    , m_dataPort(dataPort)
{
    connect(&m_servers, &TServers::connectionOpened, this, &LoginHandler::StartLogin);
    // Peers can no longer be told about the port once no server knows us.
    connect(&m_servers, &TServers::lastRecordReleased, this,
            [this] { m_dataPort.SetListening(false); });

    dispatcher.registerHandler(
        0, [this](int index, const MessageInput& input) { HandleServerError(index, input.text); });
    dispatcher.registerHandler(
        3, [this](int index, const MessageInput& input) { HandleLoginAck(index, input.text); });
    dispatcher.registerHandler(
        8, [this](int index, const MessageInput&) { HandleNicknameFree(index); });
    dispatcher.registerHandler(9, [this](int index, const MessageInput&) {
        disconnectWith(index, AlreadyRegisteredReason.toString());
    });
    dispatcher.registerHandler(10, [this](int index, const MessageInput&) {
        disconnectWith(index, InvalidNicknameReason.toString());
    });
    dispatcher.registerHandler(214, [this](int index, const MessageInput& input) {
        HandleServerStats(index, input.fields);
    });
    dispatcher.setLogin32Handler(
        [this](int index, const QByteArray& payload) { HandleLoginAck(index, payload); });
}

void LoginHandler::StartLogin(int serverIndex)
{
    TServer* record = m_servers.FindServer(serverIndex);
    if (!record)
        return;
    const ServerListModel& list = m_servers.serverList();
    const ConfigStore& config = m_servers.config();

    QString nickname = list.cell(serverIndex, ServerListModel::NicknameColumn);
    if (nickname.trimmed().isEmpty())
        nickname = config.ReadString(ConfigKey::DefaultNickname, ConfigDefault::DefaultNickname);
    QString password = list.cell(serverIndex, ServerListModel::PasswordColumn);
    if (password.trimmed().isEmpty())
        password = config.ReadString(ConfigKey::DefaultPassword, ConfigDefault::DefaultPassword);
    record->setNickname(nickname);
    record->setPassword(password);

    if (!list.isUnderFirstProtocolGroup(serverIndex)) {
        m_servers.SendToServer32(serverIndex, Login32Code,
                                 {DisplayToWire(nickname), DisplayToWire(password)});
        return;
    }
    if (config.ReadBool(ConfigKey::RegisterUponLogin, ConfigDefault::RegisterUponLogin)) {
        m_servers.SendToServer(serverIndex, RegisterCheckType, {DisplayToWire(nickname)});
        return;
    }
    sendLogin(serverIndex, LoginType);
}

void LoginHandler::HandleNicknameFree(int serverIndex)
{
    sendLogin(serverIndex, NewUserLoginType);
}

void LoginHandler::sendLogin(int serverIndex, int messageType)
{
    const TServer* record = m_servers.FindServer(serverIndex);
    if (!record)
        return;
    ConfigStore& config = m_servers.config();
    if (!m_dataPort.isActive())
        m_dataPort.ChooseDataPort(
            config.ReadInteger(ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport));
    const int dataPort =
        config.ReadInteger(ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport);
    const QString version = config.ReadString(ConfigKey::Version, ConfigDefault::Version);
    const int speed = config.ReadInteger(ConfigKey::DefaultSpeed, ConfigDefault::DefaultSpeed);
    m_servers.SendToServer(serverIndex, messageType,
                           {DisplayToWire(record->nickname()), DisplayToWire(record->password()),
                            QByteArray::number(dataPort), '"' + DisplayToWire(version) + '"',
                            QByteArray::number(speed)});
}

void LoginHandler::HandleServerError(int serverIndex, const QByteArray& payload)
{
    QString reason = WireToDisplay(payload);
    // The Status cell is the state of the row: it never goes blank.
    if (reason.trimmed().isEmpty())
        reason = EmptyServerErrorReason.toString();
    disconnectWith(serverIndex, reason);
}

void LoginHandler::disconnectWith(int serverIndex, const QString& reason)
{
    m_servers.DisconnectServer(m_servers.FindServer(serverIndex), reason);
}

void LoginHandler::HandleLoginAck(int serverIndex, const QByteArray& payload)
{
    TServer* record = m_servers.FindServer(serverIndex);
    if (!record || record->isStopping())
        return; // the user dropped the connection meanwhile
    // The connect time-out ends here.
    record->disarmTimer();

    ConfigStore& config = m_servers.config();
    if (config.ReadInteger(ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport) != 0) {
        if (m_dataPort.isActive())
            m_dataPort.SetListening(true);
        else
            m_dataPort.setActive(true);
    }

    record->inputHistory().clear();
    Q_EMIT m_servers.loginAcknowledged(serverIndex);

    ServerListModel& list = m_servers.serverList();
    list.setRowColour(serverIndex, ServerListModel::RowColour::Green);
    list.setCell(serverIndex, ServerListModel::StatusColumn, StatusConnected.toString());

    if (config.ReadBool(ConfigKey::ChatSwitchConnect, ConfigDefault::ChatSwitchConnect))
        Q_EMIT m_servers.chatSwitchRequested(serverIndex);

    if (m_servers.ServerCount() == 1)
        m_statusPanels.setText(StatusPanels::SharingPanel, u"Sharing: 0 file(s), "_s +
                                                               QString::asprintf("%.1f", 0.0) +
                                                               u" GB"_s);

    const QString host = list.cell(serverIndex, ServerListModel::ServerColumn);
    Q_EMIT m_servers.serverText(serverIndex, u"You are connected to "_s + host);

    const bool firstProtocol = list.isUnderFirstProtocolGroup(serverIndex);
    if (firstProtocol) {
        record->setOwnAddress(WireToDisplay(TextAfter(payload, QByteArrayLiteral("@"))));
        Q_EMIT m_servers.serverText(serverIndex, u"Email set to -> "_s + WireToDisplay(payload));
    } else {
        record->setOwnAddress(host);
        Q_EMIT m_servers.serverText(serverIndex, WireToDisplay(payload));
    }

    if (firstProtocol && m_shareUploadStarter)
        m_shareUploadStarter(serverIndex);
}

void LoginHandler::HandleServerStats(int serverIndex, const QByteArrayList& fields)
{
    ServerListModel& list = m_servers.serverList();
    if (list.hasServer(serverIndex)) {
        list.setCell(serverIndex, ServerListModel::UsersColumn, WireToDisplay(fields.value(0)));
        list.setCell(serverIndex, ServerListModel::FilesColumn, WireToDisplay(fields.value(1)));
        list.setCell(serverIndex, ServerListModel::GbytesColumn, WireToDisplay(fields.value(2)));
    }
    m_statusPanels.UpdateServerTotals();
}

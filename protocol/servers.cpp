#include "protocol/servers.h"

#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/debuglog.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 PrivateMessageType = 205;
constexpr quint16 ChannelListRequestType = 617;

} // namespace

TServers::TServers(ServerListModel& serverList, ConfigStore& config, DebugLog& debugLog,
                   QObject* parent)
    : QObject(parent)
    , m_serverList(serverList)
    , m_config(config)
    , m_debugLog(debugLog)
{
}

TServers::~TServers()
{
    // Records are children; deleting them closes their sockets without any report.
    for (TServer* record : std::as_const(m_records))
        record->stop();
}

TServer* TServers::FindServer(int serverIndex) const
{
    for (TServer* record : m_records) {
        if (record->serverIndex() == serverIndex)
            return record;
    }
    return nullptr;
}

TServer* TServers::CreateServerRecord(int serverIndex)
{
    if (TServer* existing = FindServer(serverIndex))
        return existing;
    auto* record = new TServer(serverIndex, this);
    connect(record, &TServer::connected, this,
            [this, record] { Q_EMIT connectionOpened(record->serverIndex()); });
    connect(record, &TServer::failed, this,
            [this, record](const QString& reason) { DisconnectServer(record, reason); });
    connect(record, &TServer::timerFired, this,
            [this, record](TServer::TimerMode mode) { onTimerFired(record, int(mode)); });
    record->setFrameHandler([this](TServer* from, const Frame& frame) { onFrame(from, frame); });
    m_records.append(record);
    return record;
}

void TServers::ReleaseServerRecord(int serverIndex)
{
    TServer* record = FindServer(serverIndex);
    if (!record)
        return;
    if (m_serverList.hasServer(serverIndex)) {
        // The Status keeps the last reason.
        m_serverList.setRowColour(serverIndex, ServerListModel::RowColour::Default);
        m_serverList.setCell(serverIndex, ServerListModel::UsersColumn, {});
        m_serverList.setCell(serverIndex, ServerListModel::FilesColumn, {});
        m_serverList.setCell(serverIndex, ServerListModel::GbytesColumn, {});
    }
    m_records.removeOne(record);
    record->stop();
    record->disarmTimer();
    record->disconnect(this);
    // Later, not now: the release may come from inside one of the record's own signals.
    record->deleteLater();
    Q_EMIT recordReleased(serverIndex);
    if (m_records.isEmpty())
        Q_EMIT lastRecordReleased();
}

int TServers::connectTimeoutMs() const
{
    const qint64 seconds =
        m_config.ReadInteger(ConfigKey::ConnectTimeout, ConfigDefault::ConnectTimeout);
    const qint64 ms = qBound(qint64(m_minimumConnectTimeoutMs), seconds * 1000,
                             qint64(std::numeric_limits<int>::max()));
    return int(ms);
}

void TServers::ConnectServer(TServer* record)
{
    if (!record)
        return;
    const int index = record->serverIndex();
    m_serverList.setRowColour(index, ServerListModel::RowColour::Olive);
    m_serverList.setCell(index, ServerListModel::StatusColumn, StatusConnecting.toString());

    const QString host = m_serverList.cell(index, ServerListModel::ServerColumn).trimmed();
    bool numeric = false;
    int port = m_serverList.cell(index, ServerListModel::PortColumn).trimmed().toInt(&numeric);
    if (!numeric)
        port = -1; // a hand-edited servers.dat: fails as InvalidPortReason
    const FrameReader::Layout layout = m_serverList.isUnderFirstProtocolGroup(index)
                                           ? FrameReader::Layout::Word16
                                           : FrameReader::Layout::Int32;

    // Covers the TCP connect and the login; the login acknowledgement disarms it.
    record->armTimer(TServer::TimerMode::ConnectTimeout, connectTimeoutMs());
    record->open(host, port, layout);
}

void TServers::DisconnectServer(TServer* record, const QString& reason)
{
    if (!record)
        return;
    const int index = record->serverIndex();
    if (m_serverList.cell(index, ServerListModel::StatusColumn) == StatusNotConnected)
        return; // already ending

    record->disarmTimer();
    record->stop();
    Q_EMIT connectionStopping(index, reason);
    m_serverList.setCell(index, ServerListModel::StatusColumn, reason);

    const bool reconnect =
        reason != StatusNotConnected &&
        m_config.ReadBool(ConfigKey::AutoReconnect, ConfigDefault::AutoReconnect);
    if (reconnect) {
        // An interval below 1 would count past zero; one second is the shortest wait.
        const int seconds =
            qMax(1, m_config.ReadInteger(ConfigKey::ReconnectInterval, DefaultReconnectInterval));
        const QString prefix = reason + u"..."_s;
        record->setCountdown(prefix, seconds);
        m_serverList.setRowColour(index, ServerListModel::RowColour::Red);
        m_serverList.setCell(index, ServerListModel::StatusColumn,
                             prefix + QString::number(seconds));
        record->armTimer(TServer::TimerMode::ReconnectTick, m_reconnectTickMs);
    } else {
        // Released right after the current event, never inside it.
        record->armTimer(TServer::TimerMode::DeferredRelease, 1);
    }
}

void TServers::onTimerFired(TServer* record, int mode)
{
    const int index = record->serverIndex();
    switch (TServer::TimerMode(mode)) {
    case TServer::TimerMode::ConnectTimeout:
        record->disarmTimer();
        DisconnectServer(record, TimedOutReason.toString());
        break;
    case TServer::TimerMode::ReconnectTick: {
        if (!m_serverList.hasServer(index)) {
            // The row is gone: nothing to count down in, and nothing to reconnect.
            record->disarmTimer();
            ReleaseServerRecord(index);
            break;
        }
        const int seconds = record->countdownSeconds();
        record->setCountdownSeconds(seconds - 1);
        m_serverList.setCell(index, ServerListModel::StatusColumn,
                             record->countdownPrefix() + QString::number(seconds - 1));
        if (seconds <= 1) {
            record->disarmTimer();
            ConnectServer(record);
        }
        break;
    }
    case TServer::TimerMode::DeferredRelease:
        record->disarmTimer();
        ReleaseServerRecord(index);
        break;
    case TServer::TimerMode::Idle:
        break;
    }
}

bool TServers::isBusy(int serverIndex) const
{
    return m_serverList.isBusy(serverIndex);
}

bool TServers::isCountingDown(int serverIndex) const
{
    const TServer* record = FindServer(serverIndex);
    return record && record->isTimerArmed() &&
           record->timerMode() == TServer::TimerMode::ReconnectTick;
}

void TServers::connectServer(int serverIndex)
{
    if (!m_serverList.hasServer(serverIndex) || isBusy(serverIndex))
        return;
    bool numeric = false;
    const int port =
        m_serverList.cell(serverIndex, ServerListModel::PortColumn).trimmed().toInt(&numeric);
    if (!numeric || port < 1 || port > 65535) {
        // A hand-edited servers.dat: there is nothing to connect to, and no record is kept
        // (a countdown that was running for the server ends here).
        disconnectAndRelease(serverIndex);
        m_serverList.setCell(serverIndex, ServerListModel::StatusColumn,
                             InvalidPortReason.toString());
        return;
    }
    // A record that exists is counting down or about to be released: it is reused, and
    // ConnectServer re-arms its timer for the connect time-out, which ends either.
    TServer* record = FindServer(serverIndex);
    if (!record)
        record = CreateServerRecord(serverIndex);
    ConnectServer(record);
}

void TServers::disconnectServer(int serverIndex)
{
    DisconnectServer(FindServer(serverIndex), StatusNotConnected.toString());
}

void TServers::disconnectAndRelease(int serverIndex)
{
    DisconnectServer(FindServer(serverIndex), StatusNotConnected.toString());
    ReleaseServerRecord(serverIndex);
}

void TServers::SendToServer(int serverIndex, int messageType, const QByteArrayList& fields)
{
    const QByteArray payload = JoinFields(fields);
    const auto type = quint16(messageType);
    m_debugLog.add(DebugLog::Direction::Outgoing, serverIndex, payload.size(), type, payload);

    if (type == PrivateMessageType && m_privateMessageEcho)
        m_privateMessageEcho(serverIndex, fields);
    if (type == ChannelListRequestType && m_channelListRequestFilter &&
        !m_channelListRequestFilter(serverIndex))
        return;

    writeFrame(serverIndex, BuildFrame(type, payload));
}

void TServers::SendToServer32(int serverIndex, quint32 code, const QByteArrayList& fields)
{
    QByteArray payload;
    if (code == 1)
        payload = BuildLogin32Payload(fields.value(0), fields.value(1));
    const QByteArray frame = BuildFrame32(code, payload);
    m_debugLog.add(DebugLog::Direction::Outgoing, serverIndex, frame.size(), code, frame);
    writeFrame(serverIndex, frame);
}

void TServers::writeFrame(int serverIndex, const QByteArray& frame)
{
    if (TServer* record = FindServer(serverIndex))
        record->writeFrame(frame);
}

void TServers::onFrame(TServer* record, const Frame& frame)
{
    if (m_frameHandler)
        m_frameHandler(record->serverIndex(), record->layout(), frame);
}

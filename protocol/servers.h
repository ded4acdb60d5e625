#pragma once

// TServers: the registry of connection records, one TServer per server index that is being
// connected, is connected, or waits for a reconnect. Lives on the main thread; every socket is
// non-blocking and driven by the event loop, so connections never wait for one another and
// the frames of one connection are handled one at a time, in arrival order.
//
// The registry writes the state of a connection into its server row (Status text, text
// colour, Users/Files/Gbytes) through ServerListModel. What the higher layers do when a
// connection comes or goes (chat pages, the share upload, the data-port listener, the Shares
// view) hangs on the signals and hooks below, which app/ connects when it wires the program.

#include "protocol/framereader.h"
#include "protocol/serverconnector.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <functional>

class ConfigStore;
class DebugLog;
class ServerListModel;
class TServer;

class TServers final : public QObject, public ServerConnector {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TServers)

public:
    // The connect time-out never runs shorter than this, whatever connect_timeout says.
    static constexpr int MinimumConnectTimeoutMs = 30000;
    static constexpr int ReconnectTickMs = 1000;
    static constexpr int DefaultReconnectInterval = 10;

    // The Status texts of a server row are those of serverlistmodel.h.
    static constexpr QStringView TimedOutReason = u"Timed out";
    // A Port cell that is not a number from 1 to 65535.
    static constexpr QStringView InvalidPortReason = u"Invalid port";

    using FrameHandler =
        std::function<void(int serverIndex, FrameReader::Layout layout, const Frame& frame)>;
    // Shows a private message that is about to be sent in its conversation.
    using PrivateMessageEcho = std::function<void(int serverIndex, const QByteArrayList& fields)>;
    // Asked before a channel list request (617) goes out; false keeps it from being sent.
    using ChannelListRequestFilter = std::function<bool(int serverIndex)>;

    TServers(ServerListModel& serverList, ConfigStore& config, DebugLog& debugLog,
             QObject* parent = nullptr);
    ~TServers() override;

    ServerListModel& serverList() const { return m_serverList; }
    ConfigStore& config() const { return m_config; }
    DebugLog& debugLog() const { return m_debugLog; }

    // --- Registry ---
    TServer* FindServer(int serverIndex) const;
    // Appends a record for the index. There is one record per index: when one exists already
    // it is returned instead.
    TServer* CreateServerRecord(int serverIndex);
    void ReleaseServerRecord(int serverIndex);
    int ServerCount() const { return int(m_records.size()); }
    // In creation order.
    const QList<TServer*>& records() const { return m_records; }

    // --- Connection lifecycle ---
    void ConnectServer(TServer* record);
    // Ends the connection; the reason becomes the Status text. "Not connected" marks the
    // user's own disconnect and never starts a reconnect countdown.
    void DisconnectServer(TServer* record, const QString& reason);

    // --- ServerConnector: the server list's gestures ---
    // A server row is busy when its Status is "Connected" or starts with "Connecting...".
    bool isBusy(int serverIndex) const override;
    // A reconnect countdown is running for the server.
    bool isCountingDown(int serverIndex) const override;
    // Connects a server: stops a running countdown and reconnects its record, or creates one.
    // A Port cell that is not a number from 1 to 65535 is refused with the Status
    // "Invalid port" (a countdown that meets one ends with that reason).
    void connectServer(int serverIndex) override;
    // The user's disconnect ("Not connected"); a countdown stops and the record is released.
    void disconnectServer(int serverIndex) override;
    // Ends a connection and releases its record at once (the server row is being removed).
    void disconnectAndRelease(int serverIndex) override;

    // --- Sending ---
    void SendToServer(int serverIndex, int messageType, const QByteArrayList& fields);
    void SendToServer32(int serverIndex, quint32 code, const QByteArrayList& fields);

    // --- Wiring ---
    // Receives every whole frame of every connection (the dispatcher installs itself here).
    void setFrameHandler(FrameHandler handler) { m_frameHandler = std::move(handler); }
    void setPrivateMessageEcho(PrivateMessageEcho echo) { m_privateMessageEcho = std::move(echo); }
    void setChannelListRequestFilter(ChannelListRequestFilter filter)
    {
        m_channelListRequestFilter = std::move(filter);
    }

    // --- Timings ---
    // connect_timeout in milliseconds, never below the minimum.
    int connectTimeoutMs() const;
    // Tests only: a shorter floor for the connect time-out and a shorter countdown tick, so
    // that a test need not wait 30 s or 1 s per step. The program never calls these.
    void setMinimumConnectTimeoutForTests(int ms) { m_minimumConnectTimeoutMs = ms; }
    void setReconnectTickForTests(int ms) { m_reconnectTickMs = ms; }

Q_SIGNALS:
    // The TCP connection of the record is open: the login goes out now.
    void connectionOpened(int serverIndex);
    // DisconnectServer is ending the connection (the share upload of the server stops).
    void connectionStopping(int serverIndex, const QString& reason);
    // The server acknowledged the login; the chat pages of the server are made now.
    void loginAcknowledged(int serverIndex);
    // Make the Chat page and this server's page current (chat_switch_connect).
    void chatSwitchRequested(int serverIndex);
    // A line for the server's "Server Messages" page.
    void serverText(int serverIndex, const QString& text);
    void recordReleased(int serverIndex);
    // The last record went: the Shares view empties and the data port stops listening.
    void lastRecordReleased();

private:
    void onTimerFired(TServer* record, int mode);
    void onFrame(TServer* record, const Frame& frame);
    void writeFrame(int serverIndex, const QByteArray& frame);

    ServerListModel& m_serverList;
    ConfigStore& m_config;
    DebugLog& m_debugLog;
    QList<TServer*> m_records;
    FrameHandler m_frameHandler;
    PrivateMessageEcho m_privateMessageEcho;
    ChannelListRequestFilter m_channelListRequestFilter;
    int m_minimumConnectTimeoutMs = MinimumConnectTimeoutMs;
    int m_reconnectTickMs = ReconnectTickMs;
};

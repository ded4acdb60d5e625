#pragma once

// The data-port listener: the TCP port on which peers reach this client. It binds every local
// IPv4 address; QTcpServer sets SO_REUSEADDR on Unix, and a pending-connection limit of 5
// stands for the listen backlog of 5 (Qt listens with its own backlog and holds accepted
// connections beyond that limit in the kernel's queue).
//
// Active and listening are two flags: listening can stop and start again while the listener
// stays active, and connections it already accepted go on either way. Deactivation closes them.
//
// Peers that connect are greeted with "1" and, until transfers are served here, closed.

#include "protocol/dataport.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class ConfigStore;
class QTcpServer;
class QTcpSocket;

class DataPortListener final : public QObject, public DataPort {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataPortListener)

public:
    static constexpr int Backlog = 5;

    // Created with the configured port; neither active nor listening.
    DataPortListener(ConfigStore& config, int port, QObject* parent = nullptr);
    ~DataPortListener() override;

    int port() const override { return m_port; }
    bool isActive() const override { return m_active; }
    bool isListening() const override { return m_listening; }
    // Whether the listening socket is open (listening can be asked for while inactive).
    bool isBound() const;
    // The port actually bound, 0 when none.
    int boundPort() const;

    void ChooseDataPort(int port) override;
    void setActive(bool on) override;
    void SetListening(bool on) override;

    // Whether a port can be bound on every local address with the named protocol, "tcp" or
    // "udp" (without regard to case); any other name gives false.
    static bool PortIsFree(int port, const QString& protocolName);

Q_SIGNALS:
    // The listening socket could not be opened; the text is the socket layer's reason.
    void listenFailed(const QString& reason);
    // A peer connected and was greeted.
    void peerAccepted();

private:
    void acceptPending();

    ConfigStore& m_config;
    int m_port = 0;
    bool m_active = false;
    bool m_listening = false;
    QTcpServer* m_server = nullptr;
    QList<QPointer<QTcpSocket>> m_peers;
};

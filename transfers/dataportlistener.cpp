#include "transfers/dataportlistener.h"

#include "config/configkeys.h"
#include "config/configstore.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr int LastPort = 65535;
// Where the search goes on after the last port: the ports below are reserved for services.
constexpr int WrapPort = 1000;

} // namespace

DataPortListener::DataPortListener(ConfigStore& config, int port, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_port(port)
{
}

DataPortListener::~DataPortListener()
{
    for (const QPointer<QTcpSocket>& peer : std::as_const(m_peers)) {
        if (peer)
            peer->abort();
    }
}

bool DataPortListener::isBound() const
{
    return m_server && m_server->isListening();
}

int DataPortListener::boundPort() const
{
    return isBound() ? int(m_server->serverPort()) : 0;
}

bool DataPortListener::PortIsFree(int port, const QString& protocolName)
{
    if (port < 0 || port > LastPort)
        return false;
    const QString protocol = protocolName.toLower();
    if (protocol == u"tcp"_s) {
        // Bound exactly as the listener binds, so "free" means "the listener could use it".
        QTcpServer probe;
        const bool bound = probe.listen(QHostAddress::AnyIPv4, quint16(port));
        probe.close();
        return bound;
    }
    if (protocol == u"udp"_s) {
        QUdpSocket probe;
        const bool bound = probe.bind(QHostAddress::AnyIPv4, quint16(port));
        probe.close();
        return bound;
    }
    return false;
}

void DataPortListener::ChooseDataPort(int port)
{
    // One full round over every port at most: with nothing free anywhere (or a port that is
    // not a port at all) the search must still end. Then there is no data port: 0.
    constexpr int Attempts = LastPort + 1;
    int attempts = 0;
    while (port != 0 && !PortIsFree(port, u"tcp"_s)) {
        if (++attempts >= Attempts) {
            port = 0;
            break;
        }
        port = (port >= LastPort || port < 0) ? WrapPort : port + 1;
    }
    m_port = port;
    m_config.WriteInteger(ConfigKey::DefaultDataport, port);
}

void DataPortListener::setActive(bool on)
{
    if (on == m_active) {
        SetListening(on);
        return;
    }
    if (on) {
        m_active = true;
        m_listening = false;
        SetListening(true);
        return;
    }
    SetListening(false);
    m_active = false;
    for (const QPointer<QTcpSocket>& peer : std::as_const(m_peers)) {
        if (peer)
            peer->abort();
    }
    m_peers.clear();
}

void DataPortListener::SetListening(bool on)
{
    if (!m_active || m_listening == on) {
        m_listening = on;
        return;
    }
    if (on) {
        if (!m_server) {
            m_server = new QTcpServer(this);
            m_server->setMaxPendingConnections(Backlog);
            connect(m_server, &QTcpServer::newConnection, this, &DataPortListener::acceptPending);
        }
        // Port 0 means no data port; it must not become a port the system picks.
        if (m_port == 0) {
            m_listening = false;
            return;
        }
        if (!m_server->listen(QHostAddress::AnyIPv4, quint16(m_port))) {
            m_listening = false;
            Q_EMIT listenFailed(m_server->errorString());
            return;
        }
    } else if (m_server) {
        // Closes the listening socket only; accepted peers are separate sockets.
        m_server->close();
    }
    m_listening = on;
}

void DataPortListener::acceptPending()
{
    while (QTcpSocket* peer = m_server->nextPendingConnection()) {
        peer->setParent(this);
        m_peers.removeIf([](const QPointer<QTcpSocket>& p) { return p.isNull(); });
        m_peers.append(peer);
        connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
        peer->write(QByteArrayLiteral("1"));
        // Nothing is served here yet: the greeting goes out, then the connection closes.
        peer->disconnectFromHost();
        Q_EMIT peerAccepted();
    }
}

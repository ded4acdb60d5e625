#include "tests/connections/tst_dataport.h"

#include "config/configkeys.h"
#include "config/configstore.h"
#include "transfers/dataportlistener.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A port that a test can hold with the next one free; 6699 when the machine allows it.
int holdablePort()
{
    for (int candidate : {6699, 0}) {
        int port = candidate;
        if (port == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::AnyIPv4, 0))
                return 0;
            port = probe.serverPort();
        }
        if (port < 65535 && DataPortListener::PortIsFree(port, u"tcp"_s) &&
            DataPortListener::PortIsFree(port + 1, u"tcp"_s))
            return port;
    }
    return 0;
}

} // namespace

void TestDataPort::chooseMovesPastTakenPort()
{
    const int port = holdablePort();
    if (port == 0)
        QSKIP("no port with a free neighbour to hold");
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::AnyIPv4, quint16(port)));

    QTemporaryDir dir;
    ConfigStore config(dir.filePath(u"Tavolin.ini"_s));
    DataPortListener listener(config, port);
    listener.ChooseDataPort(port);
    QCOMPARE(listener.port(), port + 1);
    QCOMPARE(config.ReadInteger(ConfigKey::DefaultDataport, -1), port + 1);

    // The chosen port is the one the listener then listens on.
    listener.setActive(true);
    QVERIFY(listener.isBound());
    QCOMPARE(listener.boundPort(), port + 1);
}

void TestDataPort::chooseWrapsAfterLastPort()
{
    QTcpServer holder;
    if (!holder.listen(QHostAddress::AnyIPv4, 65535))
        QSKIP("port 65535 cannot be held on this machine");

    QTemporaryDir dir;
    ConfigStore config(dir.filePath(u"Tavolin.ini"_s));
    DataPortListener listener(config, 65535);
    listener.ChooseDataPort(65535);
    // The search goes on at 1000 (ports below 1024 are usually reserved for the superuser, so
    // the first free one may lie a little above).
    int expected = 1000;
    while (!DataPortListener::PortIsFree(expected, u"tcp"_s))
        ++expected;
    QCOMPARE(listener.port(), expected);
    QCOMPARE(config.ReadInteger(ConfigKey::DefaultDataport, -1), expected);
}

void TestDataPort::chooseZeroIsKept()
{
    QTemporaryDir dir;
    ConfigStore config(dir.filePath(u"Tavolin.ini"_s));
    DataPortListener listener(config, 6699);
    listener.ChooseDataPort(0);
    QCOMPARE(listener.port(), 0);
    QCOMPARE(config.ReadInteger(ConfigKey::DefaultDataport, -1), 0);
    // No data port: activation listens nowhere.
    listener.setActive(true);
    QVERIFY(!listener.isBound());
}

void TestDataPort::portIsFree_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<bool>("hold");
    QTest::addColumn<bool>("free");
    QTest::newRow("tcp, free") << u"tcp"_s << false << true;
    QTest::newRow("TCP, any case") << u"TCP"_s << false << true;
    QTest::newRow("tcp, taken") << u"tcp"_s << true << false;
    QTest::newRow("udp, free") << u"Udp"_s << false << true;
    QTest::newRow("unknown protocol") << u"sctp"_s << false << false;
    QTest::newRow("empty protocol") << QString() << false << false;
}

void TestDataPort::portIsFree()
{
    QFETCH(QString, protocol);
    QFETCH(bool, hold);
    QFETCH(bool, free);

    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::AnyIPv4, 0));
    const int port = holder.serverPort();
    if (!hold)
        holder.close();
    QCOMPARE(DataPortListener::PortIsFree(port, protocol), free);
}

void TestDataPort::greetsAndCloses()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::AnyIPv4, 0));
    const int port = probe.serverPort();
    probe.close();

    QTemporaryDir dir;
    ConfigStore config(dir.filePath(u"Tavolin.ini"_s));
    DataPortListener listener(config, port);
    listener.setActive(true);
    QVERIFY(listener.isBound());

    QTcpSocket peer;
    QSignalSpy closed(&peer, &QTcpSocket::disconnected);
    peer.connectToHost(QHostAddress::LocalHost, quint16(port));
    QVERIFY(closed.wait(5000));
    QCOMPARE(peer.readAll(), QByteArray("1"));
}

void TestDataPort::listeningAndActive()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::AnyIPv4, 0));
    const int port = probe.serverPort();
    probe.close();

    QTemporaryDir dir;
    ConfigStore config(dir.filePath(u"Tavolin.ini"_s));
    DataPortListener listener(config, port);
    // Asked to listen while inactive: remembered, nothing opened.
    listener.SetListening(true);
    QVERIFY(listener.isListening());
    QVERIFY(!listener.isBound());

    listener.setActive(true);
    QVERIFY(listener.isBound());
    listener.SetListening(false);
    QVERIFY(listener.isActive());
    QVERIFY(!listener.isBound());
    QVERIFY(DataPortListener::PortIsFree(port, u"tcp"_s));
    listener.SetListening(true);
    QVERIFY(listener.isBound());

    listener.setActive(false);
    QVERIFY(!listener.isActive());
    QVERIFY(!listener.isBound());
}

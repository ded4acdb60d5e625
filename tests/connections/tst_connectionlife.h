#pragma once

#include <QObject>

// How a connection starts and ends: refusals, the connect time-out, the reconnect countdown,
// the user's disconnect, and the sending of frames.
class TestConnectionLife final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectionRefused();
    void invalidPort_data();
    void invalidPort();
    void connectTimeoutInterval_data();
    void connectTimeoutInterval();
    void silentServer_data();
    void silentServer();
    void reconnectCountdown();
    void connectDuringCountdown();
    void userDisconnectDuringCountdown();
    void socketErrorReason_data();
    void socketErrorReason();
    void framesGoOutWholeAndInOrder();
    void sendHooks();
};

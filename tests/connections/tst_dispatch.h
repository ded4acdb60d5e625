#pragma once

#include <QObject>

// The dispatcher and its inline handlers, fed by a fake server, and what a hostile server can
// send.
class TestDispatch final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handlerInput_data();
    void handlerInput();
    void informationBoxes_data();
    void informationBoxes();
    void serverDisconnect316();
    void onlyLogged_data();
    void onlyLogged();
    void emptyPayloadForEveryType_data();
    void emptyPayloadForEveryType();
    void hostileStreams_data();
    void hostileStreams();
    void burstInOrder();
    void stopEndsTheBatch();
    void staleLoginAcknowledgement();
    void debugLogIsBounded();
};

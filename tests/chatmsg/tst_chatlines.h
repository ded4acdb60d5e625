#pragma once

// The pure parts: the tagged lines the handlers write, the speed tables, the notice texts,
// the whois fields, and the list models on their own.

#include <QObject>

class TestChatLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void publicMessageLine_data();
    void publicMessageLine();
    void presenceLines_data();
    void presenceLines();
    void speedTables_data();
    void speedTables();
    void otherChannelLines();
    void channelLabel_data();
    void channelLabel();
    void privateMessageLine_data();
    void privateMessageLine();
    void announcedUserLevel_data();
    void announcedUserLevel();
    void operatorsChannel_data();
    void operatorsChannel();
    void operatorLine();
    void pongText_data();
    void pongText();
    void whoisFields_data();
    void whoisFields();
    void channelUsersStaySorted();
    void nicknameListFindsAnyCase();
};

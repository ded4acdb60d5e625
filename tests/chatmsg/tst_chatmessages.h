#pragma once

// Channels, private messages, the hotlist, the ignore list, notices, whois and links, driven
// by a real core logged in to the fake server: received frames against the tagged lines and
// list rows they produce, requests against the exact frames they send.

#include <QObject>

class TestChatMessages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void joinMakesAPageInFront();
    void joinTwiceGivesTwoPages();
    void publicMessages_data();
    void publicMessages();
    void userList();
    void partRemovesFromEveryPageOfTheChannel();
    void topicShowsOnlyTheLatest();
    void leaveRemovesThePage();
    void messagesWithoutAPageChangeNothing();
    void ignoreFiltersPublicMessagesOnly();
    void clearIgnoreList();
    void ignoreRequests_data();
    void ignoreRequests();
    void receivedPrivateMessageOpensAConversation();
    void sentPrivateMessageIsEchoed();
    void privateMessageToAnOpenConversation();
    void hotlistMovesUsers();
    void hotlistRequests_data();
    void hotlistRequests();
    void hotlistStartsAfreshAtLogin();
    void channelListFromTheMenu();
    void channelListFromTheCommand();
    void channelListLetsGoWhenTheConnectionEnds();
    void userLevelNotice();
    void operatorNotices_data();
    void operatorNotices();
    void opsNoticeGoesToThatChannel();
    void pings();
    void typedCommands();
    void whoisAnswer();
    void serverLinks();
    void linksCannotExplode();
    void hostileLines_data();
    void hostileLines();
    void floodKeepsTheNewestLines();
};

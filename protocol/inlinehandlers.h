#pragma once

// The small answers that the dispatcher handles itself: hotlist and ignore-list refusals
// (302, 324, 325), the ignore list cleared by the server (326), the server's own disconnect
// (316), a user's line speed (601) and the whowas answer (605). Each shows an information box,
// which never blocks, so the connection goes on while the box is up.

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QString>
#include <functional>

class MessageDispatcher;
class TServers;
class UserPrompts;

class InlineHandlers final {
    Q_DISABLE_COPY_MOVE(InlineHandlers)

public:
    // Empties the ignore list of a server (its view and the record's ignore set).
    using ClearIgnoreList = std::function<void(int serverIndex)>;

    // Registers 302, 316, 324, 325, 326, 601 and 605 with the dispatcher.
    InlineHandlers(TServers& servers, MessageDispatcher& dispatcher, UserPrompts& prompts);

    // Until the chat work sets its own, only the record's ignore set is emptied.
    void setClearIgnoreList(ClearIgnoreList clear) { m_clearIgnoreList = std::move(clear); }

    // The box texts, for the handlers and their tests.
    static QString lineSpeedText(const QByteArrayList& fields);
    static QString whowasText(const QByteArrayList& fields);
    // The last-online time of a whowas answer: seconds since 1970-01-01 00:00 taken as they
    // are, with no time-zone change, as "ddd MMM dd HH:mm yyyy " in English (e.g.
    // "Thu Jan 01 00:00 1970 "). Text that is not such a number is shown as it came.
    static QString formatLastOnline(const QByteArray& seconds);

private:
    void handleServerDisconnect(int serverIndex);
    void handleIgnoreListCleared(int serverIndex, const QByteArray& payload);

    TServers& m_servers;
    UserPrompts& m_prompts;
    ClearIgnoreList m_clearIgnoreList;
};

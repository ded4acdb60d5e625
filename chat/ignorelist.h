#pragma once

// The ignore list of each connection: users whose public channel messages are not shown.
// The server keeps the list; the client mirrors what it confirms (322 ignored, 323 no longer
// ignored, 326 all removed) in the "Hotlist" page's IgnoreListElTree and in the connection
// record's ignore set, which the channel handler consults. Nicknames are compared with
// letter case ignored. Private messages and emotes are never filtered.

#include <QObject>
#include <QString>

class ChatPages;
class InlineHandlers;
class MessageDispatcher;
class NicknameList;
class ServerPage;
class TServers;
class UserPrompts;
struct MessageInput;

class IgnoreList final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IgnoreList)

public:
    // Registers 322 and 323, takes over the clearing that 326 asks for, gives every server
    // page its ignore list and answers the ignore menu's requests.
    IgnoreList(TServers& servers, MessageDispatcher& dispatcher, InlineHandlers& inlineHandlers,
               ChatPages& chatPages, UserPrompts& prompts, QObject* parent = nullptr);

    // The list of a connection; null while it has no chat page.
    NicknameList* ignoredUsers(int serverIndex) const;
    bool isIgnored(int serverIndex, const QString& nickname) const;

    // "Add": asks for a nickname and sends 322 unless the answer is empty. The row comes with
    // the server's confirmation.
    void AddUser(int serverIndex);
    // "Remove": sends 323; the row goes when the server confirms.
    void RemoveUser(int serverIndex, const QString& nickname);
    // Empties the list and the record's ignore set.
    void ClearIgnoreList(int serverIndex);

private:
    void installList(ServerPage* page);
    void ignored(int serverIndex, const MessageInput& input);   // 322
    void unignored(int serverIndex, const MessageInput& input); // 323

    TServers& m_servers;
    ChatPages& m_chatPages;
    UserPrompts& m_prompts;
};

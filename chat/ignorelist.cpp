#include "chat/ignorelist.h"

#include "chat/chatpages.h"
#include "chat/hotlist.h"
#include "config/userprompts.h"
#include "protocol/inlinehandlers.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgIgnore = 322;
constexpr quint16 MsgUnignore = 323;

} // namespace

IgnoreList::IgnoreList(TServers& servers, MessageDispatcher& dispatcher,
                       InlineHandlers& inlineHandlers, ChatPages& chatPages, UserPrompts& prompts,
                       QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_prompts(prompts)
{
    dispatcher.registerHandler(MsgIgnore, [this](int serverIndex, const MessageInput& input) {
        ignored(serverIndex, input);
    });
    dispatcher.registerHandler(MsgUnignore, [this](int serverIndex, const MessageInput& input) {
        unignored(serverIndex, input);
    });
    inlineHandlers.setClearIgnoreList([this](int serverIndex) { ClearIgnoreList(serverIndex); });

    for (ServerPage* page : m_chatPages.pages())
        installList(page);
    connect(&m_chatPages, &ChatPages::pageAdded, this, &IgnoreList::installList);
    // The view and the set start afresh with each login, together, so that the view always
    // shows what the filter holds.
    connect(&m_servers, &TServers::loginAcknowledged, this, &IgnoreList::ClearIgnoreList);
    connect(&m_chatPages, &ChatPages::ignoreAddRequested, this, &IgnoreList::AddUser);
    connect(&m_chatPages, &ChatPages::ignoreRemoveRequested, this, &IgnoreList::RemoveUser);
}

void IgnoreList::installList(ServerPage* page)
{
    page->setHotlistModel(ServerPage::IgnoreList, new NicknameList({u"Ignore List"_s}));
}

NicknameList* IgnoreList::ignoredUsers(int serverIndex) const
{
    const ServerPage* page = m_chatPages.page(serverIndex);
    return page ? qobject_cast<NicknameList*>(page->hotlistModel(ServerPage::IgnoreList)) : nullptr;
}

bool IgnoreList::isIgnored(int serverIndex, const QString& nickname) const
{
    // The view mirrors the set and finds a nickname in constant time, which matters when a
    // flood of public messages meets a long list; the set is read only while the connection
    // has no chat page.
    if (const NicknameList* list = ignoredUsers(serverIndex))
        return list->contains(nickname);
    TServer* record = m_servers.FindServer(serverIndex);
    return record && record->ignoreSet().contains(nickname, Qt::CaseInsensitive);
}

void IgnoreList::AddUser(int serverIndex)
{
    const std::optional<QString> answer = m_prompts.inputText(u"Ignore user"_s, {}, {});
    if (answer && !answer->isEmpty())
        m_servers.SendToServer(serverIndex, MsgIgnore, {DisplayToWire(*answer)});
}

void IgnoreList::RemoveUser(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, MsgUnignore, {DisplayToWire(nickname)});
}

void IgnoreList::ClearIgnoreList(int serverIndex)
{
    if (NicknameList* list = ignoredUsers(serverIndex))
        list->clear();
    if (TServer* record = m_servers.FindServer(serverIndex))
        record->ignoreSet().clear();
}

void IgnoreList::ignored(int serverIndex, const MessageInput& input)
{
    const QString nickname = WireToDisplay(input.text);
    const bool known = isIgnored(serverIndex, nickname);
    if (NicknameList* list = ignoredUsers(serverIndex); list && !list->contains(nickname))
        list->addRow({nickname});
    TServer* record = m_servers.FindServer(serverIndex);
    if (record && !known)
        record->ignoreSet().append(nickname);
}

void IgnoreList::unignored(int serverIndex, const MessageInput& input)
{
    const QString nickname = WireToDisplay(input.text);
    NicknameList* list = ignoredUsers(serverIndex);
    if (!list || !list->removeRow(nickname))
        return;
    if (TServer* record = m_servers.FindServer(serverIndex))
        record->ignoreSet().removeIf([&nickname](const QString& entry) {
            return entry.compare(nickname, Qt::CaseInsensitive) == 0;
        });
}

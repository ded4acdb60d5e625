#include "chat/chatpages.h"

#include "chat/chatlinemodel.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int PrivateMessageType = 205;
constexpr int HotlistAddType = 207;
constexpr int IgnoreType = 322;
constexpr int PartType = 401;
constexpr int PublicMessageType = 402;
constexpr int WhoisType = 603;

// The unread set of a connection holds page numbers 0 to 255; higher pages are never marked.
constexpr int MarkablePages = 256;

} // namespace

ChatPages::ChatPages(TServers& servers, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
{
    connect(&m_servers, &TServers::loginAcknowledged, this, &ChatPages::openServerPage);
    connect(&m_servers, &TServers::recordReleased, this, &ChatPages::closeServerPage);
}

ChatPages::~ChatPages() = default;

ServerPage* ChatPages::page(int serverIndex) const
{
    for (ServerPage* page : m_pages) {
        if (page->serverIndex() == serverIndex)
            return page;
    }
    return nullptr;
}

ServerPage* ChatPages::openServerPage(int serverIndex)
{
    const QString host = m_servers.serverList().cell(serverIndex, ServerListModel::ServerColumn);
    if (ServerPage* existing = page(serverIndex)) {
        existing->setHost(host);
        return existing;
    }
    auto* created = new ServerPage(serverIndex, host, this);
    for (ChatPage* inner : created->pages())
        watchPage(inner);
    connect(created, &ServerPage::pageInserted, this,
            [this](int, ChatPage* inner) { watchPage(inner); });
    connect(created, &ServerPage::pageRemoved, this, [this, created](int index, ChatPage*) {
        // Marks follow their pages: the removed page's mark goes, the marks of the pages
        // after it move down with them.
        TServer* record = m_servers.FindServer(created->serverIndex());
        if (!record || index >= MarkablePages)
            return;
        std::bitset<MarkablePages>& unread = record->unreadPages();
        const std::bitset<MarkablePages> below =
            index == 0 ? std::bitset<MarkablePages>()
                       : (unread << (MarkablePages - index)) >> (MarkablePages - index);
        const std::bitset<MarkablePages> above = (unread >> (index + 1)) << index;
        unread = below | above;
    });
    connect(created, &ServerPage::currentIndexChanged, this,
            [this, created](int index) { onCurrentIndexChanged(created, index); });
    m_pages.append(created);
    Q_EMIT pageAdded(created);
    return created;
}

void ChatPages::closeServerPage(int serverIndex)
{
    ServerPage* gone = page(serverIndex);
    if (!gone)
        return;
    m_pages.removeOne(gone);
    Q_EMIT pageRemoved(serverIndex);
    // Views drop their references in pageRemoved; the object may still be on the stack of the
    // signal that released the record.
    gone->disconnect(this);
    gone->deleteLater();
}

void ChatPages::watchPage(ChatPage* page)
{
    if (ChatLineModel* output = page->output()) {
        connect(output, &QAbstractItemModel::rowsInserted, this,
                [this, page] { onLinesAdded(page); });
    }
}

ChatPage* ChatPages::FindChannelPage(int serverIndex, const QString& channel) const
{
    const ServerPage* serverPage = page(serverIndex);
    if (!serverPage)
        return nullptr;
    const QString caption = ChatPage::ChannelPrefix.toString() + channel;
    for (ChatPage* inner : serverPage->pages()) {
        if (inner->caption() == caption)
            return inner;
    }
    return nullptr;
}

ChatPage* ChatPages::FindPrivatePage(int serverIndex, const QString& nickname) const
{
    const ServerPage* serverPage = page(serverIndex);
    if (!serverPage)
        return nullptr;
    const QString caption = u"msg: "_s + nickname.toLower();
    for (ChatPage* inner : serverPage->pages()) {
        if (inner->caption().toLower() == caption)
            return inner;
    }
    return nullptr;
}

ChatPage* ChatPages::AddChannelPage(int serverIndex, const QString& channel)
{
    ServerPage* serverPage = page(serverIndex);
    if (!serverPage)
        return nullptr;
    return serverPage->appendPage(ChatPage::Kind::Channel,
                                  ChatPage::ChannelPrefix.toString() + channel);
}

ChatPage* ChatPages::AddPrivatePage(int serverIndex, const QString& nickname)
{
    ServerPage* serverPage = page(serverIndex);
    if (!serverPage)
        return nullptr;
    return serverPage->appendPage(ChatPage::Kind::Private,
                                  ChatPage::PrivatePrefix.toString() + nickname);
}

ChatPage* ChatPages::AddChannelPage(int serverIndex, const QByteArray& wireChannel)
{
    ChatPage* page = AddChannelPage(serverIndex, WireToDisplay(wireChannel));
    if (page)
        page->setWireName(wireChannel);
    return page;
}

ChatPage* ChatPages::AddPrivatePage(int serverIndex, const QByteArray& wireNickname)
{
    ChatPage* page = AddPrivatePage(serverIndex, WireToDisplay(wireNickname));
    if (page)
        page->setWireName(wireNickname);
    return page;
}

ChatPage* ChatPages::OpenPrivatePage(int serverIndex, const QString& nickname)
{
    ChatPage* found = FindPrivatePage(serverIndex, nickname);
    if (!found)
        found = AddPrivatePage(serverIndex, nickname);
    ShowPage(found);
    return found;
}

void ChatPages::ShowPage(ChatPage* page)
{
    if (!page)
        return;
    if (ServerPage* serverPage = this->page(page->serverIndex()))
        serverPage->setCurrentPage(page);
    FocusInput(page);
}

void ChatPages::FocusInput(ChatPage* page)
{
    if (page)
        Q_EMIT inputFocusRequested(page);
}

void ChatPages::RemovePage(ChatPage* page)
{
    if (!page)
        return;
    if (ServerPage* serverPage = this->page(page->serverIndex()))
        serverPage->removePage(page);
}

void ChatPages::AddOutputLine(ChatPage* page, QByteArrayView taggedLine)
{
    if (page && page->output())
        page->output()->appendLine(taggedLine);
}

void ChatPages::onLinesAdded(ChatPage* page)
{
    const ServerPage* serverPage = this->page(page->serverIndex());
    TServer* record = m_servers.FindServer(page->serverIndex());
    if (!serverPage || !record)
        return;
    const int number = serverPage->indexOf(page);
    if (number < 0 || number >= MarkablePages)
        return;
    if (record->unreadPages().test(size_t(number)) || number == serverPage->currentIndex())
        return;
    record->unreadPages().set(size_t(number));
    RefreshActivity(page->serverIndex());
}

void ChatPages::onCurrentIndexChanged(ServerPage* serverPage, int index)
{
    if (TServer* record = m_servers.FindServer(serverPage->serverIndex())) {
        if (index >= 0 && index < MarkablePages)
            record->unreadPages().reset(size_t(index));
    }
    RefreshActivity(serverPage->serverIndex());
}

void ChatPages::RefreshActivity(int serverIndex)
{
    const ServerPage* serverPage = page(serverIndex);
    TServer* record = m_servers.FindServer(serverIndex);
    if (!serverPage || !record)
        return;
    const std::bitset<MarkablePages>& unread = record->unreadPages();
    QList<int> marked;
    for (int number = 0; number < serverPage->count(); ++number) {
        const bool isMarked = number < MarkablePages && unread.test(size_t(number));
        serverPage->page(number)->setHighlighted(isMarked);
        if (isMarked)
            marked.append(number);
    }
    m_activityText = ActivityText(marked);
    Q_EMIT activityChanged(m_activityText);
}

QString ChatPages::ActivityText(const QList<int>& markedPages)
{
    if (markedPages.isEmpty())
        return {};
    QStringList numbers;
    numbers.reserve(markedPages.size());
    for (int number : markedPages)
        numbers.append(QString::number(number + 1));
    return u" Act: "_s + numbers.join(u", "_s);
}

void ChatPages::SubmitInput(ChatPage* page, const QString& text)
{
    if (!page)
        return;
    const int serverIndex = page->serverIndex();
    if (TServer* record = m_servers.FindServer(serverIndex))
        record->inputHistory().append(text);
    if (text.startsWith(u'/')) {
        const QString line = text.contains(u' ') ? text : text + u' ';
        const qsizetype space = line.indexOf(u' ');
        Q_EMIT commandEntered(serverIndex, line.mid(1, space - 1), line.mid(space + 1));
        return;
    }
    switch (page->kind()) {
    case ChatPage::Kind::Private:
        m_servers.SendToServer(serverIndex, PrivateMessageType,
                               {page->wireName(), DisplayToWire(text)});
        break;
    case ChatPage::Kind::Channel:
        // An empty line goes out too: the server decides what to make of it.
        m_servers.SendToServer(serverIndex, PublicMessageType,
                               {page->wireName(), DisplayToWire(text)});
        break;
    case ChatPage::Kind::ServerMessages:
    case ChatPage::Kind::Hotlist:
        break;
    }
}

void ChatPages::SubmitServerInput(int serverIndex, const QString& text)
{
    if (ServerPage* serverPage = page(serverIndex))
        SubmitInput(serverPage->serverMessagesPage(), text);
}

void ChatPages::SendWhois(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, WhoisType, {DisplayToWire(nickname)});
}

void ChatPages::SendHotlistAdd(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, HotlistAddType, {DisplayToWire(nickname)});
}

void ChatPages::SendIgnore(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, IgnoreType, {DisplayToWire(nickname)});
}

void ChatPages::LeaveChannel(ChatPage* page)
{
    if (page && page->isChannel())
        m_servers.SendToServer(page->serverIndex(), PartType, {page->wireName()});
}

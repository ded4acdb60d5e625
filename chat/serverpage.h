#pragma once

// The chat page of one connection: its caption and its inner pages, in order:
// 0 "Server Messages", 1 "Hotlist", then channel and private pages, each appended at the end
// when it is made. One per server index, made by ChatPages at the login acknowledgement and
// kept across reconnects until the connection record goes.
//
// The position of an inner page is its page number (the unread marks, Alt+digit, the
// activity panel use it); closing a page moves the pages after it down by one. The current
// (active) inner page is state of the core: the page control shows it and reports the user's
// choice through setCurrentIndex.
//
// The hotlist page's three lists are models that the hotlist and ignore code provides and the
// page owns; like a channel's user list, each keeps its rows in display order itself.

#include "chat/chatpage.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class ChatLineModel;
class QAbstractItemModel;

class ServerPage final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerPage)

public:
    // The inner pages every server page starts with, in this order.
    enum InnerPage { ServerMessagesPage = 0, HotlistPage = 1, FirstOwnPage = 2 };
    enum HotlistList { OnlineUsersList = 0, OfflineUsersList, IgnoreList, HotlistListCount };

    ServerPage(int serverIndex, const QString& host, QObject* parent = nullptr);
    ~ServerPage() override;

    int serverIndex() const { return m_serverIndex; }
    QString host() const { return m_host; }
    // host + " (" + server index + ")"
    QString caption() const;
    // A reconnect may follow an edit of the server's host.
    void setHost(const QString& host);

    // --- Inner pages ---
    int count() const { return int(m_pages.size()); }
    // Null outside 0..count()-1.
    ChatPage* page(int index) const { return m_pages.value(index); }
    const QList<ChatPage*>& pages() const { return m_pages; }
    int indexOf(const ChatPage* page) const;
    // Captions of the inner pages, in order.
    QStringList innerPageNames() const;

    ChatPage* serverMessagesPage() const { return m_pages.at(ServerMessagesPage); }
    ChatPage* hotlistPage() const { return m_pages.at(HotlistPage); }
    // The lines of "Server Messages".
    ChatLineModel& serverMessages() const;

    // Appends a channel or private page at the end. The page does not become current.
    ChatPage* appendPage(ChatPage::Kind kind, const QString& caption);
    // Removes and deletes an inner page of kind Channel or Private (the first two stay). When
    // it was the current page, the last inner page becomes current.
    void removePage(ChatPage* page);

    // The active inner page.
    int currentIndex() const { return m_current; }
    ChatPage* currentPage() const { return page(m_current); }
    // Ignored outside 0..count()-1.
    void setCurrentIndex(int index);
    void setCurrentPage(ChatPage* page) { setCurrentIndex(indexOf(page)); }

    // --- The hotlist page's lists (the page owns the models; a previous one is deleted) ---
    void setHotlistModel(HotlistList list, QAbstractItemModel* model);
    QAbstractItemModel* hotlistModel(HotlistList list) const;

Q_SIGNALS:
    void captionChanged(const QString& caption);
    // The page is in pages() at `index`.
    void pageInserted(int index, ChatPage* page);
    // The page was at `index` and is no longer in pages(); it is deleted later.
    void pageRemoved(int index, ChatPage* page);
    void currentIndexChanged(int index);
    void hotlistModelChanged(int list);

private:
    const int m_serverIndex;
    QString m_host;
    QList<ChatPage*> m_pages;
    int m_current = ServerMessagesPage;
    QAbstractItemModel* m_hotlistModels[HotlistListCount] = {};
};

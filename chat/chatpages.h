#pragma once

// The chat pages of all connections: one ServerPage per server index. The page is made when
// the server acknowledges the login and goes when the connection record is released. A
// reconnect (the record lives on through its countdown) finds the page still there and
// reuses it, so every look-up by server index finds exactly one page, and the lines from
// before the reconnect stay readable.
//
// How to use the page tree (for the channel, private message and notice handlers):
//
//   ServerPage* sp = pages.page(serverIndex);          // null: no page (yet), drop the line
//   sp->page(i), sp->count(), sp->currentPage(), sp->setCurrentPage(p), sp->indexOf(p)
//   ChatPage* c = pages.FindChannelPage(serverIndex, u"#chan"_s);   // caption exact
//   ChatPage* m = pages.FindPrivatePage(serverIndex, u"Bob"_s);     // case ignored
//   ChatPage* n = pages.AddChannelPage(serverIndex, name);   // 405: always a new page, at the
//                                                            // end, not made current
//   ChatPage* q = pages.AddPrivatePage(serverIndex, nick);   // new private page, not current
//   (both also take the name as received, QByteArray: captions decode it, sends use the bytes)
//   pages.OpenPrivatePage(serverIndex, nick);   // find or make, make current, focus its input
//   pages.ShowPage(page);                       // make current and focus its input line
//   pages.RemovePage(page);                     // 401 / "Close": gone, last page current if
//                                               // it was current
//   pages.AddOutputLine(page, taggedBytes);     // append to page->output(); unread marks follow
//   page->topic()->clear(); page->topic()->appendLine(bytes);   // channel topic view
//   page->setUserList(model); page->setLabel(text);              // channel user list + label
//   sp->setHotlistModel(ServerPage::OnlineUsersList, model);     // hotlist page lists
//   pages.RefreshActivity(serverIndex);
//
// The lines are tagged bytes (chat/irctags.h); a ChatPage's name() is its caption after the
// first space. Every add/remove/current change is signalled on ServerPage, so widgets follow
// whatever order the handlers call these in. To bring a new conversation to the front, call
// MainViewState::showServerPage first (it shows "Server Messages"), then ShowPage.
//
// Menu items whose work belongs to other parts of the chat (browse, hotlist and ignore
// input boxes, the channel list window) are requests: the signals below, which those parts
// connect to.

#include "chat/chatpage.h"
#include "chat/serverpage.h"

#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>

class TServers;

class ChatPages final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatPages)

public:
    explicit ChatPages(TServers& servers, QObject* parent = nullptr);
    ~ChatPages() override;

    TServers& servers() const { return m_servers; }

    ServerPage* page(int serverIndex) const;
    // In creation order.
    const QList<ServerPage*>& pages() const { return m_pages; }
    int count() const { return int(m_pages.size()); }
    bool isEmpty() const { return m_pages.isEmpty(); }

    // Makes the page of a server, or returns the one it has.
    ServerPage* openServerPage(int serverIndex);
    void closeServerPage(int serverIndex);

    // --- Look-ups: the first inner page that matches, or null ---
    // Caption equals "Channel: " + channel, letter case counts.
    ChatPage* FindChannelPage(int serverIndex, const QString& channel) const;
    // Lower-cased caption equals "msg: " + lower-cased nickname.
    ChatPage* FindPrivatePage(int serverIndex, const QString& nickname) const;

    // --- Making and removing inner pages (null when the server has no page) ---
    ChatPage* AddChannelPage(int serverIndex, const QString& channel);
    ChatPage* AddPrivatePage(int serverIndex, const QString& nickname);
    // The same for a name received from the server: the caption shows it decoded, and what
    // the page sends names it in the bytes received.
    ChatPage* AddChannelPage(int serverIndex, const QByteArray& wireChannel);
    ChatPage* AddPrivatePage(int serverIndex, const QByteArray& wireNickname);
    // Finds the private page of the nickname or makes it at the end, makes it the current
    // inner page and gives its input line the focus. The server page shown in the Chat tab
    // does not change.
    ChatPage* OpenPrivatePage(int serverIndex, const QString& nickname);
    // Makes the page the current inner page of its connection and focuses its input line.
    void ShowPage(ChatPage* page);
    // Asks the view to focus the page's input line (only while the window shows it).
    void FocusInput(ChatPage* page);
    // Removes a channel or private page with its lines; when it was current, the last inner
    // page becomes current. No message is sent.
    void RemovePage(ChatPage* page);

    // --- Output and unread marks ---
    // Appends a tagged line to the page's output view. The unread rule then runs: a page that
    // is not the current inner page gets its number marked and the activity refreshed.
    void AddOutputLine(ChatPage* page, QByteArrayView taggedLine);
    // Tab highlights of the server's inner pages and the activity text from the connection's
    // unread pages.
    void RefreshActivity(int serverIndex);
    // " Act: 3, 5", or empty: the marks of the connection whose marks changed last.
    QString activityText() const { return m_activityText; }
    // The activity text for a set of marked page numbers (0-based; shown 1-based).
    static QString ActivityText(const QList<int>& markedPages);

    // --- The input line ---
    // Enter in the input line of an inner page. The line is kept in the connection's input
    // history, whatever it holds. A line that starts with "/" is a command: its name runs up
    // to the first space, the arguments are everything after that space (commandEntered).
    // Otherwise a channel page sends 402 (also when empty), a private page 205, and
    // "Server Messages" nothing.
    void SubmitInput(ChatPage* page, const QString& text);
    // SubmitInput on the server's "Server Messages" page.
    void SubmitServerInput(int serverIndex, const QString& text);

    // --- Menu sends, to the page's connection ---
    void SendWhois(int serverIndex, const QString& nickname);      // 603
    void SendHotlistAdd(int serverIndex, const QString& nickname); // 207
    void SendIgnore(int serverIndex, const QString& nickname);     // 322
    // "Close" of a channel page: 401 with its name; the page goes when the server confirms.
    void LeaveChannel(ChatPage* page);

Q_SIGNALS:
    void pageAdded(ServerPage* page);
    // The page is no longer in pages(); the object itself is deleted later.
    void pageRemoved(int serverIndex);
    void commandEntered(int serverIndex, const QString& command, const QString& arguments);
    // The view focuses the page's input line when it and the window are visible.
    void inputFocusRequested(ChatPage* page);
    void activityChanged(const QString& text);

    // Requests from the pages' menus, for the parts that own those actions.
    void browseRequested(int serverIndex, const QString& nickname);
    // "List Channels" of a channel page: request the list and show its window.
    void channelListRequested(int serverIndex);
    void hotlistAddRequested(int serverIndex);
    void hotlistRemoveRequested(int serverIndex, const QString& nickname);
    void ignoreAddRequested(int serverIndex);
    void ignoreRemoveRequested(int serverIndex, const QString& nickname);

private:
    void watchPage(ChatPage* page);
    void onLinesAdded(ChatPage* page);
    void onCurrentIndexChanged(ServerPage* serverPage, int index);

    TServers& m_servers;
    QList<ServerPage*> m_pages;
    QString m_activityText;
};

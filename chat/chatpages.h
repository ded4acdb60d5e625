#pragma once

// The chat pages of all connections: one ServerPage per server index. The page is made when
// the server acknowledges the login and goes when the connection record is released. A
// reconnect (the record lives on through its countdown) finds the page still there and
// reuses it, so every look-up by server index finds exactly one page, and the lines from
// before the reconnect stay readable.

#include "chat/serverpage.h"

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

    ServerPage* page(int serverIndex) const;
    // In creation order.
    const QList<ServerPage*>& pages() const { return m_pages; }
    int count() const { return int(m_pages.size()); }
    bool isEmpty() const { return m_pages.isEmpty(); }

    // Makes the page of a server, or returns the one it has.
    ServerPage* openServerPage(int serverIndex);
    void closeServerPage(int serverIndex);

    // Enter in an input line of the server's "Server Messages" page. The line is kept in the
    // connection's input history, whatever it holds. A line that starts with "/" is a command:
    // its name runs up to the first space, the arguments are everything after that space.
    // Any other line goes nowhere from this page.
    void SubmitServerInput(int serverIndex, const QString& text);

Q_SIGNALS:
    void pageAdded(ServerPage* page);
    // The page is no longer in pages(); the object itself is deleted later.
    void pageRemoved(int serverIndex);
    void commandEntered(int serverIndex, const QString& command, const QString& arguments);

private:
    TServers& m_servers;
    QList<ServerPage*> m_pages;
};

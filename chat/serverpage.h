#pragma once

// The chat page of one connection: its caption, its inner pages and the lines of its
// "Server Messages" page. One per server index, made by ChatPages at the login
// acknowledgement and kept across reconnects until the connection record goes.

#include "chat/chatlines.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ServerPage final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerPage)

public:
    // The inner pages every server page starts with, in this order.
    enum InnerPage { ServerMessagesPage = 0, HotlistPage = 1 };

    ServerPage(int serverIndex, const QString& host, QObject* parent = nullptr);

    int serverIndex() const { return m_serverIndex; }
    QString host() const { return m_host; }
    // host + " (" + server index + ")"
    QString caption() const;
    // A reconnect may follow an edit of the server's host.
    void setHost(const QString& host);

    // Captions of the inner pages, in order.
    QStringList innerPageNames() const;

    ChatLines& serverMessages() { return m_serverMessages; }
    const ChatLines& serverMessages() const { return m_serverMessages; }

Q_SIGNALS:
    void captionChanged(const QString& caption);

private:
    const int m_serverIndex;
    QString m_host;
    ChatLines m_serverMessages;
};

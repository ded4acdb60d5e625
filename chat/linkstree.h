#pragma once

// The server links window's state (TLinksForm draws it): the tree of linked servers that
// 10112 messages describe, one link per message, and an empty first field to end the list.
// Each link "server port linked-server port hops" adds the linked server as a child of every
// node named like the server (letter case ignored) that exists when the message comes; the
// first server named becomes the root. At the end the status reads the node count and the
// window is shown.
//
// A hostile server could name the same server on both sides of a link again and again and
// double the tree with each message; the tree stops growing at MaxNodes.

#include <QHash>
#include <QList>
#include <QObject>
#include <QStandardItemModel>
#include <QString>

class MessageDispatcher;
class TServers;
struct MessageInput;

class LinksTree final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinksTree)

public:
    static constexpr int MaxNodes = 10000;

    // Registers 10112.
    LinksTree(TServers& servers, MessageDispatcher& dispatcher, QObject* parent = nullptr);

    // "Show Links" of the server list: 10112 with no fields.
    void RequestLinks(int serverIndex);

    QString title() const { return m_title; }
    QString statusText() const { return m_statusText; }
    // One column of server names.
    QStandardItemModel& tree() { return m_tree; }
    int nodeCount() const { return m_nodeCount; }

    // One 10112 message (SplitFields, 5).
    void handleLink(const QByteArrayList& fields);

Q_SIGNALS:
    void titleChanged(const QString& title);
    void statusTextChanged(const QString& text);
    // The list is complete: expand every node and show the window modally.
    void showRequested();

private:
    void addNode(QStandardItem* parent, const QString& name);
    void reset();
    void setTitle(const QString& title);
    void setStatusText(const QString& text);

    TServers& m_servers;
    QStandardItemModel m_tree;
    QString m_title;
    QString m_statusText;
    // Every node by its case-folded name, in the order they were made.
    QHash<QString, QList<QStandardItem*>> m_nodesByName;
    int m_nodeCount = 0;
};

#include "chat/linkstree.h"

#include "protocol/messagedispatcher.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgLinks = 10112;

QStandardItem* MakeNode(const QString& name)
{
    auto* item = new QStandardItem(name);
    item->setEditable(false);
    return item;
}

} // namespace

LinksTree::LinksTree(TServers& servers, MessageDispatcher& dispatcher, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
{
    m_tree.setColumnCount(1);
    dispatcher.registerHandler(
        MsgLinks, [this](int, const MessageInput& input) { handleLink(input.fields); });
}

void LinksTree::RequestLinks(int serverIndex)
{
    m_servers.SendToServer(serverIndex, MsgLinks, {});
}

void LinksTree::handleLink(const QByteArrayList& fields)
{
    // A status text means the last list was completed: this message starts a new one.
    if (!m_statusText.isEmpty())
        reset();

    const QString server = WireToDisplay(fields.value(0));
    if (server.isEmpty()) {
        if (m_title.isEmpty())
            setTitle(u"Server links"_s);
        setStatusText(QString::number(m_nodeCount) + u" linked server(s)"_s);
        Q_EMIT showRequested();
        return;
    }

    QStandardItem* root = m_tree.invisibleRootItem();
    if (root->rowCount() == 0) {
        setTitle(u"Server links for "_s + server);
        addNode(root, server);
    }
    // Each node named like the server gets one child. Which node is served first makes no
    // difference to the tree, so the nodes are found by name rather than by walking the
    // tree; the list is copied first, so that children added now are not visited.
    const QList<QStandardItem*> nodes = m_nodesByName.value(server.toCaseFolded());
    const QString linked = WireToDisplay(fields.value(2));
    for (QStandardItem* node : nodes) {
        if (m_nodeCount >= MaxNodes)
            break;
        addNode(node, linked);
    }
}

void LinksTree::addNode(QStandardItem* parent, const QString& name)
{
    QStandardItem* node = MakeNode(name);
    parent->appendRow(node);
    m_nodesByName[name.toCaseFolded()].append(node);
    ++m_nodeCount;
}

void LinksTree::reset()
{
    setTitle(QString());
    setStatusText(QString());
    m_tree.removeRows(0, m_tree.rowCount());
    m_nodesByName.clear();
    m_nodeCount = 0;
}

void LinksTree::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

void LinksTree::setStatusText(const QString& text)
{
    if (text == m_statusText)
        return;
    m_statusText = text;
    Q_EMIT statusTextChanged(text);
}

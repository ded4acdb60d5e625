#include "chat/serverpage.h"

#include "chat/chatlinemodel.h"

#include <QAbstractItemModel>

using namespace Qt::StringLiterals;

ServerPage::ServerPage(int serverIndex, const QString& host, QObject* parent)
    : QObject(parent)
    , m_serverIndex(serverIndex)
    , m_host(host)
{
    m_pages.append(new ChatPage(serverIndex, ChatPage::Kind::ServerMessages,
                                ChatPage::ServerMessagesCaption.toString(), this));
    m_pages.append(new ChatPage(serverIndex, ChatPage::Kind::Hotlist,
                                ChatPage::HotlistCaption.toString(), this));
}

ServerPage::~ServerPage() = default;

QString ServerPage::caption() const
{
    return m_host + u" ("_s + QString::number(m_serverIndex) + u")"_s;
}

void ServerPage::setHost(const QString& host)
{
    if (host == m_host)
        return;
    m_host = host;
    Q_EMIT captionChanged(caption());
}

int ServerPage::indexOf(const ChatPage* page) const
{
    for (int i = 0; i < m_pages.size(); ++i) {
        if (m_pages.at(i) == page)
            return i;
    }
    return -1;
}

QStringList ServerPage::innerPageNames() const
{
    QStringList names;
    names.reserve(m_pages.size());
    for (const ChatPage* page : m_pages)
        names.append(page->caption());
    return names;
}

ChatLineModel& ServerPage::serverMessages() const
{
    return *serverMessagesPage()->output();
}

ChatPage* ServerPage::appendPage(ChatPage::Kind kind, const QString& caption)
{
    auto* created = new ChatPage(m_serverIndex, kind, caption, this);
    m_pages.append(created);
    Q_EMIT pageInserted(int(m_pages.size()) - 1, created);
    return created;
}

void ServerPage::removePage(ChatPage* page)
{
    const int index = indexOf(page);
    if (index < FirstOwnPage)
        return;
    const int oldCurrent = m_current;
    m_pages.removeAt(index);
    if (oldCurrent > index)
        --m_current; // the same page stays current at its new position
    else if (oldCurrent == index)
        m_current = int(m_pages.size()) - 1;
    Q_EMIT pageRemoved(index, page);
    if (oldCurrent >= index)
        Q_EMIT currentIndexChanged(m_current);
    // Views drop their references in pageRemoved; the page may be on the stack of the caller.
    page->deleteLater();
}

void ServerPage::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_pages.size() || index == m_current)
        return;
    m_current = index;
    Q_EMIT currentIndexChanged(m_current);
}

void ServerPage::setHotlistModel(HotlistList list, QAbstractItemModel* model)
{
    if (list < 0 || list >= HotlistListCount || m_hotlistModels[list] == model)
        return;
    QAbstractItemModel* old = m_hotlistModels[list];
    m_hotlistModels[list] = model;
    if (model)
        model->setParent(this);
    Q_EMIT hotlistModelChanged(list);
    if (old)
        old->deleteLater();
}

QAbstractItemModel* ServerPage::hotlistModel(HotlistList list) const
{
    if (list < 0 || list >= HotlistListCount)
        return nullptr;
    return m_hotlistModels[list];
}

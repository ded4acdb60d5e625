#include "chat/chatpage.h"

#include "chat/chatlinemodel.h"
#include "protocol/wiretext.h"

#include <QAbstractItemModel>

using namespace Qt::StringLiterals;

ChatPage::ChatPage(int serverIndex, Kind kind, const QString& caption, QObject* parent)
    : QObject(parent)
    , m_serverIndex(serverIndex)
    , m_kind(kind)
    , m_caption(caption)
{
    if (m_kind != Kind::Hotlist)
        m_output = new ChatLineModel(this);
    // The topic view shows one line; a cap of one keeps it so whoever writes to it.
    if (m_kind == Kind::Channel)
        m_topic = new ChatLineModel(1, this);
}

ChatPage::~ChatPage() = default;

QString ChatPage::name() const
{
    // As TextAfter: a caption without a space is its own name.
    return m_caption.mid(m_caption.indexOf(u' ') + 1);
}

QByteArray ChatPage::wireName() const
{
    return m_wireName.isNull() ? DisplayToWire(name()) : m_wireName;
}

void ChatPage::setUserList(QAbstractItemModel* model)
{
    if (model == m_userList)
        return;
    QAbstractItemModel* old = m_userList;
    m_userList = model;
    if (m_userList)
        m_userList->setParent(this);
    Q_EMIT userListChanged();
    // Views let go of the old model in userListChanged.
    if (old)
        old->deleteLater();
}

QStringList ChatPage::userNicknames() const
{
    QStringList nicknames;
    if (!m_userList)
        return nicknames;
    const int rows = m_userList->rowCount();
    nicknames.reserve(rows);
    for (int row = 0; row < rows; ++row)
        nicknames.append(m_userList->index(row, 0).data(Qt::DisplayRole).toString());
    return nicknames;
}

void ChatPage::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    Q_EMIT labelChanged(m_label);
}

void ChatPage::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    Q_EMIT highlightedChanged(m_highlighted);
}

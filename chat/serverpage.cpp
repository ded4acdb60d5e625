#include "chat/serverpage.h"

using namespace Qt::StringLiterals;

ServerPage::ServerPage(int serverIndex, const QString& host, QObject* parent)
    : QObject(parent)
    , m_serverIndex(serverIndex)
    , m_host(host)
{
}

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

QStringList ServerPage::innerPageNames() const
{
    return {u"Server Messages"_s, u"Hotlist"_s};
}

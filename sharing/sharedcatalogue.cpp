#include "sharing/sharedcatalogue.h"

#include "config/userprompts.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "sharing/sharemessages.h"
#include "sharing/sharepath.h"

#include <QDir>
#include <QSet>

SharedCatalogue::SharedCatalogue(TServers& servers, UserPrompts& prompts,
                                 const QString& startDirectory, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_prompts(prompts)
    , m_sharedDatPath(QDir(startDirectory).filePath(QLatin1StringView(SharedFileList::FileName)))
    , m_model(m_icons)
{
    connect(&m_servers, &TServers::lastRecordReleased, this, [this] {
        if (m_rowRemovalAttached)
            m_model.emptyWithTotals();
    });
}

void SharedCatalogue::load()
{
    m_list.LoadSharedList(m_sharedDatPath);
    m_kinds.LoadFileKinds();
}

bool SharedCatalogue::sendToAll(int messageType, const QByteArrayList& fields)
{
    if (!FitsOneFrame(fields))
        return false;
    // A copy: a send may end a connection, and the registry may change under the loop.
    const QList<TServer*> records = m_servers.records();
    for (const TServer* record : records)
        m_servers.SendToServer(record->serverIndex(), messageType, fields);
    return true;
}

void SharedCatalogue::Unshare(const QList<int>& rows)
{
    QList<int> taken;
    QSet<int> seen;
    for (const int row : rows) {
        if (row < 0 || row >= m_model.rowCount() || seen.contains(row))
            continue;
        seen.insert(row);
        taken.append(row);
        const QByteArray path = m_model.fullPath(row);
        sendToAll(ShareMessage::UnshareFile, UnshareFileFields(path));
        m_list.remove(path);
    }
    m_model.removeShareRows(taken);
}

void SharedCatalogue::openFile(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    m_prompts.openWithDesktop(FileUrlOf(m_model.fullPath(row)));
}

void SharedCatalogue::detachRowRemoval()
{
    m_rowRemovalAttached = false;
    m_model.setRemovalRuleEnabled(false);
}

#include "sharing/iconcache.h"

#include "sharing/sharepath.h"

#include <QAbstractFileIconProvider>
#include <QFile>
#include <QFileInfo>

int IconCache::indexFor(const QByteArray& path)
{
    const QByteArray extension = PathExtension(path).toLower();
    const auto found = m_index.constFind(extension);
    if (found != m_index.cend())
        return found.value();
    QIcon icon;
    if (m_provider)
        icon = m_provider->icon(QFileInfo(QFile::decodeName(path)));
    const int index = int(m_icons.size());
    m_extensions.append(extension);
    m_icons.append(icon);
    m_index.insert(extension, index);
    return index;
}

#include "sharing/sharedfilelist.h"

#include "sharing/sharepath.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

using namespace Qt::StringLiterals;

qsizetype SharedFileList::lowerBound(const QByteArray& path) const
{
    return std::lower_bound(m_entries.cbegin(), m_entries.cend(), path, SharePathLess) -
           m_entries.cbegin();
}

bool SharedFileList::contains(const QByteArray& path) const
{
    const qsizetype at = lowerBound(path);
    return at < m_entries.size() && m_entries.at(at) == path;
}

bool SharedFileList::add(const QByteArray& path)
{
    const qsizetype at = lowerBound(path);
    if (at < m_entries.size() && m_entries.at(at) == path)
        return false;
    m_entries.insert(at, path);
    return true;
}

void SharedFileList::addMany(QList<QByteArray> paths)
{
    if (paths.size() < 8) {
        for (const QByteArray& path : std::as_const(paths))
            add(path);
        return;
    }
    SortSharePaths(paths);
    QList<QByteArray> merged;
    merged.reserve(m_entries.size() + paths.size());
    std::merge(m_entries.cbegin(), m_entries.cend(), paths.cbegin(), paths.cend(),
               std::back_inserter(merged), SharePathLess);
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    m_entries = std::move(merged);
}

bool SharedFileList::remove(const QByteArray& path)
{
    const qsizetype at = lowerBound(path);
    if (at >= m_entries.size() || m_entries.at(at) != path)
        return false;
    m_entries.remove(at);
    return true;
}

void SharedFileList::LoadSharedList(const QString& filePath)
{
    m_entries.clear();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    m_entries = ParseSharedList(content);
}

QList<QByteArray> SharedFileList::ParseSharedList(const QByteArray& content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = content.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && content.at(end) != '\r' && content.at(end) != '\n')
            ++end;
        const QByteArray line = content.mid(start, end - start);
        if (IsShareablePath(line))
            lines.append(line);
        if (end < size && content.at(end) == '\r' && end + 1 < size && content.at(end + 1) == '\n')
            ++end;
        start = end + 1;
    }
    SortSharePaths(lines);
    return lines;
}

QByteArray SharedFileList::fileContent() const
{
    qsizetype total = 0;
    for (const QByteArray& path : m_entries)
        total += path.size() + 2;
    QByteArray content;
    content.reserve(total);
    for (const QByteArray& path : m_entries) {
        content += path;
        content += "\r\n";
    }
    return content;
}

bool SharedFileList::SaveSharedList(const QString& filePath, const QByteArray& content,
                                    QString* error)
{
    if (content.isEmpty()) {
        QFile file(filePath);
        if (!file.exists() || file.remove())
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
    QSaveFile file(filePath);
    // Never write in place: a failure half way must leave the old list readable.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString SharedFileList::SaveFailedText(const QString& filePath)
{
    return u"Cannot save shared files list to "_s + filePath;
}

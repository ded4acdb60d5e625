#include "sharing/folderwalker.h"

#include "sharing/sharepath.h"

#include <dirent.h>
#include <sys/stat.h>

FolderWalker::FolderWalker(QSet<QByteArray> wantedExtensions, bool recurse,
                           const std::atomic_bool& stop, ShareFileHook hook)
    : m_wanted(std::move(wantedExtensions))
    , m_recurse(recurse)
    , m_stop(stop)
    , m_hook(std::move(hook))
{
}

bool FolderWalker::walk(const QByteArray& folder)
{
    if (folder.isEmpty() || folder.contains('\0'))
        return true;
    // Folders still to walk. Each folder is read whole and closed before its sub-folders are
    // opened, so a deep tree neither deepens the stack nor holds a descriptor per level.
    QList<QByteArray> pending{folder};
    while (!pending.isEmpty()) {
        if (m_stop.load())
            return false;
        const QByteArray next = pending.takeLast();
        if (!walkFolder(next))
            return false;
        // walkFolder appends the sub-folders it met to m_subFolders; they go on the stack in
        // reverse so that they are walked in the order they were listed.
        while (!m_subFolders.isEmpty())
            pending.append(m_subFolders.takeLast());
    }
    return true;
}

bool FolderWalker::walkFolder(const QByteArray& folder)
{
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return true; // gone, not a folder, or not readable: skipped
    struct stat info {};
    if (fstat(dirfd(dir), &info) != 0 ||
        !m_visited.insert({quint64(info.st_dev), quint64(info.st_ino)}).second) {
        closedir(dir);
        return true; // walked already (a link loop, or two ways to one folder)
    }
    QByteArray prefix = folder;
    if (!prefix.endsWith('/'))
        prefix += '/';

    bool completed = true;
    for (;;) {
        if (m_stop.load()) {
            completed = false;
            break;
        }
        const dirent* entry = readdir(dir);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        const QByteArray path = prefix + name;
        if (m_hook)
            m_hook(path);
        const QByteArray extension = PathExtension(path).toLower();
        if (!extension.isEmpty() && m_wanted.contains(extension) && IsShareablePath(path))
            m_found.append(path);
        if (!m_recurse)
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat target {};
            isFolder = stat(path.constData(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        if (isFolder)
            m_subFolders.append(path);
    }
    closedir(dir);
    if (!completed)
        m_subFolders.clear();
    return completed;
}

QList<QByteArray> FolderWalker::takeFound()
{
    QList<QByteArray> found = std::exchange(m_found, {});
    SortSharePaths(found);
    return found;
}

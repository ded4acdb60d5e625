#pragma once

// The scanner's walk through the shared folders, on its worker thread. Works on the native
// bytes of every name (names that are not valid UTF-8 are found and kept as they are).
//
// - Every entry of a folder is looked at, hidden ones included, except names beginning with
//   "." (so "." and ".." too): those are never shared.
// - An entry whose extension (with its dot, any letter case) is wanted is found, whatever it is:
//   a folder named "x.mp3" is found too, and the passes that follow deal with it.
// - With sub-folders, every folder entry is walked in turn. Symbolic links to folders are
//   followed, but no folder is walked twice: folders are known by (device, inode), so a link
//   back to a parent, a link loop or two links to one folder cost nothing.
// - A folder that does not exist or cannot be read is skipped; so is an entry that vanishes
//   while it is looked at.
// - Paths that cannot be shared (IsShareablePath) are never found.
// - A stop request is honoured between entries.

#include "sharing/sharestep.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <atomic>
#include <set>
#include <utility>

class FolderWalker final {
    Q_DISABLE_COPY_MOVE(FolderWalker)

public:
    // `wantedExtensions`: lower case, with their dots.
    FolderWalker(QSet<QByteArray> wantedExtensions, bool recurse, const std::atomic_bool& stop,
                 ShareFileHook hook = {});

    // Walks one folder (a native path, with or without a trailing separator). False when a
    // stop request ended it.
    bool walk(const QByteArray& folder);
    // What was found so far, sorted (SharePathLess), without duplicates.
    QList<QByteArray> takeFound();

private:
    bool walkFolder(const QByteArray& folder);

    QSet<QByteArray> m_wanted;
    bool m_recurse;
    const std::atomic_bool& m_stop;
    ShareFileHook m_hook;
    std::set<std::pair<quint64, quint64>> m_visited;
    QList<QByteArray> m_found;
    // Sub-folders met by the folder being walked, in the order they were listed.
    QList<QByteArray> m_subFolders;
};

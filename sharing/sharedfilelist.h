#pragma once

// The shared file list: the full local paths of the files this client shares, ordered without
// regard to case and free of duplicates (see sharepath.h for order and identity), and its file
// shared.dat in the start directory.
//
// The list lives on the main thread. The workers that fill it (the scanner) hand their paths
// over by queued call, and the data-port listener asks contains() from the main thread too; so
// no lock is needed.
//
// shared.dat: one path per line, each ended by CR LF, in list order, the raw bytes of the path.
// An empty list is stored as the absence of the file.

#include <QByteArray>
#include <QList>
#include <QString>

class SharedFileList final {
public:
    static constexpr const char* FileName = "shared.dat";

    SharedFileList() = default;

    const QList<QByteArray>& entries() const { return m_entries; }
    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    bool contains(const QByteArray& path) const;

    // Sorted insertion; an exact duplicate is ignored. Returns whether the path was added.
    bool add(const QByteArray& path);
    // Many at once, in one merge (the scanner hands over hundreds of paths at a time).
    void addMany(QList<QByteArray> paths);
    bool remove(const QByteArray& path);
    void clear() { m_entries.clear(); }

    // Replaces the list with the lines of shared.dat at `filePath`. A missing or unreadable
    // file leaves the list empty, silently. Empty lines and lines that name no shareable path
    // (see IsShareablePath) are dropped.
    void LoadSharedList(const QString& filePath);
    // The file's lines: a line ends at CR, LF or CR LF. Sorted, duplicates dropped.
    static QList<QByteArray> ParseSharedList(const QByteArray& content);
    // What shared.dat holds for the current list (empty for an empty list).
    QByteArray fileContent() const;

    // Writes `content` to `filePath` atomically: the file is replaced only once the new one is
    // complete, so a failure (full disk, no permission) leaves the old file as it was. Empty
    // content removes the file. Returns false on failure, with the reason in `error`.
    static bool SaveSharedList(const QString& filePath, const QByteArray& content,
                               QString* error = nullptr);
    // The warning shown when saving failed.
    static QString SaveFailedText(const QString& filePath);

private:
    qsizetype lowerBound(const QByteArray& path) const;

    QList<QByteArray> m_entries;
};

#pragma once

// The icons of shared and browsed files, one per extension: the first file with a new
// extension asks the desktop for its icon, and every later file with that extension shows the
// same one. Shared by the Shares view and the browse views; main thread only (icons are GUI
// objects).
//
// The desktop's icons come from a QAbstractFileIconProvider that app/ hands in (the widgets'
// QFileIconProvider, which falls back to the style's icons). Without a provider every file
// shows no icon, which is what tests without a desktop get.

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QList>

class QAbstractFileIconProvider;

class IconCache final {
    Q_DISABLE_COPY_MOVE(IconCache)

public:
    IconCache() = default;

    // Not owned; must outlive the cache or be reset.
    void setProvider(const QAbstractFileIconProvider* provider) { m_provider = provider; }

    // Position of the extension of `path` (case-insensitive) in the cache, adding it with the
    // icon the desktop gives `path` when it is new.
    int indexFor(const QByteArray& path);
    QIcon icon(int index) const { return m_icons.value(index); }
    qsizetype count() const { return m_icons.size(); }
    // The cached extensions in the order they were added (lower case, with dots).
    QList<QByteArray> extensions() const { return m_extensions; }

private:
    const QAbstractFileIconProvider* m_provider = nullptr;
    QList<QByteArray> m_extensions;
    QList<QIcon> m_icons;
    QHash<QByteArray, int> m_index;
};

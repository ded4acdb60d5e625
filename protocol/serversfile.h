#pragma once

// servers.dat held in memory: an INI-form text of ordered sections, each with ordered keys.
//
// Section and key names compare without regard to case; the first spelling seen is kept. The
// whole text is rewritten on every save: per section a line "[name]", one "key=value" line per
// key in insertion order, then an empty line. Saving goes through QSaveFile, so a failed or
// interrupted save leaves the previous file untouched.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class ServersFile final {
public:
    ServersFile() = default;
    explicit ServersFile(const QString& path);

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

    // Reads the file at path(). Returns false when it does not exist or cannot be read; the
    // content is then empty (an empty in-memory file for that path).
    bool load();
    // Replaces the content with the parse of text (bytes of a servers.dat).
    void parse(const QByteArray& text);
    // The text that save() writes.
    QByteArray toBytes() const;
    // Writes the whole content to path() atomically. On failure returns false, keeps the
    // old file and sets errorString().
    bool save();
    QString errorString() const { return m_error; }

    void clear();

    // Section names in file order.
    QStringList sections() const;
    bool hasSection(const QString& section) const;
    // Key names of a section in order (empty for a missing section).
    QStringList keys(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key,
                  const QString& defaultValue = {}) const;

    // Creates the section (at the end) and the key (at the end of its section) when missing;
    // an existing key keeps its place and spelling.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Renames a key in place, keeping its position, and sets its value. When newKey already
    // exists as another key, the old key is removed and the existing one takes the value.
    // When oldKey is missing this is setValue(section, newKey, value).
    void renameKey(const QString& section, const QString& oldKey, const QString& newKey,
                   const QString& value);
    void removeKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
        QHash<QString, qsizetype> keyIndex; // folded key -> position in entries

        qsizetype find(const QString& key) const;
        void set(const QString& key, const QString& value);
        void remove(qsizetype at);
        void reindex();
    };

    static QString fold(const QString& name) { return name.toCaseFolded(); }
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    Section& sectionForWrite(const QString& name);
    void reindexSections();

    QString m_path;
    QString m_error;
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex; // folded name -> position in m_sections
};

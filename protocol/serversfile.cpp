#include "protocol/serversfile.h"

#include "protocol/wiretext.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

// Reading is forgiving, because the file is hand-edited at times and may be damaged:
// - CR, LF and CR LF all end a line; NUL bytes are dropped; each line is decoded on its own
//   (UTF-8 when valid, else Windows-1252, as older versions wrote it), so one line of junk
//   does not spoil the others. Saving writes UTF-8.
// - Lines are trimmed. "[name]" opens a section (the name trimmed; "[]" is the empty name).
//   Inside a section, "key=value" splits at the first "="; key and value are trimmed. Lines
//   before the first section, lines without "=", lines with an empty key and lines starting
//   with ";" are ignored.
// - A key seen twice in one section keeps its first place and takes the later value, as an
//   INI reader that overwrites would; a section seen twice is merged into the first.

ServersFile::ServersFile(const QString& path)
    : m_path(path)
{
}

bool ServersFile::load()
{
    clear();
    QFile file(m_path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll());
    return true;
}

void ServersFile::parse(const QByteArray& text)
{
    clear();
    Section* current = nullptr;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start <= size) {
        qsizetype end = start;
        while (end < size && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        QByteArray raw = text.mid(start, end - start);
        start = end + 1;
        raw.replace('\0', QByteArray());
        const QString line = WireToDisplay(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            current = &sectionForWrite(line.mid(1, line.size() - 2).trimmed());
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        current->set(key, line.mid(eq + 1).trimmed());
    }
}

QByteArray ServersFile::toBytes() const
{
    QString out;
    for (const Section& section : m_sections) {
        out += u'[' + section.name + u"]\n"_s;
        for (const Entry& entry : section.entries)
            out += entry.key + u'=' + entry.value + u'\n';
        out += u'\n';
    }
    return out.toUtf8();
}

bool ServersFile::save()
{
    m_error.clear();
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        m_error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

void ServersFile::clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
}

QStringList ServersFile::sections() const
{
    QStringList names;
    names.reserve(m_sections.size());
    for (const Section& section : m_sections)
        names.append(section.name);
    return names;
}

bool ServersFile::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

QStringList ServersFile::keys(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        names.reserve(s->entries.size());
        for (const Entry& entry : s->entries)
            names.append(entry.key);
    }
    return names;
}

bool ServersFile::hasKey(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    return s && s->find(key) >= 0;
}

QString ServersFile::value(const QString& section, const QString& key,
                           const QString& defaultValue) const
{
    const Section* s = findSection(section);
    if (!s)
        return defaultValue;
    const qsizetype at = s->find(key);
    return at < 0 ? defaultValue : s->entries.at(at).value;
}

void ServersFile::setValue(const QString& section, const QString& key, const QString& value)
{
    sectionForWrite(section).set(key, value);
}

void ServersFile::renameKey(const QString& section, const QString& oldKey, const QString& newKey,
                            const QString& value)
{
    Section& s = sectionForWrite(section);
    const qsizetype oldAt = s.find(oldKey);
    const qsizetype newAt = s.find(newKey);
    if (oldAt < 0 || (newAt >= 0 && newAt != oldAt)) {
        if (oldAt >= 0)
            s.remove(oldAt);
        s.set(newKey, value);
        return;
    }
    // Same place, possibly a new spelling: the position is what a bookmark counts.
    s.entries[oldAt] = Entry{newKey, value};
    s.reindex();
}

void ServersFile::removeKey(const QString& section, const QString& key)
{
    if (Section* s = findSection(section)) {
        const qsizetype at = s->find(key);
        if (at >= 0)
            s->remove(at);
    }
}

void ServersFile::eraseSection(const QString& section)
{
    const auto it = m_sectionIndex.constFind(fold(section));
    if (it == m_sectionIndex.constEnd())
        return;
    m_sections.removeAt(*it);
    reindexSections();
}

qsizetype ServersFile::Section::find(const QString& key) const
{
    return keyIndex.value(fold(key), -1);
}

void ServersFile::Section::set(const QString& key, const QString& value)
{
    const qsizetype at = find(key);
    if (at >= 0) {
        entries[at].value = value;
        return;
    }
    keyIndex.insert(fold(key), entries.size());
    entries.append(Entry{key, value});
}

void ServersFile::Section::remove(qsizetype at)
{
    entries.removeAt(at);
    reindex();
}

void ServersFile::Section::reindex()
{
    keyIndex.clear();
    for (qsizetype i = 0; i < entries.size(); ++i)
        keyIndex.insert(fold(entries.at(i).key), i);
}

const ServersFile::Section* ServersFile::findSection(const QString& name) const
{
    const auto it = m_sectionIndex.constFind(fold(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections.at(*it);
}

ServersFile::Section* ServersFile::findSection(const QString& name)
{
    const auto it = m_sectionIndex.constFind(fold(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[*it];
}

ServersFile::Section& ServersFile::sectionForWrite(const QString& name)
{
    if (Section* s = findSection(name))
        return *s;
    m_sectionIndex.insert(fold(name), m_sections.size());
    m_sections.append(Section{name, {}, {}});
    return m_sections.last();
}

void ServersFile::reindexSections()
{
    m_sectionIndex.clear();
    for (qsizetype i = 0; i < m_sections.size(); ++i)
        m_sectionIndex.insert(fold(m_sections.at(i).name), i);
}

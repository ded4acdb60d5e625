#include "config/configstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QReadLocker>
#include <QSaveFile>
#include <QStringDecoder>
#include <QWriteLocker>
#include <limits>
#include <optional>

namespace {

constexpr QStringView SectionName = u"Tavolin";

bool IsDigit(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return true;
    return base == 16 && ((u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F'));
}

// Decimal or 0x-hexadecimal int with an optional sign; nullopt for anything else, including
// values that do not fit an int. Only ASCII digits count: QString's own conversions would
// also take a sign after "0x" ("0x-5"), which is not a number.
std::optional<int> ParseInteger(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text) {
        if (!IsDigit(c, base))
            return std::nullopt;
    }
    bool ok = false;
    // Digits only, so a failure here can only be an overflow of 64 bits.
    const qulonglong magnitude = text.toULongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    constexpr qulonglong maxPositive = std::numeric_limits<int>::max();
    if (negative) {
        if (magnitude > maxPositive + 1)
            return std::nullopt;
        return static_cast<int>(-static_cast<qlonglong>(magnitude));
    }
    if (magnitude > maxPositive)
        return std::nullopt;
    return static_cast<int>(magnitude);
}

QString DecodeLine(const QByteArray& raw)
{
    // Stateless: a sequence cut off at the end of the line is an error, not pending input.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(raw);
    if (utf8.hasError())
        return QString::fromLatin1(raw);
    return text;
}

// A key that would not read back as itself once written as "key=value".
bool IsUsableKey(QStringView key)
{
    if (key.isEmpty())
        return false;
    const QChar first = key.front();
    if (first == u'[' || first == u';' || first == u'#')
        return false;
    return !key.contains(u'=') && !key.contains(u'\r') && !key.contains(u'\n');
}

} // namespace

ConfigStore::ConfigStore(const QString& filePath)
    : m_filePath(filePath)
{
    Load();
}

void ConfigStore::Load()
{
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return;
    QFile file(m_filePath);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        m_loadError = info.isDir() ? QStringLiteral("it is a folder") : file.errorString();
        return;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_loadError = file.errorString();
        return;
    }

    // Keep the file's own line ends when it is written back.
    const qsizetype firstLf = content.indexOf('\n');
    if (firstLf > 0 && content[firstLf - 1] == '\r')
        m_lineEnd = QByteArrayLiteral("\r\n");

    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        QByteArray raw = content.sliced(start, end - start);
        if (raw.endsWith('\r'))
            raw.chop(1);
        m_lines.append(ParseLine(raw));
        start = end + 1;
    }
}

ConfigStore::Line ConfigStore::ParseLine(const QByteArray& raw)
{
    Line line;
    line.raw = raw;
    QString text = DecodeLine(raw);
    // A byte order mark (from a Windows editor) would hide the first section header.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Kind::Section;
            line.name = trimmed.sliced(1, close - 1).trimmed().toString();
        }
        return line;
    }
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return line;
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return line;
    const QString keyText = text.first(equals);
    const QString name = keyText.trimmed();
    if (name.isEmpty())
        return line;
    line.kind = Line::Kind::Entry;
    line.keyText = keyText;
    line.name = name;
    line.value = text.sliced(equals + 1);
    return line;
}

qsizetype ConfigStore::FindEntry(QStringView key) const
{
    key = key.trimmed();
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section)
            inSection = line.name.compare(SectionName, Qt::CaseInsensitive) == 0;
        else if (inSection && line.kind == Line::Kind::Entry &&
                 line.name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype ConfigStore::NewEntryPosition() const
{
    qsizetype header = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section &&
            line.name.compare(SectionName, Qt::CaseInsensitive) == 0) {
            header = i;
            break;
        }
    }
    if (header < 0)
        return -1;
    // After the section's last non-blank line, so that blank lines that separate it from the
    // next section stay between them.
    qsizetype position = header + 1;
    for (qsizetype i = header + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section)
            break;
        if (line.kind == Line::Kind::Entry || !line.raw.trimmed().isEmpty())
            position = i + 1;
    }
    return position;
}

QString ConfigStore::ReadString(QStringView key, QStringView defaultValue) const
{
    QReadLocker locker(&m_lock);
    const qsizetype index = FindEntry(key);
    return index < 0 ? defaultValue.toString() : m_lines[index].value;
}

int ConfigStore::ReadInteger(QStringView key, int defaultValue) const
{
    QString text;
    {
        QReadLocker locker(&m_lock);
        const qsizetype index = FindEntry(key);
        if (index < 0)
            return defaultValue;
        text = m_lines[index].value;
    }
    return ParseInteger(text).value_or(defaultValue);
}

bool ConfigStore::ReadBool(QStringView key, bool defaultValue) const
{
    return ReadInteger(key, defaultValue ? 1 : 0) != 0;
}

void ConfigStore::WriteString(QStringView key, QStringView text)
{
    QString value = text.toString();
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    Write(key, value);
}

void ConfigStore::WriteInteger(QStringView key, int value)
{
    Write(key, QString::number(value));
}

void ConfigStore::WriteBool(QStringView key, bool value)
{
    Write(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void ConfigStore::Write(QStringView key, const QString& value)
{
    key = key.trimmed();
    if (!IsUsableKey(key))
        return;
    QWriteLocker locker(&m_lock);
    const qsizetype index = FindEntry(key);
    if (index >= 0) {
        Line& line = m_lines[index];
        line.value = value;
        line.changed = true;
        return;
    }
    Line entry;
    entry.kind = Line::Kind::Entry;
    entry.keyText = key.toString();
    entry.name = entry.keyText;
    entry.value = value;
    entry.changed = true;
    qsizetype position = NewEntryPosition();
    if (position < 0) {
        Line header;
        header.kind = Line::Kind::Section;
        header.name = SectionName.toString();
        header.raw = QByteArrayLiteral("[Tavolin]");
        m_lines.append(header);
        position = m_lines.size();
    }
    m_lines.insert(position, entry);
}

bool ConfigStore::Flush(QString* errorText)
{
    const auto fail = [&](const QString& reason) {
        if (errorText) {
            *errorText = QStringLiteral("Cannot write the configuration file %1: %2")
                             .arg(QDir::toNativeSeparators(m_filePath), reason);
        }
        return false;
    };

    QMutexLocker flushLocker(&m_flushMutex);
    QList<Line> lines;
    QByteArray lineEnd;
    {
        QReadLocker locker(&m_lock);
        lines = m_lines;
        lineEnd = m_lineEnd;
    }
    if (!m_loadError.isEmpty()) {
        // Replacing a file we could not read would throw away everything in it.
        return fail(QStringLiteral("it could not be read at start-up (%1), so it is left as it is")
                        .arg(m_loadError));
    }

    QByteArray content;
    for (const Line& line : std::as_const(lines)) {
        if (line.changed)
            content += line.keyText.toUtf8() + '=' + line.value.toUtf8();
        else
            content += line.raw;
        content += lineEnd;
    }

    // QSaveFile writes a temporary file next to the target and renames it over the target on
    // commit; a failure at any step leaves the target untouched.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(content) != content.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

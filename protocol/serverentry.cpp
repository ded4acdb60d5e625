#include "protocol/serverentry.h"

#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

// A network section's own keys; a server stored under one of them would overwrite it.
bool IsSectionOwnKey(const QString& key)
{
    return key.compare(u"protocol"_s, Qt::CaseInsensitive) == 0 ||
           key.compare(u"bookmark"_s, Qt::CaseInsensitive) == 0;
}

QString QuotedField(const QString& text)
{
    if (text.isEmpty())
        return u"\"\""_s;
    for (const QChar c : text) {
        if (c.isSpace())
            return u'"' + text + u'"';
    }
    return text;
}

} // namespace

QString StorableField(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c != u'"' && c.category() != QChar::Other_Control)
            out.append(c);
    }
    return out;
}

QString ServerValue(const ServerEntry& entry)
{
    return QuotedField(StorableField(entry.port)) + u' ' +
           QuotedField(StorableField(entry.nickname)) + u' ' +
           QuotedField(StorableField(entry.password));
}

ServerEntry ServerEntryFromValue(const QString& host, const QString& value)
{
    // The splitter works on bytes; UTF-8 keeps every character, and the separators it looks
    // for (space, double quote) are plain ASCII.
    const QByteArrayList fields = SplitFields(value.toUtf8(), 3);
    return ServerEntry{host, WireToDisplay(fields.at(0)), WireToDisplay(fields.at(1)),
                       WireToDisplay(fields.at(2))};
}

bool IsStorableServerName(const QString& host)
{
    if (host.isEmpty() || host.startsWith(u'[') || host.startsWith(u';') || IsSectionOwnKey(host))
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c == u'=' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

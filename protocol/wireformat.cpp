#include "protocol/wireformat.h"

#include <algorithm>

namespace {

// Field counts come from handler code, never from the network, but a stray negative or huge
// value must not turn into a huge allocation: the result always has between 1 and
// MaxSplitFields fields.
constexpr int MaxSplitFields = 255;

int ClampFieldCount(int n)
{
    return std::clamp(n, 1, MaxSplitFields);
}

void PadFields(QByteArrayList& fields, int n)
{
    while (fields.size() < n)
        fields.append(QByteArray());
}

QByteArray PackLittleEndian(quint64 value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = char((value >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

QByteArray PackWord16(int value)
{
    // Negative values wrap like any other out-of-range value: the two low bytes are sent.
    return PackLittleEndian(quint64(quint32(value)), 2);
}

QByteArray PackInt32(qint64 value)
{
    return PackLittleEndian(quint64(value), 4);
}

QByteArray JoinFields(const QByteArrayList& fields)
{
    // Exactly one space between fields; an empty field stays visible as an extra space because
    // servers count fields by position.
    return fields.join(' ');
}

QByteArray BuildFrame(quint16 type, const QByteArray& payload)
{
    // Servers drop clients that send oversized frames, so a long payload is cut rather than
    // sent whole; the caller is not told, as nothing useful could be done about it.
    const QByteArray body =
        payload.size() > MaxSentPayloadSize ? payload.left(MaxSentPayloadSize) : payload;
    QByteArray frame;
    frame.reserve(4 + body.size());
    frame += PackWord16(int(body.size()));
    frame += PackWord16(type);
    frame += body;
    return frame;
}

QByteArray BuildFrame(quint16 type, const QByteArrayList& fields)
{
    return BuildFrame(type, JoinFields(fields));
}

QByteArray BuildFrame32(quint32 code, const QByteArray& payload)
{
    QByteArray frame;
    frame.reserve(8 + payload.size());
    frame += PackInt32(qint64(payload.size()) + 4); // the length counts the code too
    frame += PackInt32(code);
    frame += payload;
    return frame;
}

QByteArray BuildLogin32Payload(const QByteArray& name, const QByteArray& password)
{
    constexpr qint64 LoginVersion = 149;
    QByteArray payload;
    payload.reserve(12 + name.size() + password.size());
    payload += PackInt32(name.size());
    payload += name;
    payload += PackInt32(password.size());
    payload += password;
    payload += PackInt32(LoginVersion);
    return payload;
}

QByteArrayList SplitFields(const QByteArray& payload, int n)
{
    // n outside 1..255 is clamped (0 and negatives behave like 1: one field with the whole
    // payload). Each byte is looked at once and appended once, so the cost is linear.
    n = ClampFieldCount(n);
    QByteArrayList fields;
    fields.reserve(n);
    QByteArray current;
    bool inQuote = false;
    for (const char c : payload) {
        if (c == '"') {
            inQuote = !inQuote;
        } else if (c == ' ' && !inQuote && fields.size() + 1 < n) {
            fields.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    fields.append(current);
    PadFields(fields, n);
    return fields;
}

QByteArrayList SplitFieldsKeepQuotes(const QByteArray& payload, int n)
{
    // Same clamping as SplitFields. A payload of a single space gives field 0 = " ": the
    // "previous character" starts out as a space, so a leading space never separates.
    n = ClampFieldCount(n);
    QByteArrayList fields;
    fields.reserve(n);
    QByteArray current;
    char previous = ' ';
    for (const char c : payload) {
        if (c == ' ' && previous != ' ' && fields.size() + 1 < n) {
            fields.append(current);
            current.clear();
        } else {
            current.append(c);
        }
        previous = c;
    }
    fields.append(current);
    PadFields(fields, n);
    return fields;
}

// An empty delimiter counts as absent, so the pair stays consistent: nothing before it and
// the whole text after it.
QByteArray TextBefore(const QByteArray& text, const QByteArray& delimiter)
{
    if (delimiter.isEmpty())
        return QByteArray();
    const qsizetype at = text.indexOf(delimiter);
    return at < 0 ? QByteArray() : text.left(at);
}

QByteArray TextAfter(const QByteArray& text, const QByteArray& delimiter)
{
    if (delimiter.isEmpty())
        return text;
    const qsizetype at = text.indexOf(delimiter);
    // Starts after the delimiter's first byte only; every caller passes a one-byte delimiter.
    return at < 0 ? text : text.mid(at + 1);
}

QByteArray DecimalToDottedIp(const QByteArray& decimal)
{
    // Accepted: optional surrounding white space, an optional sign, one or more decimal
    // digits. Any number of digits is fine: the value is reduced modulo 2^32 as it is read,
    // which keeps exactly its low 32 bits, and a minus sign takes the two's complement
    // (so "-1" is 255.255.255.255). Anything else is not an address and gives "0.0.0.0",
    // which no caller can mistake for a reachable peer.
    const QByteArray text = decimal.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return QByteArrayLiteral("0.0.0.0");
    quint32 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return QByteArrayLiteral("0.0.0.0");
        value = value * 10u + quint32(c - '0'); // unsigned wrap-around is the modulo
    }
    if (negative)
        value = 0u - value;
    QByteArray out;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0)
            out += '.';
        out += QByteArray::number((value >> (8 * octet)) & 0xFFu);
    }
    return out;
}

// Negative durations (a clock that went backwards, an estimate not known yet) show as zero
// rather than as text such as "0-5".
QString FormatMinSec(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    const auto pad = [](qint64 v) { return QString::number(v).rightJustified(2, u'0'); };
    return pad(seconds / 60) + u':' + pad(seconds % 60);
}

QString FormatDuration(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    const qint64 parts[] = {seconds / 86400, (seconds % 86400) / 3600, (seconds % 3600) / 60,
                            seconds % 60};
    const QStringView units[] = {u" d ", u" h ", u" m ", u" s "};
    QString out;
    for (int i = 0; i < 4; ++i) {
        if (parts[i] != 0) {
            out += QString::number(parts[i]);
            out += units[i];
        }
    }
    return out;
}

QColor LevelColor(const QByteArray& level)
{
    if (level == "Leech")
        return QColor(0xFF, 0x00, 0x00);
    if (level == "Moderator")
        return QColor(0xFF, 0xFF, 0x00);
    if (level == "Admin")
        return QColor(0x00, 0xFF, 0x00);
    if (level == "Elite")
        return QColor(0x00, 0xFF, 0xFF);
    return QColor(0xFF, 0xFF, 0xFF); // "User" and any level a server invents
}

bool WildcardMatch(const QString& text, const QString& pattern)
{
    // Compared by UTF-16 unit after upper-casing both; "?" matches one unit. The first "*"
    // ends the comparison with a match, so "A*C" matches "axyz": callers use it as a prefix
    // test ("Connecting...*").
    const QString t = text.toUpper();
    const QString p = pattern.toUpper();
    const qsizetype common = std::min(t.size(), p.size());
    for (qsizetype i = 0; i < common; ++i) {
        const QChar pc = p.at(i);
        if (pc == u'*')
            return true;
        if (pc != u'?' && pc != t.at(i))
            return false;
    }
    if (t.size() > p.size())
        return false;
    for (qsizetype i = common; i < p.size(); ++i) {
        if (p.at(i) != u'*' && p.at(i) != u'?')
            return false;
    }
    return true;
}

QByteArray TrimSpaces(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == ' ')
        ++begin;
    while (end > begin && text.at(end - 1) == ' ')
        --end;
    return text.mid(begin, end - begin);
}

QString TrimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

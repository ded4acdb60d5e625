#include "protocol/debuglog.h"

#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

DebugLog::DebugLog(QObject* parent)
    : QObject(parent)
{
}

QString DebugLog::formatLine(int serverIndex, qsizetype length, quint32 type,
                             const QByteArray& payload)
{
    return u"Server: "_s + QString::number(serverIndex) + u" Len: "_s + QString::number(length) +
           u" Msg: "_s + QString::number(type) + u" Text: "_s + WireToDisplay(payload);
}

void DebugLog::add(Direction direction, int serverIndex, qsizetype length, quint32 type,
                   const QByteArray& payload)
{
    if (!m_enabled)
        return;
    QString line = formatLine(serverIndex, length, type, payload);
    List& target = list(direction);
    target.characters += line.size();
    target.lines.push_back(line);
    // Keep the newest line even when it alone is over the character budget.
    while (target.lines.size() > 1 &&
           (qsizetype(target.lines.size()) > MaxLines || target.characters > MaxCharacters)) {
        target.characters -= target.lines.front().size();
        target.lines.pop_front();
    }
    Q_EMIT lineAdded(direction, line);
}

QStringList DebugLog::lines(Direction direction) const
{
    const List& source = list(direction);
    return QStringList(source.lines.begin(), source.lines.end());
}

qsizetype DebugLog::lineCount(Direction direction) const
{
    return qsizetype(list(direction).lines.size());
}

QString DebugLog::lastLine(Direction direction) const
{
    const List& source = list(direction);
    return source.lines.empty() ? QString() : source.lines.back();
}

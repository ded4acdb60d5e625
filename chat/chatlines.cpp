#include "chat/chatlines.h"

ChatLines::ChatLines(qsizetype maxLines, QObject* parent)
    : QAbstractListModel(parent)
    , m_maxLines(qMax<qsizetype>(1, maxLines))
{
}

void ChatLines::append(const QString& line)
{
    append(QStringList{line});
}

void ChatLines::append(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    // Lines that would be trimmed at once are never inserted.
    const QStringList added =
        lines.size() > m_maxLines ? lines.mid(lines.size() - m_maxLines) : lines;
    const int first = int(m_lines.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    m_lines.append(added);
    for (const QString& line : added)
        m_characters += line.size();
    endInsertRows();
    trimToCap();
}

void ChatLines::clear()
{
    if (m_lines.isEmpty())
        return;
    beginResetModel();
    m_lines.clear();
    m_characters = 0;
    endResetModel();
}

void ChatLines::trimToCap()
{
    qsizetype excess = qMax<qsizetype>(0, m_lines.size() - m_maxLines);
    qsizetype characters = m_characters;
    for (qsizetype row = 0; row < excess; ++row)
        characters -= m_lines.at(row).size();
    while (characters > MaxCharacters && excess < m_lines.size() - 1)
        characters -= m_lines.at(excess++).size();
    if (excess == 0)
        return;
    beginRemoveRows({}, 0, int(excess) - 1);
    m_lines.remove(0, excess);
    m_characters = characters;
    endRemoveRows();
}

int ChatLines::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant ChatLines::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole)
        return {};
    return m_lines.at(index.row());
}

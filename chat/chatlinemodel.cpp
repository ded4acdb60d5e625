#include "chat/chatlinemodel.h"

ChatLineModel::ChatLineModel(QObject* parent)
    : ChatLineModel(DefaultMaxLines, parent)
{
}

ChatLineModel::ChatLineModel(int maxLines, QObject* parent)
    : QAbstractListModel(parent)
    , m_maxLines(qMax(1, maxLines))
{
}

QByteArray ChatLineModel::storedText(int i) const
{
    if (i < 0 || i >= m_lines.size())
        return {};
    return m_lines.at(i).tagged;
}

const TaggedLineParts& ChatLineModel::parts(int i) const
{
    static const TaggedLineParts none;
    if (i < 0 || i >= m_lines.size())
        return none;
    return m_lines.at(i).parts;
}

QString ChatLineModel::linkTarget(int i, qint32 link) const
{
    if (i < 0 || i >= m_lines.size())
        return {};
    return LinkTarget(m_lines.at(i).tagged, link);
}

int ChatLineModel::rowOfSerial(qint64 serial) const
{
    const qint64 row = serial - m_firstSerial;
    return row >= 0 && row < m_lines.size() ? int(row) : -1;
}

ChatLine ChatLineModel::makeLine(QByteArrayView taggedLine)
{
    // A copy of exactly the line's size: the caller's buffer may have been grown piecemeal and
    // carry spare capacity, which 200,000 stored lines would multiply.
    return ChatLine{taggedLine.toByteArray(), ConvertTaggedLine(taggedLine)};
}

void ChatLineModel::makeRoomFor(qsizetype incoming)
{
    const qsizetype excess = m_lines.size() + incoming - m_maxLines;
    if (excess <= 0)
        return;
    const qsizetype drop = qMin(excess, m_lines.size());
    beginRemoveRows({}, 0, int(drop) - 1);
    m_lines.remove(0, drop);
    m_firstSerial += drop;
    endRemoveRows();
}

void ChatLineModel::appendLine(QByteArrayView taggedLine)
{
    ChatLine line = makeLine(taggedLine);
    makeRoomFor(1);
    const int row = int(m_lines.size());
    beginInsertRows({}, row, row);
    m_lines.append(std::move(line));
    endInsertRows();
}

void ChatLineModel::appendLines(const QList<QByteArray>& taggedLines)
{
    if (taggedLines.isEmpty())
        return;
    // Lines that the cap would drop at once are never converted or inserted; their serial
    // numbers are used up all the same, as if they had come and gone.
    const qsizetype skipped = qMax<qsizetype>(0, taggedLines.size() - m_maxLines);
    QList<ChatLine> batch;
    batch.reserve(taggedLines.size() - skipped);
    for (qsizetype i = skipped; i < taggedLines.size(); ++i)
        batch.append(makeLine(taggedLines.at(i)));

    makeRoomFor(batch.size());
    // With lines skipped the batch alone fills the model, so no older line is left whose
    // serial number this could shift.
    m_firstSerial += skipped;
    const int first = int(m_lines.size());
    beginInsertRows({}, first, first + int(batch.size()) - 1);
    m_lines.append(std::move(batch));
    endInsertRows();
}

void ChatLineModel::clear()
{
    if (m_lines.isEmpty())
        return;
    beginResetModel();
    m_firstSerial += m_lines.size();
    m_lines.clear();
    endResetModel();
}

int ChatLineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant ChatLineModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ChatLine& line = m_lines.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return line.parts.text;
    case TaggedTextRole:
        return line.tagged;
    default:
        return {};
    }
}

QHash<int, QByteArray> ChatLineModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(TaggedTextRole, QByteArrayLiteral("taggedText"));
    return names;
}

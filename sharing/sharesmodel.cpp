#include "sharing/sharesmodel.h"

#include "sharing/iconcache.h"
#include "sharing/sharepath.h"

#include <QSet>
#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

ShareRow ShareRow::fromPath(const QByteArray& path, qint64 sizeBytes, int bitRate, qint64 duration,
                            int sampleRate)
{
    ShareRow row;
    row.folder = PathFolder(path);
    row.fileName = PathFileName(path);
    // Division rounds toward zero, as the Size (kB) column wants.
    row.sizeKb = sizeBytes / 1024;
    row.bitRate = bitRate;
    row.duration = duration;
    row.sampleRate = sampleRate;
    return row;
}

SharesModel::SharesModel(IconCache& icons, QObject* parent)
    : QAbstractTableModel(parent)
    , m_icons(icons)
{
}

int SharesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SharesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SharesModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ShareRow& row = m_rows.at(index.row());
    if (role == FullPathRole)
        return row.fullPath();
    if (role == Qt::DecorationRole)
        return index.column() == FileColumn ? QVariant(m_icons.icon(row.icon)) : QVariant();
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() != FileColumn && index.column() != FolderColumn;
        return number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    }
    if (role != Qt::DisplayRole && role != RawValueRole)
        return {};
    const bool raw = role == RawValueRole;
    switch (index.column()) {
    case FileColumn:
        return DisplayPath(row.fileName);
    case SizeColumn:
        return raw ? QVariant(row.sizeKb) : QVariant(QString::number(row.sizeKb));
    case BitrateColumn:
        return raw ? QVariant(row.bitRate) : QVariant(QString::number(row.bitRate));
    case LengthColumn:
        return raw ? QVariant(row.duration) : QVariant(FormatLength(row.duration));
    case FreqColumn:
        return raw ? QVariant(row.sampleRate) : QVariant(QString::number(row.sampleRate));
    case FolderColumn:
        return DisplayPath(row.folder);
    default:
        return {};
    }
}

QVariant SharesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        static const std::array<QString, ColumnCount> titles{
            u"File"_s, u"Size (kB)"_s, u"Bitrate"_s, u"Length"_s, u"Freq (Hz)"_s, u"Folder"_s};
        return titles.at(section);
    }
    return {};
}

int SharesModel::findRow(const QByteArray& fullPath) const
{
    if (!hasRow(fullPath))
        return -1;
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (m_rows.at(i).fullPath() == fullPath)
            return i;
    }
    return -1;
}

void SharesModel::addRows(QList<ShareRow> rows, bool skipExisting)
{
    if (skipExisting) {
        QSet<QByteArray> seen;
        rows.removeIf([&](const ShareRow& row) {
            const QByteArray path = row.fullPath();
            if (hasRow(path) || seen.contains(path))
                return true;
            seen.insert(path);
            return false;
        });
    }
    if (rows.isEmpty())
        return;
    for (ShareRow& row : rows) {
        row.icon = m_icons.indexFor(row.fullPath());
        m_totalKb += quint64(qMax<qint64>(0, row.sizeKb));
        ++m_paths[row.fullPath()];
    }
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.append(std::move(rows));
    endInsertRows();
    setStatusText(StatusText(m_rows.size(), m_totalKb));
}

void SharesModel::forgetPath(const QByteArray& path)
{
    const auto found = m_paths.find(path);
    if (found == m_paths.end())
        return;
    if (--found.value() <= 0)
        m_paths.erase(found);
}

void SharesModel::removeShareRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([this](int row) { return row < 0 || row >= int(m_rows.size()); });
    if (rows.isEmpty())
        return;
    // Runs of adjacent rows, highest first, so that the positions still to come stay valid.
    qsizetype i = 0;
    while (i < rows.size()) {
        const int last = rows.at(i);
        int first = last;
        while (i + 1 < rows.size() && rows.at(i + 1) == first - 1) {
            ++i;
            first = rows.at(i);
        }
        ++i;
        beginRemoveRows(QModelIndex(), first, last);
        for (int r = first; r <= last; ++r) {
            const ShareRow& row = m_rows.at(r);
            forgetPath(row.fullPath());
            const quint64 kb = quint64(qMax<qint64>(0, row.sizeKb));
            m_totalKb = kb > m_totalKb ? 0 : m_totalKb - kb;
        }
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
    }
    if (m_removalRule)
        setStatusText(StatusText(m_rows.size(), m_totalKb));
}

void SharesModel::emptyWithTotals()
{
    if (m_rows.isEmpty())
        return;
    QList<int> all(m_rows.size());
    std::iota(all.begin(), all.end(), 0);
    removeShareRows(std::move(all));
}

void SharesModel::emptyReset()
{
    beginResetModel();
    m_rows.clear();
    m_paths.clear();
    endResetModel();
    m_totalKb = 0;
    setStatusText(ResetStatusText());
}

void SharesModel::setStatusText(const QString& text)
{
    m_statusText = text;
    Q_EMIT statusTextChanged(text);
}

QString SharesModel::FormatLength(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    return QString::asprintf("%02lld:%02lld", (seconds / 60) % 60, seconds % 60);
}

QString SharesModel::StatusText(qsizetype rows, quint64 totalKb)
{
    return u"Sharing: "_s + QString::number(rows) + u" file(s), "_s +
           QString::asprintf("%.2f", double(totalKb) / 1048576.0) + u" GB"_s;
}

QString SharesModel::ResetStatusText()
{
    return u"Sharing: 0 file(s), 0 GB"_s;
}

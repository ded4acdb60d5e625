#pragma once

// Sorting the rows of a list model in place while its views keep their selections: the rows
// are reordered stably, and every persistent index moves with its row.
//
//   Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
//   const QModelIndexList before = persistentIndexList();
//   const QList<int> newRowOf = StableSortRows(m_rows, less);
//   changePersistentIndexList(before, MovedIndexes(*this, before, newRowOf));
//   Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);

#include <QAbstractItemModel>
#include <QList>
#include <QModelIndexList>
#include <algorithm>

// Sorts `rows` stably by `less` and returns, for every old row, its new row.
template <typename Row, typename Less> QList<int> StableSortRows(QList<Row>& rows, Less less)
{
    QList<int> order(rows.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return less(rows.at(a), rows.at(b)); });
    QList<Row> sorted;
    sorted.reserve(rows.size());
    QList<int> newRowOf(rows.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted.append(rows.at(order.at(i)));
        newRowOf[order.at(i)] = int(i);
    }
    rows = std::move(sorted);
    return newRowOf;
}

// Where the persistent indexes `before` stand after the rows moved as `newRowOf` says.
inline QModelIndexList MovedIndexes(const QAbstractItemModel& model, const QModelIndexList& before,
                                    const QList<int>& newRowOf)
{
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(model.index(newRowOf.at(index.row()), index.column()));
    return after;
}

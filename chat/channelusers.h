#pragma once

// The user list of one channel page (ChannelUsersElTree): one row per listed user, columns
// "Users", "Speed" and "Shared". A user listed twice has two rows; rows are found by nickname
// with letter case ignored.
//
// The list keeps itself sorted: a new row goes in at its sorted place (after rows that sort
// equal), and sort() - what a header click calls - re-sorts all rows. So the model's row
// order is the order on screen, which is what nickname completion walks. Until a header is
// clicked the rows sort by nickname, ascending, letter case ignored.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>

class ChannelUsers final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChannelUsers)

public:
    enum Column { UsersColumn = 0, SpeedColumn, SharedColumn };
    static constexpr int ColumnCount = 3;
    enum Role {
        // The speed icon number of the row (0, 1 or 2) on the Users column.
        SpeedIconRole = Qt::UserRole + 1,
        // What the column sorts by: the folded nickname, the line-speed code, the number of
        // shared files (as a number; a field that is not one sorts as -1).
        SortRole,
    };

    struct User {
        QString nickname;
        int speedCode = -1; // -1 when the received field is not a code 0..10
        QString shared;     // as received
    };

    explicit ChannelUsers(QObject* parent = nullptr);

    int count() const { return int(m_users.size()); }
    const User& user(int row) const { return m_users.at(row); }
    // Nicknames in display order.
    QStringList nicknames() const;
    // Row of the first user with this nickname (letter case ignored), or -1.
    int find(const QString& nickname) const;

    // Adds a row at its sorted place; the speed field is the line-speed code as received.
    void addUser(const QString& nickname, const QString& shared, const QByteArray& speedCode);
    // Removes the first row with this nickname (letter case ignored); false when there is none.
    bool removeUser(const QString& nickname);
    void clear();

    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

Q_SIGNALS:
    // After every change of the row count, for the label below the list.
    void countChanged(int count);

private:
    bool lessThan(const User& a, const User& b) const;

    QList<User> m_users;
    int m_sortColumn = UsersColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

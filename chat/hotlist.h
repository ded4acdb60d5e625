#pragma once

// The hotlist of each connection: users whose sign-on (209) and sign-off (210) the server
// reports, shown in the "Hotlist" page's online and offline lists. The server accepts an
// entry with 301 (the user starts offline) and refuses it with 302 (a box, see
// inlinehandlers.h). Nothing is kept beyond the connection: a new login starts with empty
// lists, as the server knows no entries from before it.
//
// NicknameList is the model of those lists and of the ignore list: one row per nickname
// (found with letter case ignored), kept sorted by the clicked column.

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class ChatPages;
class MessageDispatcher;
class ServerPage;
class TServers;
class UserPrompts;
struct MessageInput;

class NicknameList final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NicknameList)

public:
    // One header per column; column 0 holds the nickname.
    explicit NicknameList(const QStringList& headers, QObject* parent = nullptr);

    int count() const { return int(m_rows.size()); }
    QString nickname(int row) const;
    QStringList nicknames() const;
    QString cell(int row, int column) const;
    // Row of the nickname (letter case ignored), or -1.
    int find(const QString& nickname) const;
    // Constant time, so that a server flooding the list cannot make each message cost more.
    bool contains(const QString& nickname) const
    {
        return m_folded.contains(nickname.toCaseFolded());
    }

    // Adds a row at its sorted place; missing cells are empty.
    void addRow(const QStringList& cells);
    // Removes the row of the nickname; false when there is none.
    bool removeRow(const QString& nickname);
    // Changes one cell; the row moves when the list is sorted by that column.
    void setCell(int row, int column, const QString& text);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    bool lessThan(const QStringList& a, const QStringList& b) const;
    int sortedPosition(const QStringList& cells) const;

    void count(const QString& nickname, int delta);

    const QStringList m_headers;
    QList<QStringList> m_rows;
    // Rows per case-folded nickname.
    QHash<QString, int> m_folded;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

class Hotlist final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Hotlist)

public:
    enum OnlineColumn { NicknameColumn = 0, SpeedColumn = 1 };
    // Clears the browse view when it shows the files of this user (the browse code decides:
    // its first status panel must read "Browsing: " + exactly this nickname).
    using BrowseReset = std::function<void(int serverIndex, const QString& nickname)>;

    // Registers 209, 210 and 301; gives every server page its two lists and answers the
    // hotlist menu's requests.
    Hotlist(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
            UserPrompts& prompts, QObject* parent = nullptr);

    void setBrowseReset(BrowseReset reset) { m_browseReset = std::move(reset); }

    // The lists of a connection; null while it has no chat page.
    NicknameList* onlineUsers(int serverIndex) const;
    NicknameList* offlineUsers(int serverIndex) const;

    // "Add": asks for a nickname and sends 207 with it unless the answer is empty. Nothing is
    // added before the server accepts it.
    void AddUser(int serverIndex);
    // "Remove": sends 303, lets go of a browse of the user and deletes the row at once, from
    // whichever list holds it; no answer is awaited.
    void RemoveUser(int serverIndex, const QString& nickname);

private:
    void installLists(ServerPage* page);
    void clearLists(int serverIndex);
    void signedOn(int serverIndex, const MessageInput& input);  // 209
    void signedOff(int serverIndex, const MessageInput& input); // 210
    void accepted(int serverIndex, const MessageInput& input);  // 301

    TServers& m_servers;
    ChatPages& m_chatPages;
    UserPrompts& m_prompts;
    BrowseReset m_browseReset;
};

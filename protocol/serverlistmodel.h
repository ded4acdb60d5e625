#pragma once

// The server list: protocol groups, networks and servers, kept in servers.dat.
//
// Rows: level 0 protocol group ("Opennap protocol"), level 1 network ("Not affiliated" for the
// empty name), level 2 server item. A server item is known everywhere by its server index (the
// Index column). Connection records (TServers) read and write a server item's cells and text
// colour through the accessors below; the user's gestures on the list are ServerListActions.
//
// Every change that touches the file (check marks, servers, network renames and removals) is
// written to servers.dat at once. A failed save returns false and emits saveFailed(); the old
// file stays as it was.

#include "protocol/serverentry.h"
#include "protocol/serversfile.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>
#include <memory>
#include <vector>

// Status texts of a server item that the list itself sets or tests.
inline constexpr QStringView StatusNotConnected = u"Not connected";   // as loaded; user disconnect
inline constexpr QStringView StatusNeverConnected = u"Not Connected"; // added with the dialog
inline constexpr QStringView StatusConnecting = u"Connecting...";
inline constexpr QStringView StatusConnected = u"Connected";

// A server is busy while its Status is "Connected" or starts with "Connecting...".
bool IsBusyStatus(const QString& status);

class ServerListModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column {
        IndexColumn,
        StatusColumn,
        ServerColumn,
        PortColumn,
        NicknameColumn,
        PasswordColumn,
        UsersColumn,
        FilesColumn,
        GbytesColumn,
        ColumnCount
    };

    // Value for sorting: numbers as numbers (Index, Port when numeric, Users, Files, Gbytes).
    enum Role { RawValueRole = Qt::UserRole + 1 };

    // Text colour of a server row; Default follows the view's palette.
    enum class RowColour { Default, Olive, Green, Red };

    enum class RowKind { None, ProtocolGroup, Network, Server };

    // The protocols known to the list, in this order; the first is the one written for a
    // network whose protocol is missing or unknown.
    static const QStringList& protocolNames();

    explicit ServerListModel(QObject* parent = nullptr);
    ~ServerListModel() override;

    static QString columnCaption(int column);
    static int columnWidth(int column);
    static QColor colourValue(RowColour colour);

    // --- QAbstractItemModel ---
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A check state is the user's click: a protocol group stores its check mark, a server
    // that becomes checked becomes its network's bookmark. Unchecking a server is refused
    // (the mark is a radio button: another server takes it).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // --- Loading and saving ---
    // Builds the list from servers.dat at path, corrects it (Opennap=1, unknown protocols,
    // missing bookmarks) and saves it. Without a file the list holds one empty, checked
    // "Opennap protocol" group and nothing is written until the first change. Returns false
    // only when saving the corrections failed.
    bool load(const QString& path);
    bool save();
    const ServersFile& file() const { return m_file; }

    // --- Server items by server index (used by the connection code) ---
    bool hasServer(int serverIndex) const;
    QString cell(int serverIndex, Column column) const;
    void setCell(int serverIndex, Column column, const QString& text);
    RowColour rowColour(int serverIndex) const;
    void setRowColour(int serverIndex, RowColour colour);
    // Servers under the first protocol group speak OpenNap; all others only log in with the
    // second protocol's frame layout.
    bool isUnderFirstProtocolGroup(int serverIndex) const;
    // Every server index, in display order.
    QList<int> serverIndexes() const;
    bool isBusy(int serverIndex) const { return IsBusyStatus(cell(serverIndex, StatusColumn)); }
    ServerEntry serverEntry(int serverIndex) const;

    // --- Rows ---
    RowKind kind(const QModelIndex& index) const;
    // Server index of a server row (any column); -1 for other rows.
    int serverIndexAt(const QModelIndex& index) const;
    QModelIndex indexOfServer(int serverIndex, int column = IndexColumn) const;
    // The network row of a server row, or the row itself for a network.
    QModelIndex networkOf(const QModelIndex& index) const;
    // Protocol name of a group row (its text without " protocol").
    QString protocolName(const QModelIndex& group) const;
    // Section name of a network row ("" for "Not affiliated") and its shown text.
    QString networkSection(const QModelIndex& network) const;
    QString networkText(const QModelIndex& network) const;
    // Server indexes of a network, in display order.
    QList<int> networkServers(const QModelIndex& network) const;

    // --- Check marks (written to servers.dat and saved) ---
    bool isGroupChecked(const QModelIndex& group) const;
    bool setGroupChecked(const QModelIndex& group, bool checked);
    bool isServerChecked(int serverIndex) const;
    // Makes the server its network's bookmark; the other servers of the network lose the mark.
    bool checkServer(int serverIndex);

    // --- Networks ---
    // A name a new or renamed network may take: not empty after trimming, no control
    // characters, not "Protocols" (that section holds the groups), and not the name or text
    // of another network anywhere in the list (networks share the file's section space).
    bool isValidNetworkName(const QString& name, const QModelIndex& renamed = {}) const;
    // Adds a network under a group, in the view only: it reaches the file with its first
    // server. Returns the new row.
    QModelIndex addNetwork(const QModelIndex& group, const QString& name);
    bool renameNetwork(const QModelIndex& network, const QString& newName);
    // Erases the network's section and deletes the row with its servers.
    bool removeNetwork(const QModelIndex& network);

    // --- Servers ---
    // The index a new server gets: the number of server items, or, when a removal left that
    // number in use, the smallest number that no server item has.
    int nextServerIndex() const;
    // Adds a server under a network ("Not Connected", checked when it is the network's only
    // server), writes it and saves. Returns the new server index.
    int addServer(const QModelIndex& network, const ServerEntry& entry);
    // Writes the four fields into the server's cells and its file entry, and saves.
    bool editServer(int serverIndex, const ServerEntry& entry);
    bool removeServer(int serverIndex);

Q_SIGNALS:
    // servers.dat could not be written; message names the file and the reason.
    void saveFailed(const QString& message);

private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(const Node* node, int column = IndexColumn) const;
    Node* serverNode(int serverIndex) const;
    Node* groupOf(const Node* node) const;
    void resetToEmpty();
    Node* appendServerNode(Node* network, int serverIndex, const ServerEntry& entry,
                           const QString& status);
    // Writes the network's bookmark: the position, among the section's server keys, of the
    // key of its checked server (-1 when none is checked), so that the next load checks the
    // same server even after keys moved or merged.
    void writeBookmark(const Node* network);
    void writeProtocol(const Node* network);
    bool otherServerHasHost(const Node* network, const Node* except, const QString& host) const;
    const Node* lastServerWithHost(const Node* network, const Node* except,
                                   const QString& host) const;
    void emitServerRowChanged(const Node* server, int firstColumn, int lastColumn,
                              const QList<int>& roles = {});

    std::unique_ptr<Node> m_root;
    QHash<int, Node*> m_servers; // server index -> server row
    ServersFile m_file;
};

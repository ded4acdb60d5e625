#pragma once

// The user's gestures on the server list: double click, Enter and Space, the popup menu,
// Connect All / Disconnect All, and the network and server edits. The widgets only turn
// clicks and keys into these calls; the server dialog's answer arrives as a ServerEntry.

#include "protocol/serverlistmodel.h"

#include <QFlags>
#include <QModelIndex>
#include <QObject>

class ServerConnector;
class UserPrompts;

class ServerListActions final : public QObject {
    Q_OBJECT
public:
    // The ten popup menu items.
    enum class PopupItem {
        EditNetwork = 0x001,
        AddNetwork = 0x002,
        RemoveNetwork = 0x004,
        EditServer = 0x008,
        AddServer = 0x010,
        RemoveServer = 0x020,
        Connect = 0x040,
        Disconnect = 0x080,
        ListChannels = 0x100,
        ShowLinks = 0x200,
    };
    Q_DECLARE_FLAGS(PopupItems, PopupItem)

    ServerListActions(ServerListModel& model, ServerConnector& connector, UserPrompts& prompts,
                      QObject* parent = nullptr);

    // The popup menu items shown for the selected row (none when nothing is selected).
    static PopupItems popupItems(const ServerListModel& model, const QModelIndex& selected);

    // Double click on a row, or Enter with it selected: a busy or counting-down server is
    // disconnected ("Not connected"), any other server is connected. Returns false for a
    // group or network row, which Enter expands or collapses instead.
    bool activate(const QModelIndex& index);
    // Space: a group flips its check mark, a server becomes its network's bookmark.
    void toggleMark(const QModelIndex& index);

    // Popup Connect: connects the server unless it is busy (a countdown is stopped first).
    void connectServer(const QModelIndex& server);
    // Popup Disconnect: the user's disconnect.
    void disconnectServer(const QModelIndex& server);
    // For each checked group, each network with no busy server connects its checked server.
    void connectAll();
    // Every busy server is disconnected; countdowns go on.
    void disconnectAll();

    // Asks for a name and adds the network under the group (in the view only).
    void addNetwork(const QModelIndex& group);
    void editNetwork(const QModelIndex& network);
    void removeNetwork(const QModelIndex& network);

    // The server dialog's fields for Edit Server ("Edit Server Info").
    ServerEntry editPreset(const QModelIndex& server) const;
    // OK of the dialog opened with Add Server on a network. Returns the new server index, or
    // -1 when nothing was stored (duplicate, or an entry servers.dat cannot hold).
    int addServer(const QModelIndex& network, const ServerEntry& entry);
    // OK of the dialog opened with Edit Server. Returns false when nothing was stored.
    bool editServer(const QModelIndex& server, const ServerEntry& entry);
    void removeServer(const QModelIndex& server);

private:
    bool checkStorable(const ServerEntry& entry);
    void connectIfIdle(int serverIndex);

    ServerListModel& m_model;
    ServerConnector& m_connector;
    UserPrompts& m_prompts;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ServerListActions::PopupItems)

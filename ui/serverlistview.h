#pragma once

// The "Server List" page: ServersTreeView over the server list model, its popup menu, and
// the double click, Enter and Space gestures. Every rule lives in ServerListActions; this
// widget only routes the user's gestures to it.

#include "ui/addserverform.h"

#include <QPersistentModelIndex>
#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QTreeView;
class ServerListActions;
class ServerListModel;

class ServerListView final : public QWidget {
    Q_OBJECT
public:
    // Shows the server dialog; returns its fields on OK, nothing on Cancel.
    using ServerDialog = std::function<std::optional<ServerEntry>(TAddServerForm::Mode mode,
                                                                  const ServerEntry& preset)>;

    ServerListView(ServerListModel& model, ServerListActions& actions, QWidget* parent = nullptr);

    QTreeView* treeView() const { return m_tree; }
    QMenu* popupMenu() const { return m_menu; }
    // The default opens TAddServerForm modally; tests answer in its place.
    void setServerDialog(ServerDialog dialog) { m_dialog = std::move(dialog); }
    // Shows exactly the popup items that fit the row and remembers the row for them.
    void preparePopup(const QModelIndex& row);

public Q_SLOTS:
    void expandNetworks();
    void collapseNetworks();

Q_SIGNALS:
    void listChannelsRequested(int serverIndex);
    void showLinksRequested(int serverIndex);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void spanNamesOf(const QModelIndex& parent);
    void expandGroups();
    void showPopup(const QPoint& position);
    void addServer();
    void editServer();
    QAction* addMenuItem(const QString& text, const QString& name, std::function<void()> run);

    ServerListModel& m_model;
    ServerListActions& m_actions;
    QTreeView* m_tree;
    QMenu* m_menu;
    QList<QAction*> m_items; // in the order of ServerListActions::PopupItem bits
    QPersistentModelIndex m_menuRow;
    ServerDialog m_dialog;
};

#pragma once

// The "Hotlist" page of a server frame (HotlistTabSheet). On the left, stacked, the online
// users OnlineUsersElTree ("Online Users", "Speed"), the offline users OfflineUsersElTree and
// the ignore list IgnoreListElTree; on the right the browse list BrowseElTree, and below both
// the four-panel BrowseStatusBar. The lists are the server page's hotlist models (the hotlist
// and ignore code provides them; each keeps itself sorted and re-sorts on a header click).
//
// Menus: HotlistPopupMenu on the online and offline lists (Browse, Whois, Message on the
// online list with a row selected - Browse not while a browse runs -, Add always, Remove with
// a row selected) and IgnorePopupMenu on the ignore list (Add always, Remove with a row).

#include "chat/serverpage.h"

#include <QPointer>
#include <QWidget>

class ChatPages;
class QLabel;
class QMenu;
class QStatusBar;
class QTreeView;

class THotlistTabSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THotlistTabSheet)

public:
    static constexpr int BrowsePanelCount = 4;
    // What the fourth browse panel reads while a browse runs.
    static constexpr QStringView BrowsingText = u"Browsing...";

    THotlistTabSheet(ServerPage& serverPage, ChatPages& chatPages, QWidget* parent = nullptr);

    QTreeView* onlineView() const { return m_lists[0]; }
    QTreeView* offlineView() const { return m_lists[1]; }
    QTreeView* ignoreView() const { return m_lists[2]; }
    QTreeView* browseView() const { return m_browse; }
    QStatusBar* browseStatusBar() const { return m_browseStatus; }
    QLabel* browsePanel(int panel) const { return m_browsePanels.value(panel); }
    QMenu* hotlistMenu() const { return m_hotlistMenu; }
    QMenu* ignoreMenu() const { return m_ignoreMenu; }

    // Shows the hotlist menu for one of the two hotlist views (what a right click does), with
    // the items that apply to it; the menu is left prepared but not shown when `show` is false.
    void prepareHotlistMenu(QTreeView* list, const QPoint& globalPos = {}, bool show = true);
    void prepareIgnoreMenu(const QPoint& globalPos = {}, bool show = true);

    static QString selectedNickname(const QTreeView* list);

private:
    void bindModel(int list);
    QTreeView* newList(const QString& objectName);

    QPointer<ServerPage> m_serverPage;
    ChatPages& m_chatPages;
    const int m_serverIndex;
    QTreeView* m_lists[3] = {};
    QTreeView* m_browse = nullptr;
    QStatusBar* m_browseStatus = nullptr;
    QList<QLabel*> m_browsePanels;
    QMenu* m_hotlistMenu = nullptr;
    QMenu* m_ignoreMenu = nullptr;
    QTreeView* m_menuList = nullptr;
    QAction* m_browseAction = nullptr;
    QAction* m_whoisAction = nullptr;
    QAction* m_messageAction = nullptr;
    QAction* m_removeAction = nullptr;
    QAction* m_ignoreRemoveAction = nullptr;
};

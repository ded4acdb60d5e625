#pragma once

// The "Shares" page: the Shares view (SharedElTree) over the catalogue's model, its context menu
// (SharedPopupMenu: "Unshare", and "Play" and "Add to Playlist", which belong to the media
// player control and stay disabled until it comes), and the bottom strip with the "Shared
// Folders" button (SharedFoldersButton). The button mirrors the scanner's caption: with "Shared
// Folders" it opens the share folders dialog, whose OK starts a scan; with "Stop" it stops the
// running scan.
//
// The view sorts by the clicked column on the model's raw values, text without regard to case;
// until a column is clicked the rows stay in the order they came. Several rows may be selected;
// "Unshare" takes them top to bottom as the view shows them. A double click opens the focused
// row's file with the desktop.

#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class QSortFilterProxyModel;
class QTreeView;
class SharedCatalogue;
class ShareScanner;
class TShareFoldersForm;

class SharesTabSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SharesTabSheet)

public:
    // `folderTreeRoot`: the top of the dialog's folder tree (empty: the file system's root).
    SharesTabSheet(SharedCatalogue& catalogue, ShareScanner& scanner, QWidget* parent = nullptr,
                   const QString& folderTreeRoot = {});

    QTreeView* sharedElTree() const { return m_tree; }
    QSortFilterProxyModel* sortModel() const { return m_proxy; }
    QPushButton* sharedFoldersButton() const { return m_button; }
    TShareFoldersForm* shareFoldersForm() const { return m_form; }
    QMenu* popupMenu() const { return m_menu; }
    QAction* unshareAction() const { return m_unshare; }

    // The catalogue's rows behind the view's selection, top to bottom as shown.
    QList<int> selectedSourceRows() const;
    // Enables the menu's items for the current selection (the menu's opening).
    void updateMenu();

private:
    void buttonClicked();
    void showMenu(const QPoint& position);

    SharedCatalogue& m_catalogue;
    ShareScanner& m_scanner;
    QTreeView* m_tree = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QPushButton* m_button = nullptr;
    TShareFoldersForm* m_form = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_unshare = nullptr;
    QAction* m_play = nullptr;
    QAction* m_addToPlaylist = nullptr;
};

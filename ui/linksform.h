#pragma once

// TLinksForm: the tree of servers linked to a server (LinksTreeView) with a one-panel status
// bar, drawn from LinksTree. Shown modally when the end of a list arrives, with every node
// expanded; its title is the core's.

#include <QWidget>

class LinksTree;
class QLabel;
class QTreeView;

class TLinksForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLinksForm)

public:
    explicit TLinksForm(LinksTree& links, QWidget* parent = nullptr);

    QTreeView* treeView() const { return m_tree; }
    QLabel* statusPanel() const { return m_status; }

    // What LinksTree::showRequested asks for: every node expanded, the window in front.
    void showList();

private:
    QTreeView* m_tree = nullptr;
    QLabel* m_status = nullptr;
};

#include "ui/sharestabsheet.h"

#include "sharing/sharedcatalogue.h"
#include "sharing/sharescanner.h"
#include "sharing/sharesmodel.h"
#include "ui/sharefoldersform.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

SharesTabSheet::SharesTabSheet(SharedCatalogue& catalogue, ShareScanner& scanner, QWidget* parent,
                               const QString& folderTreeRoot)
    : QWidget(parent)
    , m_catalogue(catalogue)
    , m_scanner(scanner)
{
    setObjectName(u"SharesTabSheet"_s);

    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(&m_catalogue.model());
    m_proxy->setSortRole(SharesModel::RawValueRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_tree = new QTreeView;
    m_tree->setObjectName(u"SharedElTree"_s);
    m_tree->setModel(m_proxy);
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // Rows keep the order they came in until a column is clicked.
    m_tree->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_tree->setSortingEnabled(true);
    for (int column = 0; column < SharesModel::ColumnCount; ++column)
        m_tree->setColumnWidth(column, SharesModel::ColumnWidths.at(column));

    m_menu = new QMenu(this);
    m_menu->setObjectName(u"SharedPopupMenu"_s);
    m_unshare = m_menu->addAction(u"Unshare"_s);
    m_unshare->setObjectName(u"UnshareMenuItem"_s);
    m_play = m_menu->addAction(u"Play"_s);
    m_play->setObjectName(u"PlayMenuItem"_s);
    m_play->setEnabled(false);
    m_addToPlaylist = m_menu->addAction(u"Add to Playlist"_s);
    m_addToPlaylist->setObjectName(u"AddToPlaylistMenuItem"_s);
    m_addToPlaylist->setEnabled(false);

    m_button = new QPushButton(m_scanner.buttonCaption());
    m_button->setObjectName(u"SharedFoldersButton"_s);

    m_form = new TShareFoldersForm(this, folderTreeRoot);

    // The media player's buttons and bars take the left of the strip when they come.
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 4, 4, 4);
    strip->addStretch();
    strip->addWidget(m_button);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tree, 1);
    layout->addLayout(strip);

    connect(&m_scanner, &ShareScanner::buttonCaptionChanged, m_button, &QPushButton::setText);
    connect(m_button, &QPushButton::clicked, this, &SharesTabSheet::buttonClicked);
    connect(m_form, &QDialog::accepted, this, [this] { m_scanner.start(m_form->request()); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &SharesTabSheet::showMenu);
    connect(m_unshare, &QAction::triggered, this,
            [this] { m_catalogue.Unshare(selectedSourceRows()); });
    connect(m_tree, &QAbstractItemView::doubleClicked, this, [this] {
        const QModelIndex current = m_tree->currentIndex();
        if (current.isValid())
            m_catalogue.openFile(m_proxy->mapToSource(current).row());
    });
}

QList<int> SharesTabSheet::selectedSourceRows() const
{
    QModelIndexList selected = m_tree->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : std::as_const(selected))
        rows.append(m_proxy->mapToSource(index).row());
    return rows;
}

void SharesTabSheet::updateMenu()
{
    m_unshare->setEnabled(m_tree->selectionModel()->hasSelection());
}

void SharesTabSheet::buttonClicked()
{
    if (m_scanner.buttonCaption() == ShareScanner::SharedFoldersCaption)
        m_form->open();
    else
        m_scanner.stop();
}

void SharesTabSheet::showMenu(const QPoint& position)
{
    updateMenu();
    m_menu->popup(m_tree->viewport()->mapToGlobal(position));
}

#include "ui/hotlisttabsheet.h"

#include "chat/chatpages.h"
#include "chat/serverpage.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Column widths per list: online (nickname, speed), offline, ignore.
constexpr int ListWidths[3][2] = {{135, 70}, {120, 0}, {120, 0}};

} // namespace

THotlistTabSheet::THotlistTabSheet(ServerPage& serverPage, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_serverPage(&serverPage)
    , m_chatPages(chatPages)
    , m_serverIndex(serverPage.serverIndex())
{
    setObjectName(u"HotlistTabSheet"_s);

    auto* lists = new QSplitter(Qt::Vertical);
    m_lists[ServerPage::OnlineUsersList] = newList(u"OnlineUsersElTree"_s);
    m_lists[ServerPage::OfflineUsersList] = newList(u"OfflineUsersElTree"_s);
    m_lists[ServerPage::IgnoreList] = newList(u"IgnoreListElTree"_s);
    for (QTreeView* list : m_lists)
        lists->addWidget(list);

    m_browse = newList(u"BrowseElTree"_s);
    auto* columns = new QSplitter(Qt::Horizontal);
    columns->addWidget(lists);
    columns->addWidget(m_browse);
    columns->setStretchFactor(0, 0);
    columns->setStretchFactor(1, 1);
    columns->setSizes({ListWidths[0][0] + ListWidths[0][1] + 20, 500});

    m_browseStatus = new QStatusBar;
    m_browseStatus->setObjectName(u"BrowseStatusBar"_s);
    m_browseStatus->setSizeGripEnabled(false);
    for (int panel = 0; panel < BrowsePanelCount; ++panel) {
        auto* label = new QLabel;
        label->setObjectName(u"BrowseStatusPanel"_s + QString::number(panel));
        m_browseStatus->addWidget(label, panel == 0 ? 1 : 0);
        m_browsePanels.append(label);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(columns, 1);
    layout->addWidget(m_browseStatus);

    for (int list = 0; list < ServerPage::HotlistListCount; ++list)
        bindModel(list);
    connect(&serverPage, &ServerPage::hotlistModelChanged, this, &THotlistTabSheet::bindModel);

    m_hotlistMenu = new QMenu(this);
    m_hotlistMenu->setObjectName(u"HotlistPopupMenu"_s);
    m_browseAction = m_hotlistMenu->addAction(u"Browse"_s, this, [this] {
        const QString nickname = selectedNickname(m_menuList);
        if (!nickname.isEmpty())
            Q_EMIT m_chatPages.browseRequested(m_serverIndex, nickname);
    });
    m_whoisAction = m_hotlistMenu->addAction(u"Whois"_s, this, [this] {
        const QString nickname = selectedNickname(m_menuList);
        if (!nickname.isEmpty())
            m_chatPages.SendWhois(m_serverIndex, nickname);
    });
    m_messageAction = m_hotlistMenu->addAction(u"Message"_s, this, [this] {
        const QString nickname = selectedNickname(m_menuList);
        if (!nickname.isEmpty())
            m_chatPages.OpenPrivatePage(m_serverIndex, nickname);
    });
    m_hotlistMenu->addAction(u"Add"_s, this,
                             [this] { Q_EMIT m_chatPages.hotlistAddRequested(m_serverIndex); });
    m_removeAction = m_hotlistMenu->addAction(u"Remove"_s, this, [this] {
        const QString nickname = selectedNickname(m_menuList);
        if (!nickname.isEmpty())
            Q_EMIT m_chatPages.hotlistRemoveRequested(m_serverIndex, nickname);
    });

    m_ignoreMenu = new QMenu(this);
    m_ignoreMenu->setObjectName(u"IgnorePopupMenu"_s);
    m_ignoreMenu->addAction(u"Add"_s, this,
                            [this] { Q_EMIT m_chatPages.ignoreAddRequested(m_serverIndex); });
    m_ignoreRemoveAction = m_ignoreMenu->addAction(u"Remove"_s, this, [this] {
        const QString nickname = selectedNickname(ignoreView());
        if (!nickname.isEmpty())
            Q_EMIT m_chatPages.ignoreRemoveRequested(m_serverIndex, nickname);
    });

    for (QTreeView* list : {onlineView(), offlineView()}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
            prepareHotlistMenu(list, list->viewport()->mapToGlobal(pos));
        });
    }
    ignoreView()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ignoreView(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        prepareIgnoreMenu(ignoreView()->viewport()->mapToGlobal(pos));
    });
}

QTreeView* THotlistTabSheet::newList(const QString& objectName)
{
    auto* list = new QTreeView;
    list->setObjectName(objectName);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

void THotlistTabSheet::bindModel(int list)
{
    if (list < 0 || list >= ServerPage::HotlistListCount || !m_serverPage)
        return;
    QTreeView* view = m_lists[list];
    view->setModel(m_serverPage->hotlistModel(ServerPage::HotlistList(list)));
    if (!view->model())
        return;
    for (int column = 0; column < 2; ++column) {
        if (ListWidths[list][column] > 0)
            view->setColumnWidth(column, ListWidths[list][column]);
    }
    // The lists keep themselves sorted; a header click asks them to sort again.
    view->header()->setSortIndicator(0, Qt::AscendingOrder);
    view->setSortingEnabled(true);
}

QString THotlistTabSheet::selectedNickname(const QTreeView* list)
{
    if (!list || !list->selectionModel())
        return {};
    const QModelIndexList rows = list->selectionModel()->selectedRows(0);
    return rows.isEmpty() ? QString() : rows.constFirst().data(Qt::DisplayRole).toString();
}

void THotlistTabSheet::prepareHotlistMenu(QTreeView* list, const QPoint& globalPos, bool show)
{
    m_menuList = list;
    const bool selected = !selectedNickname(list).isEmpty();
    const bool online = list == onlineView();
    const bool browsing =
        m_browsePanels.value(3) && m_browsePanels.value(3)->text() == BrowsingText;
    m_browseAction->setVisible(online && selected && !browsing);
    m_whoisAction->setVisible(online && selected);
    m_messageAction->setVisible(online && selected);
    m_removeAction->setVisible(selected);
    if (show)
        m_hotlistMenu->popup(globalPos);
}

void THotlistTabSheet::prepareIgnoreMenu(const QPoint& globalPos, bool show)
{
    m_ignoreRemoveAction->setVisible(!selectedNickname(ignoreView()).isEmpty());
    if (show)
        m_ignoreMenu->popup(globalPos);
}

#include "ui/serverlistview.h"

#include "protocol/serverlistactions.h"
#include "protocol/serverlistmodel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A server's check mark is one of a network's radio buttons (one preferred server per
// network), so server rows draw a radio indicator where the view would draw a check box.
class ServerMarkStyle final : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_IndicatorItemViewItemCheck) {
            const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
            if (item && item->index.parent().parent().isValid()) {
                QStyleOption radio(*option);
                QProxyStyle::drawPrimitive(PE_IndicatorRadioButton, &radio, painter, widget);
                return;
            }
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

} // namespace

ServerListView::ServerListView(ServerListModel& model, ServerListActions& actions, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_actions(actions)
    , m_tree(new QTreeView(this))
    , m_menu(new QMenu(this))
{
    m_tree->setObjectName(u"ServersTreeView"_s);
    m_tree->setToolTip(u"Right click for options, double click to connect"_s);
    m_tree->setModel(&m_model);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* style = new ServerMarkStyle;
    style->setParent(m_tree);
    m_tree->setStyle(style);
    for (int column = 0; column < ServerListModel::ColumnCount; ++column)
        m_tree->header()->resizeSection(column, ServerListModel::columnWidth(column));
    m_tree->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    m_menu->setObjectName(u"ServersPopupMenu"_s);
    const auto row = [this] { return QModelIndex(m_menuRow); };
    addMenuItem(u"Edit Network"_s, u"EditNetworkItem"_s,
                [this, row] { m_actions.editNetwork(row()); });
    addMenuItem(u"Add Network"_s, u"AddNetworkItem"_s,
                [this, row] { m_actions.addNetwork(row()); });
    addMenuItem(u"Remove Network"_s, u"RemoveNetworkItem"_s,
                [this, row] { m_actions.removeNetwork(row()); });
    addMenuItem(u"Edit Server"_s, u"EditServerItem"_s, [this] { editServer(); });
    addMenuItem(u"Add Server"_s, u"AddServerItem"_s, [this] { addServer(); });
    addMenuItem(u"Remove Server"_s, u"RemoveServerItem"_s,
                [this, row] { m_actions.removeServer(row()); });
    addMenuItem(u"Connect"_s, u"ConnectItem"_s, [this, row] { m_actions.connectServer(row()); });
    addMenuItem(u"Disconnect"_s, u"DisconnectItem"_s,
                [this, row] { m_actions.disconnectServer(row()); });
    addMenuItem(u"List Channels"_s, u"ListChannelsItem"_s, [this, row] {
        const int serverIndex = m_model.serverIndexAt(row());
        if (serverIndex >= 0)
            Q_EMIT listChannelsRequested(serverIndex);
    });
    addMenuItem(u"Show Links"_s, u"ShowLinksItem"_s, [this, row] {
        const int serverIndex = m_model.serverIndexAt(row());
        if (serverIndex >= 0)
            Q_EMIT showLinksRequested(serverIndex);
    });

    connect(m_tree, &QTreeView::customContextMenuRequested, this, &ServerListView::showPopup);
    connect(m_tree, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { m_actions.activate(index); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        spanNamesOf(QModelIndex());
        expandGroups();
    });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent) { spanNamesOf(parent); });
    spanNamesOf(QModelIndex());

    m_dialog = [this](TAddServerForm::Mode mode,
                      const ServerEntry& preset) -> std::optional<ServerEntry> {
        TAddServerForm form(mode, this);
        form.setEntry(preset);
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        return form.entry();
    };
    expandGroups();
}

void ServerListView::preparePopup(const QModelIndex& row)
{
    m_menuRow = row;
    const ServerListActions::PopupItems shown = ServerListActions::popupItems(m_model, row);
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_items.at(i)->setVisible(shown.testFlag(ServerListActions::PopupItem(1 << i)));
}

void ServerListView::expandNetworks()
{
    for (int row = 0; row < m_model.rowCount(); ++row)
        m_tree->expandRecursively(m_model.index(row, 0));
}

void ServerListView::collapseNetworks()
{
    m_tree->collapseAll();
}

bool ServerListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = m_tree->currentIndex();
        if (current.isValid() && key->modifiers() == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter: {
                const QModelIndex row = current.siblingAtColumn(0);
                if (!m_actions.activate(row))
                    m_tree->setExpanded(row, !m_tree->isExpanded(row));
                return true;
            }
            case Qt::Key_Space:
                m_actions.toggleMark(current.siblingAtColumn(0));
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ServerListView::spanNamesOf(const QModelIndex& parent)
{
    // Group and network rows have only a name: let it use the whole row instead of being cut
    // to the width of the Index column.
    for (int row = 0; row < m_model.rowCount(parent); ++row) {
        const QModelIndex index = m_model.index(row, 0, parent);
        if (m_model.kind(index) == ServerListModel::RowKind::Server)
            continue;
        m_tree->setFirstColumnSpanned(row, parent, true);
        spanNamesOf(index);
    }
}

void ServerListView::expandGroups()
{
    // Protocol groups open one level; networks stay closed.
    for (int row = 0; row < m_model.rowCount(); ++row)
        m_tree->expand(m_model.index(row, 0));
}

void ServerListView::showPopup(const QPoint& position)
{
    // A right click selects the row under the pointer, as a left click would.
    const QModelIndex under = m_tree->indexAt(position);
    if (under.isValid())
        m_tree->setCurrentIndex(under);
    const QModelIndex row = m_tree->currentIndex().siblingAtColumn(0);
    if (!row.isValid())
        return;
    preparePopup(row);
    m_menu->popup(m_tree->viewport()->mapToGlobal(position));
}

void ServerListView::addServer()
{
    const QModelIndex network(m_menuRow);
    if (!network.isValid())
        return;
    if (const std::optional<ServerEntry> entry = m_dialog(TAddServerForm::Mode::Add, {})) {
        // The dialog ran its own event loop; the row may have gone meanwhile.
        if (m_menuRow.isValid())
            m_actions.addServer(m_menuRow, *entry);
    }
}

void ServerListView::editServer()
{
    const QModelIndex server(m_menuRow);
    if (!server.isValid())
        return;
    const ServerEntry preset = m_actions.editPreset(server);
    if (const std::optional<ServerEntry> entry = m_dialog(TAddServerForm::Mode::Edit, preset)) {
        if (m_menuRow.isValid())
            m_actions.editServer(m_menuRow, *entry);
    }
}

QAction* ServerListView::addMenuItem(const QString& text, const QString& name,
                                     std::function<void()> run)
{
    QAction* action = m_menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, std::move(run));
    m_items.append(action);
    return action;
}

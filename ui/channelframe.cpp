#include "ui/channelframe.h"

#include "chat/channelusers.h"
#include "chat/chatpage.h"
#include "chat/chatpages.h"
#include "ui/chatpagesheet.h"
#include "ui/fatmemo.h"
#include "ui/inputmemo.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int UsersWidth = 130;
constexpr int SpeedWidth = 65;
constexpr int SharedWidth = 65;

// The speed icons: slow, middling, fast.
QIcon speedIcon(int number)
{
    static const QColor colours[] = {QColor(200, 40, 40), QColor(230, 190, 30),
                                     QColor(40, 170, 60)};
    static QIcon icons[3];
    const int i = qBound(0, number, 2);
    if (icons[i].isNull()) {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours[i]);
        // One bar per step of speed, like a signal meter.
        for (int bar = 0; bar <= i; ++bar)
            painter.drawRect(1 + bar * 4, 8 - bar * 3, 3, 3 + bar * 3);
        icons[i] = QIcon(pixmap);
    }
    return icons[i];
}

// Draws each row's speed icon in the "Users" column from the list's icon number.
class SpeedIconProxy final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DecorationRole && index.column() == 0) {
            const QVariant number = QIdentityProxyModel::data(index, ChannelUsers::SpeedIconRole);
            if (number.isValid())
                return speedIcon(number.toInt());
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

TChannelFrame::TChannelFrame(ChatPage& page, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_page(&page)
    , m_chatPages(chatPages)
{
    setObjectName(u"ChannelFrame"_s);

    auto* left = new QWidget;
    m_topic = ChatViews::NewTopicView(page.topic(), u"TopicFatMemo"_s, left);
    m_output = ChatViews::NewOutputView(page.output(), u"OutputFatMemo"_s, left);
    m_input = new TInputMemo(page, chatPages, left);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    leftLayout->addWidget(m_topic);
    leftLayout->addWidget(m_output, 1);
    leftLayout->addWidget(m_input);

    auto* right = new QWidget;
    m_users = new QTreeView(right);
    m_users->setObjectName(u"ChannelUsersElTree"_s);
    m_users->setRootIsDecorated(false);
    m_users->setUniformRowHeights(true);
    m_users->setSelectionMode(QAbstractItemView::SingleSelection);
    m_users->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_usersIcons = new SpeedIconProxy(this);
    m_label = new QLabel(right);
    m_label->setObjectName(u"ChannelLabel"_s);
    m_label->setText(page.label());
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(m_users, 1);
    rightLayout->addWidget(m_label);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setSizes({400, UsersWidth + SpeedWidth + SharedWidth + 20});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    bindUserList();
    connect(&page, &ChatPage::userListChanged, this, &TChannelFrame::bindUserList);
    connect(&page, &ChatPage::labelChanged, m_label, &QLabel::setText);
    buildMenus();
}

void TChannelFrame::bindUserList()
{
    m_usersIcons->setSourceModel(m_page ? m_page->userList() : nullptr);
    if (m_users->model() != m_usersIcons) {
        m_users->setModel(m_usersIcons);
        m_users->setColumnWidth(0, UsersWidth);
        m_users->setColumnWidth(1, SpeedWidth);
        m_users->setColumnWidth(2, SharedWidth);
        // The list sorts itself as rows come; a header click asks it to sort again. Start
        // from what it already shows, so that enabling sorting does not reorder it.
        m_users->header()->setSortIndicator(0, Qt::AscendingOrder);
        m_users->setSortingEnabled(true);
    }
}

QString TChannelFrame::selectedNickname() const
{
    const QModelIndexList rows =
        m_users->selectionModel() ? m_users->selectionModel()->selectedRows(0) : QModelIndexList();
    if (rows.isEmpty())
        return {};
    return rows.constFirst().data(Qt::DisplayRole).toString();
}

void TChannelFrame::buildMenus()
{
    const int serverIndex = m_page->serverIndex();

    m_usersMenu = new QMenu(this);
    m_usersMenu->setObjectName(u"UsersPopupMenu"_s);
    // Every item is shown; without a selected row it does nothing.
    const auto withNickname = [this](auto action) {
        return [this, action] {
            const QString nickname = selectedNickname();
            if (!nickname.isEmpty())
                action(nickname);
        };
    };
    m_usersMenu->addAction(u"Browse"_s, this, withNickname([this, serverIndex](const QString& n) {
                               Q_EMIT m_chatPages.browseRequested(serverIndex, n);
                           }));
    m_usersMenu->addAction(u"Hotlist"_s, this, withNickname([this, serverIndex](const QString& n) {
                               m_chatPages.SendHotlistAdd(serverIndex, n);
                           }));
    m_usersMenu->addAction(u"Ignore"_s, this, withNickname([this, serverIndex](const QString& n) {
                               m_chatPages.SendIgnore(serverIndex, n);
                           }));
    m_usersMenu->addAction(u"Message"_s, this, withNickname([this, serverIndex](const QString& n) {
                               m_chatPages.OpenPrivatePage(serverIndex, n);
                           }));
    m_usersMenu->addAction(u"Whois"_s, this, withNickname([this, serverIndex](const QString& n) {
                               m_chatPages.SendWhois(serverIndex, n);
                           }));
    m_users->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_users, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_usersMenu->popup(m_users->viewport()->mapToGlobal(pos));
    });

    m_outputMenu = new QMenu(this);
    m_outputMenu->setObjectName(u"PrivMsgPopupMenu"_s);
    m_outputMenu->addAction(u"Close"_s, this, [this] { m_chatPages.LeaveChannel(m_page); });
    m_outputMenu->addAction(u"List Channels"_s, this, [this, serverIndex] {
        Q_EMIT m_chatPages.channelListRequested(serverIndex);
    });
    for (TFatMemo* view : {m_output, m_topic}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
            m_outputMenu->popup(view->viewport()->mapToGlobal(pos));
        });
    }
}

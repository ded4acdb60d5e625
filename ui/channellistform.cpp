#include "ui/channellistform.h"

#include "chat/channellist.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int ChannelWidth = 100;
constexpr int UsersWidth = 50;
constexpr int TopicWidth = 239;

} // namespace

TChannelListForm::TChannelListForm(ChannelList& channelList, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , m_channelList(channelList)
{
    setObjectName(u"ChannelListForm"_s);
    setWindowTitle(channelList.title());
    // A window that closes is never a reason to end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_list = new QTreeView(this);
    m_list->setObjectName(u"ChannelListElTree"_s);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setModel(&channelList);
    m_list->setColumnWidth(ChannelList::ChannelColumn, ChannelWidth);
    m_list->setColumnWidth(ChannelList::UsersColumn, UsersWidth);
    m_list->setColumnWidth(ChannelList::TopicColumn, TopicWidth);

    m_counter = new QLabel(channelList.counterText(), this);
    m_counter->setObjectName(u"ChannelListStaticText"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_counter);
    resize(ChannelWidth + UsersWidth + TopicWidth + 40, 320);

    connect(m_list, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { m_channelList.rowActivated(index.row()); });
    connect(&channelList, &ChannelList::titleChanged, this, &QWidget::setWindowTitle);
    connect(&channelList, &ChannelList::counterTextChanged, m_counter, &QLabel::setText);
    connect(&channelList, &ChannelList::showRequested, this, &TChannelListForm::showAsRequested);
    connect(&channelList, &ChannelList::closeRequested, this, &QWidget::close);
}

void TChannelListForm::showAsRequested(bool modal)
{
    // The modality of a window is fixed while it is shown; a window already up stays as it is.
    if (!isVisible())
        setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    show();
    raise();
    activateWindow();
}

void TChannelListForm::closeEvent(QCloseEvent* event)
{
    if (!m_channelList.canClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_channelList.windowClosed();
}

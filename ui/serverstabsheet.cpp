#include "ui/serverstabsheet.h"

#include "ui/linesmemo.h"
#include "ui/serverlistview.h"

#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ServersTabSheet::ServersTabSheet(ServerListModel& serverList, ServerListActions& actions,
                                 ChatLines& notices, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"ServersTabSheet"_s);

    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(u"ServersPageControl"_s);
    m_pageControl->setDocumentMode(true);

    m_serverListView = new ServerListView(serverList, actions);
    m_serverListView->setObjectName(u"ServerListTabSheet"_s);
    m_pageControl->addTab(m_serverListView, u"Server List"_s);

    m_serverMessagesMemo = new LinesMemo(notices);
    m_serverMessagesMemo->setObjectName(u"ServerMessagesMemo"_s);
    QPalette palette = m_serverMessagesMemo->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, Qt::red);
    m_serverMessagesMemo->setPalette(palette);
    QFont font = m_serverMessagesMemo->font();
    font.setBold(true);
    m_serverMessagesMemo->setFont(font);
    m_pageControl->addTab(m_serverMessagesMemo, u"Server Messages"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pageControl);
}

QTreeView* ServersTabSheet::serversTreeView() const
{
    return m_serverListView->treeView();
}

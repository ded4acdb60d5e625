#include "ui/linksform.h"

#include "chat/linkstree.h"

#include <QLabel>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TLinksForm::TLinksForm(LinksTree& links, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(u"LinksForm"_s);
    setWindowTitle(links.title());
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowModality(Qt::ApplicationModal);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(u"LinksTreeView"_s);
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setModel(&links.tree());

    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(u"LinksStatusBar"_s);
    statusBar->setSizeGripEnabled(false);
    m_status = new QLabel(links.statusText(), statusBar);
    statusBar->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tree, 1);
    layout->addWidget(statusBar);
    resize(300, 360);

    connect(&links, &LinksTree::titleChanged, this, &QWidget::setWindowTitle);
    connect(&links, &LinksTree::statusTextChanged, m_status, &QLabel::setText);
    connect(&links, &LinksTree::showRequested, this, &TLinksForm::showList);
}

void TLinksForm::showList()
{
    m_tree->expandAll();
    show();
    raise();
    activateWindow();
}

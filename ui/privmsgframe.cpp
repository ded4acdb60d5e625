#include "ui/privmsgframe.h"

#include "chat/chatpage.h"
#include "chat/chatpages.h"
#include "ui/chatpagesheet.h"
#include "ui/fatmemo.h"
#include "ui/inputmemo.h"

#include <QMenu>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TPrivMsgFrame::TPrivMsgFrame(ChatPage& page, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_page(&page)
    , m_chatPages(chatPages)
{
    setObjectName(u"PrivMsgFrame"_s);
    m_output = ChatViews::NewOutputView(page.output(), u"OutputFatMemo"_s, this);
    m_input = new TInputMemo(page, chatPages, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_output, 1);
    layout->addWidget(m_input);

    m_menu = new QMenu(this);
    m_menu->setObjectName(u"PrivMsgPopupMenu"_s);
    const auto nickname = [this] { return m_page ? m_page->name() : QString(); };
    const int serverIndex = page.serverIndex();
    m_menu->addAction(u"Whois"_s, this, [this, serverIndex, nickname] {
        m_chatPages.SendWhois(serverIndex, nickname());
    });
    m_menu->addAction(u"Browse"_s, this, [this, serverIndex, nickname] {
        Q_EMIT m_chatPages.browseRequested(serverIndex, nickname());
    });
    m_menu->addAction(u"Hotlist"_s, this, [this, serverIndex, nickname] {
        m_chatPages.SendHotlistAdd(serverIndex, nickname());
    });
    m_menu->addAction(u"Close"_s, this, [this] {
        // Queued: the page (and this frame with it) goes while the menu is still returning.
        QMetaObject::invokeMethod(
            &m_chatPages,
            [chatPages = &m_chatPages, page = m_page] { chatPages->RemovePage(page); },
            Qt::QueuedConnection);
    });
    m_output->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_output, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_output->viewport()->mapToGlobal(pos)); });
}

#include "ui/serverframe.h"

#include "chat/chatpage.h"
#include "chat/chatpages.h"
#include "chat/inputline.h"
#include "chat/serverpage.h"
#include "protocol/servers.h"
#include "ui/channelframe.h"
#include "ui/chatpagesheet.h"
#include "ui/fatmemo.h"
#include "ui/hotlisttabsheet.h"
#include "ui/inputmemo.h"
#include "ui/privmsgframe.h"

#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QColor TServerFrame::HighlightColor = QColor(Qt::red);

TServerFrame::TServerFrame(ServerPage& page, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_serverIndex(page.serverIndex())
    , m_page(&page)
    , m_chatPages(chatPages)
{
    setObjectName(u"ServerFrame"_s);
    m_windowPageControl = new QTabWidget(this);
    m_windowPageControl->setObjectName(u"WindowPageControl"_s);

    {
        const QScopedValueRollback following(m_following, true);
        for (int index = 0; index < page.count(); ++index)
            insertPage(index, page.page(index));
        m_windowPageControl->setCurrentIndex(page.currentIndex());
    }

    connect(&page, &ServerPage::pageInserted, this, &TServerFrame::insertPage);
    connect(&page, &ServerPage::pageRemoved, this, &TServerFrame::removePage);
    connect(&page, &ServerPage::currentIndexChanged, this, &TServerFrame::followCurrent);
    connect(m_windowPageControl, &QTabWidget::currentChanged, this, &TServerFrame::onTabChanged);
    connect(&m_chatPages, &ChatPages::inputFocusRequested, this, &TServerFrame::focusPageInput);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_windowPageControl);
}

QString TServerFrame::tabCaption(const QString& caption)
{
    // A tab shows "&" as a mnemonic marker; a channel or nickname may hold one.
    QString shown = caption;
    return shown.replace(u'&', u"&&"_s);
}

TChatPageSheet* TServerFrame::createSheet(ChatPage* page)
{
    switch (page->kind()) {
    case ChatPage::Kind::ServerMessages: {
        auto* sheet = new TChatPageSheet(*page, u"ServerMsgTabSheet"_s);
        auto* frame = new QWidget;
        m_output = ChatViews::NewOutputView(page->output(), u"ServerMsgFatMemo"_s, frame);
        m_input = new TInputMemo(*page, m_chatPages, frame);
        auto* layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(m_output, 1);
        layout->addWidget(m_input);

        m_menu = new QMenu(this);
        m_menu->setObjectName(u"ServerFramePopupMenu"_s);
        m_menu->addAction(u"Disconnect"_s, this, [this] {
            // The user's own disconnect: "Not connected", no reconnect.
            TServers& servers = m_chatPages.servers();
            const int serverIndex = m_serverIndex;
            QMetaObject::invokeMethod(
                &servers, [&servers, serverIndex] { servers.disconnectServer(serverIndex); },
                Qt::QueuedConnection);
        });
        m_output->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_output, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
            m_menu->popup(m_output->viewport()->mapToGlobal(pos));
        });
        sheet->setFrame(frame, m_input, {m_output});
        return sheet;
    }
    case ChatPage::Kind::Hotlist: {
        auto* sheet = new TChatPageSheet(*page, u"HotlistTabSheet"_s);
        auto* frame = new THotlistTabSheet(*m_page, m_chatPages);
        frame->setObjectName(u"HotlistFrame"_s);
        sheet->setFrame(frame, nullptr, {});
        return sheet;
    }
    case ChatPage::Kind::Channel: {
        auto* sheet = new TChatPageSheet(*page, u"ChannelTabSheet"_s);
        auto* frame = new TChannelFrame(*page, m_chatPages);
        sheet->setFrame(frame, frame->inputLine(), {frame->topicView(), frame->outputView()});
        return sheet;
    }
    case ChatPage::Kind::Private: {
        auto* sheet = new TChatPageSheet(*page, u"PrivMsgTabSheet"_s);
        auto* frame = new TPrivMsgFrame(*page, m_chatPages);
        sheet->setFrame(frame, frame->inputLine(), {frame->outputView()});
        return sheet;
    }
    }
    return nullptr;
}

void TServerFrame::insertPage(int index, ChatPage* page)
{
    TChatPageSheet* sheet = createSheet(page);
    if (sheet->inputLine())
        sheet->inputLine()->installEventFilter(this);
    for (TFatMemo* view : sheet->views())
        view->installEventFilter(this);
    {
        const QScopedValueRollback following(m_following, true);
        m_windowPageControl->insertTab(index, sheet, tabCaption(page->caption()));
        if (m_page)
            m_windowPageControl->setCurrentIndex(m_page->currentIndex());
    }
    connect(page, &ChatPage::highlightedChanged, this, [this, page] { updateHighlight(page); });
    updateHighlight(page);
}

void TServerFrame::removePage(int index, ChatPage* page)
{
    QWidget* sheet = m_windowPageControl->widget(index);
    if (!sheet || sheetOf(page) != sheet)
        sheet = sheetOf(page);
    if (!sheet)
        return;
    const QScopedValueRollback following(m_following, true);
    m_windowPageControl->removeTab(m_windowPageControl->indexOf(sheet));
    sheet->deleteLater();
}

TChatPageSheet* TServerFrame::sheetAt(int index) const
{
    return qobject_cast<TChatPageSheet*>(m_windowPageControl->widget(index));
}

TChatPageSheet* TServerFrame::sheetOf(const ChatPage* page) const
{
    for (int index = 0; index < m_windowPageControl->count(); ++index) {
        TChatPageSheet* sheet = sheetAt(index);
        if (sheet && sheet->page() == page)
            return sheet;
    }
    return nullptr;
}

void TServerFrame::followCurrent(int index)
{
    {
        const QScopedValueRollback following(m_following, true);
        m_windowPageControl->setCurrentIndex(index);
    }
    focusInput();
}

void TServerFrame::onTabChanged(int index)
{
    if (m_following || !m_page)
        return;
    m_page->setCurrentIndex(index);
}

void TServerFrame::updateHighlight(ChatPage* page)
{
    const TChatPageSheet* sheet = sheetOf(page);
    if (!sheet)
        return;
    const int index = m_windowPageControl->indexOf(const_cast<TChatPageSheet*>(sheet));
    m_windowPageControl->tabBar()->setTabTextColor(index, page->isHighlighted() ? HighlightColor
                                                                                : QColor());
}

void TServerFrame::showServerMessages()
{
    if (m_page)
        m_page->setCurrentIndex(ServerPage::ServerMessagesPage);
}

void TServerFrame::focusInput()
{
    if (const TChatPageSheet* sheet = sheetAt(m_windowPageControl->currentIndex()))
        focusPageInput(sheet->page());
}

void TServerFrame::focusPageInput(ChatPage* page)
{
    const TChatPageSheet* sheet = sheetOf(page);
    if (!sheet || !sheet->inputLine())
        return;
    if (window()->isVisible() && sheet->inputLine()->isVisible())
        sheet->inputLine()->setFocus();
}

int TServerFrame::pageKeyNumber(const QKeyEvent* event, bool* connection)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // Keypad digits do not count, nor do combinations with further modifiers.
    if (modifiers & (Qt::KeypadModifier | Qt::ShiftModifier | Qt::MetaModifier))
        return -1;
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    if (alt == ctrl)
        return -1;
    const int key = event->key();
    if (key < Qt::Key_0 || key > Qt::Key_9)
        return -1;
    if (connection)
        *connection = ctrl;
    return InputLine::PageNumberForDigit(key - Qt::Key_0);
}

bool TServerFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool connection = false;
        const int number = pageKeyNumber(key, &connection);
        if (number >= 0) {
            // Claim the key before any shortcut can, then act on the press itself.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            if (connection)
                Q_EMIT connectionPageRequested(number);
            else if (m_page && number < m_page->count())
                m_page->setCurrentIndex(number);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

#include "ui/chatpagecontrol.h"

#include "chat/chatpages.h"
#include "chat/mainviewstate.h"
#include "chat/serverpage.h"
#include "ui/serverframe.h"
#include "ui/servertabsheet.h"

#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

ChatPageControl::ChatPageControl(ChatPages& chatPages, MainViewState& viewState, QWidget* parent)
    : QTabWidget(parent)
    , m_chatPages(chatPages)
    , m_viewState(viewState)
{
    setObjectName(u"ChatPageControl"_s);
    connect(&m_chatPages, &ChatPages::pageAdded, this, &ChatPageControl::addServerPage);
    connect(&m_chatPages, &ChatPages::pageRemoved, this, &ChatPageControl::removeServerPage);
    connect(&m_viewState, &MainViewState::currentChatServerChanged, this,
            &ChatPageControl::selectServer);
    connect(&m_viewState, &MainViewState::serverPageShown, this, &ChatPageControl::bringForward);
    connect(this, &QTabWidget::currentChanged, this, &ChatPageControl::onCurrentChanged);
    for (ServerPage* page : m_chatPages.pages())
        addServerPage(page);
}

TServerTabSheet* ChatPageControl::serverTabSheet(int serverIndex) const
{
    for (int tab = 0; tab < count(); ++tab) {
        auto* sheet = qobject_cast<TServerTabSheet*>(widget(tab));
        if (sheet && sheet->serverIndex() == serverIndex)
            return sheet;
    }
    return nullptr;
}

int ChatPageControl::serverIndexAt(int tab) const
{
    const auto* sheet = qobject_cast<TServerTabSheet*>(widget(tab));
    return sheet ? sheet->serverIndex() : MainViewState::NoChatPage;
}

void ChatPageControl::addServerPage(ServerPage* page)
{
    if (serverTabSheet(page->serverIndex()))
        return;
    auto* sheet = new TServerTabSheet(*page, m_chatPages);
    addTab(sheet, page->caption());
    connect(sheet->frame(), &TServerFrame::connectionPageRequested, this, [this](int number) {
        if (number >= 0 && number < count())
            setCurrentIndex(number);
    });
    connect(page, &ServerPage::captionChanged, sheet,
            [this, sheet](const QString& caption) { setTabText(indexOf(sheet), caption); });
}

void ChatPageControl::removeServerPage(int serverIndex)
{
    TServerTabSheet* sheet = serverTabSheet(serverIndex);
    if (!sheet)
        return;
    removeTab(indexOf(sheet));
    sheet->deleteLater();
}

void ChatPageControl::onCurrentChanged(int tab)
{
    if (m_following)
        return;
    m_viewState.setCurrentChatServer(serverIndexAt(tab));
    if (TServerTabSheet* sheet = qobject_cast<TServerTabSheet*>(widget(tab)))
        sheet->frame()->focusInput();
}

void ChatPageControl::selectServer(int serverIndex)
{
    TServerTabSheet* sheet = serverTabSheet(serverIndex);
    if (!sheet)
        return;
    const QScopedValueRollback following(m_following, true);
    setCurrentWidget(sheet);
}

void ChatPageControl::bringForward(int serverIndex)
{
    TServerTabSheet* sheet = serverTabSheet(serverIndex);
    if (!sheet)
        return;
    selectServer(serverIndex);
    sheet->frame()->showServerMessages();
    sheet->frame()->focusInput();
}

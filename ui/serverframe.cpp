#include "ui/serverframe.h"

#include "chat/chatpages.h"
#include "chat/serverpage.h"
#include "ui/linesmemo.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int InputLineHeight = 22;

// Chat output: fixed-pitch silver text on black.
void styleOutputView(LinesMemo* view)
{
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette palette = view->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::black);
        palette.setColor(group, QPalette::Text, QColor(192, 192, 192));
    }
    view->setPalette(palette);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

} // namespace

TServerFrame::TServerFrame(ServerPage& page, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_serverIndex(page.serverIndex())
    , m_chatPages(chatPages)
{
    setObjectName(u"ServerFrame"_s);
    m_windowPageControl = new QTabWidget(this);
    m_windowPageControl->setObjectName(u"WindowPageControl"_s);

    const QStringList names = page.innerPageNames();
    m_windowPageControl->addTab(createServerMessagesPage(page),
                                names.value(ServerPage::ServerMessagesPage));
    auto* hotlist = new QWidget;
    hotlist->setObjectName(u"HotlistTabSheet"_s);
    m_windowPageControl->addTab(hotlist, names.value(ServerPage::HotlistPage));

    // Showing "Server Messages" puts the caret in its input line; "Hotlist" has none.
    connect(m_windowPageControl, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == ServerPage::ServerMessagesPage)
            focusInput();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_windowPageControl);
}

QWidget* TServerFrame::createServerMessagesPage(ServerPage& page)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(u"ServerMsgTabSheet"_s);

    m_output = new LinesMemo(page.serverMessages(), sheet);
    m_output->setObjectName(u"ServerMsgFatMemo"_s);
    styleOutputView(m_output);

    m_input = new QLineEdit(sheet);
    m_input->setObjectName(u"InputMemo"_s);
    m_input->setFixedHeight(InputLineHeight);
    connect(m_input, &QLineEdit::returnPressed, this, &TServerFrame::submitInput);

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_output, 1);
    layout->addWidget(m_input);
    return sheet;
}

void TServerFrame::submitInput()
{
    const QString text = m_input->text();
    m_input->clear();
    m_chatPages.SubmitServerInput(m_serverIndex, text);
}

void TServerFrame::showServerMessages()
{
    m_windowPageControl->setCurrentIndex(ServerPage::ServerMessagesPage);
}

void TServerFrame::focusInput()
{
    if (window()->isVisible() &&
        m_windowPageControl->currentIndex() == ServerPage::ServerMessagesPage &&
        m_input->isVisible())
        m_input->setFocus();
}

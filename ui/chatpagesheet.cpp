#include "ui/chatpagesheet.h"

#include "chat/chatpage.h"
#include "chat/linktarget.h"
#include "ui/fatmemo.h"
#include "ui/inputmemo.h"

#include <QDesktopServices>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TChatPageSheet::TChatPageSheet(ChatPage& page, const QString& objectName, QWidget* parent)
    : QWidget(parent)
    , m_page(&page)
{
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void TChatPageSheet::setFrame(QWidget* frame, TInputMemo* input, const QList<TFatMemo*>& views)
{
    m_frame = frame;
    m_input = input;
    m_views = views;
    layout()->addWidget(frame);
}

namespace ChatViews {

TFatMemo* NewOutputView(ChatLineModel* lines, const QString& objectName, QWidget* parent)
{
    auto* view = new TFatMemo(parent);
    view->setObjectName(objectName);
    view->setModel(lines);
    view->setWordWrap(true);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QObject::connect(view, &TFatMemo::linkActivated, view, &OpenLink);
    return view;
}

TFatMemo* NewTopicView(ChatLineModel* lines, const QString& objectName, QWidget* parent)
{
    auto* view = new TFatMemo(parent);
    view->setObjectName(objectName);
    view->setModel(lines);
    view->setWordWrap(false);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setStick(TFatMemo::Stick::Bottom);
    view->setFixedHeight(view->rowHeight() + 2 * view->frameWidth() + 4);
    QObject::connect(view, &TFatMemo::linkActivated, view, &OpenLink);
    return view;
}

void OpenLink(const QString& target)
{
    const QUrl url = SafeLinkUrl(target);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

} // namespace ChatViews

#include "ui/servertabsheet.h"

#include "chat/serverpage.h"
#include "ui/serverframe.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TServerTabSheet::TServerTabSheet(ServerPage& page, ChatPages& chatPages, QWidget* parent)
    : QWidget(parent)
    , m_serverIndex(page.serverIndex())
{
    setObjectName(u"ServerTabSheet"_s);
    m_frame = new TServerFrame(page, chatPages, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
}

#include "ui/aboutform.h"

#include "ui/appicon.h"
#include "ui/appinfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSysInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TAboutForm::TAboutForm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"AboutForm"_s);
    setWindowTitle(u"About "_s + AppInfo::name());
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* picture = new QLabel(this);
    picture->setObjectName(u"AboutImage"_s);
    picture->setPixmap(drawAppIcon(96));
    picture->setAlignment(Qt::AlignCenter);

    m_text = new QTextEdit(this);
    m_text->setObjectName(u"AboutMemo"_s);
    m_text->setReadOnly(true);
    m_text->setPlainText(AboutText());
    for (QTextBlock block = m_text->document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(format);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(m_text, 1);
    resize(380, 320);
}

QString TAboutForm::AboutText()
{
    return AppInfo::caption() +
           u"\n\nA client for the OpenNap file-sharing and chat network.\n\nBuilt with Qt "_s +
           QString::fromLatin1(qVersion()) +
           u" (Core, Gui, Network, Widgets, DBus), running on "_s + QSysInfo::prettyProductName() +
           u".\n\nChat, search, share and transfer files with the people of every server you "
           u"connect to."_s;
}

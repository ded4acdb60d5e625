#include "ui/whoisform.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// In the order shown.
const QStringList Captions = {u"User"_s,        u"Class"_s,     u"Ip"_s,        u"Client"_s,
                              u"Line"_s,        u"Status"_s,    u"Time"_s,      u"Server"_s,
                              u"Channels"_s,    u"Shared"_s,    u"Downloads"_s, u"Uploads"_s,
                              u"Listen Port"_s, u"Data Port"_s, u"Total ULs"_s, u"Total DLs"_s};
// The fields that only an answer with its eleventh field fills.
const QStringList ExtraCaptions = {u"Ip"_s,        u"Server"_s,    u"Listen Port"_s,
                                   u"Data Port"_s, u"Total ULs"_s, u"Total DLs"_s};

QString ObjectName(QString caption)
{
    return caption.remove(u' ') + u"Edit"_s;
}

void SetText(QLineEdit* edit, const QString& text, const QColor& colour = {})
{
    edit->setText(text);
    edit->setCursorPosition(0);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour.isValid() ? colour : QColor(192, 192, 192));
    edit->setPalette(palette);
}

} // namespace

TWhoisForm::TWhoisForm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"WhoisForm"_s);
    setWindowTitle(u"Whois Info"_s);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_group = new QGroupBox(this);
    m_group->setObjectName(u"WhoisGroupBox"_s);
    m_group->setFocusPolicy(Qt::StrongFocus);
    auto* form = new QFormLayout(m_group);
    for (const QString& caption : Captions) {
        auto* edit = new QLineEdit(m_group);
        edit->setObjectName(ObjectName(caption));
        edit->setReadOnly(true);
        edit->setMinimumWidth(220);
        // The level and the line speed are shown in their colours, which are made to be read
        // on black, as in the chat views.
        QPalette palette = edit->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, Qt::black);
        edit->setPalette(palette);
        SetText(edit, QString());
        form->addRow(caption, edit);
        m_fields.insert(caption, edit);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TWhoisForm::showInfo(const WhoisInfo& info)
{
    m_group->setTitle(info.caption);
    SetText(field(u"User"_s), info.user);
    SetText(field(u"Class"_s), info.userClass, info.classColor);
    SetText(field(u"Ip"_s), info.ip);
    SetText(field(u"Client"_s), info.client);
    SetText(field(u"Line"_s), info.line, info.lineColor);
    SetText(field(u"Status"_s), info.status);
    SetText(field(u"Time"_s), info.time);
    SetText(field(u"Server"_s), info.server);
    SetText(field(u"Channels"_s), info.channels);
    SetText(field(u"Shared"_s), info.shared);
    SetText(field(u"Downloads"_s), info.downloads);
    SetText(field(u"Uploads"_s), info.uploads);
    SetText(field(u"Listen Port"_s), info.listenPort);
    SetText(field(u"Data Port"_s), info.dataPort);
    SetText(field(u"Total ULs"_s), info.totalUploads);
    SetText(field(u"Total DLs"_s), info.totalDownloads);
    // Disabled only when the answer lacks them; closing the window enables them again.
    if (!info.extraEnabled)
        setExtraEnabled(false);
    show();
    raise();
    m_group->setFocus();
}

void TWhoisForm::setExtraEnabled(bool enabled)
{
    for (const QString& caption : ExtraCaptions)
        field(caption)->setEnabled(enabled);
}

void TWhoisForm::closeEvent(QCloseEvent* event)
{
    setExtraEnabled(true);
    event->accept();
}

void TWhoisForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

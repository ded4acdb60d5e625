#include "ui/addserverform.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TAddServerForm::TAddServerForm(Mode mode, QWidget* parent)
    : QDialog(parent)
    , m_server(new QLineEdit(this))
    , m_port(new QLineEdit(this))
    , m_nickname(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_ok(new QPushButton(u"OK"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"AddServerForm"_s);
    setWindowTitle(mode == Mode::Add ? u"Add Server"_s : u"Edit Server Info"_s);

    m_server->setObjectName(u"ServerEdit"_s);
    m_port->setObjectName(u"PortEdit"_s);
    m_nickname->setObjectName(u"NicknameEdit"_s);
    m_password->setObjectName(u"PasswordEdit"_s);
    m_ok->setObjectName(u"OKButton"_s);
    m_cancel->setObjectName(u"CancelButton"_s);

    // A port is a decimal number of at most five digits.
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,5}"_s), m_port));
    // servers.dat cannot keep a double quote in these fields, so none can be typed.
    const QRegularExpression noQuotes(u"[^\"]*"_s);
    m_nickname->setValidator(new QRegularExpressionValidator(noQuotes, m_nickname));
    m_password->setValidator(new QRegularExpressionValidator(noQuotes, m_password));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(u"lineedit-password-character: 42"_s);

    auto* form = new QFormLayout;
    form->addRow(u"Server DNS/Ip"_s, m_server);
    form->addRow(u"Port"_s, m_port);
    form->addRow(u"Nickname"_s, m_nickname);
    form->addRow(u"Password"_s, m_password);

    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_server, &QLineEdit::textChanged, this, &TAddServerForm::updateOkButton);
    connect(m_port, &QLineEdit::textChanged, this, &TAddServerForm::updateOkButton);
    updateOkButton();
}

void TAddServerForm::setEntry(const ServerEntry& entry)
{
    m_server->setText(entry.server);
    m_port->setText(entry.port);
    m_nickname->setText(entry.nickname);
    m_password->setText(entry.password);
}

ServerEntry TAddServerForm::entry() const
{
    return ServerEntry{m_server->text(), m_port->text(), m_nickname->text(), m_password->text()};
}

void TAddServerForm::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    // Done after showing: the dialog hands the focus over as a Tab would, which selects
    // all of the field's text; the caret goes to the end instead.
    if (visible) {
        m_server->setFocus();
        m_server->end(false);
    }
}

void TAddServerForm::updateOkButton()
{
    // Both fields are looked at, whichever changed: an empty server or port is never stored.
    m_ok->setEnabled(!m_server->text().trimmed().isEmpty() && !m_port->text().isEmpty());
}

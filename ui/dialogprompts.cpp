#include "ui/dialogprompts.h"

#include "ui/appinfo.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

DialogPrompts::DialogPrompts(QWidget* parent)
    : m_parent(parent)
{
}

DialogPrompts::~DialogPrompts()
{
    for (const QPointer<QMessageBox>& box : std::as_const(m_boxes)) {
        if (box)
            box->deleteLater();
    }
}

int DialogPrompts::openBoxCount() const
{
    int open = 0;
    for (const QPointer<QMessageBox>& box : m_boxes)
        open += box ? 1 : 0;
    return open;
}

void DialogPrompts::information(const QString& text, const QString& caption)
{
    openBox(QMessageBox::Information, text, caption);
}

void DialogPrompts::warning(const QString& text, const QString& caption)
{
    openBox(QMessageBox::Warning, text, caption);
}

void DialogPrompts::openBox(int icon, const QString& text, const QString& caption)
{
    m_boxes.removeIf([](const QPointer<QMessageBox>& box) { return box.isNull(); });
    if (m_boxes.size() >= MaxOpenBoxes)
        return;
    auto* box =
        new QMessageBox(QMessageBox::Icon(icon), caption.isEmpty() ? AppInfo::name() : caption,
                        text, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A box never ends the program, even when the main window sits in the tray.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->open();
    m_boxes.append(box);
}

bool DialogPrompts::confirm(const QString& text, const QString& caption)
{
    return QMessageBox::question(m_parent, caption.isEmpty() ? AppInfo::name() : caption, text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> DialogPrompts::inputText(const QString& caption, const QString& prompt,
                                                const QString& preset)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, caption, prompt, QLineEdit::Normal, preset, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void DialogPrompts::openWithDesktop(const QString& target)
{
    // Failures are not reported: the desktop shows its own message when it has one.
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

#pragma once

// UserPrompts with Qt's dialogs. Information and warning boxes are opened and left to
// themselves, so the event loop (and every connection) goes on while they are up. Questions
// (confirm, input) come from a gesture of the user and wait for the answer.
//
// A hostile server can make the client report something thousands of times in a burst; at
// most MaxOpenBoxes boxes are on screen at once, and reports beyond that are dropped until the
// user closes some.

#include "config/userprompts.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QMessageBox;

class DialogPrompts final : public UserPrompts {
public:
    static constexpr int MaxOpenBoxes = 20;

    explicit DialogPrompts(QWidget* parent = nullptr);
    ~DialogPrompts() override;
    Q_DISABLE_COPY_MOVE(DialogPrompts)

    // The window the boxes are centred on; set once the main window exists.
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    int openBoxCount() const;

    void information(const QString& text, const QString& caption = {}) override;
    void warning(const QString& text, const QString& caption = {}) override;
    bool confirm(const QString& text, const QString& caption) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& preset = {}) override;
    void openWithDesktop(const QString& target) override;

private:
    void openBox(int icon, const QString& text, const QString& caption);

    QPointer<QWidget> m_parent;
    QList<QPointer<QMessageBox>> m_boxes;
};

#pragma once

// How the core asks the user something. The core never opens a dialog itself: the widgets
// layer implements this with Qt dialogs, tests with a recorder that answers as the test says.
//
// Information boxes never block: they return at once and the box stays up on its own, so a
// message handler that shows one lets its connection go on.

#include <QString>
#include <optional>

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // An information box with an OK button; returns at once.
    virtual void information(const QString& text, const QString& caption = {}) = 0;
    // A warning box with an OK button; returns at once.
    virtual void warning(const QString& text, const QString& caption = {}) = 0;
    // A question the user started (a removal, closing the program): true for OK/Yes.
    virtual bool confirm(const QString& text, const QString& caption) = 0;
    // A one-line input box; nothing when cancelled.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& preset = {}) = 0;
    // Opens a file or a web link with the desktop's handler.
    virtual void openWithDesktop(const QString& target) = 0;
};

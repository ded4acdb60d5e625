#pragma once

// TAboutForm, "About Tavolin": the program's picture and a read-only, centred text with its
// name, version and the components it is built on. A dialog, always on top, not modal.

#include <QWidget>

class QTextEdit;

class TAboutForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutForm)

public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QTextEdit* textView() const { return m_text; }
    // The text shown.
    static QString AboutText();

private:
    QTextEdit* m_text = nullptr;
};

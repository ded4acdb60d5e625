#pragma once

// A read-only text view that mirrors a ChatLines model: one block per line, the oldest blocks
// removed when the model trims, and the view kept at its newest line while the user looks at
// the bottom (scrolled up, it stays where the user put it).

#include <QPlainTextEdit>
#include <QPointer>

class ChatLines;

class LinesMemo final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinesMemo)

public:
    explicit LinesMemo(ChatLines& lines, QWidget* parent = nullptr);

    // Lines shown, which is the model's line count.
    int shownLineCount() const { return m_shown; }

private:
    void appendRows(int first, int last);
    void removeFirstRows(int count);
    void rebuild();

    QPointer<ChatLines> m_lines;
    int m_shown = 0;
};

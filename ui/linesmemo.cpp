#include "ui/linesmemo.h"

#include "chat/chatlines.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// One line is one block: line breaks inside a received line would split it and put the view
// out of step with its model.
QString oneBlock(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    text.replace(QChar::ParagraphSeparator, u' ');
    text.replace(QChar::LineSeparator, u' ');
    return text;
}

} // namespace

LinesMemo::LinesMemo(ChatLines& lines, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_lines(&lines)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    connect(&lines, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { appendRows(first, last); });
    connect(&lines, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                // The model only ever trims its oldest lines.
                if (first == 0)
                    removeFirstRows(last - first + 1);
                else
                    rebuild();
            });
    connect(&lines, &QAbstractItemModel::modelReset, this, &LinesMemo::rebuild);
    rebuild();
}

void LinesMemo::appendRows(int first, int last)
{
    if (!m_lines)
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (int row = first; row <= last; ++row) {
        if (m_shown > 0)
            cursor.insertBlock();
        cursor.insertText(oneBlock(m_lines->line(row)));
        ++m_shown;
    }
    cursor.endEditBlock();

    if (atBottom)
        bar->setValue(bar->maximum());
}

void LinesMemo::removeFirstRows(int count)
{
    if (count <= 0)
        return;
    if (count >= m_shown) {
        rebuild();
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
    cursor.removeSelectedText();
    m_shown -= count;
}

void LinesMemo::rebuild()
{
    clear();
    m_shown = 0;
    if (m_lines && !m_lines->isEmpty())
        appendRows(0, int(m_lines->count()) - 1);
}

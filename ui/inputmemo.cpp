#include "ui/inputmemo.h"

#include "chat/chatpage.h"
#include "chat/chatpages.h"
#include "chat/inputline.h"
#include "chat/irctags.h"
#include "protocol/server.h"
#include "protocol/servers.h"

#include <QKeyEvent>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The tag that Ctrl plus this letter inserts; 0 for other keys.
char tagForKey(int key)
{
    switch (key) {
    case Qt::Key_B:
        return Tag::Bold;
    case Qt::Key_K:
        return Tag::Color;
    case Qt::Key_R:
        return Tag::Reverse;
    case Qt::Key_U:
        return Tag::Underline;
    default:
        return 0;
    }
}

} // namespace

TInputMemo::TInputMemo(ChatPage& page, ChatPages& chatPages, QWidget* parent)
    : QLineEdit(parent)
    , m_page(&page)
    , m_chatPages(chatPages)
    , m_serverIndex(page.serverIndex())
{
    setObjectName(u"InputMemo"_s);
    setFixedHeight(LineHeight);
    // A pasted text may be long; a line is as long as the user makes it (the send operation
    // caps what goes on the wire).
    setMaxLength(std::numeric_limits<int>::max());
}

bool TInputMemo::event(QEvent* event)
{
    // Tab belongs to the input line, not to the focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

InputLineState TInputMemo::state() const
{
    InputLineState current;
    current.text = text();
    current.caret = cursorPosition();
    if (hasSelectedText()) {
        current.selectionStart = selectionStart();
        current.selectionLength = selectionLength();
    }
    return current;
}

void TInputMemo::apply(const InputLineState& state)
{
    if (state.text != text())
        setText(state.text);
    if (state.selectionLength > 0) {
        // The caret stays where it was and the selection runs from it to the end.
        const qsizetype end = state.selectionStart + state.selectionLength;
        if (state.caret == state.selectionStart)
            setSelection(int(end), -int(state.selectionLength));
        else
            setSelection(int(state.selectionStart), int(state.selectionLength));
    } else {
        deselect();
        setCursorPosition(int(state.caret));
    }
}

void TInputMemo::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (modifiers == Qt::ControlModifier) {
        if (const char tag = tagForKey(event->key())) {
            apply(InputLine::InsertText(state(), QString(QChar(char16_t(tag)))));
            event->accept();
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers == Qt::NoModifier) {
            submit();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (modifiers == Qt::NoModifier) {
            walkHistory(event->key() == Qt::Key_Up);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Tab:
        // Consumed on every page; only a channel page completes.
        if (m_page && m_page->isChannel())
            apply(InputLine::CompleteNickname(state(), m_page->userNicknames()));
        event->accept();
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void TInputMemo::keyReleaseEvent(QKeyEvent* event)
{
    QLineEdit::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Backspace)
        return;
    if (const std::optional<InputLineState> completed = InputLine::CompleteCommand(state()))
        apply(*completed);
}

void TInputMemo::submit()
{
    const QString line = text();
    clear();
    if (m_page)
        m_chatPages.SubmitInput(m_page, line);
}

void TInputMemo::walkHistory(bool up)
{
    TServer* record = m_chatPages.servers().FindServer(m_serverIndex);
    if (!record)
        return;
    InputLineState current = state();
    const bool moved = up ? InputLine::HistoryUp(record->inputHistory(), current)
                          : InputLine::HistoryDown(record->inputHistory(), current);
    if (moved)
        apply(current);
}

#pragma once

// InputMemo: the one-line input of a chat page. It takes the Tab key for itself (nickname
// completion on channel pages) and applies the input line rules of chat/inputline.h: Enter
// hands the text to ChatPages::SubmitInput, Up and Down walk the connection's input history,
// Ctrl+B/K/R/U insert the bold, colour, reverse and underline tags, and every key release but
// Backspace completes a command name. Alt+digit and Ctrl+digit are the server frame's (it
// filters them out before they get here).

#include <QLineEdit>
#include <QPointer>

class ChatPage;
class ChatPages;
struct InputLineState;

class TInputMemo final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TInputMemo)

public:
    static constexpr int LineHeight = 22;

    TInputMemo(ChatPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    ChatPage* page() const { return m_page; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    InputLineState state() const;
    void apply(const InputLineState& state);
    void submit();
    void walkHistory(bool up);

    QPointer<ChatPage> m_page;
    ChatPages& m_chatPages;
    const int m_serverIndex;
};

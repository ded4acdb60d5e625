#pragma once

// The contents of one connection's chat page: the inner page control WindowPageControl with
// "Server Messages" (the output view ServerMsgFatMemo above the input line InputMemo) and
// "Hotlist". Channel and private pages are appended after these two by later work.

#include <QWidget>

class ChatPages;
class LinesMemo;
class QLineEdit;
class QTabWidget;
class ServerPage;

class TServerFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TServerFrame)

public:
    TServerFrame(ServerPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    int serverIndex() const { return m_serverIndex; }
    QTabWidget* windowPageControl() const { return m_windowPageControl; }
    LinesMemo* serverMessagesView() const { return m_output; }
    QLineEdit* inputLine() const { return m_input; }

    // Makes "Server Messages" the current inner page.
    void showServerMessages();
    // Gives the current page's input line the focus, while the window and the line are visible.
    void focusInput();

private:
    QWidget* createServerMessagesPage(ServerPage& page);
    void submitInput();

    const int m_serverIndex;
    ChatPages& m_chatPages;
    QTabWidget* m_windowPageControl = nullptr;
    LinesMemo* m_output = nullptr;
    QLineEdit* m_input = nullptr;
};

#pragma once

// The contents of one connection's chat page: the inner page control WindowPageControl with
// one tab per inner page of the ServerPage, in its order: "Server Messages" (the output view
// ServerMsgFatMemo above the input line InputMemo), "Hotlist", then channel and private pages.
// Tabs come, go and become current as the ServerPage says; a tab the user picks becomes the
// page's current inner page. Tabs of pages with unread lines are highlighted.
//
// Page keys, in every input line and text view of the frame: Alt+digit makes inner page
// 0..8 (digit 1..9) or 10 (digit 0) current; Ctrl+digit asks for connection page n
// (connectionPageRequested). Only the digits of the main keyboard row count.

#include "chat/serverpage.h"

#include <QPointer>
#include <QWidget>

class ChatPage;
class ChatPages;
class QKeyEvent;
class QMenu;
class QTabWidget;
class TChatPageSheet;
class TFatMemo;
class TInputMemo;

class TServerFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TServerFrame)

public:
    // The colour of a highlighted tab's caption.
    static const QColor HighlightColor;

    TServerFrame(ServerPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    int serverIndex() const { return m_serverIndex; }
    QTabWidget* windowPageControl() const { return m_windowPageControl; }
    TFatMemo* serverMessagesView() const { return m_output; }
    // The input line of "Server Messages".
    TInputMemo* inputLine() const { return m_input; }
    QMenu* serverMessagesMenu() const { return m_menu; }

    // The tab page of an inner page, or null.
    TChatPageSheet* sheetOf(const ChatPage* page) const;
    TChatPageSheet* sheetAt(int index) const;

    // Makes "Server Messages" the current inner page.
    void showServerMessages();
    // Gives the current page's input line the focus, while the window and the line are visible.
    void focusInput();

    // The page number an Alt/Ctrl+digit key selects, or -1 when the key is none of them.
    // `connection` tells Ctrl (a connection page) from Alt (an inner page).
    static int pageKeyNumber(const QKeyEvent* event, bool* connection);

Q_SIGNALS:
    // Ctrl+digit: make connection page `number` of ChatPageControl current.
    void connectionPageRequested(int number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TChatPageSheet* createSheet(ChatPage* page);
    void insertPage(int index, ChatPage* page);
    void removePage(int index, ChatPage* page);
    void followCurrent(int index);
    void onTabChanged(int index);
    void focusPageInput(ChatPage* page);
    void updateHighlight(ChatPage* page);
    static QString tabCaption(const QString& caption);

    const int m_serverIndex;
    QPointer<ServerPage> m_page;
    ChatPages& m_chatPages;
    QTabWidget* m_windowPageControl = nullptr;
    TFatMemo* m_output = nullptr;
    TInputMemo* m_input = nullptr;
    QMenu* m_menu = nullptr;
    bool m_following = false;
};

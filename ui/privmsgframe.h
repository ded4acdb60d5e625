#pragma once

// TPrivMsgFrame: the contents of a private page ("Msg: " + nickname): the output view
// OutputFatMemo above the input line InputMemo. The output view's menu PrivMsgPopupMenu
// offers Whois, Browse, Hotlist and Close for the page's nickname.

#include "chat/chatpage.h"

#include <QPointer>
#include <QWidget>

class ChatPages;
class QMenu;
class TFatMemo;
class TInputMemo;

class TPrivMsgFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPrivMsgFrame)

public:
    TPrivMsgFrame(ChatPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    TFatMemo* outputView() const { return m_output; }
    TInputMemo* inputLine() const { return m_input; }
    QMenu* popupMenu() const { return m_menu; }

private:
    QPointer<ChatPage> m_page;
    ChatPages& m_chatPages;
    TFatMemo* m_output = nullptr;
    TInputMemo* m_input = nullptr;
    QMenu* m_menu = nullptr;
};

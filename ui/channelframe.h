#pragma once

// TChannelFrame: the contents of a channel page ("Channel: " + name). On the left the topic
// view TopicFatMemo, the output view OutputFatMemo and the input line InputMemo; on the right,
// behind a splitter, the user list ChannelUsersElTree ("Users", "Speed", "Shared", one speed
// icon per row) above the label ChannelLabel. The user list model and the label text come
// from the page (the channel code fills them); the list keeps itself sorted and a header
// click re-sorts it.
//
// Menus: UsersPopupMenu on the user list (Browse, Hotlist, Ignore, Message, Whois for the
// selected row) and PrivMsgPopupMenu on the output and topic views (Close, List Channels).

#include "chat/chatpage.h"

#include <QPointer>
#include <QWidget>

class ChatPages;
class QIdentityProxyModel;
class QLabel;
class QMenu;
class QSplitter;
class QTreeView;
class TFatMemo;
class TInputMemo;

class TChannelFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChannelFrame)

public:
    TChannelFrame(ChatPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    TFatMemo* topicView() const { return m_topic; }
    TFatMemo* outputView() const { return m_output; }
    TInputMemo* inputLine() const { return m_input; }
    QTreeView* usersView() const { return m_users; }
    QLabel* channelLabel() const { return m_label; }
    QMenu* usersMenu() const { return m_usersMenu; }
    QMenu* outputMenu() const { return m_outputMenu; }

    // Nickname of the selected user row; empty without a selection.
    QString selectedNickname() const;

private:
    void bindUserList();
    void buildMenus();

    QPointer<ChatPage> m_page;
    ChatPages& m_chatPages;
    TFatMemo* m_topic = nullptr;
    TFatMemo* m_output = nullptr;
    TInputMemo* m_input = nullptr;
    QSplitter* m_splitter = nullptr;
    QTreeView* m_users = nullptr;
    QIdentityProxyModel* m_usersIcons = nullptr;
    QLabel* m_label = nullptr;
    QMenu* m_usersMenu = nullptr;
    QMenu* m_outputMenu = nullptr;
};

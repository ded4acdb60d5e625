#pragma once

// One inner page of a server frame's WindowPageControl, as a tab page: it carries its
// ChatPage, holds the page's frame and knows the page's input line and text views, which the
// server frame needs for focus and for the page keys (Alt+digit, Ctrl+digit).
//
// Also the helpers that every page uses for its views: an output view styled as chat pages
// show them, and the safe opening of a clicked link.

#include "chat/chatpage.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class ChatLineModel;
class TFatMemo;
class TInputMemo;

class TChatPageSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChatPageSheet)

public:
    TChatPageSheet(ChatPage& page, const QString& objectName, QWidget* parent = nullptr);

    ChatPage* page() const { return m_page; }
    // Fills the sheet with the page's frame and names the widgets the server frame needs.
    void setFrame(QWidget* frame, TInputMemo* input, const QList<TFatMemo*>& views);
    QWidget* frame() const { return m_frame; }
    // Null for "Hotlist".
    TInputMemo* inputLine() const { return m_input; }
    const QList<TFatMemo*>& views() const { return m_views; }

private:
    QPointer<ChatPage> m_page;
    QWidget* m_frame = nullptr;
    TInputMemo* m_input = nullptr;
    QList<TFatMemo*> m_views;
};

namespace ChatViews {

// An output view over the lines: word wrap, newest line at the bottom, vertical scroll bar,
// fixed-pitch silver text on black. Clicked links open through OpenLink.
TFatMemo* NewOutputView(ChatLineModel* lines, const QString& objectName, QWidget* parent);
// The one-line topic view: no scroll bars, no wrap, always at its newest line.
TFatMemo* NewTopicView(ChatLineModel* lines, const QString& objectName, QWidget* parent);
// Hands a link target to the desktop, but only a web, ftp or mail address (SafeLinkUrl);
// anything else is never opened. Failures are not reported.
void OpenLink(const QString& target);

} // namespace ChatViews

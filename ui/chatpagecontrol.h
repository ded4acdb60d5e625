#pragma once

// ChatPageControl, on the main window's "Chat" page: one tab per connection, made and removed
// as ChatPages makes and removes server pages. It reports which tab the user shows to
// MainViewState and follows the view state when the program brings a page to the front.
// Ctrl+digit in a page's input line or text views makes connection page 0..8 (digit 1..9) or
// 10 (digit 0) current.

#include <QTabWidget>

class ChatPages;
class MainViewState;
class ServerPage;
class TServerTabSheet;

class ChatPageControl final : public QTabWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatPageControl)

public:
    ChatPageControl(ChatPages& chatPages, MainViewState& viewState, QWidget* parent = nullptr);

    TServerTabSheet* serverTabSheet(int serverIndex) const;
    // Server index of a tab; -1 for none.
    int serverIndexAt(int tab) const;

private:
    void addServerPage(ServerPage* page);
    void removeServerPage(int serverIndex);
    void onCurrentChanged(int tab);
    void selectServer(int serverIndex);
    void bringForward(int serverIndex);

    ChatPages& m_chatPages;
    MainViewState& m_viewState;
    bool m_following = false;
};

#pragma once

// The "Servers" page: an inner page control with the server list and the server messages,
// the notices that every connection writes in one shared red view.

#include <QWidget>

class ChatLines;
class LinesMemo;
class QTabWidget;
class QTreeView;
class ServerListActions;
class ServerListModel;
class ServerListView;

class ServersTabSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServersTabSheet)

public:
    enum Page { ServerListPage = 0, ServerMessagesPage = 1 };

    ServersTabSheet(ServerListModel& serverList, ServerListActions& actions, ChatLines& notices,
                    QWidget* parent = nullptr);

    QTabWidget* pageControl() const { return m_pageControl; }
    ServerListView* serverListView() const { return m_serverListView; }
    QTreeView* serversTreeView() const;
    LinesMemo* serverMessagesMemo() const { return m_serverMessagesMemo; }

private:
    QTabWidget* m_pageControl = nullptr;
    ServerListView* m_serverListView = nullptr;
    LinesMemo* m_serverMessagesMemo = nullptr;
};

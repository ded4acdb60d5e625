#pragma once

// The texts of the main window's seven status-bar panels, kept in the core; the status bar
// mirrors them through panelChanged.
//
// Panels: 0 own nickname and level, 1 users, 2 files, 3 gigabytes (also the chat activity
// marks), 4 the sharing totals, 5 free, 6 uptime.

#include <QObject>
#include <QString>
#include <array>

class ServerListModel;
class TServers;

class StatusPanels final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusPanels)

public:
    enum Panel {
        NicknamePanel = 0,
        UsersPanel = 1,
        FilesPanel = 2,
        GigabytesPanel = 3,
        SharingPanel = 4,
        StretchPanel = 5,
        UptimePanel = 6,
    };
    static constexpr int PanelCount = 7;
    // currentChatServerIndex when no server page is shown.
    static constexpr int NoChatPage = -1;

    StatusPanels(const TServers& servers, const ServerListModel& serverList,
                 QObject* parent = nullptr);

    QString text(int panel) const;
    // Outside 0..6 nothing happens; an unchanged text emits nothing.
    void setText(int panel, const QString& text);

    // Panels 0 to 3 from the records' server rows. Each host is counted once (the first record
    // created for it, hosts compared without regard to case); a Users, Files or Gbytes cell
    // that is not a decimal integer counts as 0. When the Chat page is current and shows the
    // page of a server that has a record, panels 1 to 3 show that server's figures beside the
    // totals and panel 0 its nickname and level.
    void UpdateServerTotals(bool chatPageCurrent, int currentChatServerIndex);
    // Again with the page state of the last call (after a 214, where the page did not change).
    void UpdateServerTotals();

Q_SIGNALS:
    void panelChanged(int panel, const QString& text);

private:
    const TServers& m_servers;
    const ServerListModel& m_serverList;
    std::array<QString, PanelCount> m_texts;
    bool m_chatPageCurrent = false;
    int m_currentChatServerIndex = NoChatPage;
};

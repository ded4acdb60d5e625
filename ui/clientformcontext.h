#pragma once

// What the main window draws and forwards to: the core objects that app/ built, and the two
// steps of closing the program. Handed to TClientForm by constructor; the window owns none of
// them.

#include <functional>

class ChatPages;
class DebugLog;
class MainViewState;
class ServerListActions;
class ServerListModel;
class ServerNotices;
class ShareScanner;
class SharedCatalogue;
class StatusPanels;
class UptimeClock;

struct ClientFormContext {
    ServerListModel& serverList;
    ServerListActions& serverListActions;
    ChatPages& chatPages;
    ServerNotices& notices;
    MainViewState& viewState;
    StatusPanels& statusPanels;
    DebugLog& debugLog;
    UptimeClock& uptime;
    SharedCatalogue& catalogue;
    ShareScanner& shareScanner;
    // The Help menu's About window; List Channels and Show Links of the server list's menu.
    std::function<void()> showAbout;
    std::function<void(int serverIndex)> listChannels;
    std::function<void(int serverIndex)> showLinks;
    // Called once when the user's KILLDEBUG has switched the debug log off for good.
    std::function<void(std::function<void()>)> onDebugKilled;
    // Asks the user whether to close; false keeps everything running.
    std::function<bool()> confirmClose;
    // Stops the program's work in its fixed order (after the window removed its tray icon).
    std::function<void()> shutdown;
};

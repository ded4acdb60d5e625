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
    // Asks the user whether to close; false keeps everything running.
    std::function<bool()> confirmClose;
    // Stops the program's work in its fixed order (after the window removed its tray icon).
    std::function<void()> shutdown;
};

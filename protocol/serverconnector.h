#pragma once

// What the server list's user actions need from the connection registry. TServers implements
// it; the list's tests use a fake that records the calls.

class ServerConnector {
public:
    virtual ~ServerConnector() = default;

    // Status "Connected" or "Connecting...".
    virtual bool isBusy(int serverIndex) const = 0;
    // A reconnect countdown is running (the connection record is kept for it).
    virtual bool isCountingDown(int serverIndex) const = 0;
    // Stops a running countdown and reconnects its record, or creates a record and connects.
    // A Port cell that is not a number from 1 to 65535 (a hand-edited servers.dat keeps what
    // it holds) is refused: no record is created and the Status reads "Invalid port".
    virtual void connectServer(int serverIndex) = 0;
    // The user's disconnect: DisconnectServer with "Not connected" when a record exists
    // (this also stops a countdown and releases the record).
    virtual void disconnectServer(int serverIndex) = 0;
    // Ends the connection and releases the record at once, because the row is about to be
    // deleted; does nothing without a record.
    virtual void disconnectAndRelease(int serverIndex) = 0;
};

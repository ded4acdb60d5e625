#pragma once

// The data port as the login sees it: the listening TCP port on which peers reach this client.
// The login picks the port before it announces it and starts listening once a server has
// acknowledged the login; the listener itself lives with the transfers, which the protocol
// code must not depend on.

class DataPort {
public:
    virtual ~DataPort() = default;

    // The port the listener uses (and the login announces); 0 means no listener.
    virtual int port() const = 0;
    // Active: the listener was switched on (at the first login acknowledgement). Listening
    // can be stopped and resumed while it stays active.
    virtual bool isActive() const = 0;
    virtual bool isListening() const = 0;

    // Moves past ports that cannot be bound, starting at `port`, and stores the port found as
    // the configured data port. 0 is taken as it is.
    virtual void ChooseDataPort(int port) = 0;
    // Switches the listener on or off; it listens exactly while it is active, unless
    // SetListening says otherwise afterwards. Switching off also closes accepted connections.
    virtual void setActive(bool on) = 0;
    // Opens or closes the listening socket without touching accepted connections.
    virtual void SetListening(bool on) = 0;
};

#pragma once

// Server connections over loopback: frames pushed through one connection, and 50 servers
// connected at once while a timer watches the event loop.
void benchConnections();

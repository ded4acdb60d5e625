#pragma once

// Sharing: a folder scan of 20,000 generated files in 400 nested folders (half of them MP3)
// while connected to one fake server, and the share list upload after login for the same
// files: seconds, frames sent, and the longest stall of the event loop.
void benchShare();

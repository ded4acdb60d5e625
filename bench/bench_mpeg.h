#pragma once

// MPEG audio inspection: 2,000 generated MP3 files through TMPEGAudio and through TagLib's
// audio properties, with the results compared; and the sync search through 1 GB files without
// MPEG frames, next to plain 1 MiB read() calls over the same file.
void benchMpeg();

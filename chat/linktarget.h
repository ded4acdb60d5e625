#pragma once

// Link targets come from chat text that anyone on the network can write, and a click hands
// them to the desktop's opener. Only web, ftp and mail addresses may get there: a target that
// names a local file, a program or any other scheme must never be opened.

#include <QString>
#include <QUrl>

// The URL to open for a link target: "www." and "ftp." addresses get their scheme put in
// front, "http://", "https://" and "ftp://" addresses are taken as they are, a mail address
// becomes "mailto:". Anything else (and any target with control characters or spaces) gives
// an invalid URL, which callers must not open.
QUrl SafeLinkUrl(const QString& target);

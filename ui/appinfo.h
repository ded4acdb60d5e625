#pragma once

// The program's name and version as the user sees them: the window caption, the tray tip
// and the application's metadata all come from here so they never drift apart.

#include <QString>

namespace AppInfo {

inline QString name()
{
    return QStringLiteral("Tavolin");
}
inline QString version()
{
    return QStringLiteral("0.2");
}
// "Tavolin v0.2": the main window's caption and the first line of the tray tip.
inline QString caption()
{
    return name() + QStringLiteral(" v") + version();
}

} // namespace AppInfo

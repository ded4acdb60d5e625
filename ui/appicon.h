#pragma once

// The application icon, drawn in code so the build needs no image tools and no SVG module.
// Needs a QGuiApplication.

#include <QIcon>
#include <QPixmap>

// One square rendering of the icon, size pixels wide.
QPixmap drawAppIcon(int size);
// The icon at the sizes window managers and task bars ask for.
QIcon makeAppIcon();

#pragma once

// What the command line asks of this run. Read once at program entry and handed to the
// main window, so nothing else has to look at the raw arguments.

#include <QStringList>

struct StartOptions {
    // The debug panel with the incoming and outgoing frame lists. Only the first argument,
    // spelt exactly "/debug", turns it on: "/DEBUG" or "/debug" in second place do not.
    bool debug = false;

    // arguments[0] is the program itself, as in QCoreApplication::arguments().
    static StartOptions fromArguments(const QStringList& arguments);
};

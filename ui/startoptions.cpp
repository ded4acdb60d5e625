#include "ui/startoptions.h"

StartOptions StartOptions::fromArguments(const QStringList& arguments)
{
    StartOptions options;
    options.debug = arguments.size() > 1 && arguments.at(1) == QLatin1String("/debug");
    return options;
}

// Program entry: checks that there is a display, builds the application, the core's object
// graph over the current directory and the main window, and runs the event loop.

#include "app/clientcore.h"
#include "ui/appicon.h"
#include "ui/appinfo.h"
#include "ui/clientform.h"
#include "ui/dialogprompts.h"
#include "ui/startoptions.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Without a display Qt aborts with a long plugin message and a core dump; a plain sentence
// and exit code 1 serve the user better. A platform chosen explicitly (QT_QPA_PLATFORM or
// -platform) is trusted as it is: offscreen and VNC runs need no display variable.
bool displayAvailable(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

QtMessageHandler previousHandler = nullptr;

// A display variable that names no reachable server (a stale DISPLAY after an ssh session, a
// stopped Xvfb) makes the platform plugin fail during QApplication's construction, which Qt
// treats as fatal and answers with an abort. Only while the application is being built, a
// fatal message is turned into a plain sentence and exit code 1; everything else passes on.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        previousHandler(type, context, text);
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    std::fprintf(stderr,
                 "Tavolin could not open the graphical display%s%s%s. Run it from a desktop "
                 "session or under xvfb-run.\n",
                 display.isEmpty() ? "" : " (DISPLAY=", display.constData(),
                 display.isEmpty() ? "" : ")");
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    if (!displayAvailable(argc, argv)) {
        std::fputs("Tavolin needs a graphical display; none was found (DISPLAY is not set). "
                   "Run it from a desktop session or under xvfb-run.\n",
                   stderr);
        return 1;
    }

    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    QApplication::setApplicationName(AppInfo::name());
    QApplication::setApplicationVersion(AppInfo::version());
    QApplication::setWindowIcon(makeAppIcon());

    // The program ends when its window is closed (after the question), not when its last
    // visible window goes: the window hides while it sits in the tray, and an information box
    // closed meanwhile must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options out of arguments() by now, so "/debug" is looked for
    // among the program's arguments only.
    const StartOptions options = StartOptions::fromArguments(QApplication::arguments());
    DialogPrompts prompts;
    ClientCore core(QDir::currentPath(), options, prompts);
    TClientForm form(core.formContext(), options);
    prompts.setParentWidget(&form);
    QObject::connect(&form, &TClientForm::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}

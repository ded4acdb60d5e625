// Runs every test class of the chat area in one executable.
#include <QGuiApplication>

int runTestChat(int argc, char** argv);
int runTestChatPages(int argc, char** argv);
int runTestCommands(int argc, char** argv);
int runTestInputLine(int argc, char** argv);

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runTestInputLine(argc, argv);
    failures += runTestChatPages(argc, argv);
    failures += runTestCommands(argc, argv);
    failures += runTestChat(argc, argv);
    return failures == 0 ? 0 : 1;
}

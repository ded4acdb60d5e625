// Runs every test class of the chat messages area in one executable.
#include "tests/chatmsg/tst_chatlines.h"
#include "tests/chatmsg/tst_chatmessages.h"

#include <QGuiApplication>
#include <QtTest>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int failures = 0;
    {
        TestChatLines t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestChatMessages t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

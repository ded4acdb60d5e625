// Runs every test class of the shared files area in one executable.
#include "tests/sharedfiles/tst_announce.h"
#include "tests/sharedfiles/tst_catalogue.h"
#include "tests/sharedfiles/tst_shareflow.h"

#include <QGuiApplication>
#include <QtTest>

int main(int argc, char** argv)
{
    // Icons are GUI objects; the platform is offscreen in the test runs.
    QGuiApplication app(argc, argv);
    int failures = 0;
    {
        TestCatalogue t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestAnnounce t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestShareFlow t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

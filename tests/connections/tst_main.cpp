// Runs every test class of the connections area in one executable.
#include "tests/connections/tst_connectionlife.h"
#include "tests/connections/tst_dataport.h"
#include "tests/connections/tst_dispatch.h"
#include "tests/connections/tst_login.h"

#include <QtTest>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    {
        TestLogin t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestConnectionLife t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestDispatch t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestDataPort t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

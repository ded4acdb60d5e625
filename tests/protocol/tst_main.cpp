// Runs every test class of the protocol area in one executable.
#include "tst_framereader.h"
#include "tst_wireformat.h"
#include "tst_wiretext.h"

#include <QtTest>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    {
        TestWireFormat t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestWireText t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestFrameReader t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

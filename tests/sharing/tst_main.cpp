// Runs every test class of the sharing area in one executable.
#include "tst_mpegaudio.h"

#include <QtTest>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    {
        TestMPEGAudio t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

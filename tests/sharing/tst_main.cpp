// Runs every test class of the sharing area in one executable.
#include "tests/sharing/tst_mpegaudio.h"
#include "tests/support/testclasses.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return RunTestClasses<TestMPEGAudio>(argc, argv);
}

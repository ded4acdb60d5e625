// Runs every test class of the protocol area in one executable.
#include "tests/protocol/tst_framereader.h"
#include "tests/protocol/tst_wireformat.h"
#include "tests/protocol/tst_wiretext.h"
#include "tests/support/testclasses.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return RunTestClasses<TestWireFormat, TestWireText, TestFrameReader>(argc, argv);
}

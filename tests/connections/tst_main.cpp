// Runs every test class of the connections area in one executable.
#include "tests/connections/tst_connectionlife.h"
#include "tests/connections/tst_dataport.h"
#include "tests/connections/tst_dispatch.h"
#include "tests/connections/tst_login.h"
#include "tests/support/testclasses.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return RunTestClasses<TestLogin, TestConnectionLife, TestDispatch, TestDataPort>(argc, argv);
}

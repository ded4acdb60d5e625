#pragma once

// Runs several Qt Test classes in one executable, one after the other, each with the command
// line's options. The caller makes the application object first.
//
//   int main(int argc, char** argv)
//   {
//       QCoreApplication app(argc, argv);
//       return RunTestClasses<TestLogin, TestDispatch>(argc, argv);
//   }

#include <QtTest>

// One class: made, run and destroyed before the next one starts.
template <typename TestClass>
int RunTestClass(int argc, char** argv)
{
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

template <typename... TestClasses>
int RunTestClasses(int argc, char** argv)
{
    int failures = 0;
    ((failures += RunTestClass<TestClasses>(argc, argv)), ...);
    return failures == 0 ? 0 : 1;
}

// The window tests are one program: each test class registers itself under its
// name, and the program's first argument picks the class to run, in a process of
// its own as when each class was a program. The window library is linked once,
// not once per class.
#pragma once

#include <QApplication>
#include <QTest>

namespace vedra::uitest {

using TestClassRunner = int (*)(int& argc, char** argv);

// Returns true, so that a namespace-scope constant can hold the registration.
bool registerTestClass(const char* name, TestClassRunner run);

} // namespace vedra::uitest

// In place of QTEST_MAIN, with its set-up: the class's initMain, then a
// QApplication at 96 dpi, then the class.
#define VEDRA_UI_TEST_MAIN(TestObject)                                                            \
    namespace {                                                                                   \
    int run##TestObject(int& argc, char** argv)                                                   \
    {                                                                                             \
        QTest::Internal::callInitMain<TestObject>();                                              \
        QApplication app(argc, argv);                                                             \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                  \
        TestObject tc;                                                                            \
        return QTest::qExec(&tc, argc, argv);                                                     \
    }                                                                                             \
    const bool registered##TestObject = vedra::uitest::registerTestClass(#TestObject, run##TestObject); \
    }

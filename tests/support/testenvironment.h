#pragma once

#include <QApplication>
#include <QTest>

#include "privatenetwork.h"

// Prepares a test process: offscreen platform, Qt's own (non-native) dialogs,
// and a HOME, XDG_CONFIG_HOME and XDG_STATE_HOME of its own so that no test reads or writes
// the machine's real settings or iTunes library. Call before QApplication.
void prepareTestEnvironment();
// Names the application as the program does, so QSettings finds its keys.
void nameTestApplication();

#define VELMORA_TEST_MAIN_WITH(TestClass, prepare)                                                                     \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        prepare;                                                                                                       \
        prepareTestEnvironment();                                                                                      \
        QApplication app(argc, argv);                                                                                  \
        nameTestApplication();                                                                                         \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

#define VELMORA_TEST_MAIN(TestClass) VELMORA_TEST_MAIN_WITH(TestClass, (void)0)
// For tests that start the discovery broadcaster or the application.
#define VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestClass) VELMORA_TEST_MAIN_WITH(TestClass, enterPrivateNetworkNamespace())

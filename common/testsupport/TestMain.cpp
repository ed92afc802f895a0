// SPDX-License-Identifier: MIT
#include <QApplication>

#include <gtest/gtest.h>

// GoogleTest inside a real QApplication, so widget tests run the real windows.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

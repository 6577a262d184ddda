// Test main for the tests that drive windows: headless Qt, message boxes scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "tests/support/ScriptedMsgBox.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    testing::InitGoogleTest(&argc, argv);
    InstallFailingMsgAnswerer();
    return RUN_ALL_TESTS();
}

// Test main for the tests without windows.
#include <gtest/gtest.h>

#include <clocale>

#include "tests/support/ScriptedMsgBox.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    testing::InitGoogleTest(&argc, argv);
    InstallFailingMsgAnswerer();
    return RUN_ALL_TESTS();
}

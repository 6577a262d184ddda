// Windows as the user meets them: opened, shown and active, and where the keyboard focus is.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

// Creates the window, shows it and waits until it is active; call under
// ASSERT_NO_FATAL_FAILURE so that a window that never activates stops the test.
template <typename Window>
void OpenActive(std::unique_ptr<Window>& window) {
    window = std::make_unique<Window>();
    window->Show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

// The object name of the focused widget, empty when none has the focus.
inline QString FocusName() {
    QWidget* f = QApplication::focusWidget();
    return f ? f->objectName() : QString();
}

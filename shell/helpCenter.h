// Opens the program's help at its index page.
#pragma once

#include <QRect>

namespace helpCenter {
// A help window not open yet opens centred over `over` (the main window), on the screen.
void ShowHelp(const QRect& over = {});
}  // namespace helpCenter

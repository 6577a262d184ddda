// Opens the program's help at its index page.
#pragma once

namespace helpCenter {
void ShowHelp();
}

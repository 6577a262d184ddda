// Window printing: a window prints the picture it shows.
#pragma once

class QWidget;

namespace platform {

// The window's client area as it looks now (hidden controls are absent), scaled to the page
// width, printed at the top of the page on Printer::Default() and the document ended. Throws
// PrinterError; the document is then abandoned.
void PrintForm(QWidget* window);

}  // namespace platform

// Qt's own texts (the context menu of a text box, the standard dialogs' buttons) in Chinese,
// from the translations installed with Qt.
#pragma once

namespace platform {

// Loads qtbase_zh_CN from Qt's translations folder into the application; false when the file
// is missing (Qt then speaks English).
bool InstallQtChineseTranslations();

}  // namespace platform

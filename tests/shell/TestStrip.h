// A skinned strip with a menu bar, as the main window will have it, for the tests and the
// screenshot tool: title chrome, the menu-bar picture, menu labels that open their popup menu
// on hover, and a record of the commands the menus deliver.
#pragma once

#include <QString>
#include <vector>

#include "platform/Form.h"
#include "platform/ImageList.h"
#include "shell/IMenuOwner.h"
#include "shell/SkinModule.h"
#include "shell/clsXPMenu.h"

namespace platform {
class ImageControl;
class Label;
}  // namespace platform

struct MenuCommand {
    QString menuName;
    int itemNum;
    QString strItemText;
    bool popupsOpen;  // whether any popup was still shown when the command arrived
};

class TestStrip : public platform::Form, public IMenuOwner {
    Q_OBJECT
  public:
    TestStrip();

    void HandleMenuClick(const QString& menuName, int itemNum, const QString& strItemText) override;

    // Builds the menu of label `index` (0-based) and shows it under the label.
    void ShowLabelMenu(int index);

    platform::Label* menuLabel(int index) const { return labels_[index]; }
    clsXPMenu& XPMenu() { return menu_; }
    const std::vector<MenuCommand>& commands() const { return commands_; }
    const SkinChrome& chrome() const { return chrome_; }

  protected:
    void Form_Load() override;

  private:
    SkinChrome chrome_;
    platform::ImageControl* image2_;
    std::vector<platform::Label*> labels_;
    platform::ImageList imageList_;
    clsXPMenu menu_;
    std::vector<MenuCommand> commands_;
};

// True while any popup menu window is shown.
bool AnyPopupShown();

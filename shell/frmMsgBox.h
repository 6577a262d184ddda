// The skinned message box window: prompt, icon, one OK button and the skin's chrome. It sizes
// itself to its prompt and title in pixels and centres itself on the screen.
#pragma once

#include <QPushButton>

#include "platform/Form.h"
#include "shell/MessageBox.h"
#include "shell/SkinModule.h"

namespace platform {
class Label;
}

class frmMsgBox : public platform::Form {
    Q_OBJECT
  public:
    // Where the prompt and the icon sit (pixels).
    static constexpr int kMessageLeft = 72;
    static constexpr int kMessageTop = 40;
    static constexpr int kIconLeft = 24;
    static constexpr int kIconTop = 40;
    // Margin right of the prompt, mirroring the icon's left margin.
    static constexpr int kRightMargin = 24;
    static constexpr int kMinWidth = 200;

    frmMsgBox();

    // Fills the box and sizes and places it; the window must be loaded.
    void Prepare(const QString& prompt, MsgBoxIcon icon, const QString& title);
    // Shows the box modally; returns when it has been unloaded.
    void ShowModal();

    MsgBoxIcon Icon() const { return icon_; }
    platform::Label* lblMessage() const { return lblMessage_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    const SkinChrome& chrome() const { return chrome_; }

  protected:
    void Form_Load() override;
    void paintEvent(QPaintEvent* e) override;

  private:
    // Fits the prompt label into the screen's width, wrapping its lines when it must.
    void fitMessage(const QString& prompt, int screenWidth);
    int neededWidth() const;

    SkinChrome chrome_;
    platform::Label* lblMessage_;
    QPushButton* cmdOK_;
    MsgBoxIcon icon_ = MsgBoxIcon::Exclamation;
};

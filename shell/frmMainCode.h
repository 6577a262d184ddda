// The main window: a thin skinned strip at the top of the screen with a title bar and a menu
// bar of seven labels. It keeps exactly one working form docked under itself and replaces it
// on every menu command.
//
// Laying the skin out yields to the event loop (LoadSkin), and a box or a drag runs a loop of its
// own: what they deliver would run inside a half-done change of working form. While the strip
// changes its working form or is dragged, an activation, a menu command, a minimise or a close
// waits and runs once the change has returned.
#pragma once

#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Form.h"
#include "platform/ImageList.h"
#include "shell/IMenuOwner.h"
#include "shell/SkinModule.h"
#include "shell/clsXPMenu.h"

namespace platform {
class ImageControl;
class Label;
class Timer;
}  // namespace platform
class welcome_form;

class frmMainCode : public platform::Form, public IMenuOwner {
    Q_OBJECT
  public:
    explicit frmMainCode(QWidget* parent = nullptr);
    ~frmMainCode() override;

    // The working form under the strip.
    QPointer<platform::Form> loForm;
    // The about window opened last, and whether it counts as open.
    QPointer<platform::Form> aboutForm;
    bool aboutOpen = false;

    void HandleMenuClick(const QString& menuName, int itemNum, const QString& strItemText) override;
    // Lays the skin out again for the current width and reloads its pictures.
    void reP();
    frmMainCode* getForm() { return this; }

    // What happens whenever the strip becomes the active window: the first time it lays
    // itself out and docks the welcome form it started with, unless a working form has taken
    // its place already; it brings back a form hidden by minimising and docks the welcome form
    // when no working form is shown.
    void activationRule();
    // Builds the menu of label `index` (0-based) and shows it under the label.
    void ShowLabelMenu(int index);
    // One step of the docking: puts the working form back in its place under the strip, then
    // lets the timer rest until the strip or the form moves again.
    void Timer1_Timer();
    void imgTitleMinimize_Click();
    void imgTitleClose_Click();

    platform::Label* menuLabel(int index) const { return labels_.at(index); }
    const SkinChrome& chrome() const { return chrome_; }
    clsXPMenu* XPMenu() const { return XPMenu_.get(); }
    platform::Timer* Timer1() const { return Timer1_; }

    // The forms a menu command opens: (menu key, item number) -> a new instance. The program
    // sets the table once at start; the strip itself knows no working form.
    using FormFactory = std::function<platform::Form*()>;
    using WorkingFormTable = std::vector<std::tuple<QString, int, FormFactory>>;
    static void SetWorkingForms(WorkingFormTable table);
    static const WorkingFormTable& WorkingForms();

  signals:
    // The strip was unloaded: the program ends now.
    void programEnded();

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    // The title bar and the menu strip follow the window's new width.
    void Form_Resize() override;
    void Form_Unload(bool& cancel) override;
    // The window system's close waits, like the close button, for a change under way.
    void closeEvent(QCloseEvent* e) override;
    // Watches the strip and the working form for whatever may take the form out of its place.
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // Marks the strip busy while it lives (see the class comment); the last one to end has the
    // actions that waited run from the event loop.
    class Busy {
      public:
        explicit Busy(frmMainCode* strip);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
        // Whether the strip outlived what ran so far.
        bool alive() const { return !strip_.isNull(); }

      private:
        QPointer<frmMainCode> strip_;
    };

    void createControls();
    // Runs the action now, or, while the strip is busy, once it is not.
    void whenIdle(std::function<void()> action);
    void runWaitingActions();
    void runMenuCommand(const QString& key, int itemNum);
    // Docks the welcome form when no working form is shown.
    void dockWelcomeUnlessShown();
    welcome_form* welcomeForm();
    // Puts the working form under the strip, then shows it there; the strip takes its width.
    // Returns whether the strip and the form are still there after the skin's yield.
    bool dock(platform::Form* form);
    // Starts the docking timer, which puts the working form in its place at its next tick.
    void followWorkingForm();
    // Makes and loads a working form and docks it; a form whose Load fails is reported,
    // deleted, and the welcome form is docked instead. Returns whether the strip is still there.
    bool openWorkingForm(const FormFactory& factory);
    void openAbout();
    // Where the help window opens: over the working form, its frame below the strip.
    QRect helpArea() const;
    void endProgram();

    SkinChrome chrome_;
    platform::ImageControl* Image2_ = nullptr;
    std::vector<platform::Label*> labels_;
    platform::Timer* Timer1_ = nullptr;
    platform::ImageList ImageList1_;
    std::unique_ptr<clsXPMenu> XPMenu_;
    // The welcome form, from the start until a working form replaces it, and again whenever no
    // working form is shown.
    QPointer<welcome_form> welcome_;
    int busy_ = 0;
    std::deque<std::function<void()>> waiting_;
    bool wasMinimised_ = false;
    bool firstActivate_ = false;
    bool ending_ = false;
};

#include "shell/frmMainCode.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <memory>

#include "platform/EventGuard.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"
#include "platform/Timer.h"
#include "platform/Window.h"
#include "shell/MainMenu.h"
#include "shell/frmSplash.h"
#include "shell/helpCenter.h"
#include "shell/welcome_form.h"

using platform::Form;

namespace {

constexpr int kStripTop = 50;       // twips
constexpr int kStartWidth = 12000;  // twips
constexpr int kDesignHeight = 825;  // twips
constexpr int kDockOverlap = 200;   // twips of the strip's bottom the timer lets the form cover
constexpr int kLabelTop = 24;       // pixels, moved to 26 by the first activation

frmMainCode::WorkingFormTable& workingForms() {
    static frmMainCode::WorkingFormTable table;
    return table;
}
}  // namespace

void frmMainCode::SetWorkingForms(WorkingFormTable table) {
    workingForms() = std::move(table);
}

const frmMainCode::WorkingFormTable& frmMainCode::WorkingForms() {
    return workingForms();
}

frmMainCode::frmMainCode(QWidget* parent)
    : Form("frmMainCode", parent), ImageList1_(this, "ImageList1") {
    platform::MakeBorderless(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    createControls();
}

frmMainCode::~frmMainCode() = default;

void frmMainCode::createControls() {
    Move(0, 0, 18000, kDesignHeight);
    chrome_ = CreateStripChrome(this, "PraveltaKVT");
    chrome_.imgTitleMinimize->setToolTip("Minimize");
    chrome_.imgTitleMaxRestore->setToolTip("Maximize (Disabled)");
    chrome_.imgTitleClose->setToolTip("Close");

    Image2_ = new platform::ImageControl(this);
    Image2_->setObjectName("Image2");
    Image2_->setStretch(true);
    Image2_->setPicture(QPixmap(":/shell/Image2.gif"));
    Image2_->setGeometry(0, kLabelTop, 100, 18);
    for (int i = 0; i < 3; ++i) ImageList1_.Add(QPixmap(1, 1));

    labels_ = CreateMenuLabels(this, kLabelTop, [this](int i) { ShowLabelMenu(i); });

    // The working form follows the strip by the docking timer once the drag is over.
    OnTitleBarPressed(chrome_, this, [this] { platform::RunGuarded([this] { DragForm(this); }); });
    connect(chrome_.imgTitleMinimize, &platform::Label::clicked, this,
            [this] { platform::RunGuarded([this] { imgTitleMinimize_Click(); }); });
    connect(chrome_.imgTitleClose, &platform::Label::clicked, this,
            [this] { platform::RunGuarded([this] { imgTitleClose_Click(); }); });

    // The timer runs only while the working form has somewhere to go: a move, a resize or a
    // change of window state of the strip or of the form starts it, and its tick stops it.
    Timer1_ = new platform::Timer(this, "Timer1", 5, false);
    connect(Timer1_, &platform::Timer::Tick, this, [this] { Timer1_Timer(); });
    installEventFilter(this);
}

void frmMainCode::Form_Load() {
    aboutOpen = false;
    loForm = new welcome_form;
    loForm->Load();
    platform::RunGuarded([this] {
        setWidth(kStartWidth);
        reP();
        firstActivate_ = true;
    });
    // The program never chose a left edge for the strip; centring it is the friendliest start.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setLeft(platform::PixelsToTwips((screen->availableGeometry().width() - width()) / 2));
    setTop(kStripTop);
}

void frmMainCode::reP() {
    ArrangeSkinChrome(this, false);
    LoadSkin(this);
}

void frmMainCode::ShowLabelMenu(int index) {
    if (!XPMenu_) XPMenu_ = std::make_unique<clsXPMenu>();
    ShowMainMenu(*XPMenu_, this, &ImageList1_, index, Left(), Top(), labels_.at(index));
}

void frmMainCode::dock(Form* form) {
    form->installEventFilter(this);
    // Placed while still hidden (and after its Load, which may place it too), the form shows
    // up under the strip; placed once shown, it would flash where it was made first.
    form->Load();
    form->Move(Left(), Top() + Height() - 1);
    form->Show();
    setWidth(form->Width());
    reP();
    followWorkingForm();
}

void frmMainCode::followWorkingForm() {
    // Starting a running timer would push its tick back; a drag's moves, closer together than
    // the interval, would then keep the form from following until the pointer rests.
    if (!ending_ && !Timer1_->IsRunning()) Timer1_->setEnabled(true);
}

bool frmMainCode::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    const bool moves = type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
                       type == QEvent::WindowStateChange;
    if (moves && (watched == this || watched == loForm.data())) followWorkingForm();
    return Form::eventFilter(watched, e);
}

void frmMainCode::Timer1_Timer() {
    if (loForm && !loForm->isMinimized() && !loForm->isMaximized()) {
        const int left = Left(), top = Top() + Height() - kDockOverlap;
        if (loForm->Left() != left || loForm->Top() != top) loForm->Move(left, top);
    }
    // The form's own move event above asked for another tick; it is in place already.
    Timer1_->setEnabled(false);
}

void frmMainCode::Form_Resize() {
    platform::RunGuarded([this] { ArrangeSkinChrome(this, false); });
}

void frmMainCode::Form_Activate() {
    activationRule();
}

void frmMainCode::activationRule() {
    if (wasMinimised_) {
        if (loForm) loForm->Show();
        wasMinimised_ = false;
    }
    if (firstActivate_) {
        firstActivate_ = false;
        setTop(kStripTop);
        for (platform::Label* label : labels_) label->move(label->x(), label->y() + 2);
        Image2_->move(2, Image2_->y());
        if (loForm) {
            ArrangeSkinEdges(loForm, false);
            dock(loForm);
        }
    }
    if (!loForm || !loForm->isVisible()) {
        if (!sharedWelcome_) sharedWelcome_ = new welcome_form;
        loForm = sharedWelcome_.data();
        ArrangeSkinEdges(loForm, false);
        dock(loForm);
    }
}

void frmMainCode::HandleMenuClick(const QString& menuName, int itemNum, const QString&) {
    const QString key = platform::Q(platform::Trim(platform::S(menuName)));
    if (key == "Help") {
        if (itemNum == 1) helpCenter::ShowHelp(helpArea());
        if (itemNum == 3) openAbout();
        return;
    }
    const bool exits = key == "BaseData" && itemNum == 5;
    const FormFactory* factory = nullptr;
    for (const auto& [k, item, f] : WorkingForms())
        if (k == key && item == itemNum) factory = &f;
    // Items whose window this program does not offer do nothing at all.
    if (!factory && !exits) return;

    if (loForm) loForm->Unload();
    if (aboutOpen) {
        aboutOpen = false;
        if (aboutForm) aboutForm->Unload();
    }
    if (factory) openWorkingForm(*factory);
    if (exits) endProgram();
}

void frmMainCode::openWorkingForm(const FormFactory& factory) {
    loForm = nullptr;
    std::unique_ptr<Form> form;
    // A form whose Load fails is deleted before its error is shown.
    const bool opened = platform::Attempt(
        [&] {
            std::unique_ptr<Form> made(factory());
            made->Load();
            form = std::move(made);
        },
        "错误");
    if (!opened) {
        activationRule();
        return;
    }
    loForm = form.release();
    dock(loForm);
}

QRect frmMainCode::helpArea() const {
    // Below the strip, so that the menu stays in reach while the help is read.
    const QRect strip = geometry();
    return loForm ? loForm->geometry() : QRect(strip.left(), strip.bottom() + 1, strip.width(), 1);
}

void frmMainCode::openAbout() {
    aboutForm = new frmSplash;
    aboutOpen = true;
    aboutForm->Show();
}

void frmMainCode::imgTitleMinimize_Click() {
    showMinimized();
    wasMinimised_ = true;
    if (loForm) loForm->hide();
}

void frmMainCode::imgTitleClose_Click() {
    endProgram();
}

void frmMainCode::endProgram() {
    if (ending_) return;
    Unload();
}

void frmMainCode::Form_Unload(bool& cancel) {
    (void)cancel;
    // The program ends at once: the working form is not asked anything, nothing is written.
    ending_ = true;
    Timer1_->setEnabled(false);
    clsXPMenu::KillAllMenus();
    emit programEnded();
    QCoreApplication::exit(0);
}

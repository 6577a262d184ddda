#include "shell/frmMainCode.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>

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

    // The working form follows the strip by the docking timer once the drag is over. The drag's
    // own event loop lets no command in before the pointer lets go.
    OnTitleBarPressed(chrome_, this, [this] {
        platform::RunGuarded([this] {
            Busy busy(this);
            DragForm(this);
        });
    });
    connect(chrome_.imgTitleMinimize, &platform::Label::clicked, this,
            [this] { whenIdle([this] { imgTitleMinimize_Click(); }); });
    connect(chrome_.imgTitleClose, &platform::Label::clicked, this,
            [this] { whenIdle([this] { imgTitleClose_Click(); }); });

    // The timer runs only while the working form has somewhere to go: a move, a resize or a
    // change of window state of the strip or of the form starts it, and its tick stops it.
    Timer1_ = new platform::Timer(this, "Timer1", 5, false);
    connect(Timer1_, &platform::Timer::Tick, this, [this] { Timer1_Timer(); });
    installEventFilter(this);
}

frmMainCode::Busy::Busy(frmMainCode* strip) : strip_(strip) {
    ++strip->busy_;
}

frmMainCode::Busy::~Busy() {
    if (!strip_ || --strip_->busy_ > 0 || strip_->waiting_.empty()) return;
    // From the event loop, once whatever made the strip busy has returned.
    QTimer::singleShot(0, strip_.data(), [strip = strip_.data()] { strip->runWaitingActions(); });
}

void frmMainCode::whenIdle(std::function<void()> action) {
    if (busy_ == 0) {
        platform::RunGuarded(action);
        return;
    }
    waiting_.push_back(std::move(action));
}

void frmMainCode::runWaitingActions() {
    const QPointer<frmMainCode> self(this);
    // An action may make the strip busy again; what waits then waits for that too. After the
    // end of the program nothing is done any more.
    while (self && busy_ == 0 && !ending_ && !waiting_.empty()) {
        const std::function<void()> action = std::move(waiting_.front());
        waiting_.pop_front();
        platform::RunGuarded(action);
    }
}

welcome_form* frmMainCode::welcomeForm() {
    if (!welcome_) {
        welcome_ = new welcome_form;
        // Unloaded, it is deleted at the next turn of the event loop; the next one is made anew.
        connect(welcome_, &Form::unloaded, this, [this] { welcome_ = nullptr; });
    }
    return welcome_;
}

void frmMainCode::Form_Load() {
    Busy busy(this);
    aboutOpen = false;
    loForm = welcomeForm();
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

bool frmMainCode::dock(Form* form) {
    const QPointer<frmMainCode> self(this);
    const QPointer<Form> docked(form);
    form->installEventFilter(this);
    // Placed while still hidden (and after its Load, which may place it too), the form shows
    // up under the strip; placed once shown, it would flash where it was made first.
    form->Load();
    form->Move(Left(), Top() + Height() - 1);
    form->Show();
    setWidth(form->Width());
    reP();
    // The skin's yield may have let either go (a close from the window system).
    if (!self) return false;
    if (docked) followWorkingForm();
    return true;
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
    whenIdle([this] { activationRule(); });
}

void frmMainCode::activationRule() {
    Busy busy(this);
    if (wasMinimised_) {
        if (loForm) loForm->Show();
        wasMinimised_ = false;
    }
    if (firstActivate_) {
        firstActivate_ = false;
        setTop(kStripTop);
        for (platform::Label* label : labels_) label->move(label->x(), label->y() + 2);
        Image2_->move(2, Image2_->y());
    }
    // The first time, the welcome form made at the start; a working form opened before the
    // first activation is docked already and stays as it is.
    dockWelcomeUnlessShown();
}

void frmMainCode::dockWelcomeUnlessShown() {
    if (loForm && loForm->isVisible()) return;
    loForm = welcomeForm();
    ArrangeSkinEdges(loForm, false);
    dock(loForm);
}

void frmMainCode::HandleMenuClick(const QString& menuName, int itemNum, const QString&) {
    const QString key = platform::Q(platform::Trim(platform::S(menuName)));
    whenIdle([this, key, itemNum] { runMenuCommand(key, itemNum); });
}

void frmMainCode::runMenuCommand(const QString& key, int itemNum) {
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

    Busy busy(this);
    if (const QPointer<Form> unloaded = std::exchange(loForm, nullptr)) unloaded->Unload();
    if (aboutOpen) {
        aboutOpen = false;
        if (aboutForm) aboutForm->Unload();
    }
    if (!busy.alive() || (factory && !openWorkingForm(*factory))) return;
    if (exits) endProgram();
}

bool frmMainCode::openWorkingForm(const FormFactory& factory) {
    const QPointer<frmMainCode> self(this);
    std::unique_ptr<Form> form;
    // A form whose Load fails is deleted before its error is shown.
    const bool opened = platform::Attempt(
        [&] {
            std::unique_ptr<Form> made(factory());
            made->Load();
            form = std::move(made);
        },
        "错误");
    // The error box's loop ran.
    if (!self) return false;
    if (!opened) {
        dockWelcomeUnlessShown();
        return !self.isNull();
    }
    loForm = form.release();
    return dock(loForm);
}

QRect frmMainCode::helpArea() const {
    // Below the strip, which stays on top: the menu stays in reach while the help is read, and
    // the help window's title bar is not hidden under the strip. The working form's top lies
    // under the strip's bottom edge.
    const QRect strip = geometry();
    const QRect form = loForm ? loForm->geometry() : strip;
    const int top = strip.bottom() + 1;
    return QRect(form.left(), top, form.width(), std::max(1, form.bottom() - top + 1));
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

void frmMainCode::closeEvent(QCloseEvent* e) {
    if (busy_ == 0 || ending_) {
        Form::closeEvent(e);
        return;
    }
    e->ignore();
    whenIdle([this] { endProgram(); });
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

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/WorkingForms.h"
#include "entry/form_base.h"
#include "entry/form_base_interface.h"
#include "platform/HelpViewer.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Timer.h"
#include "platform/storage/Database.h"
#include "shell/frmMainCode.h"
#include "shell/frmSplash.h"
#include "shell/frmXPMenu.h"
#include "shell/system_jc_form.h"
#include "shell/system_pwd_form.h"
#include "shell/welcome_form.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/GuiEvents.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::Form;

namespace {

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The program's end makes Qt refuse every later event loop until the application's own loop has
// run; the next tests in this process need theirs.
void letLaterEventLoopsRun() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A loaded strip after its first activation (unless `activated` is false: the window system's
// is still to come). Unless the test lets it run, its docking timer is held (its ticks reach no
// one, also from the event loop that loading a skin runs), so that the test decides when the
// timer docks the form.
struct Strip {
    TestDb db;
    frmMainCode* strip = new frmMainCode;
    explicit Strip(bool timerHeld = true, bool activated = true) {
        InstallWorkingForms();
        strip->Timer1()->blockSignals(timerHeld);
        strip->Show();
        if (activated) strip->activationRule();
    }
    ~Strip() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != strip && qobject_cast<Form*>(w)) delete w;
        delete strip;
        flushDeletes();
    }
    void command(const char* key, int item) { strip->HandleMenuClick(key, item, ""); }
};

}  // namespace

TEST(frmMainCode, StartsAsAStripWithTheWelcomeFormDocked) {
    Strip s;
    frmMainCode& m = *s.strip;
    EXPECT_EQ(m.Top(), 50);
    EXPECT_EQ(m.Height(), 825);
    EXPECT_EQ(m.windowTitle(), "PraveltaKVT");
    ASSERT_NE(qobject_cast<welcome_form*>(m.loForm.data()), nullptr);
    EXPECT_TRUE(m.loForm->isVisible());
    EXPECT_EQ(m.loForm->Left(), m.Left());
    EXPECT_EQ(m.loForm->Top(), m.Top() + m.Height() - 1);
    EXPECT_EQ(m.Width(), m.loForm->Width());
    EXPECT_EQ(m.menuLabel(0)->y(), 26);
    const char* captions[] = {"[ 基础数据 ]", "[ 绩效分析 ]", "[ 能力趋势 ]", "[ 杜邦分析 ]",
                              "[ 打印 ]",     "[ 系统设置 ]", "[ 帮助 ]"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(m.menuLabel(i)->Caption(), captions[i]);
    EXPECT_EQ(m.Timer1()->Interval(), 5);
}

TEST(frmMainCode, MenuCommandsReplaceTheWorkingFormAndTheTimerKeepsItDocked) {
    Strip s;
    frmMainCode& m = *s.strip;
    m.Move(1500, 50);
    s.command("SysSetup", 3);
    QPointer<Form> first = m.loForm;
    ASSERT_NE(qobject_cast<system_jc_form*>(first.data()), nullptr);
    EXPECT_EQ(first->Left(), 1500);
    EXPECT_EQ(first->Top(), 50 + 825 - 1);
    EXPECT_EQ(m.Width(), 11000);
    m.Timer1_Timer();
    EXPECT_EQ(first->Top(), 50 + 825 - 200);
    EXPECT_EQ(first->Left(), 1500);

    // Dragging the strip: the form follows at the next tick; moving the form alone is undone.
    m.Move(3000, 900);
    first->Move(10, 10);
    m.Timer1_Timer();
    EXPECT_EQ(first->Left(), 3000);
    EXPECT_EQ(first->Top(), 900 + 825 - 200);

    s.command("SysSetup", 3);
    flushDeletes();
    EXPECT_TRUE(first.isNull());  // unloaded without a question
    ASSERT_NE(qobject_cast<system_jc_form*>(m.loForm.data()), nullptr);

    s.command("BaseData", 3);
    EXPECT_NE(qobject_cast<form_base_interface*>(m.loForm.data()), nullptr);
    EXPECT_EQ(m.Width(), m.loForm->Width());
    s.command("BaseData", 1);
    EXPECT_NE(qobject_cast<form_base*>(m.loForm.data()), nullptr);
    EXPECT_EQ(m.Width(), m.loForm->Width());
    s.command("SysSetup", 5);
    EXPECT_NE(qobject_cast<system_pwd_form*>(m.loForm.data()), nullptr);
}

TEST(frmMainCode, KeysAreTrimmedButCompareWithLetterCase) {
    Strip s;
    frmMainCode& m = *s.strip;
    s.command("  SysSetup ", 3);
    QPointer<Form> form = m.loForm;
    EXPECT_NE(qobject_cast<system_jc_form*>(form.data()), nullptr);
    s.command("syssetup", 5);
    s.command("Nothing", 1);
    s.command("SysSetup", 2);  // a separator's number
    flushDeletes();
    EXPECT_EQ(m.loForm, form);
    EXPECT_FALSE(form.isNull());
}

TEST(frmMainCode, HelpMenuLeavesTheWorkingFormAndAboutWindows) {
    Strip s;
    frmMainCode& m = *s.strip;
    s.command("SysSetup", 3);
    QPointer<Form> form = m.loForm;
    s.command("Help", 3);
    QPointer<Form> about1 = m.aboutForm;
    s.command("Help", 3);
    QPointer<Form> about2 = m.aboutForm;
    ASSERT_NE(qobject_cast<frmSplash*>(about1.data()), nullptr);
    ASSERT_NE(about1, about2);
    EXPECT_TRUE(m.aboutOpen);
    s.command("Help", 1);
    flushDeletes();
    EXPECT_EQ(m.loForm, form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(about2->isVisible());

    s.command("SysSetup", 5);
    flushDeletes();
    EXPECT_FALSE(m.aboutOpen);
    EXPECT_TRUE(about2.isNull());
    EXPECT_FALSE(about1.isNull());  // only the last about window is remembered
    delete about1.data();
}

TEST(frmMainCode, AFormThatClosesItselfGivesWayToTheWelcomeForm) {
    Strip s;
    frmMainCode& m = *s.strip;
    s.command("SysSetup", 3);
    auto* settings = qobject_cast<system_jc_form*>(m.loForm.data());
    ASSERT_NE(settings, nullptr);
    QTest::mouseClick(settings->cmdClose, Qt::LeftButton);
    flushDeletes();
    m.Timer1_Timer();  // the timer leaves a closed form alone
    m.activationRule();
    ASSERT_NE(qobject_cast<welcome_form*>(m.loForm.data()), nullptr);
    EXPECT_TRUE(m.loForm->isVisible());
    EXPECT_EQ(m.loForm->Top(), m.Top() + m.Height() - 1);
}

TEST(frmMainCode, MinimisingHidesTheWorkingFormUntilTheNextActivation) {
    Strip s;
    frmMainCode& m = *s.strip;
    s.command("SysSetup", 5);
    QPointer<Form> form = m.loForm;
    m.imgTitleMinimize_Click();
    EXPECT_FALSE(form->isVisible());
    m.showNormal();
    m.activationRule();
    EXPECT_EQ(m.loForm, form);
    EXPECT_TRUE(form->isVisible());
}

TEST(frmMainCode, HoveringALabelOpensItsMenuBelowIt) {
    Strip s;
    frmMainCode& m = *s.strip;
    m.Move(1500, 50);
    m.ShowLabelMenu(0);
    ASSERT_NE(m.XPMenu(), nullptr);
    EXPECT_EQ(m.XPMenu()->GetMenuName(), "BaseData");
    EXPECT_EQ(m.XPMenu()->ItemCount(), 5);
    EXPECT_EQ(m.XPMenu()->GetItemText(5), "退出系统     ");
    QWidget* popup = m.XPMenu()->PopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->pos(), QPoint(108, 44));
    m.ShowLabelMenu(4);  // the same menu object moves to the next label
    EXPECT_EQ(m.XPMenu()->GetMenuName(), "Print");
    EXPECT_EQ(m.XPMenu()->GetItemText(3), "绩效指标    ");
    clsXPMenu::KillAllMenus();
}

namespace {

// The place of each window at its first show since at.clear(), and "<class> shown" or "<class>
// hidden" for each show and hide of a form but the strip.
struct ShownWindows : QObject {
    std::map<const QObject*, QPoint> at;
    QStringList changes;
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(watched);
        const bool shown = e->type() == QEvent::Show, hidden = e->type() == QEvent::Hide;
        if (shown && w != nullptr && w->isWindow()) at.try_emplace(w, w->pos());
        if ((shown || hidden) && qobject_cast<Form*>(w) && !qobject_cast<frmMainCode*>(w))
            changes << QString(w->metaObject()->className()) + (shown ? " shown" : " hidden");
        return false;
    }
};

}  // namespace

// Each form appears under the strip: shown anywhere else first, it would flash there (in the
// corner of the screen) before the docking moves it.
TEST(frmMainCode, EveryFormIsFirstShownWhereItDocks) {
    ShownWindows shown;
    Strip s;
    frmMainCode& m = *s.strip;
    auto firstShownDocked = [&] {
        const auto it = shown.at.find(m.loForm.data());
        return it != shown.at.end() && it->second == m.loForm->pos() && m.loForm->x() == m.x();
    };
    EXPECT_TRUE(firstShownDocked()) << "the welcome form";
    for (const auto& [key, item, factory] : ProgramWorkingForms()) {
        shown.at.clear();
        s.command(key.toUtf8().constData(), item);
        EXPECT_TRUE(firstShownDocked()) << key.toStdString() << item;
        flushDeletes();
    }
}

// A drag by the title must leave the pointer free: the menu bar opens its menus on a plain
// hover right after it, with no click first.
TEST(frmMainCode, AfterADragOfTheStripHoveringALabelOpensItsMenu) {
    Strip s;
    frmMainCode& m = *s.strip;
    const QPoint start = m.pos();
    const QPoint grip = m.chrome().imgTitleMain->mapToGlobal(QPoint(30, 10));
    gui::systemDrag(&m, grip, grip + QPoint(40, 60));
    ASSERT_EQ(m.pos(), start + QPoint(40, 60));
    platform::Label* label = m.menuLabel(0);
    gui::systemMove(&m, label->mapToGlobal(label->rect().center()));
    QWidget* popup = m.XPMenu() != nullptr ? m.XPMenu()->PopupWindow() : nullptr;
    EXPECT_TRUE(popup != nullptr && popup->isVisible());
    clsXPMenu::KillAllMenus();
}

TEST(frmMainCode, ExitEndsTheProgramWithoutAskingTheWorkingForm) {
    {
        Strip s;
        frmMainCode& m = *s.strip;
        s.command("BaseData", 1);
        QSignalSpy ended(&m, &frmMainCode::programEnded);
        s.command("BaseData", 5);  // the scripted box fails the test on any question
        EXPECT_EQ(ended.count(), 1);
    }
    letLaterEventLoopsRun();
}

// On a real display the window system activates the strip when it likes: after a first working
// form was opened, in the event loop the skin yields to while that form is docked. A user's next
// command and the exit may come there too. Each waits for the dock: the first activation gives
// the working form no welcome form's edges (no box), one form at a time shows, the program ends.
TEST(frmMainCode, WhatTheSkinsYieldDeliversWaitsForTheDock) {
    {
        MsgBoxWatcher boxes;  // closes any box, so that a fault cannot hang the test
        ShownWindows windows;
        Strip s(true, false);
        QSignalSpy ended(s.strip, &frmMainCode::programEnded);
        bool docking = true, inYield = false;
        QTimer::singleShot(0, s.strip, [&] {
            inYield = docking;
            QApplication::setActiveWindow(s.strip);
            s.command("BaseData", 3);
            s.command("BaseData", 5);
        });
        s.command("BaseData", 1);
        docking = false;
        EXPECT_TRUE(inYield);
        EXPECT_TRUE(gui::waitFor([&] { return ended.count() > 0; }, 2000));
        EXPECT_EQ(s.strip->menuLabel(0)->y(), 26) << "the first activation ran";
        EXPECT_EQ(windows.changes.join(", ").toStdString(),
                  "form_base shown, form_base hidden, form_base_interface shown, "
                  "form_base_interface hidden");
    }
    letLaterEventLoopsRun();
}

namespace {

// A strip whose docking timer runs as in the program, with a working form docked.
struct RunningStrip : Strip {
    frmMainCode& m = *strip;
    RunningStrip(const char* key, int item) : Strip(false) { command(key, item); }
    // Whether the working form sits where the docking timer keeps it.
    bool docked() const {
        return m.loForm && m.loForm->Left() == m.Left() &&
               m.loForm->Top() == m.Top() + m.Height() - 200;
    }
    // Runs the event loop until the form is docked and the timer rests.
    bool settle() {
        return gui::waitFor([this] { return docked() && !m.Timer1()->IsRunning(); }, 2000);
    }
};

// The timers of all windows that tick now.
QStringList runningTimers() {
    QStringList running;
    for (QWidget* w : QApplication::topLevelWidgets())
        for (auto* timer : w->findChildren<platform::Timer*>())
            if (timer->IsRunning()) running << w->objectName() + "." + timer->objectName();
    return running;
}

}  // namespace

TEST(frmMainCode, AnIdleStripWithADockedFormRunsNoTimer) {
    RunningStrip s("BaseData", 1);
    ASSERT_TRUE(s.settle());
    s.m.ShowLabelMenu(0);  // a menu opened and closed leaves no timer behind either
    ASSERT_FALSE(runningTimers().isEmpty());
    clsXPMenu::KillAllMenus();
    int ticks = 0;
    QObject::connect(s.m.Timer1(), &platform::Timer::Tick, [&] { ++ticks; });
    // Thirty of its intervals: a timer left running would tick many times over.
    gui::pump(30 * s.m.Timer1()->Interval());
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(runningTimers(), QStringList());
}

TEST(frmMainCode, TheWorkingFormFollowsEveryPositionOfADraggedStrip) {
    RunningStrip s("SysSetup", 3);
    frmMainCode& m = s.m;
    for (const QPoint to : {QPoint(100, 3), QPoint(101, 4), QPoint(140, 60), QPoint(20, 200)}) {
        ASSERT_TRUE(s.settle());
        m.move(to);
        EXPECT_TRUE(s.settle()) << to.x() << "," << to.y();
    }
    m.resize(m.width(), m.height() + 10);  // a taller strip pushes the form down
    EXPECT_TRUE(s.settle());

    // A fast drag moves the strip more often than the timer ticks: the form keeps up during
    // the drag, not only once the pointer rests.
    int moves = 0, caughtUp = 0;
    QTimer pointer;
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        if (moves > 0) caughtUp += s.docked();
        m.move(m.pos() + QPoint(1, 1));
        if (++moves == 60) pointer.stop();
    });
    pointer.start(1);
    ASSERT_TRUE(gui::waitFor([&] { return moves == 60; }, 5000));
    EXPECT_GT(caughtUp, 0);
    EXPECT_TRUE(s.settle());
}

TEST(frmMainCode, AWorkingFormMovedAloneSnapsBackUnlessMaximised) {
    RunningStrip s("SysSetup", 3);
    Form* form = s.m.loForm;
    ASSERT_TRUE(s.settle());
    form->Move(10, 10);
    EXPECT_TRUE(s.settle());

    form->showMaximized();
    const QRect maximised = form->geometry();
    s.m.Timer1_Timer();
    EXPECT_EQ(form->geometry(), maximised);
    form->showNormal();
    EXPECT_TRUE(s.settle());
}

namespace {

// What the database says when it cannot be read now: the first line of a plain read's error.
std::string causeOfAFailingRead() {
    try {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        platform::Recordset rs;
        rs.Open("select count(*) from defaultParameter", conn);
    } catch (const std::exception& e) {
        return FirstLine(e.what());
    }
    ADD_FAILURE() << "the database could be read";
    return {};
}

// The top-level windows of a class.
int windowsOf(const std::string& className) {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (className == w->metaObject()->className()) ++count;
    return count;
}

}  // namespace

// Every window a menu command opens follows one rule when the database cannot be read as it
// opens: the cause under "错误", the welcome form in its place, nothing of it left behind. The
// two windows that read nothing when they open open as usual. One test per window and
// failure, so that they run side by side.
class OpeningReadFails : public testing::TestWithParam<std::tuple<std::size_t, bool>> {};

TEST_P(OpeningReadFails, TheWindowIsReportedAndGivesWayToTheWelcomeForm) {
    const auto& [key, item, factory] = ProgramWorkingForms().at(std::get<0>(GetParam()));
    const bool locked = std::get<1>(GetParam());
    const bool reads =
        !std::set<std::pair<QString, int>>{{"BaseData", 3}, {"SysSetup", 5}}.contains({key, item});
    Strip s;
    frmMainCode& m = *s.strip;
    std::optional<DbLockedByOther> lock;
    if (locked)
        lock.emplace(s.db);
    else
        std::filesystem::remove(s.db.path());
    const std::string cause = causeOfAFailingRead();
    const std::string window = std::unique_ptr<Form>(factory())->metaObject()->className();
    s.command("SysSetup", 5);  // a working form to replace
    flushDeletes();            // as the event loop does between two commands
    ScriptedMsgBox box;
    if (reads) box.answer(platform::MsgResult::OK);
    m.HandleMenuClick(key, item, "");
    flushDeletes();
    if (!reads) {
        EXPECT_TRUE(box.shown().empty());
        EXPECT_EQ(m.loForm->metaObject()->className(), window);
        return;
    }
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_EQ(box.shown()[0].title, "错误");
    EXPECT_EQ(FirstLine(box.shown()[0].prompt), cause);
    EXPECT_EQ(windowsOf(window), 0) << "a window that could not open stays behind";
    ASSERT_NE(qobject_cast<welcome_form*>(m.loForm.data()), nullptr);
    EXPECT_TRUE(m.loForm->isVisible());
    EXPECT_EQ(m.loForm->Top(), m.Top() + m.Height() - 1);
}

// "<menu key><item>_<failure>", e.g. Print3_DatabaseLocked.
std::string openingCaseName(const testing::TestParamInfo<OpeningReadFails::ParamType>& info) {
    const auto& [key, item, factory] = ProgramWorkingForms().at(std::get<0>(info.param));
    return key.toStdString() + std::to_string(item) +
           (std::get<1>(info.param) ? "_DatabaseLocked" : "_DatabaseFileGone");
}

INSTANTIATE_TEST_SUITE_P(
    frmMainCode, OpeningReadFails,
    testing::Combine(testing::Range<std::size_t>(0, ProgramWorkingForms().size()), testing::Bool()),
    openingCaseName);

// Resized, the strip stretches its menu strip and title bar over its new width; the help window
// opens over the working form, below the menu strip, not in a corner of the screen.
TEST(frmMainCode, MenuStripFollowsTheWidthAndHelpOpensOverTheWindow) {
    Strip s;
    frmMainCode& m = *s.strip;
    QWidget* menuStrip = m.findChild<QWidget*>("Image2");
    ASSERT_NE(menuStrip, nullptr);
    m.resize(m.width() + 120, m.height());
    EXPECT_EQ(menuStrip->width(), m.width() - 5);
    EXPECT_EQ(m.chrome().imgTitleClose->x(), m.width() - 22);

    delete platform::HelpWindow();
    s.command("Help", 1);
    QWidget* help = platform::HelpWindow();
    ASSERT_NE(help, nullptr);
    const QRect area = m.geometry().united(m.loForm->geometry());
    EXPECT_TRUE(area.contains(help->geometry().center()));
    const QRect menu(menuStrip->mapToGlobal(QPoint()), menuStrip->size());
    EXPECT_FALSE(help->geometry().intersects(menu)) << "the menu strip stays in view";
    EXPECT_GT(help->frameGeometry().top(), m.geometry().bottom()) << "its title bar too";
    delete help;
}

// Esc or Ctrl+W, pressed in the help window, closes it; the working form stays.
TEST(frmMainCode, EscOrCtrlWClosesTheHelpWindow) {
    Strip s;
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        s.command("Help", 1);
        const QPointer<QWidget> help = platform::HelpWindow();
        ASSERT_NE(help, nullptr);
        QTest::keyClick(help->windowHandle(), key.key(), key.keyboardModifiers());
        flushDeletes();
        EXPECT_TRUE(help.isNull()) << QKeySequence(key).toString().toStdString();
        EXPECT_TRUE(s.strip->loForm->isVisible());
    }
}

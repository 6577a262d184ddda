#include "app/AutomationScript.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <deque>

#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/MsgBox.h"
#include "platform/TabStrip.h"
#include "shell/IMenuOwner.h"

namespace {

constexpr int kStepTimeoutMs = 10000;
// How often a step that is not ready is looked at again when nothing happens meanwhile.
constexpr int kRetryMs = 50;

struct Runner {
    QStringList steps;
    int next = 0;
    std::deque<platform::MsgResult> answers;
    QElapsedTimer waiting;
    QTimer tick;       // single shot: the next look at the next step
    int underway = 0;  // steps whose action has not returned yet
};

void fail(const QString& why, int code) {
    std::fprintf(stderr, "automation: %s\n", qPrintable(why));
    std::fflush(stderr);
    std::exit(code);
}

QWidget* focused() {
    if (QWidget* w = QApplication::focusWidget()) return w;
    QWidget* active = QApplication::activeWindow();
    return active ? active->focusWidget() : nullptr;
}

// A control of a shown window, of the modal window first; "focus" names the widget that has the
// focus. A hidden control (a grid on another tab) is found only when `hiddenToo`.
QWidget* findShown(const QString& name, bool hiddenToo = false) {
    if (name == "focus") return focused();
    QWidgetList tops = QApplication::topLevelWidgets();
    if (QWidget* modal = QApplication::activeModalWidget()) tops.prepend(modal);
    for (QWidget* top : tops) {
        if (!top->isVisible()) continue;
        if (top->objectName() == name) return top;
        if (QWidget* w = top->findChild<QWidget*>(name); w && (hiddenToo || w->isVisible()))
            return w;
    }
    return nullptr;
}

template <typename T>
T* as(QWidget* w, const char* kind, const QString& step) {
    auto* t = qobject_cast<T*>(w);
    if (!t) fail(QString("not a %1: %2").arg(kind, step), 2);
    return t;
}

int number(const QString& text, const QString& step) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok) fail("not a number in: " + step, 2);
    return n;
}

// A whole click: press and release at one point of a widget.
void mouseClick(QWidget* w, QPoint pos) {
    QPointer<QWidget> alive(w);
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    if (!alive) return;
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// A key pressed and released, as the keyboard delivers it: the release goes to whatever has
// the focus by then (Tab moves it on).
void keyStroke(QWidget* w, int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QPointer<QWidget> target(w);
    const bool hadFocus = w->hasFocus();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    if (hadFocus && focused()) target = focused();
    if (!target) return;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

bool selectItem(QWidget* target, int index, const QString& step) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        if (index < 0 || index >= combo->count()) fail("no such item: " + step, 2);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        emit combo->textActivated(combo->itemText(index));
        return true;
    }
    auto* list = as<QAbstractItemView>(target, "combo box or list box", step);
    const QModelIndex item = list->model()->index(index, 0, list->rootIndex());
    if (!item.isValid()) fail("no such item: " + step, 2);
    list->scrollTo(item);
    mouseClick(list->viewport(), list->visualRect(item).center());
    return true;
}

bool clickCell(QWidget* target, int row, int col, const QString& step) {
    auto* grid = as<platform::FlexGrid>(target, "grid", step);
    if (row < 0 || row >= grid->Rows() || col < 0 || col >= grid->Cols())
        fail("no such cell: " + step, 2);
    grid->ShowCell(row, col);
    const QPoint centre(platform::TwipsToPixels(grid->ColPos(col)) +
                            platform::TwipsToPixels(grid->ColWidth(col)) / 2,
                        platform::TwipsToPixels(grid->RowPos(row)) +
                            platform::TwipsToPixels(grid->RowHeight(row)) / 2);
    int r = -1, c = -1;
    if (!grid->CellAt(centre, r, c) || r != row || c != col) fail("cell not in view: " + step, 2);
    mouseClick(grid->viewport(), centre - grid->viewport()->pos());
    return true;
}

bool pickTab(QWidget* target, int index, const QString& step) {
    if (auto* strip = qobject_cast<platform::TabStrip*>(target)) {
        if (index < 1 || index > strip->Count()) fail("no such tab: " + step, 2);
        strip->setSelectedIndex(index);
        return true;
    }
    auto* bar = as<QTabBar>(target, "tab strip", step);
    if (index < 1 || index > bar->count()) fail("no such tab: " + step, 2);
    bar->setCurrentIndex(index - 1);
    return true;
}

// One key press and release per ASCII character; a run of other characters is committed as an
// input method would commit it. Each character goes to whatever has the focus by then.
bool typeText(const QString& text) {
    if (!focused()) return false;
    for (int i = 0; i < text.size();) {
        QWidget* to = focused();
        if (!to) fail("nothing has the focus while typing: " + text, 2);
        const QChar ch = text[i];
        if (ch.unicode() < 128) {
            const bool shifted = ch.isUpper() || QString("~!@#$%^&*()_+{}|:\"<>?").contains(ch);
            keyStroke(to, ch.toUpper().unicode(), ch, shifted ? Qt::ShiftModifier : Qt::NoModifier);
            ++i;
            continue;
        }
        int end = i;
        while (end < text.size() && text[end].unicode() >= 128) ++end;
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, end - i));
        QApplication::sendEvent(to, &commit);
        i = end;
    }
    return true;
}

bool pressKey(QWidget* target, const QString& name, const QString& step) {
    struct Key {
        const char* name;
        int key;
        const char* text;
    };
    static const Key keys[] = {{"Enter", Qt::Key_Return, "\r"},
                               {"Esc", Qt::Key_Escape, "\x1b"},
                               {"Tab", Qt::Key_Tab, "\t"}};
    for (const Key& k : keys) {
        if (name != k.name) continue;
        if (!target->hasFocus()) target->setFocus(Qt::OtherFocusReason);
        keyStroke(target, k.key, k.text, Qt::NoModifier);
        return true;
    }
    fail("unknown key: " + step, 2);
    return false;
}

// Whether the window of a control is on the screen: mapped and framed by a window manager, if any.
bool onScreen(const QWidget* control) {
    const QWindow* window = control ? control->window()->windowHandle() : nullptr;
    return window && window->isExposed();
}

bool writeFrame(QWidget* target, const QString& path, const QString& step) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) fail("cannot write " + step, 2);
    const QRect r = target->window()->frameGeometry();
    file.write(QString("%1 %2 %3 %4 %5\n")
                   .arg(target->objectName())
                   .arg(r.left())
                   .arg(r.top())
                   .arg(r.width())
                   .arg(r.height())
                   .toUtf8());
    return true;
}

bool dumpGrid(QWidget* target, const QString& path, const QString& step) {
    auto* grid = as<platform::FlexGrid>(target, "grid", step);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail("cannot write " + step, 2);
    for (int r = 0; r < grid->Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->Cols(); ++c) {
            QString cell = grid->TextMatrix(r, c);
            cells << cell.replace('\t', ' ').replace('\n', ' ');
        }
        file.write((cells.join('\t') + '\n').toUtf8());
    }
    return true;
}

// The steps that act on a named control; false while it is not shown.
bool performOnControl(const QStringList& w, const QString& step) {
    const QString verb = w.value(0);
    QWidget* target = findShown(w.value(1), verb == "dump");
    if (!target) return false;
    if (verb == "set") {
        as<QLineEdit>(target, "text box", step)->setText(step.section(' ', 2));
    } else if (verb == "click") {
        as<QAbstractButton>(target, "button", step)->click();
    } else if (verb == "select") {
        return selectItem(target, number(w.value(2), step), step);
    } else if (verb == "cell") {
        return clickCell(target, number(w.value(2), step), number(w.value(3), step), step);
    } else if (verb == "check") {
        auto* box = as<QAbstractButton>(target, "check box", step);
        if (box->isChecked() != (number(w.value(2), step) != 0)) box->click();
    } else if (verb == "tab") {
        return pickTab(target, number(w.value(2), step), step);
    } else if (verb == "key") {
        return pressKey(target, w.value(2), step);
    } else if (verb == "dump") {
        return dumpGrid(target, step.section(' ', 2), step);
    } else if (verb == "frame") {
        return writeFrame(target, step.section(' ', 2), step);
    } else if (verb != "expect") {
        fail("unknown step: " + step, 2);
    }
    return true;
}

// Carries out one step that is ready; false when its target went away meanwhile.
bool perform(Runner& r, const QString& step) {
    const QStringList w = step.split(' ', Qt::SkipEmptyParts);
    const QString verb = w.value(0);
    if (verb == "answer") {
        const QString a = w.value(1);
        r.answers.push_back(a == "Yes"      ? platform::MsgResult::Yes
                            : a == "No"     ? platform::MsgResult::No
                            : a == "Cancel" ? platform::MsgResult::Cancel
                                            : platform::MsgResult::OK);
        return true;
    }
    if (verb == "grab") {
        // A picture of the whole screen, for looking at the windows as a user sees them.
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen || !screen->grabWindow(0).save(w.value(1))) fail("cannot grab " + step, 2);
        return true;
    }
    if (verb == "wait") return true;  // ready() waited
    if (verb == "type") return typeText(step.section(' ', 1));
    if (verb == "menu") {
        auto* strip = dynamic_cast<IMenuOwner*>(findShown("frmMainCode"));
        if (!strip) return false;
        strip->HandleMenuClick(w.value(1), w.value(2).toInt(), QString());
        return true;
    }
    return performOnControl(w, step);
}

// While a step's action has not returned (it runs a box's loop, or yields to the event loop), the
// steps after it wait, as a user's next act waits for the program: run inside that loop, they
// would act under the half-done action. Only a modal window it opened lets steps on before:
// those that act on that window, and those that only wait or look.
bool heldBack(const Runner& r, const QStringList& w) {
    if (r.underway == 0) return false;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return true;
    const QString verb = w.value(0);
    if (verb == "answer" || verb == "wait" || verb == "grab" || verb == "expect") return false;
    if (verb == "menu") return true;
    QWidget* target = verb == "type" ? focused() : findShown(w.value(1), verb == "dump");
    return target != nullptr && target->window() != modal;
}

// Whether a step can be carried out now: no step before it is under way, its control is shown,
// its time has come.
bool ready(const Runner& r, const QStringList& w) {
    if (heldBack(r, w)) return false;
    const QString verb = w.value(0);
    if (verb == "answer" || verb == "grab") return true;
    if (verb == "wait") return r.waiting.elapsed() >= w.value(1).toInt();
    if (verb == "type") return focused() != nullptr;
    if (verb == "menu") return dynamic_cast<IMenuOwner*>(findShown("frmMainCode")) != nullptr;
    if (verb == "frame") return onScreen(findShown(w.value(1)));
    return findShown(w.value(1), verb == "dump") != nullptr;
}

// Each tick books a retry before it acts, so that a step whose action opens a modal window (a
// skinned message box, a dialog) is followed by the next steps inside that window's event loop:
// the step counts as taken before its action starts.
void tick(Runner* r) {
    if (r->next >= r->steps.size()) return;
    const int index = r->next;
    const QString step = r->steps[index];
    const QStringList words = step.split(' ', Qt::SkipEmptyParts);
    if (!ready(*r, words)) {
        if (r->waiting.elapsed() > kStepTimeoutMs) fail("timed out at: " + step, 2);
        const qint64 left =
            words.value(0) == "wait" ? words.value(1).toInt() - r->waiting.elapsed() : kRetryMs;
        r->tick.start(static_cast<int>(qBound<qint64>(0, left, qint64(kRetryMs))));
        return;
    }
    r->tick.start(kRetryMs);
    ++r->next;
    r->waiting.restart();
    ++r->underway;
    if (!perform(*r, step)) fail("gone while carrying out: " + step, 2);
    --r->underway;
    std::fprintf(stderr, "automation: done %s\n", qPrintable(step));
    std::fflush(stderr);
    if (r->next == index + 1) r->waiting.restart();
}

// The next step is taken as soon as the program has handled what the last one caused (its
// event loop is about to wait) and the step's window or control is there.
void goOnWhenReady(Runner* r) {
    if (r->next >= r->steps.size()) return;
    if (ready(*r, r->steps[r->next].split(' ', Qt::SkipEmptyParts))) r->tick.start(0);
}

const char* buttonsName(platform::MsgButtons buttons) {
    switch (buttons) {
        case platform::MsgButtons::YesNo:
            return "YesNo";
        case platform::MsgButtons::OKCancel:
            return "OKCancel";
        case platform::MsgButtons::OK:
            break;
    }
    return "OK";
}

// Every box shown goes to the log file as it appears, so a run that ends early still has it.
void StartMessageLogIfRequested() {
    const QString path = QString::fromLocal8Bit(qgetenv("PRAVELTA_MSGLOG"));
    if (path.isEmpty()) return;
    platform::SetMsgObserver([path](const std::string& prompt, platform::MsgButtons buttons,
                                    const std::string& title) {
        QFile log(path);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return;
        QString text = QString::fromStdString(prompt);
        text.replace("\r\n", "\\n").replace('\n', "\\n").replace('\t', ' ');
        log.write((QString::fromStdString(title) + '\t' + buttonsName(buttons) + '\t' + text + '\n')
                      .toUtf8());
    });
}

}  // namespace

void StartAutomationIfRequested() {
    StartMessageLogIfRequested();
    const QByteArray path = qgetenv("PRAVELTA_AUTOMATION");
    if (path.isEmpty()) return;
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) fail("cannot read " + file.fileName(), 2);
    auto* r = new Runner;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (!line.trimmed().isEmpty()) r->steps << line.trimmed();
    platform::SetMsgAnswerer(
        [r](const std::string& prompt, platform::MsgButtons, const std::string& title) {
            std::fprintf(stderr, "automation: box [%s] %s\n", title.c_str(), prompt.c_str());
            if (r->answers.empty()) fail("unexpected message box", 3);
            const platform::MsgResult a = r->answers.front();
            r->answers.pop_front();
            return a;
        });
    // Answers at the head of the script serve boxes shown while the program starts.
    while (r->next < r->steps.size() && r->steps[r->next].startsWith("answer ")) {
        perform(*r, r->steps[r->next]);
        ++r->next;
    }
    r->waiting.start();
    r->tick.setSingleShot(true);
    QObject::connect(&r->tick, &QTimer::timeout, [r] { tick(r); });
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &r->tick, [r] { goOnWhenReady(r); });
    r->tick.start(0);
}

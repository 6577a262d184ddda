#include "app/AutomationScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <deque>

#include "platform/MsgBox.h"
#include "shell/IMenuOwner.h"

namespace {

constexpr int kStepTimeoutMs = 10000;

struct Runner {
    QStringList steps;
    int next = 0;
    std::deque<platform::MsgResult> answers;
    QElapsedTimer waiting;
};

QWidget* findShown(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        if (top->objectName() == name) return top;
        if (QWidget* w = top->findChild<QWidget*>(name); w && w->isVisible()) return w;
    }
    return nullptr;
}

void fail(const QString& why, int code) {
    std::fprintf(stderr, "automation: %s\n", qPrintable(why));
    std::fflush(stderr);
    std::exit(code);
}

// Carries out one step; false while its target is not there yet.
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
    if (verb == "wait") {
        if (r.waiting.elapsed() < w.value(1).toInt()) return false;
        return true;
    }
    if (verb == "menu") {
        auto* strip = dynamic_cast<IMenuOwner*>(findShown("frmMainCode"));
        if (!strip) return false;
        strip->HandleMenuClick(w.value(1), w.value(2).toInt(), QString());
        return true;
    }
    QWidget* target = findShown(w.value(1));
    if (!target) return false;
    if (verb == "set") {
        auto* edit = qobject_cast<QLineEdit*>(target);
        if (!edit) fail("not a text box: " + step, 2);
        edit->setText(step.section(' ', 2));
    } else if (verb == "click") {
        auto* button = qobject_cast<QAbstractButton*>(target);
        if (!button) fail("not a button: " + step, 2);
        button->click();
    } else if (verb != "expect") {
        fail("unknown step: " + step, 2);
    }
    return true;
}

void tick(Runner* r) {
    if (r->next >= r->steps.size()) return;
    const QString step = r->steps[r->next];
    if (!perform(*r, step)) {
        if (r->waiting.elapsed() > kStepTimeoutMs) fail("timed out at: " + step, 2);
        QTimer::singleShot(20, [r] { tick(r); });
        return;
    }
    std::fprintf(stderr, "automation: done %s\n", qPrintable(step));
    std::fflush(stderr);
    ++r->next;
    r->waiting.restart();
    QTimer::singleShot(20, [r] { tick(r); });
}

}  // namespace

void StartAutomationIfRequested() {
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
    QTimer::singleShot(0, [r] { tick(r); });
}

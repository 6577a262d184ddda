#include "platform/QtMsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace platform {
namespace {

struct ButtonSpec {
    const char* text;
    QMessageBox::ButtonRole role;
    MsgResult result;
};

std::vector<ButtonSpec> buttonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::YesNo:
            return {{"是(&Y)", QMessageBox::YesRole, MsgResult::Yes},
                    {"否(&N)", QMessageBox::NoRole, MsgResult::No}};
        case MsgButtons::OKCancel:
            return {{"确定", QMessageBox::AcceptRole, MsgResult::OK},
                    {"取消", QMessageBox::RejectRole, MsgResult::Cancel}};
        case MsgButtons::OK:
            break;
    }
    return {{"确定", QMessageBox::AcceptRole, MsgResult::OK}};
}

}  // namespace

MsgResult ShowStandardMsgBox(const std::string& prompt, MsgButtons buttons,
                             const std::string& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(QString::fromStdString(title.empty() ? std::string(kAppTitle) : title));
    box.setText(QString::fromStdString(prompt));
    box.setTextFormat(Qt::PlainText);
    const std::vector<ButtonSpec> specs = buttonsOf(buttons);
    std::vector<QPushButton*> shown;
    for (const ButtonSpec& spec : specs) shown.push_back(box.addButton(spec.text, spec.role));
    box.setDefaultButton(shown.front());
    // The last button is the cautious one: OK alone, No, Cancel.
    box.setEscapeButton(shown.back());
    box.exec();
    for (size_t i = 0; i < shown.size(); ++i) {
        if (box.clickedButton() == shown[i]) return specs[i].result;
    }
    return specs.back().result;
}

void InstallQtMsgAnswerer() {
    SetMsgAnswerer(ShowStandardMsgBox);
}

}  // namespace platform

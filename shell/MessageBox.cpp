#include "shell/MessageBox.h"

#include <QPointer>
#include <exception>

#include "platform/ErrorText.h"
#include "platform/MsgBox.h"
#include "shell/frmMsgBox.h"

namespace {

// The one box, while it is loaded.
QPointer<frmMsgBox>& sharedBox() {
    static QPointer<frmMsgBox> box;
    return box;
}

bool& boxInUse() {
    static bool inUse = false;
    return inUse;
}

}  // namespace

MsgBoxIcon MsgBoxIconFor(long style) {
    switch (style) {
        case 16:
            return MsgBoxIcon::Stop;
        case 64:
            return MsgBoxIcon::Information;
        default:
            return MsgBoxIcon::Exclamation;
    }
}

void ShowMsgBox(const QString& Prompt, long Style, const QString& Title) {
    const QString title = Title.isEmpty() ? QString(platform::kAppTitle) : Title;
    if (boxInUse()) {
        platform::MsgBox(Prompt.toStdString(), platform::MsgButtons::OK, title.toStdString());
        return;
    }
    boxInUse() = true;
    platform::NotifyMsgShown(Prompt.toStdString(), platform::MsgButtons::OK, title.toStdString());
    try {
        if (!sharedBox()) {
            sharedBox() = new frmMsgBox;
            QObject::connect(sharedBox(), &platform::Form::unloaded, [] { sharedBox() = nullptr; });
        }
        frmMsgBox* box = sharedBox();
        box->Load();
        box->Prepare(Prompt, MsgBoxIconFor(Style), title);
        box->ShowModal();
    } catch (...) {
        platform::MsgBox(platform::UserMessageOf(std::current_exception()));
    }
    boxInUse() = false;
}

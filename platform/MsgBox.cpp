#include "platform/MsgBox.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {

MsgResult cautiousAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::OKCancel:
            return MsgResult::Cancel;
        case MsgButtons::OK:
            break;
    }
    return MsgResult::OK;
}

MsgResult answerOnConsole(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), prompt.c_str());
    return cautiousAnswer(buttons);
}

MsgAnswerer& currentAnswerer() {
    static MsgAnswerer answerer = answerOnConsole;
    return answerer;
}

MsgObserver& currentObserver() {
    static MsgObserver observer;
    return observer;
}

}  // namespace

MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    const std::string shownTitle = title.empty() ? std::string(kAppTitle) : title;
    NotifyMsgShown(prompt, buttons, shownTitle);
    return currentAnswerer()(prompt, buttons, shownTitle);
}

MsgAnswerer SetMsgAnswerer(MsgAnswerer answerer) {
    if (!answerer) answerer = answerOnConsole;
    return std::exchange(currentAnswerer(), std::move(answerer));
}

void SetMsgObserver(MsgObserver observer) {
    currentObserver() = std::move(observer);
}

void NotifyMsgShown(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    if (currentObserver()) currentObserver()(prompt, buttons, title);
}

}  // namespace platform

// The standard message box: OK, Yes/No or OK/Cancel, no icon. The core calls it without
// knowing about windows; whoever runs the program installs the answerer that shows the box
// (a Qt dialog in the application, a script in the tests).
#pragma once

#include <functional>
#include <string>

namespace platform {

// The application's title, used by every box that has no title of its own.
inline constexpr const char* kAppTitle = "PraveltaKVT";

enum class MsgButtons { OK, YesNo, OKCancel };
enum class MsgResult { OK, Cancel, Yes, No };

// Receives the prompt, the buttons and the resolved title (never empty).
using MsgAnswerer = std::function<MsgResult(const std::string& prompt, MsgButtons buttons,
                                            const std::string& title)>;

// Shows a modal box and returns the button chosen. An empty title means kAppTitle.
MsgResult MsgBox(const std::string& prompt, MsgButtons buttons = MsgButtons::OK,
                 const std::string& title = std::string());

// Installs the answerer and returns the previous one. With none installed, boxes are written
// to standard error and answered with the cautious button (OK, No, Cancel).
MsgAnswerer SetMsgAnswerer(MsgAnswerer answerer);

// Told of every box shown, whoever answers it: the standard box through MsgBox, other boxes
// (the skinned one) through NotifyMsgShown. None by default.
using MsgObserver =
    std::function<void(const std::string& prompt, MsgButtons buttons, const std::string& title)>;
void SetMsgObserver(MsgObserver observer);
void NotifyMsgShown(const std::string& prompt, MsgButtons buttons, const std::string& title);

}  // namespace platform

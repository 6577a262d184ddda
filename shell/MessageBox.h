// The skinned message box: one OK button, an icon chosen by style and a title, in a window
// with the skin's chrome. The skinning procedures report their errors through it; every other
// message uses platform::MsgBox.
#pragma once

#include <QString>

enum class MsgBoxIcon { Stop, Exclamation, Information };

// 16 stop, 48 exclamation, 64 information; any other style the exclamation.
MsgBoxIcon MsgBoxIconFor(long style);

// Shows the box modally and returns when the user has closed it. An empty title shows the
// application's title. A box asked for while one is already loading or showing goes to the
// standard message box instead, so a failure in the box's own chrome never recurses.
void ShowMsgBox(const QString& Prompt, long Style, const QString& Title);

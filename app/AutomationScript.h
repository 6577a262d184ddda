// A scripted driver for the end-to-end test: when the environment names a script file in
// PRAVELTA_AUTOMATION, its steps are played against the program's own windows, one at a time,
// and the program exits with a non-zero code at the first step that cannot be carried out.
//
// Steps, one per line:
//   set <control> <text>     types text into a text box (anywhere in an open window)
//   click <control>          clicks a button
//   menu <key> <item>        a main-menu command, as the popup menu delivers it
//   expect <window>          waits until a window of that name is shown
//   answer OK|Cancel|Yes|No  the answer to the next message box
//   wait <ms>                lets the program run undisturbed for a while
//   grab <file.png>          saves a picture of the screen
// A message box with no answer waiting ends the run with code 3.
#pragma once

void StartAutomationIfRequested();

// A scripted driver for the end-to-end tests: when the environment names a script file in
// PRAVELTA_AUTOMATION, its steps are played against the program's own windows, one at a time,
// and the program exits with a non-zero code at the first step that cannot be carried out.
// A step whose control is not shown yet is retried until it is (10 seconds at most).
//
// Steps, one per line (<control> is an object name, looked for in every shown window):
//   set <control> <text>       puts text into a text box (no key events)
//   click <control>            clicks a button
//   menu <key> <item>          a main-menu command, as the popup menu delivers it
//   expect <window>            waits until a window (or control) of that name is shown
//   answer OK|Cancel|Yes|No    the answer to the next standard message box
//   wait <ms>                  lets the program run undisturbed for a while
//   grab <file.png>            saves a picture of the screen
//   select <control> <index>   picks item <index> (0-based) of a combo box or list box as the
//                              user's pick would, so its click rule runs
//   cell <grid> <row> <col>    scrolls the cell into view and presses and releases the mouse at
//                              its centre
//   check <control> 0|1        clears or ticks a check box (a click when it must change)
//   tab <tabstrip> <index>     picks tab <index>, counted from 1, raising the strip's Click
//   type <text>                the rest of the line, one key press and release per character to
//                              the focused widget; characters beyond ASCII (Chinese) go as input
//                              method commits
//   key <control> Enter|Esc|Tab  focuses the control and presses and releases the key on it;
//                              the control "focus" is the widget that has the focus
//   dump <grid> <file>         writes every cell of the grid as TSV, one line per row; the grid
//                              may be hidden (on another tab) in a shown window
//   frame <window> <file>      once the window is on the screen (exposed), appends "<window>
//                              left top width height" of its frame, title bar and borders
//                              included, as the window system reports it, to the file
// Lines are trimmed, so typed text neither starts nor ends with a blank. A step waits until the
// action of the step before it has returned, as a user's next act waits for the program; a modal
// window that action shows lets steps on before: those that act on that window (a skinned
// message box is closed with "click cmdOK"), answer, wait, grab and expect; a menu step waits
// for the action to return. A standard message box takes the oldest waiting answer (queue it
// before the step that shows the box); with no answer waiting the run ends with code 3.
//
// Independently, when PRAVELTA_MSGLOG names a file, every message box shown (standard, skinned
// or answered by the script) appends "title<TAB>buttons<TAB>text" to it, buttons being OK,
// YesNo or OKCancel; line breaks in the text are written as \n.
#pragma once

void StartAutomationIfRequested();

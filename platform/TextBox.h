// The single-line text box of the program's forms. It reports KeyPress (character codes, Enter
// 13, Esc 27, Backspace 8; setting the code to 0 swallows the key), KeyUp (key code and shift
// state) and GotFocus, and gives its selection as SelStart/SelLength. It holds one line: pasted
// or dropped text is cut at its first line break.
#pragma once

#include <QLineEdit>

class QKeyEvent;

namespace platform {

// Shift state bits of the key events.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The key code of a Qt key (13 Enter, 27 Esc, 9 Tab, 16 Shift, 17 Ctrl, 37-40 arrows, 48-57
// digits, 65-90 letters, ...); 0 for keys without one.
int KeyCodeOf(int qtKey);
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
// The character code a key press types: 13, 27, 8, 9 or the typed character; 0 for none.
int KeyAsciiOf(const QKeyEvent* e);

class TextBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    int SelStart() const;
    int SelLength() const;
    void setSelStart(int start);
    // Selects from SelStart over at most `length` characters (999 selects the rest).
    void setSelLength(int length);
    void setBackColor(const QColor& color);

  signals:
    void KeyPress(int& KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void GotFocus();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
};

}  // namespace platform

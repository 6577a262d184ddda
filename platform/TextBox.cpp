#include "platform/TextBox.h"

#include <QKeyEvent>
#include <QValidator>
#include <algorithm>

namespace platform {

namespace {

// A single-line box keeps one line: text that arrives with a line break (a spreadsheet cell
// pasted or dropped as "100\r\n") keeps only what comes before the break, with the box's own
// text after the insertion point. Every route of input passes here.
class OneLineValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        qsizetype cut = input.indexOf('\r');
        const qsizetype lf = input.indexOf('\n');
        if (cut < 0 || (lf >= 0 && lf < cut)) cut = lf;
        if (cut < 0) return Acceptable;
        // The inserted text ends at the cursor.
        QString rest = input.mid(std::max<qsizetype>(pos, cut));
        rest.remove('\r').remove('\n');
        input = input.left(cut) + rest;
        pos = static_cast<int>(cut);
        return Acceptable;
    }
};

}  // namespace

int KeyCodeOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 65 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 48 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Period:
            return 190;
        case Qt::Key_Minus:
            return 189;
        default:
            return 0;
    }
}

int ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= kShiftMask;
    if (modifiers & Qt::ControlModifier) shift |= kCtrlMask;
    if (modifiers & Qt::AltModifier) shift |= kAltMask;
    return shift;
}

int KeyAsciiOf(const QKeyEvent* e) {
    // The control keys that type a character type their key code.
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Backspace:
        case Qt::Key_Tab:
            return KeyCodeOf(e->key());
        default:
            break;
    }
    const QString text = e->text();
    if (text.isEmpty()) return 0;
    const char16_t ch = text.at(0).unicode();
    return ch >= 32 ? ch : 0;
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    setValidator(new OneLineValidator(this));
}

int TextBox::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TextBox::SelLength() const {
    return static_cast<int>(selectedText().size());
}

void TextBox::setSelStart(int start) {
    deselect();
    setCursorPosition(std::clamp(start, 0, static_cast<int>(text().size())));
}

void TextBox::setSelLength(int length) {
    const int start = SelStart();
    const int n = std::clamp(length, 0, static_cast<int>(text().size()) - start);
    setSelection(start, n);
}

void TextBox::setBackColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    const int ascii = KeyAsciiOf(e);
    if (ascii == 0 || e->key() == Qt::Key_Tab) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    int KeyAscii = ascii;
    emit KeyPress(KeyAscii);
    if (KeyAscii == 0) {
        e->accept();
    } else if (KeyAscii != ascii) {
        insert(QString(QChar(KeyAscii)));
    } else {
        QLineEdit::keyPressEvent(e);
    }
}

void TextBox::keyReleaseEvent(QKeyEvent* e) {
    QLineEdit::keyReleaseEvent(e);
    if (e->isAutoRepeat()) return;
    emit KeyUp(KeyCodeOf(e->key()), ShiftStateOf(e->modifiers()));
}

void TextBox::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    emit GotFocus();
}

}  // namespace platform

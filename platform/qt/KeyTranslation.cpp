// Toolkit key events become window messages: virtual-key codes, WM_KEYDOWN/WM_CHAR in the focused
// control's character set, and the keyboard state.
#include <QKeyEvent>

#include <cstring>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

Word VirtualKeyOf(int key, Qt::KeyboardModifiers mods)
{
    bool keypad = mods & Qt::KeypadModifier;
    if (keypad) {
        switch (key) {
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Slash: return VK_DIVIDE;
        case Qt::Key_Period: case Qt::Key_Comma: return VK_DECIMAL;
        default: break;
        }
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return Word(VK_NUMPAD0 + (key - Qt::Key_0));
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return Word('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return Word('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Word(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Comma: case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus: case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period: case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash: case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash: case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0;
    }
}

int FocusCharset()
{
    if (gFocus && gFocus->control && gFocus->control->Font()->Charset() == RUSSIAN_CHARSET)
        return RUSSIAN_CHARSET;
    return DEFAULT_CHARSET;
}

// The character a key types, as the system's key translation gives it; 0 for none.
int CharOfKey(Word vk, TShiftState shift, const std::string& text)
{
    if (shift & ssCtrl) {
        if (vk >= 'A' && vk <= 'Z')
            return vk - 'A' + 1;
        if (shift & ssAlt)
            return 0;
    }
    switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: break;
    }
    if (text.size() == 1 && static_cast<unsigned char>(text[0]) >= 32 && text[0] != 127)
        return static_cast<unsigned char>(text[0]);
    return 0;
}

// Key delivery: shortcuts and dialog keys first (CN_KEYDOWN), then WM_KEYDOWN, then the
// character when nothing consumed the key.
void DeliverKey(bool down, Word vk, TShiftState shift, const std::string& text, bool repeat)
{
    gMessageTime = MessageClock();
    SetModifierState(shift);
    if (vk < 256)
        gKeyState[vk] = down ? 0x80 : 0;
    WindowRec* w = gFocus ? gFocus : gActive;
    if (!w || !gWindows.count(w))
        return;
    bool alt = shift & ssAlt;
    LPARAM keyData = 1 | (alt ? (LPARAM(1) << 29) : 0) | (repeat ? (LPARAM(1) << 30) : 0) |
                     (down ? 0 : (LPARAM(3) << 30));
    if (!down) {
        SendMessage(H(w), alt ? WM_SYSKEYUP : WM_KEYUP, vk, keyData);
        RunIdle();
        return;
    }
    if (SendMessage(H(w), alt ? CN_SYSKEYDOWN : CN_KEYDOWN, vk, keyData) != 0) {
        RunIdle();
        return;
    }
    if (!gWindows.count(w))
        return;
    SendMessage(H(w), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, keyData);
    int ch = CharOfKey(vk, shift, text);
    WindowRec* now = gFocus ? gFocus : gActive;
    if (ch && now && gWindows.count(now)) {
        if (SendMessage(H(now), alt ? CN_SYSCHAR : CN_CHAR, WPARAM(ch), keyData) == 0)
            SendMessage(H(now), alt ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), keyData);
    }
    RunIdle();
}

void DeliverQtKey(QKeyEvent* e, bool down)
{
    Qt::KeyboardModifiers m = e->modifiers();
    TShiftState shift = (m & Qt::ShiftModifier ? TShiftState(ssShift) : 0u) | (m & Qt::ControlModifier ? TShiftState(ssCtrl) : 0u) |
                        (m & Qt::AltModifier ? TShiftState(ssAlt) : 0u);
    Word vk = VirtualKeyOf(e->key(), m);
    if (vk == 0)
        return;
    std::string text = FromQString(e->text(), FocusCharset());
    DeliverKey(down, vk, shift, text, e->isAutoRepeat());
}

void HostWindow::keyPressEvent(QKeyEvent* e) { DeliverQtKey(e, true); }
void HostWindow::keyReleaseEvent(QKeyEvent* e) { DeliverQtKey(e, false); }

}  // namespace morvik::qtwin

// ---- Keyboard state, timers, metrics ---------------------------------------------------------------
SHORT GetKeyState(int vk)
{
    if (vk < 0 || vk > 255)
        return 0;
    if (vk == VK_LBUTTON)
        return (gButtons & 1) ? SHORT(0x8000) : 0;
    if (vk == VK_RBUTTON)
        return (gButtons & 2) ? SHORT(0x8000) : 0;
    if (vk == VK_MBUTTON)
        return (gButtons & 4) ? SHORT(0x8000) : 0;
    return (gKeyState[vk] & 0x80) ? SHORT(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vk) { return GetKeyState(vk); }

BOOL GetKeyboardState(BYTE* s)
{
    if (!s)
        return FALSE;
    std::memcpy(s, gKeyState, 256);
    s[VK_LBUTTON] = (gButtons & 1) ? 0x80 : 0;
    s[VK_RBUTTON] = (gButtons & 2) ? 0x80 : 0;
    s[VK_MBUTTON] = (gButtons & 4) ? 0x80 : 0;
    return TRUE;
}

// Toolkit key events become window messages: virtual-key codes, WM_KEYDOWN/WM_CHAR in the focused
// control's character set, and the keyboard state.
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>
#include <cstring>

#include "platform/CodePages.h"
#include "platform/Menus.h"
#include "platform/WinGdiMore.h"
#include "platform/qt/OleDrag.h"
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
    if (mods & Qt::ShiftModifier) {
        // The digit row's shifted signs come as keys of their own: the system names the digit's
        // key, with Shift held (Shift+8 is the main keyboard's "*").
        switch (key) {
        case Qt::Key_Exclam: return '1';
        case Qt::Key_At: return '2';
        case Qt::Key_NumberSign: return '3';
        case Qt::Key_Dollar: return '4';
        case Qt::Key_Percent: return '5';
        case Qt::Key_AsciiCircum: return '6';
        case Qt::Key_Ampersand: return '7';
        case Qt::Key_Asterisk: return '8';
        case Qt::Key_ParenLeft: return '9';
        case Qt::Key_ParenRight: return '0';
        default: break;
        }
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

// The characters a key types, as the system's key translation gives them (bytes in the focused
// control's character set); empty for none.
std::string CharsOfKey(Word vk, TShiftState shift, const std::string& text)
{
    if (shift & ssCtrl) {
        if (vk >= 'A' && vk <= 'Z')
            return std::string(1, char(vk - 'A' + 1));
        if (shift & ssAlt)
            return {};
    }
    switch (vk) {
    case VK_BACK: return "\b";
    case VK_TAB: return "\t";
    case VK_RETURN: return "\r";
    case VK_ESCAPE: return "\x1b";
    default: break;
    }
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            return {};
    return text;
}

namespace {

// A letter the toolkit names by a script other than Latin.
bool OfAnotherScript(int key)
{
    if (key <= 0x7f || key > 0xffff)
        return false;
    const QChar ch{char16_t(key)};
    return ch.isLetter() && ch.script() != QChar::Script_Latin;
}

LPARAM KeyData(bool down, bool alt, bool repeat)
{
    return 1 | (alt ? (LPARAM(1) << 29) : 0) | (repeat ? (LPARAM(1) << 30) : 0) | (down ? 0 : (LPARAM(3) << 30));
}

void SendChars(const std::string& chars, bool alt, LPARAM keyData)
{
    for (char c : chars) {
        WindowRec* now = gFocus ? gFocus : gActive;
        if (!now || !gWindows.count(now))
            return;
        WPARAM ch = WPARAM(static_cast<unsigned char>(c));
        if (SendMessage(H(now), alt ? CN_SYSCHAR : CN_CHAR, ch, keyData) == 0)
            SendMessage(H(now), alt ? WM_SYSCHAR : WM_CHAR, ch, keyData);
    }
}

}  // namespace

// Key delivery: shortcuts and dialog keys first (CN_KEYDOWN), then WM_KEYDOWN, then the
// characters when nothing consumed the key.
void DeliverKey(bool down, Word vk, TShiftState shift, const std::string& text, bool repeat)
{
    gMessageTime = MessageClock();
    SetModifierState(shift);
    if (vk < 256)
        gKeyState[vk] = down ? 0x80 : 0;
    if (TrackLayerDragKey(down, vk))
        return;
    // Alt pressed and released with nothing between puts the keys in the form's menu bar; Alt's own
    // repeat is no key between. Alt added to Ctrl, Shift or a held mouse button is part of a chord.
    const bool altReleasedAlone = !down && vk == VK_MENU && gAltAlone;
    if (down ? !(repeat && vk == VK_MENU) : vk == VK_MENU)
        gAltAlone = down && vk == VK_MENU && !(shift & (ssCtrl | ssShift)) && !gButtons;
    WindowRec* w = gFocus ? gFocus : gActive;
    if (!w || !gWindows.count(w))
        return;
    if (down && MenuBarKey(vk, (shift & (ssCtrl | ssAlt)) != 0)) {
        RunIdle();
        return;
    }
    bool alt = shift & ssAlt;
    LPARAM keyData = KeyData(down, alt, repeat);
    if (!down) {
        // The control sees its key-up first as CN_KEYUP; answering non-zero takes it.
        if (SendMessage(H(w), alt ? CN_SYSKEYUP : CN_KEYUP, vk, keyData) == 0 && gWindows.count(w))
            SendMessage(H(w), alt ? WM_SYSKEYUP : WM_KEYUP, vk, keyData);
        if (altReleasedAlone && gWindows.count(w))
            SendMessage(H(TopOf(w)), WM_SYSCOMMAND, SC_KEYMENU, 0);
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
    SendChars(CharsOfKey(vk, shift, text), alt, keyData);
    RunIdle();
}

void DeliverText(const std::string& chars)
{
    gMessageTime = MessageClock();
    SendChars(chars, false, KeyData(true, false, false));
    RunIdle();
}

void DeliverQtKey(QKeyEvent* e, bool down)
{
    Qt::KeyboardModifiers m = e->modifiers();
    TShiftState shift = (m & Qt::ShiftModifier ? TShiftState(ssShift) : 0u) | (m & Qt::ControlModifier ? TShiftState(ssCtrl) : 0u) |
                        (m & Qt::AltModifier ? TShiftState(ssAlt) : 0u);
    Word vk = VirtualKeyOf(e->key(), m);
    // A letter of another script (a Cyrillic or Greek layout) is known by the key at its place in
    // the Latin layout, so that menus, commands and key handlers take it; it types its own letter,
    // but with Alt it is a command and gives the Latin one.
    QString typed = e->text();
    if (!vk && OfAnotherScript(e->key()))
        if (const Word place = LatinPlaceKey(e->nativeScanCode())) {
            vk = place;
            if ((m & Qt::AltModifier) && !(m & Qt::ControlModifier) && place >= 'A' && place <= 'Z')
                typed = QChar((m & Qt::ShiftModifier) ? place : place - 'A' + 'a');
        }
    // What the focused control's character set cannot hold is left out, with a beep.
    bool leftOut = false;
    std::string text = UserTextToCodePage(typed, CharsetToCodePage(Byte(FocusCharset())), &leftOut);
    if (down && leftOut)
        MessageBeep(0);
    if (down && vk == VK_MENU)
        gAltKeycode = e->nativeScanCode();
    // An open menu passes the keys it has no use for to its menu bar, and they would come on to
    // the window behind it: a letter that chooses no item would be typed into the focused edit.
    if (down && MenuShown())
        return;
    if (vk == 0) {
        // A key the layout maps to no virtual key (accented and non-Latin letters): it still types
        // its text, as a key the system reports as a packet of characters.
        if (text.empty()) {
            // A layout switch, a dead key, a media key: nothing to deliver, but a key between Alt's
            // press and release all the same.
            if (down)
                gAltAlone = false;
            return;
        }
        vk = VK_PACKET;
    }
    DeliverKey(down, vk, shift, down ? text : std::string(), e->isAutoRepeat());
    // X tells with each key what else is held: buttons pressed on a window's frame or another
    // program's window, and modifiers of no virtual key (AltGr, Super), which the toolkit's events
    // do not: Shift, Control, Mod1, Mod3 to Mod5, Button1 to Button5. Caps Lock, Num Lock (Mod2)
    // and the layout group leave Alt alone.
    static const bool x11 = qGuiApp->platformName() == QLatin1String("xcb");
    if (x11 && down && vk == VK_MENU && (e->nativeModifiers() & 0x1fedu))
        gAltAlone = false;
}

void HostWindow::keyPressEvent(QKeyEvent* e)
{
    Shielded([e] { DeliverQtKey(e, true); });
}
void HostWindow::keyReleaseEvent(QKeyEvent* e)
{
    Shielded([e] { DeliverQtKey(e, false); });
}

// Text composed by the input method (dead keys, compose sequences, other scripts) arrives as a
// commit and becomes characters alone, as the system's input method gives them.
void HostWindow::inputMethodEvent(QInputMethodEvent* e)
{
    if (!gWindows.count(FRec))
        return;
    if (!e->commitString().isEmpty() || !e->preeditString().isEmpty())
        gAltAlone = false;
    if (!e->commitString().isEmpty()) {
        bool leftOut = false;
        const std::string text = UserTextToCodePage(e->commitString(), CharsetToCodePage(Byte(FocusCharset())), &leftOut);
        if (leftOut)
            MessageBeep(0);
        Shielded([&text] { DeliverText(text); });
    }
    e->accept();
}

QVariant HostWindow::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
        if (gCaret.owner && gWindows.count(gCaret.owner) && gCaret.owner->widget) {
            TPoint o = ClientScreenOrigin(gCaret.owner);
            QPoint p = mapFromGlobal(QPoint(o.X + gCaret.pos.X, o.Y + gCaret.pos.Y));
            return QRect(p, QSize(std::max(1, gCaret.width), std::max(1, gCaret.height)));
        }
        return QRect();
    }
    default: return QWidget::inputMethodQuery(query);
    }
}

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

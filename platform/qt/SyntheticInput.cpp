// Input made by the program itself (tests, tools): mouse and keys aimed at controls, delivered
// through the same paths as the toolkit's own input (keys and text as toolkit events).
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <map>
#include <string>

#include "platform/Input.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

// ---- Synthetic input -------------------------------------------------------------------------------
namespace {
struct Aim {
    WindowRec* w = nullptr;
    TPoint screen;
};

Aim AimAt(TControl* target, int x, int y)
{
    Aim a;
    TWinControl* wc = dynamic_cast<TWinControl*>(target);
    TControl* c = target;
    if (!wc) {
        wc = target->Parent();
        x += c->Left();
        y += c->Top();
    }
    if (!wc)
        return a;
    a.w = Rec(wc->Handle());
    if (a.w) {
        TPoint o = ClientScreenOrigin(a.w);
        a.screen = {o.X + x, o.Y + y};
        // Windows under the point receive it, as with a real mouse.
        if (WindowRec* under = WindowAt(a.w, a.screen))
            a.w = under;
    }
    return a;
}

// The toolkit widget the keyboard types into: an open popup menu, the focused part of a modal
// toolkit dialog when one is up, else the top-level window of the focused control.
QWidget* KeyboardTarget()
{
    // An open popup menu has the keyboard first.
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (!dynamic_cast<HostWindow*>(modal)) {
            QWidget* f = modal->focusWidget();
            return f && f->isVisible() ? f : modal;
        }
    }
    WindowRec* w = gFocus ? gFocus : gActive;
    w = TopOf(w);
    return w && gWindows.count(w) ? w->host : nullptr;
}

// Toolkit key codes by virtual key, found by asking the layer's own translation.
const std::map<Word, std::pair<int, bool>>& ToolkitKeys()
{
    static const std::map<Word, std::pair<int, bool>> keys = [] {
        std::map<Word, std::pair<int, bool>> m;
        auto probe = [&](int key) {
            if (Word vk = VirtualKeyOf(key, Qt::NoModifier))
                m.emplace(vk, std::make_pair(key, false));
            if (Word vk = VirtualKeyOf(key, Qt::KeypadModifier))
                m.emplace(vk, std::make_pair(key, true));
        };
        for (int k = Qt::Key_Space; k <= Qt::Key_AsciiTilde; ++k)
            probe(k);
        for (int k = Qt::Key_Escape; k <= Qt::Key_Launch0; ++k)
            probe(k);
        return m;
    }();
    return keys;
}

Qt::KeyboardModifiers ToolkitModifiers(TShiftState shift)
{
    Qt::KeyboardModifiers m = Qt::NoModifier;
    if (shift & ssShift)
        m |= Qt::ShiftModifier;
    if (shift & ssCtrl)
        m |= Qt::ControlModifier;
    if (shift & ssAlt)
        m |= Qt::AltModifier;
    return m;
}

void SendKeyEvent(bool down, int key, Qt::KeyboardModifiers mods, const QString& text, bool repeat = false)
{
    QWidget* target = KeyboardTarget();
    if (!target)
        return;
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, mods, text, repeat);
    QCoreApplication::sendEvent(target, &e);
    RaiseShielded();
}

// A key as the toolkit would report it, so that the layer's key translation runs; a virtual key the
// toolkit has no code for goes straight to the layer.
void SendToolkitKey(bool down, Word vk, TShiftState shift, const std::string& text, bool repeat = false)
{
    auto it = ToolkitKeys().find(vk);
    if (it == ToolkitKeys().end()) {
        DeliverKey(down, vk, shift, text, repeat);
        return;
    }
    Qt::KeyboardModifiers mods = ToolkitModifiers(shift);
    if (it->second.second)
        mods |= Qt::KeypadModifier;
    QString t = QString::fromLatin1(text.data(), qsizetype(text.size()));
    if (shift & ssCtrl) {
        // Control letters carry their control character, as the toolkit reports them.
        if (vk >= 'A' && vk <= 'Z')
            t = QString(QChar(vk - 'A' + 1));
    }
    SendKeyEvent(down, it->second.first, mods, t, repeat);
}

// One character typed on a keyboard whose layout has it: letters on their keys (Shift for
// capitals), controls on theirs, anything else on a key of the character's own code.
void TypeCharacter(char32_t cp)
{
    QString text = QString::fromStdU32String(std::u32string(1, cp));
    int key;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (cp >= 'a' && cp <= 'z')
        key = Qt::Key_A + int(cp - 'a');
    else if (cp >= 'A' && cp <= 'Z') {
        key = Qt::Key_A + int(cp - 'A');
        mods = Qt::ShiftModifier;
    } else if (cp == '\r' || cp == '\n') {
        key = Qt::Key_Return;
        text = QStringLiteral("\r");
    } else if (cp == '\t')
        key = Qt::Key_Tab;
    else if (cp == 8)
        key = Qt::Key_Backspace;
    else if (cp < 0x80)
        key = int(cp);
    else
        key = int(QChar::toUpper(cp));
    SendKeyEvent(true, key, mods, text);
    SendKeyEvent(false, key, mods, text);
}

// A wheel turn as the toolkit reports it, to the window under the point.
void SendWheel(TControl* target, QPoint angle, int x, int y, TShiftState shift)
{
    Aim a = AimAt(target, x, y);
    if (!a.w || !a.w->widget)
        return;
    TPoint o = ImageScreenOrigin(a.w);
    QPointF local(a.screen.X - o.X, a.screen.Y - o.Y);
    QWheelEvent e(local, QPointF(a.screen.X, a.screen.Y), QPoint(), angle, Qt::NoButton, ToolkitModifiers(shift),
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(a.w->widget, &e);
    RaiseShielded();
}

int ButtonBit(TMouseButton b) { return b == mbRight ? 2 : b == mbMiddle ? 4 : 1; }

// While a popup menu is up a press goes to it, as a real one does: outside the menu it closes the
// menu instead of reaching the window underneath.
bool PressOnPopup(TMouseButton button, const TPoint& screen)
{
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup)
        return false;
    const Qt::MouseButton b = button == mbRight ? Qt::RightButton : button == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
    const QPointF global(screen.X, screen.Y);
    QMouseEvent e(QEvent::MouseButtonPress, popup->mapFromGlobal(global), global, b, Qt::MouseButtons(b), Qt::NoModifier);
    QCoreApplication::sendEvent(popup, &e);
    RaiseShielded();
    return true;
}
}  // namespace

namespace Input {

void MouseDown(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w && !PressOnPopup(Button, a.screen))
        DeliverMouse(a.w, WM_LBUTTONDOWN, ButtonBit(Button), a.screen);
}

void MouseUp(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
        DeliverMouse(a.w, WM_LBUTTONUP, ButtonBit(Button), a.screen);
}

void MouseMove(TControl* Target, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
        DeliverMouse(a.w, WM_MOUSEMOVE, 0, a.screen);
}

void Click(TControl* Target, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    MouseDown(Target, Button, X, Y, Shift);
    MouseUp(Target, Button, X, Y, Shift);
}

void DoubleClick(TControl* Target, int X, int Y)
{
    Click(Target, X, Y);
    AdvanceTime(50);
    Click(Target, X, Y);
}

void Drag(TControl* Target, int X1, int Y1, int X2, int Y2, TShiftState Shift)
{
    MouseDown(Target, mbLeft, X1, Y1, Shift);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        MouseMove(Target, X1 + (X2 - X1) * i / steps, Y1 + (Y2 - Y1) * i / steps, Shift | ssLeft);
    MouseUp(Target, mbLeft, X2, Y2, Shift);
    AdvanceTime(GetDoubleClickTime() + 1);
}

void Wheel(TControl* Target, int Delta, int X, int Y, TShiftState Shift)
{
    SendWheel(Target, QPoint(0, Delta), X, Y, Shift);
}

void HorizontalWheel(TControl* Target, int Delta, int X, int Y, TShiftState Shift)
{
    // The toolkit counts a turn to the left as positive.
    SendWheel(Target, QPoint(-Delta, 0), X, Y, Shift);
}

namespace {

std::string KeyText(Word Key, TShiftState Shift)
{
    if (!(Shift & ssCtrl)) {
        if (Key >= 'A' && Key <= 'Z')
            return std::string(1, char((Shift & ssShift) ? Key : Key + 32));
        if ((Key >= '0' && Key <= '9') || Key == VK_SPACE)
            return std::string(1, char(Key));
    }
    return {};
}

}  // namespace

void KeyDown(Word Key, TShiftState Shift) { SendToolkitKey(true, Key, Shift, KeyText(Key, Shift)); }

void KeyRepeat(Word Key, TShiftState Shift) { SendToolkitKey(true, Key, Shift, KeyText(Key, Shift), true); }

void KeyUp(Word Key, TShiftState Shift) { SendToolkitKey(false, Key, Shift, ""); }

void PressKey(Word Key, TShiftState Shift)
{
    KeyDown(Key, Shift);
    KeyUp(Key, Shift);
}

void PressGroupSwitch(TShiftState Shift)
{
    SendKeyEvent(true, 0, ToolkitModifiers(Shift), QString());
    SendKeyEvent(false, 0, ToolkitModifiers(Shift), QString());
}

void TypeText(const std::string& Text)
{
    for (char32_t cp : QString::fromUtf8(Text.data(), qsizetype(Text.size())).toStdU32String())
        TypeCharacter(cp);
}

void CommitText(const std::string& Text)
{
    QWidget* target = KeyboardTarget();
    if (!target)
        return;
    QInputMethodEvent e;
    e.setCommitString(QString::fromStdU32String(QString::fromUtf8(Text.data(), qsizetype(Text.size())).toStdU32String()));
    QCoreApplication::sendEvent(target, &e);
    RaiseShielded();
}

void AdvanceTime(DWORD Milliseconds) { gTimeSkew += Milliseconds; }

}  // namespace Input

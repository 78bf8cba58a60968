// Input made by the program itself (tests, tools): mouse and keys aimed at controls, delivered
// through the same paths as the toolkit's own input.
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

int ButtonBit(TMouseButton b) { return b == mbRight ? 2 : b == mbMiddle ? 4 : 1; }
}  // namespace

namespace Input {

void MouseDown(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
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
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (!a.w)
        return;
    HWND target = gFocus ? H(gFocus) : H(a.w);
    gMessageTime = MessageClock();
    SendMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(int(KeyFlags(gButtons)), Delta),
                MAKELPARAM(a.screen.X, a.screen.Y));
    RunIdle();
}

void KeyDown(Word Key, TShiftState Shift)
{
    std::string text;
    if (!(Shift & ssCtrl)) {
        if (Key >= 'A' && Key <= 'Z')
            text = std::string(1, char((Shift & ssShift) ? Key : Key + 32));
        else if ((Key >= '0' && Key <= '9') || Key == VK_SPACE)
            text = std::string(1, char(Key));
    }
    DeliverKey(true, Key, Shift, text, false);
}

void KeyUp(Word Key, TShiftState Shift) { DeliverKey(false, Key, Shift, "", false); }

void PressKey(Word Key, TShiftState Shift)
{
    KeyDown(Key, Shift);
    KeyUp(Key, Shift);
}

void TypeText(const std::string& Text)
{
    for (char ch : Text) {
        unsigned char c = static_cast<unsigned char>(ch);
        Word vk = 0;
        TShiftState shift = 0;
        if (c >= 'a' && c <= 'z')
            vk = Word(c - 32);
        else if (c >= 'A' && c <= 'Z') {
            vk = c;
            shift = ssShift;
        } else if (c == '\r' || c == '\n')
            vk = VK_RETURN;
        else if (c == '\t')
            vk = VK_TAB;
        else if (c == 8)
            vk = VK_BACK;
        else if (c >= '0' && c <= '9')
            vk = c;
        else if (c == ' ')
            vk = VK_SPACE;
        else
            vk = VK_OEM_MINUS;  // any printable: the character travels in the text
        DeliverKey(true, vk, shift, std::string(1, ch), false);
        DeliverKey(false, vk, shift, "", false);
    }
}

void AdvanceTime(DWORD Milliseconds) { gTimeSkew += Milliseconds; }

}  // namespace Input

// Focus and tab order of windowed controls.
#include "platform/Controls.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Forms.h"

using namespace morvik::backend;

// ---- Focus ------------------------------------------------------------------------------------
bool TWinControl::CanFocus()
{
    TCustomForm* form = GetParentForm(this);
    if (form && !(form->Visible() && form->Enabled()))
        return false;
    for (TWinControl* c = this; c; c = c->FParent) {
        if (!(c->Visible() && c->Enabled()))
            return false;
        if (c == form)
            break;
    }
    return true;
}

bool TWinControl::Focused()
{
    HWND focus = GetFocus();
    return FHandle && focus && (focus == FHandle || FindOuterControl(focus) == this);
}

TWinControl* TWinControl::FindOuterControl(HWND Handle)
{
    TWinControl* c = FindControl(Handle);
    while (c && !c->FParent && c->FParentWindow && !dynamic_cast<TCustomForm*>(c)) {
        TWinControl* holder = FindControl(c->FParentWindow);
        if (!holder)
            break;
        c = holder;
    }
    return c;
}

void TWinControl::SetFocus()
{
    if (TCustomForm* form = GetParentForm(this)) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

int TWinControl::TabOrder() const
{
    if (!FParent)
        return -1;
    int i = 0;
    for (TControl* c : FParent->FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (w == this)
                return i;
            ++i;
        }
    return -1;
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent)
        return;
    // Tab order follows the order of the windowed children.
    std::vector<TWinControl*> wins;
    for (TControl* c : FParent->FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this)
            wins.push_back(w);
    Value = std::clamp(Value, 0, int(wins.size()));
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    auto pos = Value < int(wins.size()) ? std::find(list.begin(), list.end(), wins[size_t(Value)]) : list.end();
    list.insert(pos, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List)
{
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            List.push_back(w);
            w->GetTabOrderList(List);
        }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent)
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    int n = int(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? n - 1 : 0) : int(it - list.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[size_t(i)];
        if (c == CurControl)
            continue;
        if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus())
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop)
{
    if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, false))
        next->SetFocus();
}

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

void TWinControl::WMSetFocus(TMessage& Message)
{
    DefaultHandler(Message);
    // On a form the form tells the controls entered and left (WndProc does, and again here for a
    // control that takes the focus for a window of its own, as a combo box for its field); a window
    // on its own is entered whenever it takes the focus.
    if (TCustomForm* form = GetParentForm(this)) {
        if (form != this && form->FocusedControl() != this)
            form->SetFocusedControl(this);
    } else {
        Perform(CM_ENTER, 0, 0);
    }
}

void TWinControl::WMKillFocus(TMessage& Message)
{
    DefaultHandler(Message);
    if (!GetParentForm(this))
        Perform(CM_EXIT, 0, 0);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }

void TWinControl::CMExit(TMessage&) { DoExit(); }

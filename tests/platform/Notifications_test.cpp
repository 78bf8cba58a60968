// The class library's notifications as they arrive through the real paths: focus entering and
// leaving controls, accelerators, reflected child messages, hints, cancelled modes, parent notices,
// system colours and showing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

std::vector<std::string>* gLog = nullptr;

void Note(const std::string& s)
{
    if (gLog)
        gLog->push_back(s);
}

std::string NameOf(UINT m)
{
    switch (m) {
    case CM_ENTER: return "enter";
    case CM_EXIT: return "exit";
    case CM_DEACTIVATE: return "deactivate";
    case CM_FOCUSCHANGED: return "focuschanged";
    case CM_CANCELMODE: return "cm_cancelmode";
    case WM_CANCELMODE: return "wm_cancelmode";
    case CM_SYSCOLORCHANGE: return "syscolor";
    case CM_SHOWINGCHANGED: return "showing";
    default: return {};
    }
}

// A windowed control that logs the notifications it hears, by name.
class TNoted : public TCustomControl {
public:
    TNoted(TComponent* AOwner, std::string Name) : TCustomControl(AOwner), FName(std::move(Name))
    {
        SetTabStop(true);
    }
    LRESULT DlgCode = 0;
    char Accel = 0;  // answers CM_DIALOGCHAR for this character
    std::vector<TMessage> Got;
    int Times(UINT m) const
    {
        return int(std::count_if(Got.begin(), Got.end(), [m](const TMessage& x) { return x.Msg == m; }));
    }
    const TMessage* Last(UINT m) const
    {
        for (auto it = Got.rbegin(); it != Got.rend(); ++it)
            if (it->Msg == m)
                return &*it;
        return nullptr;
    }
    void WndProc(TMessage& Message) override
    {
        Got.push_back(Message);
        std::string n = NameOf(Message.Msg);
        if (!n.empty())
            Note(n + " " + FName);
        if (Message.Msg == WM_GETDLGCODE) {
            Message.Result = DlgCode;
            return;
        }
        if (Message.Msg == CM_DIALOGCHAR && Accel && char(Message.WParam) == Accel) {
            Note("accel " + FName);
            Message.Result = 1;
            return;
        }
        TCustomControl::WndProc(Message);
    }

private:
    std::string FName;
};

// A form that logs the focus changes it is told of.
class TNotedForm : public TForm {
public:
    using TForm::TForm;
    std::string Name = "form";
    std::vector<TMessage> Got;
    void WndProc(TMessage& Message) override
    {
        Got.push_back(Message);
        std::string n = NameOf(Message.Msg);
        if (!n.empty())
            Note(n + " " + Name);
        TForm::WndProc(Message);
    }
};

class Notifications : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        gLog = &Log;
        form = new TNotedForm(nullptr);
        form->SetBounds(100, 100, 400, 240);
        form->AfterConstruction();
        panel = new TNoted(form, "panel");
        panel->SetParent(form);
        panel->SetBounds(10, 10, 200, 100);
        panel->SetTabStop(false);
        a = new TNoted(form, "a");
        a->SetParent(panel);
        a->SetBounds(10, 10, 60, 30);
        b = new TNoted(form, "b");
        b->SetParent(panel);
        b->SetBounds(100, 10, 60, 30);
        c = new TNoted(form, "c");
        c->SetParent(form);
        c->SetBounds(250, 10, 60, 30);
    }
    void TearDown() override
    {
        gLog = nullptr;
        delete form;
        ReleaseCapture();
        uitest::ClearDialogAnswers();
        uitest::Pump();
    }
    void Show()
    {
        form->Show();
        uitest::Pump();
        Log.clear();
    }
    std::vector<std::string> Log;
    TNotedForm* form = nullptr;
    TNoted* panel = nullptr;
    TNoted* a = nullptr;
    TNoted* b = nullptr;
    TNoted* c = nullptr;
};

using Strings = std::vector<std::string>;

TEST_F(Notifications, FocusLeavesAndEntersEachContainerOnTheWayInOrder)
{
    Show();
    c->SetFocus();
    Log.clear();
    a->SetFocus();
    EXPECT_EQ(Log, (Strings{"exit c", "enter panel", "enter a", "focuschanged form"}));
    EXPECT_EQ(form->FocusedControl(), a);
    EXPECT_EQ(form->ActiveControl(), a);
    // Within the panel only the two children change.
    Log.clear();
    b->SetFocus();
    EXPECT_EQ(Log, (Strings{"exit a", "enter b", "focuschanged form"}));
    const TMessage* changed = nullptr;
    for (auto it = form->Got.rbegin(); it != form->Got.rend() && !changed; ++it)
        if (it->Msg == CM_FOCUSCHANGED)
            changed = &*it;
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->LParam, reinterpret_cast<LPARAM>(b));
    // Out of the panel: the control, then the panel.
    Log.clear();
    c->SetFocus();
    EXPECT_EQ(Log, (Strings{"exit b", "exit panel", "enter c", "focuschanged form"}));
    // Focus given again to the control that has it tells nobody.
    Log.clear();
    c->SetFocus();
    EXPECT_TRUE(Log.empty());
}

TEST_F(Notifications, OnEnterAndOnExitFollowTheNotifications)
{
    Show();
    c->SetFocus();
    std::vector<std::string> events;
    panel->OnEnter = [&](TObject*) { events.push_back("panel in"); };
    panel->OnExit = [&](TObject*) { events.push_back("panel out"); };
    a->OnEnter = [&](TObject*) { events.push_back("a in"); };
    a->OnExit = [&](TObject*) { events.push_back("a out"); };
    a->SetFocus();
    b->SetFocus();
    c->SetFocus();
    EXPECT_EQ(events, (Strings{"panel in", "a in", "a out", "panel out"}));
}

TEST_F(Notifications, AnExitHandlerThatMovesTheFocusEndsTheWalk)
{
    Show();
    a->SetFocus();
    a->OnExit = [&](TObject*) { b->SetFocus(); };
    Log.clear();
    c->SetFocus();
    // The exit handler sent the focus to b: c was never entered and keeps no focus.
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(form->FocusedControl(), b);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "enter c"), 0);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "enter b"), 1);
}

TEST_F(Notifications, AnExitHandlerThatFreesTheTargetEndsTheWalk)
{
    Show();
    a->SetFocus();
    a->OnExit = [&](TObject*) {
        delete c;
        c = nullptr;
    };
    Log.clear();
    c->SetFocus();
    EXPECT_EQ(c, nullptr);
    // Nothing was told about the freed control, and the form does not hold it.
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "focuschanged form"), 0);
    EXPECT_NE(form->FocusedControl(), nullptr);
    EXPECT_TRUE(form->FocusedControl() == panel || form->FocusedControl() == form);
    b->SetFocus();
    EXPECT_EQ(form->FocusedControl(), b);
}

TEST_F(Notifications, AFreedFocusedControlIsForgottenByItsForm)
{
    Show();
    a->SetFocus();
    delete panel;  // takes a and b with it
    panel = a = b = nullptr;
    EXPECT_NE(form->FocusedControl(), nullptr);
    EXPECT_EQ(form->ActiveControl(), nullptr);
    Log.clear();
    c->SetFocus();
    EXPECT_EQ(Log, (Strings{"enter c", "focuschanged form"}));
}

TEST_F(Notifications, AnotherFormTakingTheFocusDeactivatesTheFirstWithoutExits)
{
    Show();
    a->SetFocus();
    auto* other = new TNotedForm(nullptr);
    other->Name = "other";
    other->SetBounds(500, 100, 200, 100);
    other->AfterConstruction();
    auto* d = new TNoted(other, "d");
    d->SetParent(other);
    d->SetBounds(10, 10, 50, 30);
    other->Show();
    uitest::Pump();
    d->SetFocus();
    // The first form and the control that kept its focus hear it; nobody exits there.
    EXPECT_NE(std::find(Log.begin(), Log.end(), "deactivate form"), Log.end());
    EXPECT_NE(std::find(Log.begin(), Log.end(), "deactivate a"), Log.end());
    EXPECT_EQ(std::find(Log.begin(), Log.end(), "exit a"), Log.end());
    EXPECT_NE(std::find(Log.begin(), Log.end(), "enter d"), Log.end());
    // Coming back enters nothing anew: the control never left its form.
    Log.clear();
    a->SetFocus();
    EXPECT_NE(std::find(Log.begin(), Log.end(), "deactivate other"), Log.end());
    EXPECT_EQ(std::find(Log.begin(), Log.end(), "enter a"), Log.end());
    delete other;
}

TEST_F(Notifications, AWindowWithoutAFormIsEnteredAndLeftWithItsFocus)
{
    auto* host = new TNoted(nullptr, "host");
    host->SetBounds(600, 100, 100, 60);
    host->HandleNeeded();
    ShowWindow(host->Handle(), SW_SHOW);
    auto* lone = new TNoted(nullptr, "lone");
    lone->SetParent(host);
    lone->SetBounds(5, 5, 40, 20);
    Log.clear();
    ::SetFocus(lone->Handle());
    EXPECT_EQ(Log, (Strings{"enter lone"}));
    ::SetFocus(host->Handle());
    EXPECT_EQ(Log, (Strings{"enter lone", "exit lone", "enter host"}));
    ::SetFocus(nullptr);
    delete host;
}

TEST_F(Notifications, CharactersTheControlDoesNotTakeReachTheAccelerators)
{
    c->Accel = 'x';
    Show();
    a->SetFocus();
    a->Got.clear();
    Input::TypeText("x");
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "accel c"), 1);
    EXPECT_EQ(a->Times(WM_CHAR), 0);
    // Another character is typed as usual.
    Input::TypeText("y");
    EXPECT_EQ(a->Times(WM_CHAR), 1);
    // A control that wants characters keeps them; with Alt the accelerator still answers.
    a->DlgCode = DLGC_WANTCHARS;
    Log.clear();
    Input::TypeText("x");
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "accel c"), 0);
    EXPECT_EQ(a->Times(WM_CHAR), 2);
    Input::PressKey('X', ssAlt);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "accel c"), 1);
    // Alt with the space bar is the window's own key, never an accelerator's.
    a->Got.clear();
    Input::PressKey(VK_SPACE, ssAlt);
    EXPECT_EQ(a->Times(WM_SYSCHAR), 1);
}

// A label's accelerator (Alt with its letter, or the letter alone where the focused control takes
// no characters) focuses the control it names, wherever the label sits on the form.
TEST_F(Notifications, ALabelsAcceleratorFocusesItsControl)
{
    auto* label = new TLabel(form);
    label->SetParent(panel);
    label->SetBounds(10, 60, 80, 17);
    label->SetCaption("Save && &Zip:");
    label->FocusControl = c;
    Show();
    a->SetFocus();
    Input::PressKey('Z', ssAlt);
    EXPECT_EQ(form->ActiveControl(), c);
    // "&&" is a literal ampersand, no accelerator.
    a->SetFocus();
    Input::PressKey('S', ssAlt);
    EXPECT_EQ(form->ActiveControl(), a);
    // A disabled label, one without its accelerator shown, or a control that cannot take the focus
    // leave the focus where it is.
    label->SetEnabled(false);
    Input::PressKey('Z', ssAlt);
    EXPECT_EQ(form->ActiveControl(), a);
    label->SetEnabled(true);
    label->ShowAccelChar = false;
    Input::PressKey('Z', ssAlt);
    EXPECT_EQ(form->ActiveControl(), a);
    label->ShowAccelChar = true;
    c->SetEnabled(false);
    Input::PressKey('Z', ssAlt);
    EXPECT_EQ(form->ActiveControl(), a);
    // Also from the field of a typeable combo box.
    c->SetEnabled(true);
    auto* combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetFocus();
    Input::PressKey('Z', ssAlt);
    EXPECT_EQ(form->ActiveControl(), c);
    EXPECT_EQ(CaptionAccelerator("Trailing&"), 0);
}

TEST_F(Notifications, BroadcastStopsAtTheFirstAnswerAndSurvivesAChildGoing)
{
    a->Accel = 'q';
    b->Accel = 'q';
    TMessage m{CM_DIALOGCHAR, 'q', 0, 0};
    panel->Broadcast(m);
    EXPECT_EQ(m.Result, 1);
    EXPECT_EQ(Log, (Strings{"accel a"}));
    // A child that frees its sibling while hearing the message: the sibling is not told.
    a->Accel = 0;
    TWndMethod old = a->WindowProc;
    a->WindowProc = [&, old](TMessage& msg) {
        if (msg.Msg == CM_DIALOGCHAR && b) {
            delete b;
            b = nullptr;
        }
        old(msg);
    };
    Log.clear();
    TMessage m2{CM_DIALOGCHAR, 'q', 0, 0};
    panel->Broadcast(m2);
    EXPECT_EQ(m2.Result, 0);
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(Log.empty());
}

// A child that tells its parent about itself, as the standard controls do.
class TReflecting : public TNoted {
public:
    using TNoted::TNoted;
    LRESULT CommandAnswer = 0;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == CN_COMMAND) {
            TNoted::WndProc(Message);
            Message.Result = CommandAnswer;
            return;
        }
        TNoted::WndProc(Message);
    }
};

TEST_F(Notifications, ChildMessagesComeBackToTheChildAsReflections)
{
    auto* r = new TReflecting(form, "r");
    r->SetParent(panel);
    r->SetBounds(10, 50, 40, 20);
    r->CommandAnswer = 77;
    HWND rh = r->Handle();
    LRESULT answer = SendMessage(panel->Handle(), WM_COMMAND, MAKEWPARAM(5, 1), reinterpret_cast<LPARAM>(rh));
    EXPECT_EQ(answer, 77);
    ASSERT_EQ(r->Times(CN_COMMAND), 1);
    EXPECT_EQ(r->Last(CN_COMMAND)->WParam, MAKEWPARAM(5, 1));
    // Scrolling and notifications by their sender too.
    SendMessage(panel->Handle(), WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(rh));
    EXPECT_EQ(r->Times(CN_HSCROLL), 1);
    NMHDR hdr;
    hdr.hwndFrom = rh;
    hdr.code = 42;
    SendMessage(panel->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
    ASSERT_EQ(r->Times(CN_NOTIFY), 1);
    EXPECT_EQ(r->Last(CN_NOTIFY)->LParam, reinterpret_cast<LPARAM>(&hdr));
    // A list box asks its parent about keys with its own handle.
    SendMessage(panel->Handle(), CN_VKEYTOITEM - CN_BASE, MAKEWPARAM(VK_DOWN, 3), reinterpret_cast<LPARAM>(rh));
    SendMessage(panel->Handle(), CN_CHARTOITEM - CN_BASE, MAKEWPARAM('k', 3), reinterpret_cast<LPARAM>(rh));
    EXPECT_EQ(r->Times(CN_VKEYTOITEM), 1);
    EXPECT_EQ(r->Times(CN_CHARTOITEM), 1);
    // A drawn item names its window; a measured one only its window's number.
    DRAWITEMSTRUCT draw;
    draw.hwndItem = rh;
    SendMessage(panel->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(r->Times(CN_DRAWITEM), 1);
    draw.hwndItem = nullptr;
    draw.CtlID = UINT(GetWindowLong(rh, GWL_ID));
    SendMessage(panel->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(r->Times(CN_DRAWITEM), 2);
    SetWindowLong(rh, GWL_ID, 1234);
    EXPECT_EQ(GetWindowLong(rh, GWL_ID), 1234);
    MEASUREITEMSTRUCT measure;
    measure.CtlID = 1234;
    SendMessage(panel->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(r->Times(CN_MEASUREITEM), 1);
    measure.CtlID = 99;
    SendMessage(panel->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(r->Times(CN_MEASUREITEM), 1);
    // A window not of ours, or none, is not reflected: the parent handles it itself.
    int before = int(r->Got.size());
    SendMessage(panel->Handle(), WM_COMMAND, MAKEWPARAM(5, 1), 0);
    SendMessage(panel->Handle(), WM_COMMAND, MAKEWPARAM(5, 1), reinterpret_cast<LPARAM>(panel->Handle()));
    EXPECT_EQ(int(r->Got.size()), before);
    EXPECT_EQ(panel->Times(CN_COMMAND), 0);
}

TEST_F(Notifications, AChildAsksForItsColoursAndGetsItsOwnBrush)
{
    a->SetColor(clYellow);
    a->Font()->SetColor(clBlue);
    HDC dc = GetDC(a->Handle());
    LRESULT brush = SendMessage(panel->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(a->Handle()));
    EXPECT_EQ(a->Times(CN_CTLCOLOREDIT), 1);
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(a->Brush()->Handle()));
    EXPECT_EQ(GetTextColor(dc), ColorToRGB(clBlue));
    EXPECT_EQ(GetBkColor(dc), ColorToRGB(clYellow));
    SendMessage(panel->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                reinterpret_cast<LPARAM>(a->Handle()));
    EXPECT_EQ(a->Times(CN_CTLCOLORSTATIC), 1);
    ReleaseDC(a->Handle(), dc);
}

TEST_F(Notifications, KeyUpReachesTheControlFirstAsAReflection)
{
    Show();
    a->SetFocus();
    a->Got.clear();
    Input::PressKey('K');
    ASSERT_EQ(a->Times(CN_KEYUP), 1);
    EXPECT_EQ(a->Times(WM_KEYUP), 1);
    auto cn = std::find_if(a->Got.begin(), a->Got.end(), [](const TMessage& m) { return m.Msg == CN_KEYUP; });
    auto wm = std::find_if(a->Got.begin(), a->Got.end(), [](const TMessage& m) { return m.Msg == WM_KEYUP; });
    EXPECT_LT(cn - a->Got.begin(), wm - a->Got.begin());
    // A control that takes the reflection keeps the key-up from its handlers.
    TWndMethod old = a->WindowProc;
    a->WindowProc = [old](TMessage& m) {
        old(m);
        if (m.Msg == CN_KEYUP)
            m.Result = 1;
    };
    a->Got.clear();
    Input::PressKey('K');
    EXPECT_EQ(a->Times(CN_KEYUP), 1);
    EXPECT_EQ(a->Times(WM_KEYUP), 0);
}

TEST_F(Notifications, APressOnAnotherControlCancelsTheActiveControlsMode)
{
    Show();
    a->SetFocus();
    a->Got.clear();
    Input::Click(c, 5, 5);
    ASSERT_EQ(a->Times(CM_CANCELMODE), 1);
    EXPECT_EQ(a->Last(CM_CANCELMODE)->LParam, reinterpret_cast<LPARAM>(c));
}

TEST_F(Notifications, AModalWindowOrADisabledWindowEndsTheMouseCapture)
{
    Show();
    Input::MouseDown(a, mbLeft, 5, 5);
    ASSERT_EQ(GetCapture(), a->Handle());
    uitest::AnswerNextDialog([](TObject*) { return IDOK; });
    Application->MessageBox("Stop", "Test", MB_OK);
    EXPECT_EQ(a->Times(WM_CANCELMODE), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    Input::MouseUp(a, mbLeft, 5, 5);
    // Disabling a window that holds the capture inside it tells the holder first.
    Input::MouseDown(b, mbLeft, 5, 5);
    ASSERT_EQ(GetCapture(), b->Handle());
    panel->SetEnabled(false);
    EXPECT_EQ(b->Times(WM_CANCELMODE), 1);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Notifications, ParentsHearOfChildrenMadeFreedAndPressed)
{
    Show();
    panel->Got.clear();
    form->Got.clear();
    auto* child = new TNoted(form, "child");
    child->SetParent(a);
    child->SetBounds(2, 2, 20, 10);
    HWND ch = child->Handle();
    auto notices = [](const std::vector<TMessage>& got, Word event) {
        std::vector<TMessage> out;
        for (const TMessage& m : got)
            if (m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == event)
                out.push_back(m);
        return out;
    };
    // The whole chain of parents hears it, each with the child's handle.
    ASSERT_EQ(notices(a->Got, WM_CREATE).size(), 1u);
    EXPECT_EQ(notices(a->Got, WM_CREATE)[0].LParam, reinterpret_cast<LPARAM>(ch));
    EXPECT_EQ(notices(panel->Got, WM_CREATE).size(), 1u);
    EXPECT_EQ(notices(form->Got, WM_CREATE).size(), 1u);
    // A press: each parent gets the point in its own client coordinates.
    Input::Click(child, 3, 4);
    auto pressed = notices(panel->Got, WM_LBUTTONDOWN);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(pressed[0].LParam), 10 + 2 + 3);
    EXPECT_EQ(GET_Y_LPARAM(pressed[0].LParam), 10 + 2 + 4);
    EXPECT_EQ(notices(a->Got, WM_LBUTTONDOWN).size(), 1u);
    delete child;
    ASSERT_EQ(notices(a->Got, WM_DESTROY).size(), 1u);
    EXPECT_EQ(notices(a->Got, WM_DESTROY)[0].LParam, reinterpret_cast<LPARAM>(ch));
    // A child that asks for silence tells no one.
    auto* quiet = new TNoted(form, "quiet");
    quiet->SetParent(a);
    quiet->SetBounds(30, 2, 20, 10);
    quiet->HandleNeeded();
    SetWindowLong(quiet->Handle(), GWL_EXSTYLE, GetWindowLong(quiet->Handle(), GWL_EXSTYLE) | WS_EX_NOPARENTNOTIFY);
    a->Got.clear();
    Input::Click(quiet, 3, 3);
    delete quiet;
    EXPECT_TRUE(notices(a->Got, WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(notices(a->Got, WM_DESTROY).empty());
}

TEST_F(Notifications, ChangedSystemColoursReachEveryControl)
{
    Show();
    INT index = COLOR_BTNFACE;
    COLORREF saved = GetSysColor(index);
    COLORREF fresh = RGB(10, 20, 30);
    ASSERT_TRUE(SetSysColors(1, &index, &fresh));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), fresh);
    SetSysColors(1, &index, &saved);
    for (const char* who : {"syscolor form", "syscolor panel", "syscolor a", "syscolor b", "syscolor c"})
        EXPECT_EQ(std::count(Log.begin(), Log.end(), who), 2) << who;
    INT bad = 99, past = 31;
    EXPECT_FALSE(SetSysColors(1, &bad, &fresh));
    EXPECT_FALSE(SetSysColors(1, &past, &fresh));
    EXPECT_TRUE(SetSysColors(0, nullptr, nullptr));
}

TEST_F(Notifications, HidingAWindowedChildIsToldAndHidesItsWindow)
{
    Show();
    b->Got.clear();
    b->Hide();
    EXPECT_EQ(b->Times(CM_SHOWINGCHANGED), 1);
    EXPECT_FALSE(IsWindowVisible(b->Handle()));
    b->Show();
    EXPECT_EQ(b->Times(CM_SHOWINGCHANGED), 2);
    EXPECT_TRUE(IsWindowVisible(b->Handle()));
    // A control that never had a window hears nothing until it has one.
    auto* late = new TNoted(nullptr, "late");
    late->Hide();
    late->Show();
    EXPECT_EQ(late->Times(CM_SHOWINGCHANGED), 0);
    delete late;
}

// A control whose hint the test decides.
class THinted : public TNoted {
public:
    using TNoted::TNoted;
    std::function<LRESULT(THintInfo&)> OnHintShow;
    THintInfo Seen;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == CM_HINTSHOW && OnHintShow) {
            auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
            Seen = *info;
            Message.Result = OnHintShow(*info);
            return;
        }
        TNoted::WndProc(Message);
    }
};

class HintShow : public Notifications {
protected:
    void SetUp() override
    {
        Notifications::SetUp();
        h1 = new THinted(form, "h1");
        h1->SetParent(form);
        h1->SetBounds(10, 150, 80, 40);
        h1->SetHint("First|The first control");
        h1->SetShowHint(true);
        h2 = new THinted(form, "h2");
        h2->SetParent(form);
        h2->SetBounds(200, 150, 80, 40);
        h2->SetHint("Second");
        h2->SetShowHint(true);
        savedPause = Application->HintPause;
        savedShort = Application->HintShortPause;
        Application->HintPause = 30;
        Show();
    }
    void TearDown() override
    {
        Application->HintPause = savedPause;
        Application->HintShortPause = savedShort;
        Application->CancelHint();
        Notifications::TearDown();
    }
    bool ShownWithin(int ms)
    {
        return uitest::PumpUntil([] { return !Application->CurrentHintText().empty(); }, ms);
    }
    THinted* h1 = nullptr;
    THinted* h2 = nullptr;
    int savedPause = 0, savedShort = 0;
};

TEST_F(HintShow, TheControlSeesItsHintFirstAndMayChangeIt)
{
    h1->OnHintShow = [](THintInfo& info) {
        info.HintStr = "Changed for here";
        return LRESULT(0);
    };
    Input::MouseMove(h1, 5, 6);
    ASSERT_TRUE(ShownWithin(1000));
    EXPECT_EQ(Application->CurrentHintText(), "Changed for here");
    EXPECT_EQ(h1->Seen.HintStr, "First");
    EXPECT_EQ(h1->Seen.HintControl, h1);
    EXPECT_EQ(h1->Seen.CursorPos.X, 5);
    EXPECT_EQ(h1->Seen.CursorPos.Y, 6);
    EXPECT_EQ(h1->Seen.CursorRect, h1->ClientRect());
}

TEST_F(HintShow, AControlMayRefuseItsHint)
{
    h1->OnHintShow = [](THintInfo&) { return LRESULT(1); };
    Input::MouseMove(h1, 5, 5);
    uitest::Pump(150);
    EXPECT_EQ(Application->CurrentHintText(), "");
    // An emptied text is no hint either.
    h1->OnHintShow = [](THintInfo& info) {
        info.HintStr.clear();
        return LRESULT(0);
    };
    Input::MouseMove(h2, 5, 5);
    Input::MouseMove(h1, 6, 5);
    uitest::Pump(150);
    EXPECT_EQ(Application->CurrentHintText(), "");
}

TEST_F(HintShow, AControlFreedByItsHintHandlerShowsNothing)
{
    h1->OnHintShow = [this](THintInfo&) {
        // The closure goes with the control: nothing of it is read after the delete.
        THinted*& slot = h1;
        delete std::exchange(slot, nullptr);
        return LRESULT(0);
    };
    Input::MouseMove(h1, 5, 5);
    uitest::Pump(150);
    EXPECT_EQ(h1, nullptr);
    EXPECT_EQ(Application->CurrentHintText(), "");
}

TEST_F(HintShow, TheNextControlsHintFollowsAfterTheShortPause)
{
    Input::MouseMove(h1, 5, 5);
    ASSERT_TRUE(ShownWithin(1000));
    // A long first pause: only the short one can bring the next hint within the wait below.
    Application->HintPause = 5000;
    Application->HintShortPause = 20;
    Input::MouseMove(h2, 5, 5);
    ASSERT_TRUE(uitest::PumpUntil([] { return Application->CurrentHintText() == "Second"; }, 1500));
    // Without a hint showing, the full pause holds.
    Application->CancelHint();
    Input::MouseMove(c, 5, 5);
    Input::MouseMove(h1, 5, 5);
    uitest::Pump(200);
    EXPECT_EQ(Application->CurrentHintText(), "");
}

TEST_F(HintShow, AHintForAPartGoesWhenTheMouseLeavesThePart)
{
    int asked = 0;
    h1->OnHintShow = [&](THintInfo& info) {
        ++asked;
        info.CursorRect = TRect{0, 0, 20, 20};
        info.HintStr = asked == 1 ? "left part" : "elsewhere";
        return LRESULT(0);
    };
    Input::MouseMove(h1, 5, 5);
    ASSERT_TRUE(ShownWithin(1000));
    EXPECT_EQ(Application->CurrentHintText(), "left part");
    Input::MouseMove(h1, 10, 10);  // still inside the part
    EXPECT_EQ(Application->CurrentHintText(), "left part");
    Input::MouseMove(h1, 50, 10);
    ASSERT_TRUE(uitest::PumpUntil([] { return Application->CurrentHintText() == "elsewhere"; }, 1500));
    EXPECT_EQ(asked, 2);
}

}  // namespace

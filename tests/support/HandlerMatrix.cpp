#include "tests/support/HandlerMatrix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "platform/Input.h"
#include "platform/Menus.h"
#include "tests/support/UiTest.h"

namespace matrix {

namespace {

// A free spot of the form, away from the sibling and the control.
constexpr TPoint kAway{320, 20};
constexpr TRect kSibling{20, 10, 140, 32};

const char* ActName(TAct Act, const TChange* Change)
{
    switch (Act) {
    case TAct::FreeControl: return "frees the control";
    case TAct::FreeForm: return "frees the form";
    case TAct::FreeSibling: return "frees the sibling";
    case TAct::Change: return Change->Name.c_str();
    case TAct::Raise: return "raises";
    }
    return "";
}

bool Focusable(TStage& S) { return S.Windowed() && S.Windowed()->CanFocus(); }
bool TakesFocusOnPress(TStage& S) { return Focusable(S) && !S.Class->PressTakesNoFocus; }
bool TabsTo(TStage& S) { return Focusable(S) && S.Windowed()->TabStop(); }

// A drag from the sibling, made a drag source, to the control.
void DragFromSibling(TStage& S)
{
    if (!S.E || !S.C)
        return;
    const TPoint from{kSibling.Left + 10, kSibling.Top + 10};
    const TPoint to{S.Origin.X + S.AimPoint.X, S.Origin.Y + S.AimPoint.Y};
    S.Give([&] { Input::MouseDown(S.Sibling, mbLeft, 10, 10); });
    for (int i = 1; i <= 4; ++i)
        S.Give([&] {
            Input::MouseMove(S.Form, from.X + (to.X - from.X) * i / 4, from.Y + (to.Y - from.Y) * i / 4, ssLeft);
        });
    S.Give([&] { Input::MouseUp(S.Form, mbLeft, to.X, to.Y); });
}

// A drag from the control, made a drag source, to a free spot of the form.
void DragFromControl(TStage& S)
{
    S.Down(S.AimPoint);
    const TPoint from{S.Origin.X + S.AimPoint.X, S.Origin.Y + S.AimPoint.Y};
    for (int i = 1; i <= 4; ++i)
        S.Give([&] {
            Input::MouseMove(S.Form, from.X + (kAway.X - from.X) * i / 4, from.Y + (kAway.Y - from.Y) * i / 4,
                             ssLeft);
        });
    S.Give([&] { Input::MouseUp(S.Form, mbLeft, kAway.X, kAway.Y); });
}

std::string Described(const std::exception& E)
{
    return std::string(typeid(E).name()) + ": " + E.what();
}

// Every control of the form is its parent's child, and what the form and the screen call active is
// one of them (or nothing); Gone are pointers to objects freed in the case, compared, never used.
void WalkChildren(TWinControl* Parent, const std::vector<const void*>& Gone)
{
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->Controls(i);
        ASSERT_NE(c, nullptr);
        for (const void* g : Gone)
            ASSERT_NE(static_cast<const void*>(c), g) << "a freed control is still a child of the form";
        EXPECT_EQ(c->Parent(), Parent);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            WalkChildren(w, Gone);
    }
}

void WalkForm(TForm* Form, const std::vector<const void*>& Gone)
{
    WalkChildren(Form, Gone);
    // (The screen's may be a list dropped down from a control of the form.)
    for (TWinControl* a : {Form->ActiveControl(), Screen->ActiveControl()})
        for (const void* g : Gone)
            ASSERT_NE(static_cast<const void*>(a), g) << "a freed control is still the active one";
    if (TWinControl* a = Form->ActiveControl(); a && a != Form) {
        EXPECT_TRUE(Form->ContainsControl(a));
    }
}

void ExpectFormGone(const void* Form)
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        EXPECT_NE(static_cast<const void*>(Screen->Forms(i)), Form) << "the freed form is still a form of the screen";
    EXPECT_NE(static_cast<const void*>(Screen->ActiveForm()), Form);
}

// Runs one case; false when the event does not apply to the class.
bool Run(const TClass& Class, const TEvent& Event, TAct Act, const TChange* Change)
{
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    TStage S;
    S.Class = &Class;
    S.Act = Act;
    S.Change = Change;
    S.Form = new TForm(nullptr);
    S.Form->SetBounds(100, 100, 360, 340);
    S.Sibling = new TEdit(S.Form);
    S.Sibling->SetParent(S.Form);
    S.Sibling->SetBoundsRect(kSibling);
    S.Control = Class.Make(S.Form);
    S.Form->Show();
    Input::MouseMove(S.Form, kAway.X, kAway.Y);
    uitest::Pump();
    S.Sibling->SetFocus();
    uitest::Pump();
    EXPECT_TRUE(S.Sibling->Focused());
    S.F = S.Form;
    S.C = S.Control;
    S.E = S.Sibling;
    S.Origin = S.Form->ScreenToClient(S.Control->ClientOrigin());
    S.AimPoint = {Class.FromRight ? S.Control->Width() - Class.FromRight : S.Control->Width() / 2,
                  S.Control->Height() / 2};
    if (Event.Applies && !Event.Applies(S)) {
        TObject::Free(S.Form);
        uitest::Pump();
        return false;
    }
    const std::vector<const void*> objects{S.Form, S.Control, S.Sibling};
    // Menus that the input opens (a context menu, a pull-down menu) close at once.
    uitest::AnswerAllDialogs([](TObject*) { return 0; });
    const UINT closer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT, DWORD) {
        if (MenuShown())
            Input::PressKey(VK_ESCAPE);
    });
    const bool refused = Act != TAct::Raise &&
                         std::find(Event.Refused.begin(), Event.Refused.end(), ActName(Act, Change)) != Event.Refused.end();
    bool refusal = false;
    try {
        Event.Arm(S);
        Event.Raise(S);
        S.Pump();
    } catch (const THandlerError&) {
        S.Escaped = true;
    } catch (const Exception& e) {
        refusal = true;
        if (!refused)
            ADD_FAILURE() << "the event's input or call ended in " << Described(e);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the event's input or call ended in " << Described(e);
    }
    if (refused) {
        EXPECT_TRUE(refusal) << "what the handler did was not refused with an error";
    }
    S.Pump();
    uitest::ClearDialogAnswers();
    KillTimer(nullptr, closer);
    S.Done = true;
    if (S.Cleanup)
        S.Cleanup();
    EXPECT_GT(S.Calls, 0) << "the handler did not run";
    if (Act != TAct::Raise) {
        EXPECT_FALSE(S.Escaped) << "the handler's error came out of an act that raised nothing";
    }
    if (S.Calls == 0) {
        TObject::Free(S.F.Get());
        uitest::Pump();
        return true;
    }
    if (Act == TAct::FreeForm) {
        EXPECT_FALSE(S.F) << "the form is still there";
        ExpectFormGone(objects[0]);
        if (S.F)
            TObject::Free(S.F.Get());
        uitest::Pump();
        return true;
    }
    if (!S.F) {
        ADD_FAILURE() << "the form went";
        return true;
    }
    std::vector<const void*> gone;
    if (Act == TAct::FreeControl) {
        EXPECT_FALSE(S.C) << "the control is still there";
        gone.push_back(objects[1]);
    } else
        EXPECT_TRUE(S.C) << "the control went";
    if (Act == TAct::FreeSibling) {
        EXPECT_FALSE(S.E) << "the sibling is still there";
        gone.push_back(objects[2]);
    } else
        EXPECT_TRUE(S.E) << "the sibling went";
    WalkForm(S.Form, gone);
    if (Event.After)
        Event.After(S);
    // What is left paints whole and takes the focus back.
    try {
        S.Form->Repaint();
        uitest::Pump();
        if (S.C && Class.Walk)
            Class.Walk(S);
        if (S.E) {
            S.Sibling->OnExit = nullptr;
            // The first click may only close what the input left open (a dropped-down list).
            for (int i = 0; i < 2 && !S.Sibling->Focused(); ++i) {
                Input::Click(S.Sibling, 5, 5);
                uitest::Pump();
            }
            EXPECT_TRUE(S.E && S.Sibling->Focused()) << "a click does not put the focus in the sibling";
        } else if (S.C && Focusable(S)) {
            S.Windowed()->SetFocus();
            uitest::Pump();
            TWinControl* active = S.Form->ActiveControl();
            EXPECT_TRUE(S.C && active && (active == S.Windowed() || S.Windowed()->ContainsControl(active)))
                << "the control does not take the focus";
        }
    } catch (const std::exception& e) {
        ADD_FAILURE() << "what is left ended in " << Described(e);
    }
    TObject::Free(S.F.Get());
    uitest::Pump();
    return true;
}

// Whether the case's name holds one of the texts of Filter, split at '|'.
bool Wanted(const std::string& Name, const std::string& Filter)
{
    size_t from = 0;
    for (;;) {
        const size_t bar = Filter.find('|', from);
        if (Name.find(Filter.substr(from, bar - from)) != std::string::npos)
            return true;
        if (bar == std::string::npos)
            return false;
        from = bar + 1;
    }
}

bool Matches(const TKnownFault& K, const TClass& Class, const TEvent& Event, const std::string& Act)
{
    return Class.Name.find(K.Class) != std::string::npos && Event.Name.find(K.Event) != std::string::npos && (K.Act.empty() || K.Act == Act);
}

}  // namespace

TStep Focused(TStep Arm)
{
    return [Arm](TStage& S) {
        S.Focus();
        Arm(S);
    };
}

void TStage::Hit()
{
    ++Calls;
    if (C && Class->Read) {
        try {
            Class->Read(*this);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "reading the control's state in the handler ended in " << Described(e);
        }
    }
    if (Calls > 1 || Acting)
        return;
    Acting = true;
    switch (Act) {
    case TAct::FreeControl: TObject::Free(C.Get()); break;
    case TAct::FreeForm: TObject::Free(F.Get()); break;
    case TAct::FreeSibling: TObject::Free(E.Get()); break;
    case TAct::Change:
        if (C)
            Change->Do(*this);
        break;
    case TAct::Raise: Acting = false; throw THandlerError();
    }
    Acting = false;
}

void TStage::Give(const std::function<void()>& Input)
{
    if (!F)
        return;
    try {
        Input();
    } catch (const THandlerError&) {
        Escaped = true;
    }
}

void TStage::Down(TPoint At, TMouseButton Button, TShiftState Shift)
{
    if (C)
        Give([&] { Input::MouseDown(Control, Button, At.X, At.Y, Shift); });
}

void TStage::Up(TPoint At, TMouseButton Button, TShiftState Shift)
{
    Give([&] { Input::MouseUp(Form, Button, Origin.X + At.X, Origin.Y + At.Y, Shift); });
}

void TStage::PressAt(TPoint At, TMouseButton Button, TShiftState Shift)
{
    Down(At, Button, Shift);
    Up(At, Button, Shift);
}

void TStage::Move(TPoint At, TShiftState Shift)
{
    Give([&] { Input::MouseMove(Form, Origin.X + At.X, Origin.Y + At.Y, Shift); });
}

void TStage::DoubleClickAt(TPoint At)
{
    PressAt(At);
    Input::AdvanceTime(50);
    PressAt(At);
}

void TStage::Wheel(int Delta, TShiftState Shift)
{
    if (C)
        Give([&] { Input::Wheel(Control, Delta, AimPoint.X, AimPoint.Y, Shift); });
}

void TStage::Key(Word Key, TShiftState Shift)
{
    Give([&] { Input::PressKey(Key, Shift); });
}

void TStage::Type(const std::string& Text)
{
    for (char c : Text)
        Give([&] { Input::TypeText(std::string(1, c)); });
}

void TStage::PressSibling()
{
    if (E)
        Give([&] { Input::MouseDown(Sibling, mbLeft, 5, 5); });
    Give([&] { Input::MouseUp(Form, mbLeft, kSibling.Left + 5, kSibling.Top + 5); });
}

void TStage::Focus()
{
    if (TWinControl* w = Windowed())
        Give([&] { w->SetFocus(); });
    Pump();
}

void TStage::WaitForCall()
{
    Give([this] { uitest::PumpUntil([this] { return Calls > 0 || !F; }, 60000); });
}

void TStage::Pump()
{
    Give([] { uitest::Pump(); });
}

std::vector<TEvent> StandardEvents()
{
    auto press = [](TMouseButton B) { return [B](TStage& S) { S.Press(B); }; };
    auto windowed = [](TStage& S) { return S.Windowed() != nullptr; };
    auto sibling = [](TStage& S) { S.Sibling->OnExit = S.Handler(); };
    auto styled = [](TControlStyle Style) {
        return [Style](TStage& S) { return (S.Control->ControlStyle & Style) != 0; };
    };
    return {
        On<&TControl::OnMouseDown>("OnMouseDown", press(mbLeft)),
        On<&TControl::OnMouseDown>("OnMouseDown, right", press(mbRight)),
        On<&TControl::OnMouseUp>("OnMouseUp", press(mbLeft)),
        On<&TControl::OnMouseUp>("OnMouseUp, right", press(mbRight)),
        {"OnClick", Hang(&TControl::OnClick), press(mbLeft), styled(csClickEvents)},
        {"OnDblClick", Hang(&TControl::OnDblClick), [](TStage& S) { S.DoubleClickAt(S.AimPoint); },
         styled(csDoubleClicks)},
        On<&TControl::OnMouseMove>("OnMouseMove", [](TStage& S) { S.Move(S.AimPoint); }),
        On<&TControl::OnMouseEnter>("OnMouseEnter", [](TStage& S) { S.Move(S.AimPoint); }),
        {"OnMouseLeave",
         [](TStage& S) {
             S.Move(S.AimPoint);
             Hang(&TControl::OnMouseLeave)(S);
         },
         [](TStage& S) { S.Give([&S] { Input::MouseMove(S.Form, kAway.X, kAway.Y); }); }},
        On<&TControl::OnResize>("OnResize",
                                [](TStage& S) {
                                    S.Control->SetBounds(S.Control->Left(), S.Control->Top(), S.Control->Width() + 10,
                                                         S.Control->Height() + 10);
                                }),
        {"OnStartDrag",
         [](TStage& S) {
             S.Control->DragMode = dmAutomatic;
             Hang(&TControl::OnStartDrag)(S);
         },
         DragFromControl},
        {"OnEndDrag",
         [](TStage& S) {
             S.Control->DragMode = dmAutomatic;
             Hang(&TControl::OnEndDrag)(S);
         },
         DragFromControl},
        {"OnDragOver",
         [](TStage& S) {
             S.Sibling->DragMode = dmAutomatic;
             Hang(&TControl::OnDragOver)(S);
         },
         DragFromSibling},
        {"OnDragDrop",
         [](TStage& S) {
             S.Sibling->DragMode = dmAutomatic;
             S.Control->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
             Hang(&TControl::OnDragDrop)(S);
         },
         DragFromSibling},
        {"OnMouseWheel", Hang(&TWinControl::OnMouseWheel), [](TStage& S) { S.Wheel(-120); }, windowed},
        {"OnKeyDown", Focused(Hang(&TWinControl::OnKeyDown)), [](TStage& S) { S.Key('A'); }, Focusable},
        {"OnKeyPress", Focused(Hang(&TWinControl::OnKeyPress)), [](TStage& S) { S.Type("a"); }, Focusable},
        {"OnKeyUp", Focused(Hang(&TWinControl::OnKeyUp)), [](TStage& S) { S.Key('A'); }, Focusable},
        {"OnEnter, pressed", Hang(&TWinControl::OnEnter), press(mbLeft), TakesFocusOnPress},
        {"OnEnter, tabbed to", Hang(&TWinControl::OnEnter), [](TStage& S) { S.Key(VK_TAB); }, TabsTo},
        {"OnExit", Focused(Hang(&TWinControl::OnExit)), [](TStage& S) { S.PressSibling(); }, Focusable},
        {"the sibling's OnExit, pressed", sibling, press(mbLeft), TakesFocusOnPress},
        {"the sibling's OnExit, tabbed to", sibling, [](TStage& S) { S.Key(VK_TAB); }, TabsTo},
    };
}

std::vector<std::string> ActNames(const TClass& Class)
{
    std::vector<std::string> names{ActName(TAct::FreeControl, nullptr), ActName(TAct::FreeForm, nullptr),
                                   ActName(TAct::FreeSibling, nullptr)};
    for (const TChange& c : Class.Changes)
        names.push_back(c.Name);
    names.push_back(ActName(TAct::Raise, nullptr));
    return names;
}

void Drive(const TClass& Class, const std::vector<TKnownFault>& Known) { Drive(Class, std::string(), Known); }

void Drive(const TClass& Class, const std::string& Act, const std::vector<TKnownFault>& Known)
{
    const char* only = std::getenv("MORVIK_MATRIX");
    const char* knownToo = std::getenv("MORVIK_MATRIX_KNOWN");
    const bool trace = std::getenv("MORVIK_MATRIX_TRACE") != nullptr;
    [[maybe_unused]] const bool leaks = std::getenv("MORVIK_MATRIX_LEAKS") != nullptr;
    std::vector<TEvent> events;
    if (Class.StandardEvents)
        for (TEvent& e : StandardEvents())
            if (std::find(Class.Without.begin(), Class.Without.end(), e.Name) == Class.Without.end())
                events.push_back(std::move(e));
    events.insert(events.end(), Class.Events.begin(), Class.Events.end());
    std::vector<std::pair<TAct, const TChange*>> acts{
        {TAct::FreeControl, nullptr}, {TAct::FreeForm, nullptr}, {TAct::FreeSibling, nullptr}};
    for (const TChange& c : Class.Changes)
        acts.emplace_back(TAct::Change, &c);
    acts.emplace_back(TAct::Raise, nullptr);
    if (!Act.empty())
        acts.erase(std::remove_if(acts.begin(), acts.end(), [&](const auto& A) { return Act != ActName(A.first, A.second); }),
                   acts.end());
    EXPECT_FALSE(acts.empty()) << "no act " << Act;
    int cases = 0, skipped = 0;
    std::vector<std::string> ran;
    const auto start = std::chrono::steady_clock::now();
    for (const TEvent& e : events) {
        bool applies = false;
        for (const auto& [act, change] : acts) {
            const std::string name = e.Name + " / " + ActName(act, change);
            if (only && !Wanted(name, only))
                continue;
            const TKnownFault* known = nullptr;
            for (const TKnownFault& k : Known)
                if (Matches(k, Class, e, ActName(act, change)))
                    known = &k;
            if (known && !(knownToo && *knownToo == '1')) {
                std::printf("[  known   ] %s: %s: %s\n", Class.Name.c_str(), name.c_str(), known->Fault.c_str());
                ++skipped;
                continue;
            }
            SCOPED_TRACE(name);
            if (trace)
                std::fprintf(stderr, "[   case   ] %s: %s\n", Class.Name.c_str(), name.c_str());
            if (!Run(Class, e, act, change))
                break;
#if defined(__SANITIZE_ADDRESS__)
            if (leaks && __lsan_do_recoverable_leak_check())
                ADD_FAILURE() << "the case leaked";
#endif
            applies = true;
            ++cases;
        }
        if (applies)
            ran.push_back(e.Name);
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    std::printf("[  matrix  ] %s: %zu events, %zu acts, %d cases run, %d known faults skipped (%lld ms)\n",
                Class.Name.c_str(), ran.size(), acts.size(), cases, skipped, static_cast<long long>(ms));
}

}  // namespace matrix

namespace matrix {

void Fill(TStrings* Items, int Count)
{
    for (int i = Count - 1; i >= 0; --i)
        Items->Add("item " + std::to_string(i));
}

void ReadEdit(TStage& S)
{
    auto* e = S.As<TCustomEdit>();
    if (!e)
        return;
    const int length = static_cast<int>(e->Text().size());
    EXPECT_GE(e->SelStart(), 0);
    EXPECT_GE(e->SelLength(), 0);
    EXPECT_LE(e->SelStart() + e->SelLength(), length);
    EXPECT_EQ(static_cast<int>(e->SelText().size()), e->SelLength());
    if (auto* m = dynamic_cast<TCustomMemo*>(e)) {
        int total = 0;
        for (int i = 0; i < m->Lines()->Count(); ++i)
            total += static_cast<int>(m->Lines()->Get(i).size());
        EXPECT_LE(total, length);
        EXPECT_GE(m->CaretPos().Y, 0);
    }
}

void ReadListBox(TStage& S)
{
    auto* l = S.As<TCustomListBox>();
    if (!l)
        return;
    const int n = l->Items()->Count();
    EXPECT_EQ(l->Count(), n);
    const int index = l->ItemIndex();
    EXPECT_GE(index, -1);
    if (!l->MultiSelect()) {
        ASSERT_LT(index, n) << "the chosen item is past the last";
        if (index >= 0)
            l->Items()->Get(index);
    }
    int selected = 0;
    for (int i = 0; i < n; ++i) {
        l->Items()->Get(i);
        selected += l->Selected(i);
    }
    if (l->MultiSelect()) {
        EXPECT_EQ(l->SelCount(), selected);
    } else {
        EXPECT_EQ(selected, index >= 0 ? 1 : 0);
    }
    EXPECT_GE(l->TopIndex(), 0);
    EXPECT_LE(l->TopIndex(), std::max(n - 1, 0));
}

void ReadComboBox(TStage& S)
{
    auto* c = S.As<TCustomComboBox>();
    if (!c)
        return;
    const int n = c->Items()->Count();
    const int index = c->ItemIndex();
    EXPECT_GE(index, -1);
    ASSERT_LT(index, n) << "the chosen item is past the last";
    for (int i = 0; i < n; ++i)
        c->Items()->Get(i);
    const int length = static_cast<int>(c->Text().size());
    EXPECT_GE(c->SelStart(), 0);
    EXPECT_LE(c->SelStart() + c->SelLength(), length);
}

TChange ClearText()
{
    return {"clears the text", [](TStage& S) { S.Control->SetText(""); }};
}

TChange RefillItems()
{
    return {"clears and refills", [](TStage& S) {
                TStrings* items = nullptr;
                if (auto* l = S.As<TCustomListBox>())
                    items = l->Items();
                else if (auto* c = S.As<TCustomComboBox>())
                    items = c->Items();
                ASSERT_NE(items, nullptr);
                items->Clear();
                Fill(items, 3);
            }};
}

std::vector<TEvent> EditEvents()
{
    return {
        {"OnChange, typed", Focused(Hang(&TCustomEdit::OnChange)), [](TStage& S) { S.Type("x"); }},
        {"OnChange, cut", Focused([](TStage& S) {
             S.As<TCustomEdit>()->SelectAll();
             Hang(&TCustomEdit::OnChange)(S);
         }),
         [](TStage& S) { S.Key('X', ssCtrl); }},
        On<&TCustomEdit::OnChange>("OnChange, set", [](TStage& S) { S.Control->SetText("set"); }),
    };
}

namespace {

bool OwnerDrawn(TStage& S)
{
    if (auto* l = S.As<TCustomListBox>())
        return l->Style() != lbStandard;
    auto* c = S.As<TCustomComboBox>();
    return c && c->Style() >= csOwnerDrawFixed;
}
bool Variable(TStage& S)
{
    if (auto* l = S.As<TCustomListBox>())
        return l->Style() == lbOwnerDrawVariable;
    auto* c = S.As<TCustomComboBox>();
    return c && c->Style() == csOwnerDrawVariable;
}
// A multiple selection without the extended one moves only the caret with the keys.
bool KeysSelect(TStage& S)
{
    auto* l = S.As<TCustomListBox>();
    return l && (!l->MultiSelect() || l->ExtendedSelect());
}
bool Extended(TStage& S)
{
    auto* l = S.As<TCustomListBox>();
    return l && l->MultiSelect() && l->ExtendedSelect() && !S.Class->PressTakesNoFocus;
}
bool Typed(TStage& S)
{
    auto* c = S.As<TCustomComboBox>();
    return c && (c->Style() == csDropDown || c->Style() == csSimple);
}
bool Drops(TStage& S)
{
    auto* c = S.As<TCustomComboBox>();
    return c && c->Style() != csSimple;
}

template <class T>
TStrings* ItemsOf(TStage& S)
{
    return S.As<T>()->Items();
}

void Repaint(TStage& S)
{
    S.Control->Invalidate();
    S.Control->Update();
}

}  // namespace

std::vector<TEvent> ListBoxEvents()
{
    auto ctrlPress = [](TStage& S) { S.Press(mbLeft, ssCtrl); };
    return {
        {"OnClick, Down", Focused(Hang(&TControl::OnClick)), [](TStage& S) { S.Key(VK_DOWN); }, KeysSelect},
        {"OnClick, End", Focused(Hang(&TControl::OnClick)), [](TStage& S) { S.Key(VK_END); }, KeysSelect},
        {"OnEnter, pressed with Ctrl", Hang(&TWinControl::OnEnter), ctrlPress, Extended},
        {"the sibling's OnExit, pressed with Ctrl", [](TStage& S) { S.Sibling->OnExit = S.Handler(); }, ctrlPress,
         Extended},
        {"OnDrawItem", Hang(&TCustomListBox::OnDrawItem), Repaint, OwnerDrawn},
        {"OnMeasureItem, Add", Hang(&TCustomListBox::OnMeasureItem),
         [](TStage& S) { ItemsOf<TCustomListBox>(S)->Add("added"); }, Variable},
        {"OnMeasureItem, Sorted", Hang(&TCustomListBox::OnMeasureItem),
         [](TStage& S) { S.As<TCustomListBox>()->SetSorted(true); }, Variable},
    };
}

std::vector<TEvent> ComboBoxEvents()
{
    auto keys = [](std::vector<Word> Keys) {
        return [Keys](TStage& S) {
            for (Word k : Keys)
                S.Key(k);
        };
    };
    return {
        {"OnChange, typed", Focused(Hang(&TCustomComboBox::OnChange)), [](TStage& S) { S.Type("q"); }, Typed},
        {"OnChange, Down", Focused(Hang(&TCustomComboBox::OnChange)), keys({VK_DOWN})},
        {"OnSelect, Down", Focused(Hang(&TCustomComboBox::OnSelect)), keys({VK_DOWN})},
        {"OnSelect, picked", Focused(Hang(&TCustomComboBox::OnSelect)), keys({VK_F4, VK_DOWN, VK_RETURN}), Drops},
        {"OnDropDown", Focused(Hang(&TCustomComboBox::OnDropDown)), keys({VK_F4, VK_ESCAPE}), Drops},
        {"OnDropDown, pressed", Hang(&TCustomComboBox::OnDropDown), [](TStage& S) { S.Press(); }, Drops},
        {"OnCloseUp, picked", Focused(Hang(&TCustomComboBox::OnCloseUp)), keys({VK_F4, VK_DOWN, VK_RETURN}), Drops},
        {"OnCloseUp, Escape", Focused(Hang(&TCustomComboBox::OnCloseUp)), keys({VK_F4, VK_ESCAPE}), Drops},
        {"OnDrawItem", Hang(&TCustomComboBox::OnDrawItem),
         [](TStage& S) {
             Repaint(S);
             S.Focus();
             S.Key(VK_F4);
             S.Pump();
             S.Key(VK_ESCAPE);
         },
         OwnerDrawn},
        {"OnMeasureItem, Add", Hang(&TCustomComboBox::OnMeasureItem),
         [](TStage& S) { ItemsOf<TCustomComboBox>(S)->Add("added"); }, Variable},
        {"OnMeasureItem, Sorted", Hang(&TCustomComboBox::OnMeasureItem),
         [](TStage& S) { S.As<TCustomComboBox>()->SetSorted(true); }, Variable},
    };
}

}  // namespace matrix

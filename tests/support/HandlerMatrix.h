// Handlers that change or free what raised them, for every published event of every control class:
// each layer's tests hold a table of its classes, each class a table of its events with the input or
// the call that raises each, and the engine here drives every event with a handler that, on its first
// call, frees the control, frees its form, frees the focused sibling (an edit beside the control that
// has the focus when the input starts), changes the control's contents (each change the class names)
// or raises. Every call of the handler first reads the control's state (count, text length,
// selection), since a control may be half way through an operation while its handler runs; each case
// ends with a walk of what is left, a repaint, and the focus taken back by a click. Under the
// sanitizers a use of what went shows where it was used.
//
// Adding an event is one row: {"OnChange", Arm, Raise}, where Arm hangs S.Handler() on the event
// (On<&TClass::OnChange> does that) and Raise gives the input. Input goes through the toolkit's own
// paths (platform/Input.h); helpers of the stage stop giving it once the form has gone.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/StdCtrls.h"
#include "tests/support/Settle.h"

namespace matrix {

// What the handler raises: not any of the libraries' own errors, so a raising site that answers it
// with one of its own shows.
struct THandlerError : std::exception {
    const char* what() const noexcept override { return "the handler's own error"; }
};

class TStage;
using TStep = std::function<void(TStage& S)>;

// One published event (or one way to raise it: "OnClick, Space"). Applies, when given, decides after
// the control is made whether the input reaches the event for this class at all. After checks what
// this event's case must leave beyond the class's walk. Refused names the acts the raising code
// refuses with an error of the library's own (changing a tree while it is walked): the input or
// call must end in that error.
struct TEvent {
    std::string Name;
    TStep Arm;
    TStep Raise;
    std::function<bool(TStage& S)> Applies = nullptr;
    TStep After = nullptr;
    std::vector<std::string> Refused = {};
};

// One change of the contents a handler may make: clear, refill, delete what the event is about.
struct TChange {
    std::string Name;
    TStep Do;
};

// One control class: Make places one on the form (owner and parent) with some contents, inside the
// form's area (0, 40) to (300, 300). Read runs inside every call of a handler, Walk on what is left;
// both only while the control lives and may use EXPECT_*.
struct TClass {
    std::string Name;
    std::function<TControl*(TForm* Form)> Make;
    std::vector<TEvent> Events = {};
    std::vector<TChange> Changes = {};
    TStep Read = nullptr;
    TStep Walk = nullptr;
    // The standard events: those of every control and, for windowed ones, of the keyboard and focus.
    // A left press takes the focus to it (when it can have it) unless PressTakesNoFocus.
    bool StandardEvents = true;
    bool PressTakesNoFocus = false;
    // The mouse aims at the control's centre or, with FromRight, that many pixels left of its right
    // edge (a combo box's button).
    int FromRight = 0;
    // Standard events the class does not raise (a button's double click is two clicks).
    std::vector<std::string> Without = {};
};
inline std::string ClassName(const ::testing::TestParamInfo<TClass>& Info) { return Info.param.Name; }
inline void PrintTo(const TClass& Class, std::ostream* Os) { *Os << Class.Name; }

// A fault the matrix finds that is known and open: its cases are skipped (and listed) unless
// MORVIK_MATRIX_KNOWN=1 asks for them. Act names an act ("frees the control", "frees the form",
// "frees the sibling", "raises", or a change's name); Class and Event match the names that hold
// them (an empty one matches all); an empty Act matches every act.
struct TKnownFault {
    std::string Class;
    std::string Event;
    std::string Act;
    std::string Fault;
};

// Drives every event of the class with every act; MORVIK_MATRIX=<text>|<text>... keeps only the
// cases whose "event / act" holds one of the texts; MORVIK_MATRIX_TRACE names each case on stderr as it starts, and
// MORVIK_MATRIX_LEAKS looks for leaks after each (under the address sanitizer).
void Drive(const TClass& Class, const std::vector<TKnownFault>& Known = {});
// The same with one act only (a class of many events runs as one case per act).
void Drive(const TClass& Class, const std::string& Act, const std::vector<TKnownFault>& Known);
// Every control class that the layer's headers declare has a row (a row "TListBox_MultiSelect"
// counts for TListBox), or is among LeftOut: classes whose events a row of a class made from them
// covers, and those no form holds.
// A table's cases, one per class (in the layers' tests).
#define MORVIK_HANDLER_MATRIX(Suite, Classes, Known)                                                     \
    class HandlerMatrix : public ::testing::TestWithParam<matrix::TClass> {};                           \
    TEST_P(HandlerMatrix, EveryEventsHandlerMayFreeOrChangeWhatRaisedItOrRaise)                         \
    {                                                                                                   \
        matrix::Drive(GetParam(), Known);                                                               \
    }                                                                                                   \
    INSTANTIATE_TEST_SUITE_P(Suite, HandlerMatrix, ::testing::ValuesIn(Classes), matrix::ClassName)

// (In the layers' tests only: they know where the sources are.)
#ifdef MORVIK_SOURCE_DIR
inline void ExpectARowForEveryClass(const std::string& Layer, const std::vector<TClass>& Classes,
                                    std::vector<std::string> LeftOut = {})
{
    for (const TClass& c : Classes)
        LeftOut.push_back(c.Name.substr(0, c.Name.find('_')));
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, Layer, LeftOut);
}
#endif
// The names of the class's acts, in the order Drive runs them.
std::vector<std::string> ActNames(const TClass& Class);

enum class TAct { FreeControl, FreeForm, FreeSibling, Change, Raise };

class TStage {
public:
    TForm* Form = nullptr;
    TEdit* Sibling = nullptr;
    TControl* Control = nullptr;
    TGuardPtr<TForm> F;
    TGuardPtr<TControl> C;
    TGuardPtr<TWinControl> E;
    TAct Act = TAct::FreeControl;
    const TClass* Class = nullptr;
    const TChange* Change = nullptr;
    int Calls = 0;
    // The objects the handler's last call was given (items, sections, the sender): a change may act
    // on what the event is about.
    std::vector<TGuardPtr<TObject>> Args;
    // Those of its first call.
    std::vector<TGuardPtr<TObject>> FirstArgs;
    // Whatever a row keeps between its Arm and Raise (a stream, a saved tree, a count).
    std::function<void()> Cleanup;

    // A handler for any event: it reads the state, then acts on its first call.
    auto Handler()
    {
        return [this](auto&&... Given) {
            if (Done)
                return;
            Args.clear();
            (Note(Given), ...);
            if (Calls == 0)
                FirstArgs = Args;
            Hit();
        };
    }
    void Hit();

    template <class T>
    T* As() const
    {
        return dynamic_cast<T*>(C.Get());
    }
    template <class T>
    T* Arg() const
    {
        for (const TGuardPtr<TObject>& a : Args)
            if (T* t = dynamic_cast<T*>(a.Get()))
                return t;
        return nullptr;
    }
    TWinControl* Windowed() const { return dynamic_cast<TWinControl*>(C.Get()); }
    bool Alive() const { return F && C; }

    // The handler's error came out of the input or the call.
    bool Escaped = false;
    // Set once the input has been given: later calls (the form going at the end) do nothing.
    bool Done = false;

    // Input, given only while the form (and, for what aims at it, the control) lives; a release
    // goes to the form at the control's place so it is given even when the press freed the control.
    // The handler's error ends one message, as the application's loop would catch it, and the input
    // goes on (Give wraps any other input a row gives).
    void Give(const std::function<void()>& Input);
    void Press(TMouseButton Button = mbLeft, TShiftState Shift = 0) { PressAt(AimPoint, Button, Shift); }
    // A press and release on the sibling (what takes the focus from the control).
    void PressSibling();
    void PressAt(TPoint At, TMouseButton Button = mbLeft, TShiftState Shift = 0);
    void Down(TPoint At, TMouseButton Button = mbLeft, TShiftState Shift = 0);
    void Up(TPoint At, TMouseButton Button = mbLeft, TShiftState Shift = 0);
    void Move(TPoint At, TShiftState Shift = 0);
    void DoubleClickAt(TPoint At);
    void Wheel(int Delta, TShiftState Shift = 0);
    void Key(Word Key, TShiftState Shift = 0);
    void Type(const std::string& Text);
    // The control takes the focus (as a press would, for a control a press does not focus).
    void Focus();
    void Pump();
    // Runs the message loop until the handler is called (a held press repeating), a minute at most.
    void WaitForCall();

    TPoint AimPoint;
    // The control's client origin on the form, kept for input given after it went.
    TPoint Origin;

private:
    template <class A>
    void Note(A&& Given)
    {
        using T = std::remove_cvref_t<A>;
        if constexpr (std::is_pointer_v<T> && std::is_convertible_v<T, const TObject*>) {
            if (Given)
                Args.emplace_back(const_cast<TObject*>(static_cast<const TObject*>(Given)));
        }
    }
    bool Acting = false;
};

template <class M>
struct TMemberOf;
template <class C, class E>
struct TMemberOf<E C::*> {
    using Class = C;
};

// A row whose Arm hangs the handler on the member event of the control's class.
template <class C, class E>
TStep Hang(E C::*Event)
{
    return [Event](TStage& S) {
        if (C* c = S.As<C>())
            c->*Event = S.Handler();
    };
}
template <auto Event>
TEvent On(std::string Name, TStep Raise, TStep After = nullptr, std::vector<std::string> Refused = {})
{
    return {std::move(Name), Hang(Event), std::move(Raise), nullptr, std::move(After), std::move(Refused)};
}

// A row's Arm for an event raised again and again (a held press repeating): the handler acts at
// its second call.
template <auto Event>
void HangSecond(TStage& S)
{
    using TOwner = typename TMemberOf<decltype(Event)>::Class;
    if (auto* c = S.As<TOwner>())
        c->*Event = [h = S.Handler(), n = 0](auto&&... Given) mutable {
            if (++n >= 2)
                h(Given...);
        };
}

// An Arm that gives the control the focus first.
TStep Focused(TStep Arm);

// The events every control raises on input, and those of windowed ones (keys, focus, wheel), with
// the focused sibling's OnExit as the focus comes to the control.
std::vector<TEvent> StandardEvents();

// The platform's edits, list boxes and combo boxes, for the tables of their classes and of the
// classes made from them: what a handler reads of them, the change it makes, and their own events
// (those of owner-drawn lists apply to owner-drawn styles only).
void ReadEdit(TStage& S);
void ReadListBox(TStage& S);
void ReadComboBox(TStage& S);
TChange ClearText();
TChange RefillItems();
std::vector<TEvent> EditEvents();
std::vector<TEvent> ListBoxEvents();
std::vector<TEvent> ComboBoxEvents();
// Count items, out of their order ("item 11", "item 10", ...).
void Fill(TStrings* Items, int Count);

// Rows of a list box class T (TCustomListBox and what derives from it): twelve items in a box tall
// enough to click the sixth; of a combo box class, six items, pressed on its button.
template <class T>
TClass ListBoxClass(const char* Name, TListBoxStyle Style, bool Multi = false, bool Extended = false);
template <class T>
TClass ComboBoxClass(const char* Name, TComboBoxStyle Style);
// Rows of an edit class T with two lines of text (one, unless it takes several).
template <class T>
TClass EditClass(const char* Name, TRect Bounds);

// A control of class T with its defaults, on the form at Bounds or (20, 50, 180, 110).
template <class T>
TControl* PlaceAt(TForm* Form, TRect Bounds)
{
    auto* c = new T(Form);
    c->SetParent(Form);
    c->SetBounds(Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height());
    return c;
}

template <class T>
TControl* Place(TForm* Form)
{
    return PlaceAt<T>(Form, {20, 50, 180, 110});
}

template <class T>
TClass ListBoxClass(const char* Name, TListBoxStyle Style, bool Multi, bool Extended)
{
    return {Name,
            [=](TForm* Form) {
                auto* l = static_cast<T*>(PlaceAt<T>(Form, {20, 50, 180, 250}));
                l->SetStyle(Style);
                l->SetMultiSelect(Multi);
                l->SetExtendedSelect(Extended);
                Fill(l->Items(), 12);
                return l;
            },
            ListBoxEvents(), {RefillItems()}, ReadListBox, ReadListBox};
}

template <class T>
TClass ComboBoxClass(const char* Name, TComboBoxStyle Style)
{
    TClass c{Name,
             [=](TForm* Form) {
                 auto* c = static_cast<T*>(PlaceAt<T>(Form, {20, 50, 180, 74}));
                 c->SetStyle(Style);
                 Fill(c->Items(), 6);
                 return c;
             },
             ComboBoxEvents(), {RefillItems()}, ReadComboBox, ReadComboBox};
    c.FromRight = 8;
    // A press on the button drops the list, which takes the release, the second press and the
    // moves that would drag.
    c.Without = {"OnMouseUp", "OnDblClick", "OnStartDrag", "OnEndDrag"};
    return c;
}

template <class T>
TClass EditClass(const char* Name, TRect Bounds)
{
    return {Name,
            [Bounds](TForm* Form) {
                TControl* e = PlaceAt<T>(Form, Bounds);
                e->SetText("some text\r\nto edit");
                return e;
            },
            EditEvents(), {ClearText()}, ReadEdit, ReadEdit};
}

}  // namespace matrix

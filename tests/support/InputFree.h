// Handlers that free the control that raised them, its form, or the control the focus leaves, for
// every event the class library's controls raise on input: the mouse (press, release, click, double
// click, move, enter, leave, wheel), the keys and the focus. The input goes on after the handler
// returns, so each control class is checked for what it does then.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "platform/Forms.h"

namespace inputfree {

// Make places a control on Form (owner and parent) inside (20, 50, 180, 110) and answers it.
// Pressed: a left press takes the focus to it. The mouse aims at the control's centre, or, with
// FromRight, that many pixels left of its right edge (a combo box's button, say).
struct TRow {
    std::string Name;
    std::function<TControl*(TForm* Form)> Make;
    bool Pressed = true;
    int FromRight = 0;
};
inline std::string RowName(const ::testing::TestParamInfo<TRow>& Info) { return Info.param.Name; }
inline void PrintTo(const TRow& Row, std::ostream* Os) { *Os << Row.Name; }

template <class T>
TRow Row(const char* Name, bool Pressed = true)
{
    return {Name,
            [](TForm* Form) {
                auto* c = new T(Form);
                c->SetParent(Form);
                c->SetBounds(20, 50, 160, 60);
                return static_cast<TControl*>(c);
            },
            Pressed};
}

// With an edit focused above the row's control, each event in turn gets a handler that frees the
// control (or the form, or the edit the focus leaves) and the input that raises it is given. The
// events every control raises must run; whichever ran, what it freed is gone, nothing else is, and
// what is left takes a click and the focus again.
void ExpectHandlersMayFreeIt(const TRow& Row);

}  // namespace inputfree

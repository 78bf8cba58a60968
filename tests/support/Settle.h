// Whether windows settle: once their pending messages have been handled, further passes of the
// message loop paint nothing (no WM_PAINT, no WM_NCPAINT, no screen update) while nothing changes.
// Counted through the window layer, not timed.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Forms.h"
#include "platform/PaintCount.h"

namespace PaintCount {

inline bool operator==(const TCounts& A, const TCounts& B)
{
    return A.Paints == B.Paints && A.FramePaints == B.FramePaints && A.ScreenUpdates == B.ScreenUpdates &&
           A.CaretBlinks == B.CaretBlinks && A.TimerTicks == B.TimerTicks;
}
inline void PrintTo(const TCounts& C, std::ostream* Os)
{
    *Os << "{WM_PAINT " << C.Paints << ", WM_NCPAINT " << C.FramePaints << ", screen " << C.ScreenUpdates
        << ", caret blinks " << C.CaretBlinks << ", ticks " << C.TimerTicks << "}";
}

}  // namespace PaintCount

namespace settle {

// Runs the message loop until the windows come to rest (every posted call delivered, every shown
// window painted and on the screen, every running timer ticked once since the call), then answers
// what Passes further passes painted. Not coming to rest within Limit, or painting without end
// meanwhile, is a test failure; either way the further passes show the endless work.
PaintCount::TCounts PaintsAfterSettling(int Passes = 20, std::chrono::milliseconds Limit = std::chrono::minutes(1));

// Runs the message loop, calling Step before each pass, until Done holds for the counts so far (a
// minute at most); answers the counts, timer ticks included.
PaintCount::TCounts PaintsUntil(const std::function<bool(const PaintCount::TCounts&)>& Done,
                                const std::function<void()>& Step = {});

// Only what was painted, the ticks and a focused control's caret blinking left out.
inline PaintCount::TCounts Painted(PaintCount::TCounts C)
{
    C.TimerTicks = 0;
    C.CaretBlinks = 0;
    return C;
}

// One row of a table of control classes: Make puts a control of the class with its defaults on Form
// (owner and parent), or shows a window of its own.
struct TRow {
    std::string Name;
    std::function<void(TForm* Form)> Make;
};
inline std::string RowName(const TRow& Row) { return Row.Name; }
inline void PrintTo(const TRow& Row, std::ostream* Os) { *Os << Row.Name; }

// Names a row of a table crossed with themes on (true) and off.
inline std::string ThemedRowName(const ::testing::TestParamInfo<std::tuple<TRow, bool>>& Info)
{
    return std::get<0>(Info.param).Name + (std::get<1>(Info.param) ? "_Themed" : "_Plain");
}

// Places a control of class T with its defaults on the form, at a size where it shows itself.
template <class T>
TRow Row(const char* Name)
{
    return {Name, [](TForm* Form) {
                auto* c = new T(Form);
                c->SetParent(Form);
                c->SetBounds(20, 20, 160, 120);
            }};
}

// The control classes (TControl and what derives from it) that the headers of one layer's folder
// declare, read from the sources under SourceDir; templates are left out (their instances are
// classes of their own).
std::vector<std::string> ControlClassesDeclaredIn(const std::string& SourceDir, const std::string& Layer);

// Every control class the layer declares is named by a row.
void ExpectARowForEveryControlClass(const std::string& SourceDir, const std::string& Layer,
                                    const std::vector<std::string>& RowNames);
template <class TRows>
std::vector<std::string> NamesOf(const TRows& Rows)
{
    std::vector<std::string> names;
    for (const TRow& r : Rows)
        names.push_back(r.Name);
    return names;
}

// Makes the row's control on a fresh shown form, lets it settle and checks that further passes
// paint nothing and that no timer is left running; the form is freed at the end.
void ExpectSettles(const TRow& Row);

}  // namespace settle

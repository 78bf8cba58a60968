// The window-less buttons' events, each with handlers that free the button, its form or the focused
// sibling, change the button, or raise (tests/support/HandlerMatrix.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extras/Exgraphbtn.h"
#include "extras/Exspeedbtn.h"
#include "platform/Menus.h"
#include "tests/support/HandlerMatrix.h"

namespace {

using matrix::TClass;
using matrix::TStage;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {};

TPopupMenu* Menu(TForm* Form)
{
    auto* menu = new TPopupMenu(Form);
    menu->Items()->Add(new TMenuItem(menu));
    return menu;
}

// An arrow part on the right with a pull-down menu behind it.
TControl* GraphicButton(TForm* Form)
{
    auto* b = static_cast<TExGraphicButton*>(matrix::PlaceAt<TExGraphicButton>(Form, {20, 50, 120, 75}));
    b->SetCaption("Button");
    b->SetUseArrow(true);
    b->SetPullDownMenu(Menu(Form));
    return b;
}

// A menu that opens when the button is held a moment.
TControl* SpeedButton(TForm* Form)
{
    auto* b = static_cast<TExSpeedButton*>(matrix::PlaceAt<TExSpeedButton>(Form, {20, 50, 60, 90}));
    b->SetPullDownMenu(Menu(Form));
    b->PullDownEnabled = true;
    b->PullDownInterval = 30;
    return b;
}

matrix::TChange ClearCaption()
{
    return {"clears the caption", [](TStage& S) { S.Control->SetCaption(""); }};
}

std::vector<TClass> Classes()
{
    TClass graphic{"TExGraphicButton",
                   GraphicButton,
                   {matrix::On<&TExGraphicButton::OnArrowClick>(
                       "OnArrowClick", [](TStage& S) { S.PressAt({S.Control->Width() - 5, 12}); })},
                   {ClearCaption()},
                   [](TStage& S) { EXPECT_LE(S.Control->Caption().size(), 6u); }};
    // A double click is two clicks.
    graphic.Without = {"OnDblClick"};
    TClass speed{"TExSpeedButton",
                 SpeedButton,
                 {matrix::On<&TExSpeedButton::OnPullDown>("OnPullDown",
                                                          [](TStage& S) {
                                                              S.Down(S.AimPoint);
                                                              S.WaitForCall();
                                                              S.Up(S.AimPoint);
                                                          })},
                 {{"frees its menu", [](TStage& S) { TObject::Free(S.As<TExSpeedButton>()->PullDownMenu()); }}},
                 [](TStage& S) {
                     // What it keeps of the menu is the menu of the form, or nothing.
                     if (TPopupMenu* m = S.As<TExSpeedButton>()->PullDownMenu()) {
                         EXPECT_EQ(m->Owner(), S.Form);
                     }
                 }};
    speed.Without = {"OnDblClick"};
    return {graphic, speed};
}

TEST(HandlerMatrixTable, HasARowForEveryControlClassOfTheLayer)
{
    matrix::ExpectARowForEveryClass("extras", Classes(), {"TCustomExGraphicButton"});
}

MORVIK_HANDLER_MATRIX(Extras, Classes(), KnownFaults);

}  // namespace

// The library's controls' events, each with handlers that free the control, its form or the focused
// sibling, change the control's contents, or raise (tests/support/HandlerMatrix.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "controls/Expopbtn.h"
#include "controls/Exscrollbar.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "tests/support/HandlerMatrix.h"
#include "tests/support/UiTest.h"

namespace {

using matrix::On;
using matrix::TChange;
using matrix::TClass;
using matrix::TEvent;
using matrix::TStage;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {};

// ---------------------------------------------------------------- header

// Four sections 100 wide: the first can be expanded (the fourth is its child, hidden until then),
// the second has a look-up, the third a filter and its owner draws it.
TControl* Header(TForm* Form)
{
    auto* h = static_cast<TExHeader*>(matrix::PlaceAt<TExHeader>(Form, {20, 50, 420, 72}));
    h->SetAlign(alNone);
    h->SetUseXPThemes(false);
    h->SetLockHeight(true);
    h->SetAllowDrag(true);
    auto* images = new TImageList(Form);
    TBitmap picture;
    picture.SetSize(16, 16);
    images->AddMasked(&picture, clFuchsia);
    h->SetImages(images);
    for (int i = 0; i < 4; ++i) {
        TExHeaderSection* s = h->Sections()->AddSection();
        s->SetWidth(100);
        s->SetText(i == 0 ? "<html>S<img src=\"pic\">0</html>" : "S" + std::to_string(i));
    }
    TExHeaderSections* s = h->Sections();
    s->GetSection(0)->SetExpandable(true);
    s->GetSection(3)->SetParentSection(s->GetSection(0));
    s->GetSection(1)->SetLookupEnabled(true);
    s->GetSection(1)->LookupHistory()->Add("alpha");
    s->GetSection(2)->SetFilterEnabled(true);
    s->GetSection(2)->SetStyle(ExhsOwnerDraw);
    return h;
}

TExHeader* HeaderOf(TStage& S) { return S.As<TExHeader>(); }
TExHeaderSection* At(TStage& S, Integer Position) { return HeaderOf(S)->Sections()->GetSectionByPos(Position); }

// Presses come apart from the one before, so none is taken for a double click.
matrix::TStep ClickAt(int X, int Y)
{
    return [X, Y](TStage& S) {
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        S.PressAt({X, Y});
    };
}

matrix::TStep DragAt(int X1, int X2, int Y = 8)
{
    return [=](TStage& S) {
        S.Down({X1, Y});
        for (int x = X1; x != X2; x += X2 > X1 ? 5 : -5)
            S.Move({x, Y}, ssLeft);
        S.Up({X2, Y});
    };
}

void Repaint(TStage& S)
{
    S.Control->Invalidate();
    S.Control->Update();
}

// The look-up editor of the second section, opened by its sign.
matrix::TStep LookUp(std::vector<Word> Keys)
{
    return [Keys](TStage& S) {
        ClickAt(193, 14)(S);
        S.Pump();
        S.Type("a");
        for (Word k : Keys)
            S.Key(k);
    };
}

void ReadHeader(TStage& S)
{
    TExHeaderSections* s = HeaderOf(S)->Sections();
    const Integer n = s->GetCount();
    for (Integer i = 0; i < n; ++i) {
        TExHeaderSection* at = s->GetSectionByPos(i);
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(s->GetSection(i)->GetIndex(), i);
        EXPECT_EQ(at->GetPosition(), i);
        EXPECT_GE(at->Width(), 0);
        at->Text();
    }
}

std::vector<TEvent> HeaderEvents()
{
    return {
        On<&TCustomExHeader::OnSectionClick>("OnSectionClick", ClickAt(50, 8)),
        On<&TCustomExHeader::OnSectionResizing>("OnSectionResizing", DragAt(98, 133)),
        On<&TCustomExHeader::OnSectionResize>("OnSectionResize", DragAt(98, 133)),
        On<&TCustomExHeader::OnSectionMove>("OnSectionMove", DragAt(150, 30)),
        // With the section's own picture after what the owner draws.
        {"OnSectionDraw",
         [](TStage& S) {
             At(S, 2)->SetImageIndex(0);
             At(S, 2)->SetPictureAlign(hsaRight);
             matrix::Hang(&TCustomExHeader::OnSectionDraw)(S);
         },
         Repaint},
        {"OnSectionDraw, pressed", matrix::Hang(&TCustomExHeader::OnSectionDraw),
         [](TStage& S) { S.PressAt({250, 8}); }},
        {"OnSectionDraw, dragged", matrix::Hang(&TCustomExHeader::OnSectionDraw), DragAt(250, 180)},
        {"OnPictureNeeded",
         [](TStage& S) {
             At(S, 1)->SetImageIndex(0);
             matrix::Hang(&TCustomExHeader::OnPictureNeeded)(S);
         },
         Repaint},
        On<&TCustomExHeader::OnHTMLImageNeeded>("OnHTMLImageNeeded", Repaint),
        // The picture asked for again as the laid-out caption is drawn; the section's own picture
        // comes after it.
        {"OnHTMLImageNeeded, drawn",
         [](TStage& S) {
             At(S, 0)->SetImageIndex(0);
             At(S, 0)->SetPictureAlign(hsaRight);
             matrix::HangSecond<&TCustomExHeader::OnHTMLImageNeeded>(S);
         },
         Repaint},
        On<&TCustomExHeader::OnHTMLImageNeeded>(
            "OnHTMLImageNeeded, caption set", [](TStage& S) { At(S, 1)->SetText("<html>a<img src=\"b\">c</html>"); }),
        On<&TCustomExHeader::OnSectionChange>("OnSectionChange", [](TStage& S) { At(S, 1)->SetText("changed"); }),
        On<&TCustomExHeader::OnSectionExpand>("OnSectionExpand", ClickAt(93, 5)),
        {"OnSectionCollapse",
         [](TStage& S) {
             At(S, 0)->SetExpanded(true);
             matrix::Hang(&TCustomExHeader::OnSectionCollapse)(S);
         },
         ClickAt(93, 5)},
        On<&TCustomExHeader::OnSectionCreate>("OnSectionCreate",
                                              [](TStage& S) { HeaderOf(S)->Sections()->AddSection(); }),
        // Deleting the section it is told of again is refused.
        On<&TCustomExHeader::OnSectionDelete>(
            "OnSectionDelete", [](TStage& S) { HeaderOf(S)->Sections()->DeleteSection(At(S, 2)); }, nullptr,
            {"deletes the section"}),
        On<&TCustomExHeader::OnSectionShowHide>("OnSectionShowHide",
                                                [](TStage& S) { At(S, 2)->SetVisible(false); }),
        On<&TCustomExHeader::OnSectionAutoSize>("OnSectionAutoSize", [](TStage& S) {
            Input::AdvanceTime(GetDoubleClickTime() + 1);
            S.DoubleClickAt({99, 8});
        }),
        On<&TCustomExHeader::OnFilterCall>("OnFilterCall", ClickAt(293, 14)),
        On<&TCustomExHeader::OnMeasureSection>(
            "OnMeasureSection", [](TStage& S) { HeaderOf(S)->MeasureSectionWidth(At(S, 2), nullptr, nullptr); }),
        On<&TCustomExHeader::OnHeaderLookup>("OnHeaderLookup", LookUp({})),
        On<&TCustomExHeader::OnHeaderLookupDone>("OnHeaderLookupDone", LookUp({VK_RETURN})),
        On<&TCustomExHeader::OnHeaderLookupDone>("OnHeaderLookupDone, Escape", LookUp({VK_ESCAPE})),
    };
}

TClass HeaderClass()
{
    TClass c{"TExHeader", Header, HeaderEvents(),
             {{"deletes the section",
               [](TStage& S) {
                   TExHeaderSection* s = S.Arg<TExHeaderSection>();
                   HeaderOf(S)->Sections()->DeleteSection(s ? s : At(S, 1));
               }},
              {"clears and refills the sections",
               [](TStage& S) {
                   TExHeaderSections* s = HeaderOf(S)->Sections();
                   s->Clear();
                   s->AddSection()->SetWidth(60);
               }}},
             ReadHeader, ReadHeader};
    c.PressTakesNoFocus = true;
    c.FromRight = 350;
    return c;
}

// ---------------------------------------------------------------- scroll bar

TControl* ScrollBar(TForm* Form)
{
    auto* b = static_cast<TExScrollBar*>(matrix::PlaceAt<TExScrollBar>(Form, {20, 50, 220, 67}));
    b->SetUseSystemMetrics(false);
    b->SetKind(sbHorizontal);
    b->SetButtonSize(17);
    b->SetPosition(50);
    b->SetPage(10);
    b->SetShowTrackHint(true);
    return b;
}

TExScrollBar* Bar(TStage& S) { return S.As<TExScrollBar>(); }

void PressArrow(TStage& S) { S.PressAt({190, 8}); }

void DragThumb(TStage& S)
{
    const int t = Bar(S)->GetThumbPos() + 3;
    S.Down({t, 8});
    for (int i = 1; i <= 4; ++i)
        S.Move({t + 10 * i, 8}, ssLeft);
    S.Up({t + 40, 8});
}

void ReadBar(TStage& S)
{
    TExScrollBar* b = Bar(S);
    EXPECT_LE(b->Min(), b->Max());
    EXPECT_GE(b->Position(), b->Min());
    EXPECT_LE(b->Position(), b->Max());
}

TClass ScrollBarClass()
{
    auto ownerDrawn = [](matrix::TStep Raise) {
        return [Raise](TStage& S) {
            Bar(S)->SetOwnerDraw(true);
            Raise(S);
        };
    };
    TClass c{"TExScrollBar",
             ScrollBar,
             {On<&TCustomExScrollBar::OnScroll>("OnScroll, arrow", PressArrow),
              On<&TCustomExScrollBar::OnScroll>("OnScroll, thumb", DragThumb),
              {"OnScroll, held", matrix::HangSecond<&TCustomExScrollBar::OnScroll>,
               [](TStage& S) {
                   S.Down({190, 8});
                   S.WaitForCall();
                   S.Up({190, 8});
               }},
              On<&TCustomExScrollBar::OnScroll>("OnScroll, wheel", [](TStage& S) { S.Wheel(120); }),
              {"OnScroll, Page Down", matrix::Hang(&TCustomExScrollBar::OnScroll),
               [](TStage& S) {
                   S.Focus();
                   S.Key(VK_NEXT);
               }},
              On<&TCustomExScrollBar::OnChange>("OnChange", PressArrow),
              On<&TCustomExScrollBar::OnChange>("OnChange, thumb", DragThumb),
              On<&TCustomExScrollBar::OnHitTest>("OnHitTest", PressArrow),
              On<&TCustomExScrollBar::OnScrollHintNeeded>("OnScrollHintNeeded", DragThumb),
              On<&TCustomExScrollBar::OnDrawPart>("OnDrawPart", ownerDrawn(Repaint)),
              On<&TCustomExScrollBar::OnDrawPart>("OnDrawPart, pressed", ownerDrawn(DragThumb))},
             {{"empties its range", [](TStage& S) {
                   Bar(S)->SetMin(0);
                   Bar(S)->SetMax(0);
               }}},
             ReadBar,
             ReadBar};
    c.PressTakesNoFocus = true;
    return c;
}

// ---------------------------------------------------------------- popup button

// A button with an arrow part on its right and a pull-down menu behind it.
template <class T>
TControl* PopupButton(TForm* Form)
{
    auto* b = static_cast<T*>(matrix::PlaceAt<T>(Form, {20, 50, 120, 75}));
    b->SetCaption("Button");
    b->SetUseXPThemes(false);
    b->SetUseArrow(true);
    auto* menu = new TPopupMenu(Form);
    menu->Items()->Add(new TMenuItem(menu));
    b->SetPullDownMenu(menu);
    return b;
}

template <class T>
TClass PopupButtonClass(const char* Name)
{
    TClass c{Name,
             PopupButton<T>,
             {On<&T::OnArrowClick>("OnArrowClick", [](TStage& S) { S.PressAt({S.Control->Width() - 5, 12}); }),
              {"OnClick, Space",
               [](TStage& S) {
                   S.Focus();
                   matrix::Hang(&TControl::OnClick)(S);
               },
               [](TStage& S) { S.Key(VK_SPACE); }}},
             {{"clears the caption", [](TStage& S) { S.Control->SetCaption(""); }}},
             [](TStage& S) { EXPECT_LE(S.Control->Caption().size(), 6u); }};
    // A double click is two clicks; key releases stop at the button (only the space bar's acts).
    c.Without = {"OnDblClick", "OnKeyUp"};
    return c;
}

// A box of class T that widens its list sideways to its widest item as items come.
template <class T>
TClass Sideways(TClass Class)
{
    Class.Name += "_HorizontalScroll";
    Class.Make = [Make = Class.Make](TForm* Form) {
        auto* c = static_cast<T*>(Make(Form));
        c->SetHorizontalScroll(true);
        return c;
    };
    return Class;
}

std::vector<TClass> Classes()
{
    return {
        HeaderClass(),
        ScrollBarClass(),
        matrix::EditClass<TExAdvancedEdit>("TExAdvancedEdit", {20, 50, 180, 72}),
        matrix::EditClass<TExAdvancedMemo>("TExAdvancedMemo", {20, 50, 180, 150}),
        matrix::ListBoxClass<TExAdvancedListBox>("TExAdvancedListBox", lbStandard),
        matrix::ListBoxClass<TExAdvancedListBox>("TExAdvancedListBox_OwnerDrawVariable", lbOwnerDrawVariable),
        matrix::ComboBoxClass<TExAdvancedComboBox>("TExAdvancedComboBox", csDropDown),
        matrix::ComboBoxClass<TExAdvancedComboBox>("TExAdvancedComboBox_OwnerDrawVariable", csOwnerDrawVariable),
        Sideways<TExAdvancedListBox>(
            matrix::ListBoxClass<TExAdvancedListBox>("TExAdvancedListBox_OwnerDrawVariable", lbOwnerDrawVariable)),
        Sideways<TExAdvancedComboBox>(
            matrix::ComboBoxClass<TExAdvancedComboBox>("TExAdvancedComboBox_OwnerDrawVariable", csOwnerDrawVariable)),
        PopupButtonClass<TExPopupButton>("TExPopupButton"),
    };
}

// The classes a row covers only through a class made from them, and those not placed on a form.
const std::vector<std::string> kLeftOut = {"TExButtonControl",      "TCustomExPopupButton", "TCustomExScrollBar",
                                           "TCustomExHeader",       "TCustomExAdvancedEdit", "TExHintWindow",
                                           "TListBoxHintWindow",    "TfrmHeaderSetup"};

TEST(HandlerMatrixTable, HasARowForEveryControlClassOfTheLayer)
{
    matrix::ExpectARowForEveryClass("controls", Classes(), kLeftOut);
}

MORVIK_HANDLER_MATRIX(Controls, Classes(), KnownFaults);

}  // namespace

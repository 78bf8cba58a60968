// What the advanced edit, memo and list box share through their flat base: the image form's
// repaint notice reaches every child, and a change of the system's visual style draws the
// control again.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/Exactrls.h"
#include "ctlbase/Eximgfrm.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

// A child window that counts the image form's repaint notices it hears.
class TNoticeCounter : public TWinControl {
public:
    using TWinControl::TWinControl;
    int Notices = 0;
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == IFM_REPAINTCHILDREN)
            ++Notices;
        TWinControl::Dispatch(Message);
    }
};

struct TFlatKind {
    const char* Name;
    std::function<TWinControl*(TComponent*)> Make;
};

[[maybe_unused]] void PrintTo(const TFlatKind& Kind, std::ostream* Out) { *Out << Kind.Name; }

const TFlatKind Kinds[] = {
    {"Edit", [](TComponent* o) -> TWinControl* { return new TExAdvancedEdit(o); }},
    {"Memo", [](TComponent* o) -> TWinControl* { return new TExAdvancedMemo(o); }},
    {"ListBox", [](TComponent* o) -> TWinControl* { return new TExAdvancedListBox(o); }},
};

struct FlatBase : ::testing::TestWithParam<TFlatKind> {
    TForm* Form = new TForm(nullptr);
    TWinControl* C = GetParam().Make(Form);

    FlatBase()
    {
        Form->SetBounds(60, 60, 400, 300);
        C->SetParent(Form);
        C->SetBounds(20, 20, 200, 120);
        Form->Show();
        uitest::Pump();
    }
    ~FlatBase() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
};

TEST_P(FlatBase, TheImageFormsNoticeReachesEveryChild)
{
    auto* first = new TNoticeCounter(Form);
    auto* second = new TNoticeCounter(Form);
    for (TNoticeCounter* child : {first, second}) {
        child->SetParent(C);
        child->SetBounds(2, 2, 10, 10);
    }
    uitest::Pump();
    C->Perform(IFM_REPAINTCHILDREN, 0, 0);
    uitest::Pump();
    EXPECT_EQ(first->Notices, 1);
    EXPECT_EQ(second->Notices, 1);
    // A move of the control tells them too.
    C->SetBounds(30, 30, 200, 120);
    uitest::Pump();
    EXPECT_EQ(first->Notices, 2);
    EXPECT_EQ(second->Notices, 2);
}

TEST_P(FlatBase, AChangeOfVisualStyleDrawsTheControlAgain)
{
    uitest::Pump();
    HDC dc = GetDC(C->Handle());
    SetPixel(dc, 5, 5, RGB(255, 0, 0));
    ReleaseDC(C->Handle(), dc);
    ValidateRect(C->Handle(), nullptr);
    EXPECT_EQ(C->Perform(WM_THEMECHANGED, 0, 0), 1);
    uitest::Pump();
    dc = GetDC(C->Handle());
    EXPECT_NE(GetPixel(dc, 5, 5), RGB(255, 0, 0));
    ReleaseDC(C->Handle(), dc);
}

// The scroll bars' flat look while focused is a focused control's alone: switching it redraws the
// frame of a focused memo or list box and leaves an unfocused one's frame as it is.
template <class TFlat>
void FlatScrollBarsRedrawOnlyAFocusedFrame()
{
    TForm* form = new TForm(nullptr);
    form->SetBounds(60, 60, 400, 300);
    auto* c = new TFlat(form);
    c->SetParent(form);
    c->SetBounds(20, 20, 200, 120);
    c->SetFlat(true);
    auto* other = new TExAdvancedEdit(form);
    other->SetParent(form);
    other->SetBounds(20, 200, 100, 24);
    form->Show();
    auto framePixel = [&] {
        uitest::Pump();
        HDC dc = GetWindowDC(c->Handle());
        const COLORREF p = GetPixel(dc, 1, 1);
        ReleaseDC(c->Handle(), dc);
        return p;
    };
    const COLORREF mark = RGB(1, 2, 3);
    for (bool focused : {true, false}) {
        SCOPED_TRACE(focused ? "focused" : "unfocused");
        if (focused)
            c->SetFocus();
        else
            other->SetFocus();
        ASSERT_NE(framePixel(), mark);
        HDC dc = GetWindowDC(c->Handle());
        SetPixel(dc, 1, 1, mark);
        ReleaseDC(c->Handle(), dc);
        ASSERT_EQ(framePixel(), mark);
        c->SetFlatFocusedScrollBars(!c->FlatFocusedScrollBars());
        EXPECT_EQ(framePixel() == mark, !focused);
    }
    TObject::Free(form);
    uitest::Pump();
}

TEST(FlatScrollBars, RedrawOnlyAFocusedMemosFrame) { FlatScrollBarsRedrawOnlyAFocusedFrame<TExAdvancedMemo>(); }
TEST(FlatScrollBars, RedrawOnlyAFocusedListBoxsFrame) { FlatScrollBarsRedrawOnlyAFocusedFrame<TExAdvancedListBox>(); }

INSTANTIATE_TEST_SUITE_P(Kinds, FlatBase, ::testing::ValuesIn(Kinds),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace

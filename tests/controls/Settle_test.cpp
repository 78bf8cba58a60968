// The library's controls, shown with their defaults (and some with content) with themes on and off,
// settle: once their pending messages have been handled, further passes of the message loop paint
// nothing and no timer runs.
#include <gtest/gtest.h>

#include <tuple>

#include "controls/Exactrls.h"
#include "controls/Exbtnctl.h"
#include "controls/Exheader.h"
#include "controls/Exheadersetup.h"
#include "controls/Exhintwnd.h"
#include "controls/Expopbtn.h"
#include "controls/Exscrollbar.h"
#include "tests/ctlbase/ThemeRestart.h"
#include "tests/support/Settle.h"

namespace {

using settle::Row;
using settle::TRow;

template <class T>
TRow Hint(const char* Name, const char* Text)
{
    return {Name, [Text](TForm* Form) { (new T(Form))->ActivateHint(TRect{100, 100, 260, 140}, Text); }};
}

const TRow kRows[] = {
    Row<TExButtonControl>("TExButtonControl"),
    Row<TCustomExPopupButton>("TCustomExPopupButton"),
    Row<TExPopupButton>("TExPopupButton"),
    Row<TCustomExScrollBar>("TCustomExScrollBar"),
    Row<TExScrollBar>("TExScrollBar"),
    {"TExScrollBarScrolled", [](TForm* Form) {
         auto* c = new TExScrollBar(Form);
         c->SetParent(Form);
         c->SetBounds(20, 20, 200, 17);
         c->SetMax(1000);
         c->SetPosition(400);
     }},
    Row<TCustomExHeader>("TCustomExHeader"),
    Row<TExHeader>("TExHeader"),
    {"TExHeaderWithSections", [](TForm* Form) {
         auto* c = new TExHeader(Form);
         c->SetParent(Form);
         c->SetBounds(20, 20, 300, 20);
         for (const char* text : {"Date", "Time", "<b>Station</b>"})
             c->Sections()->AddSection()->SetText(text);
     }},
    Hint<TExHintWindow>("TExHintWindow", "A <b>marked</b> hint"),
    Hint<TListBoxHintWindow>("TListBoxHintWindow", "A long list item"),
    Row<TCustomExAdvancedEdit>("TCustomExAdvancedEdit"),
    Row<TExAdvancedEdit>("TExAdvancedEdit"),
    Row<TExAdvancedMemo>("TExAdvancedMemo"),
    Row<TExAdvancedListBox>("TExAdvancedListBox"),
    {"TExAdvancedListBoxWithItems", [](TForm* Form) {
         auto* c = new TExAdvancedListBox(Form);
         c->SetParent(Form);
         c->SetBounds(20, 20, 160, 120);
         for (int i = 0; i < 100; ++i)
             c->Items()->Add("Item " + std::to_string(i));
     }},
    Row<TExAdvancedComboBox>("TExAdvancedComboBox"),
    {"TfrmHeaderSetup", [](TForm* Form) { (new TfrmHeaderSetup(Form))->Show(); }},
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "controls", settle::NamesOf(kRows));
}

class Settles : public ::testing::TestWithParam<std::tuple<TRow, bool>> {
protected:
    void TearDown() override { themetest::Restart(true); }
};

TEST_P(Settles, NoPaintAndNoTimerOnceThePendingMessagesAreHandled)
{
    themetest::Restart(std::get<1>(GetParam()));
    settle::ExpectSettles(std::get<0>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(LibraryControls, Settles, ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         settle::ThemedRowName);

}  // namespace

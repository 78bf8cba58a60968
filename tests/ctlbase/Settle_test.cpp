// The base's controls, shown with their defaults with themes on and off, settle: once their pending
// messages have been handled, further passes of the message loop paint nothing and no timer runs.
#include <gtest/gtest.h>

#include <tuple>

#include "ctlbase/Exdragdrop.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "tests/ctlbase/ThemeRestart.h"
#include "tests/support/Settle.h"

namespace {

using settle::Row;
using settle::TRow;

// The themed base names its theme class in each descendant; this one asks for the button's.
class TPlainThemed : public TExXPThemedControl {
public:
    using TExXPThemedControl::TExXPThemedControl;
    std::u16string GetThemedClassName() override { return u"BUTTON"; }
};

const TRow kRows[] = {
    Row<TPlainThemed>("TExXPThemedControl"),
    Row<TExDragDrop>("TExDragDrop"),
    {"TExDragDropAsDropTarget", [](TForm* Form) {
         auto* c = new TExDragDrop(Form);
         c->SetParent(Form);
         c->SetBounds(20, 20, 160, 120);
         c->SetIsDropTarget(true);
     }},
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "ctlbase", settle::NamesOf(kRows));
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

INSTANTIATE_TEST_SUITE_P(BaseControls, Settles, ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         settle::ThemedRowName);

}  // namespace

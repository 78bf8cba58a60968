// The extra buttons, shown with their defaults with themes on and off, settle: once their pending
// messages have been handled, further passes of the message loop paint nothing and no timer runs.
#include <gtest/gtest.h>

#include <tuple>

#include "extras/Exgraphbtn.h"
#include "extras/Exspeedbtn.h"
#include "tests/ctlbase/ThemeRestart.h"
#include "tests/support/Settle.h"

namespace {

using settle::Row;
using settle::TRow;

const TRow kRows[] = {
    Row<TExSpeedButton>("TExSpeedButton"),
    Row<TCustomExGraphicButton>("TCustomExGraphicButton"),
    Row<TExGraphicButton>("TExGraphicButton"),
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "extras", settle::NamesOf(kRows));
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

INSTANTIATE_TEST_SUITE_P(ExtraButtons, Settles, ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         settle::ThemedRowName);

}  // namespace

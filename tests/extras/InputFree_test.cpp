// The window-less buttons, freed (or their form) by a handler of any mouse event while that input
// goes on.
#include <gtest/gtest.h>

#include "extras/Exgraphbtn.h"
#include "extras/Exspeedbtn.h"
#include "tests/support/InputFree.h"

namespace {

using inputfree::Row;

class InputHandlers : public ::testing::TestWithParam<inputfree::TRow> {};

TEST_P(InputHandlers, MayFreeTheControlItsFormOrTheControlTheFocusLeaves)
{
    inputfree::ExpectHandlersMayFreeIt(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Extras, InputHandlers,
                         ::testing::Values(Row<TExGraphicButton>("TExGraphicButton", false),
                                           Row<TExSpeedButton>("TExSpeedButton", false)),
                         inputfree::RowName);

}  // namespace

// The library's controls, freed (or their form, or the control the focus leaves) by a handler of
// any input event while that input goes on.
#include <gtest/gtest.h>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "controls/Expopbtn.h"
#include "controls/Exscrollbar.h"
#include "tests/support/InputFree.h"

namespace {

using inputfree::Row;

class InputHandlers : public ::testing::TestWithParam<inputfree::TRow> {};

TEST_P(InputHandlers, MayFreeTheControlItsFormOrTheControlTheFocusLeaves)
{
    inputfree::ExpectHandlersMayFreeIt(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Controls, InputHandlers,
                         ::testing::Values(Row<TExPopupButton>("TExPopupButton"),
                                           Row<TCustomExPopupButton>("TCustomExPopupButton", false),
                                           Row<TExScrollBar>("TExScrollBar", false),
                                           Row<TExHeader>("TExHeader", false),
                                           Row<TExAdvancedEdit>("TExAdvancedEdit"),
                                           Row<TExAdvancedMemo>("TExAdvancedMemo"),
                                           Row<TExAdvancedListBox>("TExAdvancedListBox"),
                                           inputfree::TRow{"TExAdvancedComboBox",
                                            [](TForm* Form) {
                                                auto* c = new TExAdvancedComboBox(Form);
                                                c->SetParent(Form);
                                                c->SetBounds(20, 50, 160, 24);
                                                c->Items()->Add("one");
                                                return static_cast<TControl*>(c);
                                            },
                                            true, 8}),
                         inputfree::RowName);

}  // namespace

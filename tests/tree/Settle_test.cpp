// The tree, shown with its defaults and with content (items, header, both bars, standard bars, flat
// frame), with themes on and off, settles: once its pending messages have been handled, further
// passes of the message loop paint nothing and no timer runs.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/ctlbase/ThemeRestart.h"
#include "tests/support/Settle.h"
#include "tree/Extree.h"

namespace {

using settle::Row;
using settle::TRow;

// A tree with rows past both edges: its view, header, both custom bars and the corner between them.
TExTree* Filled(TForm* Form)
{
    auto* t = new TExTree(Form);
    t->SetParent(Form);
    t->SetBounds(20, 20, 240, 160);
    t->Header()->Sections()->AddSection()->SetWidth(200);
    t->Header()->Sections()->AddSection()->SetWidth(200);
    t->SetShowHeader(true);
    t->Items()->BeginUpdate();
    for (int d = 0; d < 20; ++d) {
        TExTreeItem* day = t->Items()->Add(nullptr, "Day " + std::to_string(d));
        for (int m = 0; m < 10; ++m)
            t->Items()->AddChild(day, "Message " + std::to_string(m));
        day->Expand(false);
    }
    t->Items()->EndUpdate();
    return t;
}

const TRow kRows[] = {
    Row<TCustomExTree>("TCustomExTree"),
    Row<TExTree>("TExTree"),
    {"TExTreeView", [](TForm* Form) { Filled(Form); }},
    {"TExTreeWithStandardBars", [](TForm* Form) { Filled(Form)->SetUseCustomScrollBars(false); }},
    {"TExTreeFlat", [](TForm* Form) { Filled(Form)->SetFlat(true); }},
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "tree", settle::NamesOf(kRows));
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

INSTANTIATE_TEST_SUITE_P(Tree, Settles, ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         settle::ThemedRowName);

}  // namespace

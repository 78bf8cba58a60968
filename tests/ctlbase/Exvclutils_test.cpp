#include "ctlbase/Exvclutils.h"

#include <gtest/gtest.h>

#include "platform/Forms.h"

namespace {

struct Pair {
    TRect a, b;
    bool overlap;
};

class RectsIntersectTable : public ::testing::TestWithParam<Pair> {};

TEST_P(RectsIntersectTable, TrueExactlyWhenAPixelIsShared)
{
    const Pair p = GetParam();
    EXPECT_EQ(RectsIntersect(p.a, p.b), p.overlap);
    EXPECT_EQ(RectsIntersect(p.b, p.a), p.overlap);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectsIntersectTable,
                         ::testing::Values(Pair{Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), true},
                                           Pair{Rect(0, 0, 10, 10), Rect(20, 0, 30, 10), false},
                                           Pair{Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), false},  // edges touch
                                           Pair{Rect(0, 0, 10, 10), Rect(9, 9, 10, 10), true},    // one pixel
                                           Pair{Rect(0, 0, 10, 10), Rect(2, 2, 4, 4), true},      // inside
                                           Pair{Rect(0, 0, 10, 10), Rect(3, 3, 3, 8), false},     // empty
                                           Pair{Rect(-5, -5, 0, 0), Rect(-1, -1, 1, 1), true}));

TEST(GetOwnerForm, FindsTheFormUpTheOwnerChainOrTheComponentItself)
{
    TForm* form = new TForm(nullptr);
    auto* holder = new TComponent(form);
    auto* inner = new TComponent(holder);
    EXPECT_EQ(GetOwnerForm(inner), form);
    EXPECT_EQ(GetOwnerForm(form), form);
    TComponent loose(nullptr);
    EXPECT_EQ(GetOwnerForm(&loose), nullptr);
    EXPECT_EQ(GetOwnerForm(nullptr), nullptr);
    TObject::Free(form);
}

}  // namespace

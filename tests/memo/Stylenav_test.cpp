#include <gtest/gtest.h>

#include "memo/Stylememo.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

class Navigator : public ::testing::Test {
protected:
    TStyleMemo m{nullptr};
    TStyleNavigator* n = new TStyleNavigator(&m);  // the memo frees it

    void AddDynAt(Integer pos, Integer context)
    {
        TStyleNavigator d(&m);
        d.SetPos(pos);
        DynInfoRec r;
        r.Attr = 0x80;
        r.Context = context;
        d.AddDyn(r);
    }
};

TEST_F(Navigator, EmptyMemoAndPositionsAroundABreak)
{
    EXPECT_EQ(n->GetParNb(), 0);
    EXPECT_EQ(n->GetOffset(), 0);
    EXPECT_EQ(n->GetLineNb(), 0);
    EXPECT_EQ(n->GetText(), '\r');
    m.setSelText("\r\nab");
    n->SetPos(1);
    EXPECT_EQ(n->GetParNb(), 0);
    EXPECT_EQ(n->GetOffset(), 1);
    EXPECT_EQ(n->GetText(), '\n');
    n->SetPos(2);
    EXPECT_EQ(n->GetParNb(), 1);
    EXPECT_EQ(n->GetOffset(), 0);
    EXPECT_EQ(n->GetText(), 'a');
    char buf[8];
    n->SetPos(1);
    n->GetTextBuf(buf, 3);  // between the CR and the LF: starts with the LF
    EXPECT_STREQ(buf, "\nab");
    EXPECT_THROW(n->GetTextBuf(buf, 4), Exception);
}

TEST_F(Navigator, FindsTheParagraphOfEveryPositionInUnevenText)
{
    std::string text;
    std::vector<Integer> parOf;
    for (int p = 0; p < 700; ++p) {
        const std::string par(static_cast<size_t>((p * 37) % 23 + (p % 50 == 0 ? 300 : 0)), 'x');
        for (size_t k = 0; k < par.size() + 2; ++k) parOf.push_back(p);
        text += par + "\r\n";
    }
    m.setSelText(text);
    for (Integer pos = 0; pos < m.TextLen(); pos += 7) {
        n->Invalidate();
        n->Pos = pos;
        ASSERT_EQ(n->GetParNb(), parOf[static_cast<size_t>(pos)]) << pos;
        ASSERT_EQ(n->GetOffset(), pos - m.ParsOffset(n->ParNb));
    }
    n->SetLineNb(100000);  // beyond the last line: the last line
    EXPECT_EQ(n->GetLineNb(), m.LineCount() - 1);
    n->SetLineNb(350);
    EXPECT_EQ(n->ParNb, 350);
    EXPECT_EQ(n->Pos, m.ParsOffset(350));
}

TEST_F(Navigator, MovingKeepsWhatStaysValid)
{
    m.setSelText("abcdef");
    AddDynAt(2, 1);
    n->SetPos(4);
    EXPECT_EQ(n->GetDynNb(), 1);
    EXPECT_EQ(n->GetParLine(), 0);
    n->SetPos(5);  // forward inside the paragraph: indexes follow
    EXPECT_EQ(n->DynNb, 1);
    EXPECT_EQ(n->ParLine, 0);
    n->SetPos(1);  // backwards: paragraph kept, indexes dropped
    EXPECT_NE(n->Par, nullptr);
    EXPECT_EQ(n->DynNb, NotComputed);
    EXPECT_EQ(n->ParLine, NotComputed);
    EXPECT_EQ(n->GetDynNb(), 0);
    n->SetColNb(99);
    EXPECT_EQ(n->Pos, 6);
    n->setParOffset(99);
    EXPECT_EQ(n->Pos, 6);
}

TEST_F(Navigator, AttributesAtOneOffsetAndWalkingBetweenThem)
{
    m.setSelText("ab\r\n\r\n\r\ncd");
    AddDynAt(1, 1);
    AddDynAt(1, 2);  // added at the navigator: before the one already there
    n->SetPos(1);
    EXPECT_EQ(n->GetDynNb(), 0);
    EXPECT_EQ(n->GetContext(), 0);  // the paragraph's context is in force
    n->RightOfDyn();
    EXPECT_EQ(n->GetDynNb(), 2);
    EXPECT_EQ(n->GetContext(), 1);
    n->SetPos(m.TextLen());
    EXPECT_TRUE(n->BackToDyn(0));
    EXPECT_EQ(n->Pos, 1);
    EXPECT_EQ(n->DynNb, 1);
    EXPECT_TRUE(n->BackToDyn(0));
    EXPECT_FALSE(n->BackToDyn(0));  // nothing before: stops at the first paragraph
    n->SetPos(m.TextLen());
    EXPECT_FALSE(n->BackToDyn(2));  // the limit lies after the attributes
    n->SetPos(3);
    EXPECT_FALSE(n->ForwardToDyn(m.TextLen()));
    n->SetPos(0);
    EXPECT_TRUE(n->ForwardToDyn(m.TextLen()));
    EXPECT_EQ(n->Pos, 1);
    n->SetPos(0);
    EXPECT_FALSE(n->ForwardToDyn(0));  // the next attribute lies beyond the limit
    EXPECT_EQ(n->Pos, 0);

    n->SetPos(2);
    const Integer before = m.ParList()->At(0)->DynCount;
    EXPECT_THROW(n->RemoveDyn(), Exception);  // no attribute at offset 2
    EXPECT_EQ(m.ParList()->At(0)->DynCount, before);
    n->SetPos(1);
    n->RemoveDyn();
    EXPECT_EQ(m.ParList()->At(0)->DynCount, 1);
    EXPECT_TRUE(DeepCheck(m));
}

TEST_F(Navigator, StyleAtThePositionFollowsTheCodes)
{
    m.setSelText("a\x02" "b\r\nc\x02" "d");  // bold from b to c
    const Byte bold = 1 << xfsBold;
    const std::pair<Integer, Byte> cases[] = {{1, 0}, {2, bold}, {5, bold}, {6, bold}, {7, 0}};
    for (auto [pos, style] : cases) {
        n->SetPos(pos);
        EXPECT_EQ(n->GetStyle(), style) << pos;
    }
    m.setStaticFormat(false);
    n->SetPos(5);
    EXPECT_EQ(n->GetStyle(), 0);
}

TEST_F(Navigator, InvalidateNavsTouchesOnlyThoseBehindThePosition)
{
    m.setSelText("abc\r\ndef\r\nghi");
    TStyleNavigator at(&m), after(&m), later(&m);
    at.SetPos(1);
    after.SetPos(2);
    later.SetPos(6);
    for (TStyleNavigator* x : {&at, &after, &later}) {
        x->GetDynNb();
        x->GetParLine();
    }
    InvalidateNavs(m.NavList(), 1, 0);
    EXPECT_NE(at.DynNb, NotComputed);
    EXPECT_EQ(after.DynNb, NotComputed);
    EXPECT_EQ(after.ParLine, NotComputed);
    EXPECT_NE(later.ParLine, NotComputed);
}

TEST(NavigatorOwnership, OwnerMustBeAMemoAndTheMemoFreesItsNavigators)
{
    TComponent other(nullptr);
    try {
        TStyleNavigator bad(&other);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Internal error: component is not a TStyleMemo");
    }
    int freed = 0;
    auto* m = new TStyleMemo(nullptr);
    auto* n = new TStyleNavigator(m);
    n->OnFree = [&](TObject* Sender) { freed += Sender == n; };
    const size_t listed = m->NavList().size();
    delete new TStyleNavigator(m);
    EXPECT_EQ(m->NavList().size(), listed);
    delete m;
    EXPECT_EQ(freed, 1);
}

}  // namespace

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
    // Lengths vary, and one long paragraph in the middle throws the interpolation far off.
    for (int p = 0; p < 700; ++p) {
        const std::string par(static_cast<size_t>((p * 37) % 23 + (p % 50 == 0 ? 300 : 0) + (p == 350 ? 20000 : 0)), 'x');
        for (size_t k = 0; k < par.size() + 2; ++k) parOf.push_back(p);
        text += par + "\r\n";
    }
    m.setSelText(text);
    for (Integer pos = 0; pos < m.TextLen(); pos += 7) {
        if (pos > 7000 && pos < 25000) pos += 200;
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

// Limits exactly on an attribute or on a paragraph's start or end: ab CR LF cd CR LF ef with
// attributes at positions 5 and 9.
TEST_F(Navigator, WalkingToAttributesStopsExactlyAtTheLimit)
{
    m.setSelText("ab\r\ncd\r\nef");
    AddDynAt(5, 1);
    AddDynAt(9, 2);
    struct Case {
        bool forward;
        Integer from, limit;
        bool moved;
        Integer to;
    };
    const Case cases[] = {
        {false, 10, 9, true, 9},   // the limit on the attribute itself
        {false, 10, 10, false, 10},
        {false, 9, 8, false, 9},   // the limit on the paragraph start
        {false, 9, 7, false, 9},   // the attribute before the limit
        {false, 9, 5, true, 5},
        {true, 0, 2, false, 0},    // the limit on the paragraph end
        {true, 0, 4, false, 0},    // the next paragraph's start, its attribute after the limit
        {true, 0, 5, true, 5},
        {true, 6, 6, false, 6},
        {true, 6, 9, true, 9},
    };
    for (const Case& c : cases) {
        n->SetPos(c.from);
        EXPECT_EQ(c.forward ? n->ForwardToDyn(c.limit) : n->BackToDyn(c.limit), c.moved)
            << c.forward << " " << c.from << " " << c.limit;
        EXPECT_EQ(n->Pos, c.to) << c.forward << " " << c.from << " " << c.limit;
        EXPECT_EQ(n->Offset, c.to - n->Par->StartPos);
    }
}

// Moving forward inside a paragraph keeps the attribute and line indexes a fresh navigator computes.
TEST_F(Navigator, CachesFollowForwardMoves)
{
    ChunkMemo c(2);
    c.setSelText("abcdefg");
    for (const Integer pos : {0, 3, 3, 6}) {
        TStyleNavigator d(&c);
        d.SetPos(pos);
        d.AddDyn(DynInfoRec{});
    }
    TStyleNavigator* k = new TStyleNavigator(&c);
    for (Integer from = 0; from <= c.TextLen(); ++from) {
        for (Integer to = from; to <= c.TextLen(); ++to) {
            k->SetPos(from);
            k->GetDynNb();
            k->GetParLine();
            k->SetPos(to);
            TStyleNavigator fresh(&c);
            fresh.SetPos(to);
            EXPECT_EQ(k->DynNb, fresh.GetDynNb()) << from << " to " << to;
            EXPECT_EQ(k->ParLine, fresh.GetParLine()) << from << " to " << to;
        }
    }
}

// Two records added in a row by one navigator stay in the order they were added.
TEST_F(Navigator, TwoAddDynInARow)
{
    m.setSelText("abcd");
    n->SetPos(2);
    DynInfoRec r;
    r.Context = 1;
    n->AddDyn(r);
    r.Context = 2;
    n->AddDyn(r);
    EXPECT_EQ(n->DynNb, 2);
    const ParInfo* p = m.ParList()->At(0);
    ASSERT_EQ(p->DynCount, 2);
    EXPECT_EQ(p->Dyns[0].Context, 1);
    EXPECT_EQ(p->Dyns[1].Context, 2);
    EXPECT_EQ(p->Dyns[1].Offset, 2);
    InvalidateNavs(m.NavList(), 2, 0);  // as every caller of AddDyn does for the navigators after it
    EXPECT_TRUE(DeepCheck(m));
}

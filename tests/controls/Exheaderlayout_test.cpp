// Where the header's sections lie, checked against a plain walk over the sections after every
// step of long random runs (widths, visibility, parents, order, locking, scrolling, sticky mode,
// stored data, order text, copies, fonts and captions), and kept at sizes far past the usual.
#include <algorithm>
#include <map>
#include <random>
#include <string>

#include "tests/controls/HeaderFixture.h"
#include "tests/support/UiTest.h"

using headertest::Bytes;
using headertest::Load;

namespace {

// What the header must answer, worked out from what each section says of itself.
struct TReference {
    TCustomExHeader* H;
    TExHeaderSections* S;

    Integer Count() const { return S->GetCount(); }
    TExHeaderSection* At(Integer Pos) const { return S->GetSectionByPos(Pos); }
    static bool Shown(const TExHeaderSection* s)
    {
        for (; s->OwnVisible(); s = s->ParentSection()) {
            if (!s->ParentSection())
                return true;
            if (!s->ParentSection()->Expanded())
                return false;
        }
        return false;
    }
    Int64 Right(Integer Pos) const
    {
        Int64 r = 0;
        for (Integer i = 0; i <= Pos; ++i)
            if (Shown(At(i)))
                r += At(i)->Width();
        return r;
    }
    TExHeaderSection* SectionAt(Integer X) const
    {
        TExHeaderSection* locked = H->LockedSection();
        if (locked && Shown(locked) && X >= 0 && X < locked->Width())
            return locked;
        const Int64 x = Int64(X) + H->LeftPos();
        Int64 sum = 0;
        for (Integer i = 0; i < Count(); ++i) {
            if (Shown(At(i)))
                sum += At(i)->Width();
            if (sum > x)
                return At(i);
        }
        return nullptr;
    }
    Integer ColumnsWidth() const
    {
        for (Integer i = Count() - 1; i >= 0; --i)
            if (Shown(At(i)) && (At(i) != H->LockedSection() || Count() == 1))
                return Integer(Right(i));
        return 0;
    }
    TExHeaderSection* PrevShown(Integer Pos) const
    {
        for (Integer i = Pos - 1; i >= 0; --i)
            if (Shown(At(i)))
                return At(i);
        return nullptr;
    }
};

// The height a header of this font gives a caption, measured afresh by a header of its own.
Integer FreshHeight(TCustomExHeader* Like, const std::string& Text)
{
    static std::map<std::pair<std::string, Integer>, Integer> known;
    const auto key = std::make_pair(Text, Like->Font()->Size());
    if (auto it = known.find(key); it != known.end())
        return it->second;
    TExHeader fresh(nullptr);
    fresh.Font()->Assign(Like->Font());
    TExHeaderSection* s = fresh.Sections()->AddSection();
    s->SetText(Text);
    Integer h = 0;
    fresh.MeasureSectionWidth(s, nullptr, &h);
    return known[key] = h;
}

void ExpectAsReference(TCustomExHeader* H)
{
    TReference ref{H, H->Sections()};
    TExHeaderSections* S = H->Sections();
    std::vector<Integer> edges{-7, -1, 0};
    Integer tallest = 0;
    for (Integer p = 0; p < ref.Count(); ++p) {
        TExHeaderSection* s = ref.At(p);
        SCOPED_TRACE("position " + std::to_string(p));
        ASSERT_EQ(s->GetVisible(), TReference::Shown(s));
        ASSERT_EQ(s->GetRight(), Integer(ref.Right(p)));
        ASSERT_EQ(s->GetLeft(), Integer(ref.Right(p)) - (TReference::Shown(s) ? s->Width() : 0));
        ASSERT_EQ(s->GetPosition(), p);
        ASSERT_EQ(S->IndexOf(s), p);
        ASSERT_EQ(S->FindSection(s->GetIndex()), s);
        ASSERT_EQ(S->GetSectionByIntTag(s->IntTag()), s);
        ASSERT_EQ(S->GetPrevVisibleSection(s), ref.PrevShown(p));
        const TRect r = H->GetSectionRect(s->GetIndex());
        ASSERT_EQ(r.Left, s->GetLeft() + (s == H->LockedSection() ? H->LeftPos() : 0));
        for (Int64 e : {ref.Right(p) - 1, ref.Right(p), ref.Right(p) + 1})
            edges.push_back(Integer(e - H->LeftPos()));
        if (TReference::Shown(s) && s->Style() == ExhsText)
            tallest = std::max(tallest, FreshHeight(H, s->Text()));
    }
    for (Integer x : edges)
        ASSERT_EQ(H->GetSectionAt(x, 3), ref.SectionAt(x)) << "x " << x;
    ASSERT_EQ(H->GetColumnsWidth(), ref.ColumnsWidth());
    // Drawn and hit at the left edge, the locked section is the first.
    ASSERT_TRUE(!H->LockedSection() || S->IndexOf(H->LockedSection()) == 0);
    ASSERT_EQ(S->GetCount() ? S->LastVisibleSection() : nullptr, ref.PrevShown(ref.Count()));
    Integer expected = std::max(17, tallest + 4);
    if (!H->Flat())
        expected += 2;
    ASSERT_EQ(H->CalcHeaderHeight(), expected);
}

const char* const Captions[] = {"", "Date", "A longer caption", "<html><font size=20>Big</font></html>",
                                "<html><b>x</b></html>", "<html><font size=6>small</font></html>"};

class Layout : public HeaderTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(Layout, EveryAnswerFollowsTheSectionsThroughRandomChanges)
{
    std::mt19937 rnd(GetParam());
    auto pick = [&](int n) { return n <= 0 ? 0 : int(rnd() % unsigned(n)); };
    auto any = [&]() -> TExHeaderSection* { return S()->GetCount() ? At(pick(S()->GetCount())) : nullptr; };
    TLogHeader other(nullptr);
    for (int step = 0; step < 700; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const bool bracket = pick(8) == 0;
        if (bracket)
            H->BeginUpdate();
        TExHeaderSection* s = any();
        switch (pick(22)) {
        case 0:
        case 1: {
            TExHeaderSection* n = S()->AddSection();
            n->SetText(Captions[pick(6)]);
            n->SetWidth(pick(90));
            break;
        }
        case 2: S()->InsertSection(pick(S()->GetCount() + 1))->SetWidth(pick(90)); break;
        case 3:
            if (s && S()->GetCount() > 3)
                S()->DeleteSection(s);
            break;
        case 4:
            if (s)
                S()->MoveSection(s, pick(S()->GetCount()));
            break;
        case 5:
        case 6:
            if (s)
                s->SetWidth(pick(120));
            break;
        case 7:
            if (s)
                s->SetVisible(!s->OwnVisible());
            break;
        case 8:
            if (s)
                s->SetExpandable(pick(4) != 0);
            break;
        case 9:
            if (s)
                s->SetExpanded(!s->Expanded());
            break;
        case 10:
            if (s)
                s->SetParentSection(pick(3) ? any() : nullptr);
            break;
        case 11: H->SetLockedSection(pick(3) ? nullptr : s); break;
        case 12: H->SetLeftPos(pick(4) ? pick(200) : 0); break;
        case 13: H->SetRightAlignedOrder(!H->RightAlignedOrder()); break;
        case 14: H->SetStickySections(pick(3) == 0); break;
        case 15: {
            const std::vector<Byte> data = Bytes(S());
            Load(S(), data);
            break;
        }
        case 16: {
            // The order text of a shuffled copy.
            other.Sections()->Assign(S());
            for (Integer i = 0; i < other.Sections()->GetCount(); ++i)
                other.Sections()->MoveSection(other.Sections()->GetSectionByPos(i),
                                              pick(other.Sections()->GetCount()));
            S()->SetSectionsOrder(other.Sections()->GetSectionsOrder());
            break;
        }
        case 17: {
            other.Sections()->Assign(S());
            S()->Assign(other.Sections());
            break;
        }
        case 18:
            if (s)
                s->SetText(Captions[pick(6)]);
            break;
        case 19:
            if (s)
                s->SetStyle(pick(2) ? ExhsText : ExhsPictureOnly);
            break;
        case 20: H->Font()->SetSize(7 + pick(8)); break;
        case 21: H->SetBounds(0, 0, 300 + pick(400), 20); break;
        }
        if (bracket)
            H->EndUpdate();
        ASSERT_NO_FATAL_FAILURE(ExpectAsReference(H));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Layout, ::testing::Values(1u, 2u, 3u, 4u));

// ---------------------------------------------------------------- batches

// Two headers alike on one form: A takes random changes in update brackets of many changes each
// (nested now and then, and asked where things lie in the middle of them), B takes the same
// changes one at a time. After every bracket both answer alike and show the same pixels, A as it
// stands after its pending paints, B drawn afresh.
struct TOp {
    unsigned Kind, A, B, C;
};

class BatchHeaders : public ::testing::Test {
protected:
    TForm* Form = new TForm(nullptr);
    TExHeader* HA = Place(0);
    TExHeader* HB = Place(60);

    BatchHeaders()
    {
        Form->SetBounds(0, 0, 500, 200);
        Form->Show();
        uitest::Pump();
    }
    ~BatchHeaders() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    TExHeader* Place(int Top)
    {
        auto* h = new TExHeader(Form);
        h->SetAlign(alNone);
        h->SetParent(Form);
        h->SetBounds(0, Top, 400, 20);
        return h;
    }
    static void Apply(TExHeader* H, const TOp& Op)
    {
        TExHeaderSections* all = H->Sections();
        const Integer n = all->GetCount();
        auto at = [&](unsigned R) { return all->GetSectionByPos(Integer(R % unsigned(n))); };
        if (n == 0 && Op.Kind > 2) {
            all->AddSection()->SetWidth(Integer(Op.A % 90));
            return;
        }
        switch (Op.Kind) {
        case 0: {
            TExHeaderSection* s = all->AddSection();
            s->SetText(Captions[Op.A % 6]);
            s->SetWidth(Integer(Op.B % 90));
            break;
        }
        case 1:
        case 2: all->InsertSection(Op.Kind == 1 ? 0 : Integer(Op.A % unsigned(n + 1)))->SetWidth(Integer(Op.B % 90)); break;
        case 3:
        case 4:
            if (n > 2)
                all->DeleteSection(at(Op.A));
            break;
        case 5:
        case 6: all->MoveSection(at(Op.A), Integer(Op.B % unsigned(n))); break;
        case 7: at(Op.A)->SetWidth(Integer(Op.B % 120)); break;
        case 8:
        case 9:
        case 10: at(Op.A)->SetVisible(!at(Op.A)->OwnVisible()); break;
        case 11: at(Op.A)->SetExpandable(Op.B % 4 != 0); break;
        case 12: at(Op.A)->SetExpanded(!at(Op.A)->Expanded()); break;
        case 13: at(Op.A)->SetParentSection(Op.C % 3 ? at(Op.B) : nullptr); break;
        case 14: at(Op.A)->SetText(Captions[Op.B % 6]); break;
        case 15: H->SetLockedSection(Op.A % 3 == 0 ? at(Op.B) : nullptr); break;
        case 16: H->SetLeftPos(Integer(Op.A % 200)); break;
        case 17: H->SetRightAlignedOrder(!H->RightAlignedOrder()); break;
        case 18: Load(all, Bytes(all)); break;
        case 19: at(Op.A)->Assign(at(Op.B)); break;
        default: H->Font()->SetSize(Integer(7 + Op.A % 8)); break;
        }
    }
    // What a program may ask in the middle of a batch.
    static std::vector<Int64> Ask(TExHeader* H, const TOp& Op)
    {
        TExHeaderSections* all = H->Sections();
        const Integer n = all->GetCount();
        auto position = [&](TExHeaderSection* s) { return Int64(s ? all->IndexOf(s) : -1); };
        std::vector<Int64> a{n, H->GetColumnsWidth(), position(H->GetSectionAt(Integer(Op.C % 500), 3))};
        if (n == 0)
            return a;
        TExHeaderSection* s = all->GetSectionByPos(Integer(Op.A % unsigned(n)));
        a.insert(a.end(), {s->GetLeft(), s->GetRight(), s->GetVisible(), s->GetPosition(), s->GetIndex(),
                           position(all->FindSection(Integer(Op.B % unsigned(n)))),
                           position(all->GetPrevVisibleSection(s)), position(all->LastVisibleSection())});
        return a;
    }
    static std::vector<Int64> State(TExHeader* H)
    {
        TExHeaderSections* all = H->Sections();
        std::vector<Int64> v{H->Height(), H->GetColumnsWidth(), H->LeftPos(), all->IndexOf(H->LockedSection())};
        for (Integer p = 0; p < all->GetCount(); ++p) {
            TExHeaderSection* s = all->GetSectionByPos(p);
            v.insert(v.end(), {s->GetIndex(), s->Width(), s->OwnVisible(), s->GetVisible(), s->GetLeft(),
                               all->IndexOf(s->ParentSection()), Int64(std::hash<std::string>()(s->Text()))});
        }
        return v;
    }
    static std::vector<COLORREF> Pixels(TExHeader* H, bool Afresh)
    {
        if (Afresh)
            H->Invalidate();
        UpdateWindow(H->Handle());
        HDC dc = GetDC(H->Handle());
        std::vector<COLORREF> p;
        for (int y = 0; y < H->Height(); ++y)
            for (int x = 0; x < H->Width(); ++x)
                p.push_back(GetPixel(dc, x, y));
        ReleaseDC(H->Handle(), dc);
        return p;
    }
};

class Batches : public BatchHeaders, public ::testing::WithParamInterface<unsigned> {};

TEST_P(Batches, ABracketedBatchEndsAsTheSameChangesOneByOne)
{
    std::mt19937 rnd(GetParam());
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Now and then a round of single changes, and brackets opened again inside; every fourth
        // round is long enough to leave more waiting than the header keeps apart, and every fourth
        // so short that what one change draws is seen before another draws everything.
        const bool bracket = rnd() % 6 != 0;
        int depth = 0;
        if (bracket)
            HA->BeginUpdate(), ++depth;
        const int changes = 1 + int(rnd() % (round % 4 == 3 ? 200 : round % 4 == 1 ? 2 : 40));
        for (int i = 0; i < changes; ++i) {
            const TOp op{unsigned(rnd() % 21), unsigned(rnd()), unsigned(rnd()), unsigned(rnd())};
            SCOPED_TRACE("change " + std::to_string(i) + " of kind " + std::to_string(op.Kind));
            if (bracket && rnd() % 10 == 0)
                HA->BeginUpdate(), ++depth;
            Apply(HA, op);
            Apply(HB, op);
            if (rnd() % 4 == 0) {
                const TOp ask{0, unsigned(rnd()), unsigned(rnd()), unsigned(rnd())};
                ASSERT_EQ(Ask(HA, ask), Ask(HB, ask));
            }
        }
        while (depth-- > 0)
            HA->EndUpdate();
        // A height asked for inside the bracket is found at its end, from the sections as they
        // are then; one by one it was found when asked, and a later delete (which asks for none)
        // may have left it behind.
        if (HA->Height() != HB->Height()) {
            ASSERT_EQ(HA->Height(), HA->CalcHeaderHeight());
            HB->AdjustHeaderHeight();
        }
        ASSERT_EQ(State(HA), State(HB));
        ASSERT_NO_FATAL_FAILURE(ExpectAsReference(HA));
        ASSERT_EQ(Pixels(HA, false), Pixels(HB, true));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Batches, ::testing::Values(11u, 12u, 13u, 14u));

TEST_F(BatchHeaders, CaptionsChangedAfterAnInsertInABracketShowAtItsEnd)
{
    // An insert leaves the edges to be summed again, so the captions' strips wait for the end of
    // the bracket: the first section's alone, drawn again by nothing else, then more of them than
    // the header keeps apart.
    for (TExHeader* h : {HA, HB})
        for (int i = 0; i < 8; ++i)
            Apply(h, TOp{0, 1, 40, 0});
    for (const int captions : {1, 100}) {
        SCOPED_TRACE(captions);
        UpdateWindow(HA->Handle());
        HA->BeginUpdate();
        for (TExHeader* h : {HA, HB}) {
            Apply(h, TOp{2, 3, 50, 0});
            // Captions of one height, so that the height stays and draws nothing either.
            for (int i = 0; i < captions; ++i)
                Apply(h, TOp{14, unsigned(i), unsigned(2 - i / 10 % 2), 0});
        }
        HA->EndUpdate();
        EXPECT_EQ(Pixels(HA, false), Pixels(HB, true));
    }
}

TEST_F(HeaderTest, WhileASectionIsDeletedItsChildrenAndTheEdgesAreAnsweredFromWhatIsLeft)
{
    Make({50, 60, 70});
    TExHeaderSection* parent = At(0);
    TExHeaderSection* child = At(2);
    parent->SetExpandable(true);
    parent->SetExpanded(true);
    child->SetParentSection(parent);
    bool asked = false;
    H->OnSectionDelete = [&](TObject*, TExHeaderSection* Gone) {
        asked = true;
        EXPECT_EQ(Gone, parent);
        // The parent has left the list but is not freed yet: its child still shows under it.
        EXPECT_TRUE(child->GetVisible());
        EXPECT_EQ(child->GetLeft(), 60);
        EXPECT_EQ(child->GetRight(), 130);
        EXPECT_EQ(H->GetColumnsWidth(), 130);
        EXPECT_EQ(H->GetSectionAt(100, 3), child);
    };
    S()->DeleteSection(parent);
    EXPECT_TRUE(asked);
    EXPECT_EQ(child->ParentSection(), nullptr);
    EXPECT_EQ(H->GetColumnsWidth(), 130);
}

TEST_F(HeaderTest, AHundredThousandSectionsAddedOneByOneAreFoundAndDrawnWhereTheyLie)
{
    const Integer n = 100000;
    for (Integer i = 0; i < n; ++i) {
        TExHeaderSection* s = S()->AddSection();
        s->SetText("C" + std::to_string(i));
        s->SetWidth(10 + i % 7);
    }
    Int64 right = 0;
    for (Integer i = 0; i < n; ++i)
        right += 10 + i % 7;
    TExHeaderSection* last = S()->GetSection(n - 1);
    EXPECT_EQ(last->GetPosition(), n - 1);
    EXPECT_EQ(last->GetRight(), right);
    EXPECT_EQ(H->GetColumnsWidth(), right);
    EXPECT_EQ(H->GetSectionRect(n - 1).Left, right - (10 + (n - 1) % 7));
    // Scrolled to the end, the last sections are the ones hit.
    H->SetLeftPos(Integer(right) - 600);
    EXPECT_EQ(H->GetSectionAt(599, 5), last);
    EXPECT_EQ(H->GetSectionAt(600, 5), nullptr);
    TExHeaderSection* edge = nullptr;
    EXPECT_TRUE(H->InResizeArea(602, edge));
    EXPECT_EQ(edge, last);
    // A live resize of the first section moves every edge after it.
    S()->GetSection(0)->SetWidth(110);
    EXPECT_EQ(last->GetRight(), right + 100);
    // Hiding the first section and showing it again.
    S()->GetSection(0)->SetVisible(false);
    EXPECT_EQ(H->GetColumnsWidth(), right - 10);
    EXPECT_EQ(S()->GetPrevVisibleSection(S()->GetSection(1)), nullptr);
}

TEST_F(HeaderTest, BracketsOfChangesToAHundredThousandSectionsCostWhatTheChangesCost)
{
    // Each change below once took the whole layout anew, or numbered every section again, inside a
    // bracket too: at this count the walks would not end within the test's time.
    const Integer n = 100000;
    H->BeginUpdate();
    for (Integer i = 0; i < n; ++i)
        S()->AddSection()->SetWidth(10 + i % 7);
    H->EndUpdate();
    H->BeginUpdate();
    for (Integer i = 0; i < n; ++i)
        At(i)->SetVisible(i % 3 == 0);
    H->EndUpdate();
    // Sections come at the front, and as many go from the back to the front.
    H->BeginUpdate();
    for (Integer i = 0; i < 2000; ++i)
        S()->InsertSection(0)->SetWidth(3);
    for (Integer i = 0; i < 200; ++i)
        S()->MoveSection(At(S()->GetCount() - 1), 0);
    for (Integer i = 0; i < 1000; ++i)
        At(2 * i)->SetVisible(false);
    H->EndUpdate();
    ASSERT_EQ(S()->GetCount(), n + 2000);
    // Half of them deleted from the middle, numbers asked for on the way.
    const Integer keep = S()->GetCount() - n / 2;
    TExHeaderSection* last = At(S()->GetCount() - 1);
    H->BeginUpdate();
    while (S()->GetCount() > keep) {
        S()->DeleteSection(At(S()->GetCount() / 2));
        ASSERT_TRUE(S()->GetCount() % 9973 != 0 || last->GetIndex() == S()->GetCount() - 1);
    }
    H->EndUpdate();
    ASSERT_EQ(S()->GetCount(), keep);
    // Every edge against a plain sum of what each section says of itself.
    Int64 right = 0;
    TExHeaderSection* lastShown = nullptr;
    for (Integer p = 0; p < S()->GetCount(); ++p) {
        TExHeaderSection* s = At(p);
        const bool shown = s->OwnVisible();
        ASSERT_EQ(s->GetVisible(), shown) << p;
        if (shown) {
            right += s->Width();
            lastShown = s;
        }
        ASSERT_EQ(s->GetRight(), right) << p;
        ASSERT_EQ(s->GetPosition(), p);
        ASSERT_EQ(S()->FindSection(s->GetIndex()), s);
    }
    EXPECT_EQ(H->GetColumnsWidth(), right);
    EXPECT_EQ(S()->LastVisibleSection(), lastShown);
    // Numbered by position since the deletes.
    EXPECT_EQ(At(0)->GetIndex(), 0);
    EXPECT_EQ(last->GetIndex(), keep - 1);
}

}  // namespace

#include <functional>
#include <memory>
#include <numeric>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Htmlrender.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "tests/controls/HeaderFixture.h"
#include "tests/support/UiTest.h"

// ---------------------------------------------------------------- hit tests

namespace {

struct THit {
    const char* Name;
    Integer X;
    bool Resize;
    Integer Section;  // position, -1 none
};

[[maybe_unused]] void PrintTo(const THit& Case, std::ostream* Out) { *Out << Case.Name; }

// Sections 100, 14 and 60 wide: edges at 0, 100, 114, 174.
const THit Hits[] = {
    {"Middle", 50, false, 0},
    {"LastPixelsOfASection", 95, true, 0},
    {"JustBeforeThem", 94, false, 0},
    {"FirstPixelsOfTheFirst", 2, false, 0},
    {"NarrowSectionHasNone", 104, false, 1},
    {"LeftEdgeResizesTheNarrowOneBefore", 118, true, 1},
    {"JustPastTheLeftEdge", 119, false, 2},
    {"RightEdgeOfTheLast", 169, true, 2},
    {"FourPastTheLast", 178, true, 2},
    {"FivePastTheLast", 179, false, -1},
    {"SixPastTheLast", 180, false, -1},
};

}  // namespace

class ResizeAreas : public HeaderTest, public ::testing::WithParamInterface<THit> {};

TEST_P(ResizeAreas, AreTheFivePixelsAtEachEdgeOfSectionsAtLeastFifteenWide)
{
    Make({100, 14, 60});
    TExHeaderSection* s = nullptr;
    EXPECT_EQ(H->InResizeArea(GetParam().X, s), GetParam().Resize);
    EXPECT_EQ(s, GetParam().Section < 0 ? nullptr : At(GetParam().Section));
    TExSectionPart part;
    H->GetSectionAtEx(GetParam().X, 5, part);
    EXPECT_EQ(part, GetParam().Resize ? espResizeArea : espText);
}

INSTANTIATE_TEST_SUITE_P(Header, ResizeAreas, ::testing::ValuesIn(Hits),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(HeaderTest, ScrolledSectionsAreFoundUnderTheLockedOne)
{
    Make({30, 100, 100});
    H->SetLeftPos(50);
    EXPECT_EQ(H->GetSectionAt(10, 0), At(1));  // unscrolled x 60
    // Right edges are where they are painted: the last one ends at 180, its resize area reaches 184.
    TExHeaderSection* s = nullptr;
    EXPECT_TRUE(H->InResizeArea(184, s));
    EXPECT_EQ(s, At(2));
    EXPECT_FALSE(H->InResizeArea(185, s));
    EXPECT_TRUE(H->InResizeArea(76, s));  // 4 left of the second section's painted right edge, 80
    EXPECT_EQ(s, At(1));
    EXPECT_FALSE(H->InResizeArea(74, s));
    At(1)->SetFilterEnabled(true);
    TExSectionPart part;
    EXPECT_EQ(H->GetSectionAtEx(69, 14, part), At(1));  // the sign column ends 4 left of that edge
    EXPECT_EQ(part, espFilterSign);
    EXPECT_EQ(H->GetSectionAtEx(74, 12, part), At(1));
    EXPECT_EQ(part, espFilterSign);
    EXPECT_EQ(H->GetSectionAtEx(68, 14, part), At(1));
    EXPECT_EQ(part, espText);
    At(1)->SetFilterEnabled(false);
    H->SetLockedSection(At(0));
    EXPECT_EQ(H->GetSectionAt(10, 0), At(0));
    EXPECT_EQ(H->GetSectionAt(30, 0), At(1));
    EXPECT_EQ(H->GetSectionAt(-60, 0), At(0));
    EXPECT_EQ(H->GetSectionAt(179, 0), At(2));
    EXPECT_EQ(H->GetSectionAt(180, 0), nullptr);
    EXPECT_EQ(H->GetSectionRect(0), (TRect{50, 0, 80, H->ClientHeight()}));
    EXPECT_EQ(H->GetSectionRect(2), (TRect{130, 0, 230, H->ClientHeight()}));
    EXPECT_THROW(H->GetSectionRect(3), EExHeaderError);
    EXPECT_THROW(H->InvalidateRight(-1), EExHeaderError);
    // The locked section counts only when it is the only one.
    At(1)->SetVisible(false);
    At(2)->SetVisible(false);
    EXPECT_EQ(H->GetColumnsWidth(), 0);
    EXPECT_EQ(At(2)->GetRight(), 30);
}

TEST_F(HeaderTest, SignAreasNeedMoreThanFourteenPixels)
{
    Make({40, 14});
    for (TExHeaderSection* s : {At(0), At(1)}) {
        s->SetExpandable(true);
        s->SetFilterEnabled(true);
    }
    TExSectionPart part;
    // The sign column is x 29..36 of the first section, its last five pixels a resize area.
    const std::pair<TPoint, TExSectionPart> cases[] = {
        {{29, 2}, espExpandSign}, {{34, 9}, espExpandSign}, {{30, 1}, espText},       {{30, 10}, espText},
        {{28, 5}, espText},       {{30, 12}, espFilterSign}, {{34, 16}, espFilterSign}, {{28, 14}, espText},
        {{30, 11}, espText},      {{30, 17}, espText},       {{48, 14}, espText},
    };
    for (const auto& [p, expected] : cases) {
        H->GetSectionAtEx(p.X, p.Y, part);
        EXPECT_EQ(part, expected) << p.X << "," << p.Y;
    }
    At(0)->SetLookupEnabled(true);
    H->GetSectionAtEx(30, 14, part);
    EXPECT_EQ(part, espLookupSign);
}

// ---------------------------------------------------------------- sticky sizing

namespace {

struct TStickyCase {
    const char* Name;
    std::vector<Integer> Widths, Mins;
    std::vector<bool> Resizable;
};

[[maybe_unused]] void PrintTo(const TStickyCase& Case, std::ostream* Out) { *Out << Case.Name; }

const TStickyCase StickyCases[] = {
    {"AllResizable", {100, 300}, {0, 0}, {true, true}},
    {"Mixed", {100, 80, 200, 50}, {20, 0, 30, 0}, {true, false, true, false}},
    {"FixedFirstAndLast", {60, 120, 90, 40}, {0, 15, 25, 10}, {false, true, true, false}},
    {"OnlyFixed", {70, 90}, {0, 0}, {false, false}},
    {"WideFixed", {300, 100}, {0, 0}, {false, true}},
    {"ThreeResizable", {100, 200, 300}, {0, 0, 0}, {true, true, true}},
    {"ResizableThenFixed", {90, 70, 50}, {0, 0, 0}, {true, false, false}},
};

}  // namespace

class Sticky : public HeaderTest, public ::testing::WithParamInterface<TStickyCase> {
protected:
    Sticky()
    {
        const TStickyCase& c = GetParam();
        Make(c.Widths);
        for (size_t i = 0; i < c.Widths.size(); ++i) {
            At(Integer(i))->SetMinWidth(c.Mins[i]);
            At(Integer(i))->SetResizable(c.Resizable[i]);
        }
        H->SetWidth(std::accumulate(c.Widths.begin(), c.Widths.end(), 1));
        H->SetStickySections(true);
    }
    // Every width within its limits; the columns end one pixel left of the edge where the least
    // widths leave room (a header of fixed sections only keeps them as they are).
    void ExpectFitted(Integer Room)
    {
        Integer least = 0;
        bool anyResizable = false;
        for (Integer i = 0; i < S()->GetCount(); ++i) {
            TExHeaderSection* s = At(i);
            EXPECT_GE(s->Width(), std::max(s->MinWidth(), 0)) << i;
            EXPECT_LE(s->Width(), s->MaxWidth()) << i;
            if (s->Visible()) {
                least += s->MinWidth();
                anyResizable |= s->Resizable();
            }
        }
        if (anyResizable)
            EXPECT_EQ(H->GetColumnsWidth(), std::max(Room - 1, least));
        else
            EXPECT_LE(H->GetColumnsWidth(), std::max(Room - 1, least));
    }
};

TEST_P(Sticky, ResizingAtSeveralWidthsKeepsTheLimitsAndComesBack)
{
    const std::vector<Integer> start = Widths();
    for (Integer room : {50, 120, 301, 640, 1000, 333, 90, 1200}) {
        SCOPED_TRACE(room);
        H->SetWidth(room);
        ExpectFitted(room);
    }
    H->SetWidth(std::accumulate(start.begin(), start.end(), 1));
    EXPECT_EQ(Widths(), start);
}

TEST_P(Sticky, ShowingAndHidingAtSeveralWidthsKeepsTheLimits)
{
    // Where everything fits, the room a section gives back is taken again when it shows.
    const std::vector<Integer> start = Widths();
    for (Integer pos : {0, S()->GetCount() - 1}) {
        At(pos)->SetVisible(false);
        At(pos)->SetVisible(true);
        EXPECT_EQ(Widths(), start) << pos;
    }
    for (Integer room : {120, 431, 800}) {
        SCOPED_TRACE(room);
        H->SetWidth(room);
        for (Integer pos : {0, S()->GetCount() - 1}) {
            At(pos)->SetVisible(false);
            ExpectFitted(room);
            At(pos)->SetVisible(true);
            ExpectFitted(room);
        }
    }
}

TEST_P(Sticky, WideningASectionTakesTheRoomFromTheResizableOnesAfterIt)
{
    H->SetWidth(700);
    At(0)->SetWidth(At(0)->Width() + 40);
    ExpectFitted(700);
    const Integer last = S()->GetCount() - 1;
    const Integer before = At(last)->Width();
    At(last)->SetWidth(before + 30);
    EXPECT_EQ(At(last)->Width(), before);
}

INSTANTIATE_TEST_SUITE_P(Header, Sticky, ::testing::ValuesIn(StickyCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(HeaderTest, StickyWideningSharesTheRoomByTheRatiosAndTheLastTakesTheRounding)
{
    Make({100, 300});
    H->SetWidth(401);
    H->SetStickySections(true);
    H->SetWidth(801);
    EXPECT_EQ(Widths(), (std::vector<Integer>{200, 600}));
    EXPECT_EQ(H->GetColumnsWidth(), 800);
}

TEST_F(HeaderTest, AStickySectionWidenedBeyondTheRoomGivesBackWhatTheOthersCannot)
{
    Make({100, 100});
    At(0)->SetMinWidth(90);
    At(1)->SetMinWidth(90);
    H->SetWidth(201);
    H->SetStickySections(true);
    At(0)->SetWidth(150);
    EXPECT_EQ(Widths(), (std::vector<Integer>{110, 90}));
    EXPECT_EQ(H->GetColumnsWidth(), 200);
}

TEST_F(HeaderTest, RoomThatComesBackGoesFirstToTheFixedSectionsThatGaveIt)
{
    Make({60, 100, 100});
    At(0)->SetResizable(false);
    At(1)->SetMinWidth(20);
    At(2)->SetMinWidth(20);
    H->SetWidth(261);
    H->SetStickySections(true);
    H->SetWidth(100);
    EXPECT_EQ(Widths(), (std::vector<Integer>{59, 20, 20}));
    EXPECT_EQ(At(0)->SaveSize(), 60);
    At(1)->SetVisible(false);
    EXPECT_EQ(At(0)->Width(), 60);
    EXPECT_EQ(At(0)->SaveSize(), -1);
    EXPECT_EQ(H->GetColumnsWidth(), 99);
}

// ---------------------------------------------------------------- update bracket and forgetting

TEST_F(HeaderTest, EventsOfAnUpdateAreFoldedIntoOneAtItsEnd)
{
    Make({10});
    H->BeginUpdate();
    for (int i = 0; i < 3; ++i)
        S()->AddSection();
    S()->DeleteSection(At(1));
    // A new section tells of its field type while it is being made.
    EXPECT_EQ(H->Log, std::vector<std::string>(3, "change 0 2"));
    H->Log.clear();
    H->EndUpdate();
    EXPECT_EQ(H->Log, (std::vector<std::string>{"delete nil", "create nil"}));
    H->Log.clear();
    // A section drawn anew inside an update keeps the update open.
    Form->HandleNeeded();
    H->BeginUpdate();
    S()->AddSection();
    At(0)->SetColor(clRed);
    EXPECT_EQ(H->UpdateCount(), 1);
    EXPECT_EQ(H->Log, std::vector<std::string>{"change 0 2"});
    H->EndUpdate();
    // A handler that raises leaves no update open behind it.
    H->OnSectionMove = [](TObject*, TExHeaderSection*, Integer, Integer) { throw Exception("refused"); };
    EXPECT_THROW(S()->MoveSection(At(0), 1), Exception);
    EXPECT_EQ(H->UpdateCount(), 0);
    H->Log.clear();
    H->EndUpdate();
    S()->AddSection();
    EXPECT_EQ(H->Log, (std::vector<std::string>{"change 0 2", "create 4"}));
}

TEST_F(HeaderTest, ASectionThatGoesIsForgottenByTheHeader)
{
    Make({10, 20, 30});
    auto point = [this](TExHeaderSection* s) {
        for (TExHeaderSection** p : {&H->FHotSection, &H->FPressSection, &H->FResizeSection, &H->FDragSection,
                                     &H->FDropSection, &H->FLookupSection, &H->FHintSection})
            *p = s;
    };
    auto pointing = [this] {
        return std::vector<TExHeaderSection*>{H->FHotSection,  H->FPressSection,  H->FResizeSection,
                                              H->FDragSection, H->FDropSection,   H->FLookupSection,
                                              H->FHintSection, H->LockedSection()};
    };
    H->SetLockedSection(At(2));
    point(At(0));
    S()->DeleteSection(At(1));
    EXPECT_EQ(pointing(), std::vector<TExHeaderSection*>(8, At(0)));
    S()->DeleteSection(At(0));
    EXPECT_EQ(pointing(), std::vector<TExHeaderSection*>(8, nullptr));
    H->SetLockedSection(At(0));
    point(At(0));
    S()->Clear();
    EXPECT_EQ(pointing(), std::vector<TExHeaderSection*>(8, nullptr));
}

TEST_F(HeaderTest, TheLookupEditorGoesWithTheHeaderOrBeforeItWithItsParent)
{
    auto* editor = new TEdit(nullptr);
    editor->SetParent(Form);
    H->AdoptLookupEditor(editor);
    const int children = Form->ControlCount();
    TObject::Free(H);
    EXPECT_EQ(Form->ControlCount(), children - 2);

    // Parented before the header, the editor is freed after it by the form; parented after, before.
    for (bool editorFirst : {true, false}) {
        auto* form = new TForm(nullptr);
        auto* e = new TEdit(nullptr);
        auto* h = new TLogHeader(form);
        if (editorFirst)
            e->SetParent(form);
        h->SetParent(form);
        if (!editorFirst)
            e->SetParent(form);
        h->AdoptLookupEditor(e);
        TObject::Free(form);
    }
    H = new TLogHeader(Form);
}

TEST(HeaderLoading, WhatWasReadIsAppliedOnceTheFormIsLoaded)
{
    auto* form = new TForm(nullptr);
    auto* menu = new TPopupMenu(form);
    menu->SetName("Columns");
    auto* h = new TLogHeader(form);
    h->SetAlign(alNone);
    h->SetBounds(0, 0, 301, 20);
    TLogHeader source(nullptr);
    for (Integer w : {100, 200})
        source.Sections()->AddSection()->SetWidth(w);
    source.Sections()->GetSectionByPos(0)->SetPopupMenu(menu);
    TMemoryStream data;
    source.Sections()->SaveToStream(&data);
    data.SetPosition(0);
    h->Sections()->LoadFromStream(&data);
    h->SetStickySections(true);
    h->SetRightAlignedOrder(true);
    TExHeaderSection* first = h->Sections()->GetSection(0);
    EXPECT_EQ(first->PopupMenu(), nullptr);
    EXPECT_EQ(first->StickyRatio(), 0.0f);
    EXPECT_EQ(h->Sections()->GetSectionByPos(0), first);
    form->AfterConstruction();
    EXPECT_EQ(first->PopupMenu(), menu);
    EXPECT_FLOAT_EQ(first->StickyRatio(), 100.0f / 301);
    EXPECT_EQ(h->Sections()->GetSectionByPos(1), first);
    TObject::Free(form);
}

// ---------------------------------------------------------------- measuring and height

TEST_F(HeaderTest, ASectionNeedsRoomForItsTextSignsAndImage)
{
    Make({50});
    TExHeaderSection* s = At(0);
    s->SetText("Frequency");
    TBitmap probe;
    probe.Canvas()->SetFont(H->Font());
    const Integer text = probe.Canvas()->TextWidth("Frequency");
    Integer tw = -1, sh = -1;
    EXPECT_EQ(H->MeasureSectionWidth(s, &tw, &sh), 27 + text);
    EXPECT_EQ(tw, text);
    EXPECT_EQ(sh, probe.Canvas()->TextHeight("Frequency"));
    s->SetFilterEnabled(true);
    EXPECT_EQ(H->MeasureSectionWidth(s, nullptr, nullptr), 35 + text);
    // Wrapped, each word of a caption measured into no width takes a line of its own.
    s->SetText("Frequency Frequency");
    H->SetWrapCaptions(true);
    EXPECT_EQ(H->MeasureSectionWidth(s, &tw, &sh), 35 + text);
    EXPECT_EQ(sh, 2 * probe.Canvas()->TextHeight("Frequency"));
    H->SetWrapCaptions(false);
    s->SetMinWidth(500);
    EXPECT_EQ(H->MeasureSectionWidth(s, nullptr, nullptr), 500);
    s->SetMinWidth(0);

    // A caption starting with "<html>" is measured as the markup shows it, in the header's font.
    H->Font()->SetName("DejaVu Serif");
    H->Font()->SetSize(15);
    H->Font()->SetStyle(FontStyle(fsItalic));
    s->SetFilterEnabled(false);
    s->SetText("<html>Fre<b>quency</b>");
    TExHTMLRender markup;
    markup.Data()->DefaultFont = "DejaVu Serif";
    markup.Data()->DefaultSize = 15;
    markup.Data()->DefaultStyle = FontStyle(fsItalic);
    markup.PrepareText("<html>Fre<b>quency</b>", 0, false);
    const TSize shown = markup.GetTextSize();
    EXPECT_EQ(H->MeasureSectionWidth(s, &tw, &sh), 27 + shown.cx);
    EXPECT_EQ(tw, shown.cx);
    EXPECT_EQ(sh, shown.cy);
    probe.Canvas()->SetFont(H->Font());
    EXPECT_NE(tw, probe.Canvas()->TextWidth("<html>Fre<b>quency</b>")) << "the tags are not measured as text";
    s->SetFilterEnabled(true);
    s->SetMinWidth(500);

    s->SetMinWidth(0);
    s->SetStyle(ExhsOwnerDraw);
    EXPECT_EQ(H->MeasureSectionWidth(s, &tw, &sh), 35);
    EXPECT_EQ(sh, 0);
    H->OnMeasureSection = [](TCustomExHeader*, TExHeaderSection*, TPoint& Size) { Size = TPoint{40, 30}; };
    EXPECT_EQ(H->MeasureSectionWidth(s, &tw, &sh), 35 + 40);
    EXPECT_EQ(sh, 30);
    EXPECT_EQ(tw, 0);

    TImageList images(nullptr);
    TBitmap strip;
    strip.SetSize(32, 16);
    images.Add(&strip, nullptr);
    H->SetImages(&images);
    s->SetStyle(ExhsPictureOnly);
    const std::pair<Integer, Integer> pictures[] = {{1, 35 + 16}, {2, 35}, {-1, 35 + 16}};
    H->OnPictureNeeded = [](TObject*, TExHeaderSection*, Integer& Index) { Index = 0; };
    for (auto [index, width] : pictures) {
        s->SetImageIndex(index);
        EXPECT_EQ(H->MeasureSectionWidth(s, nullptr, nullptr), width) << index;
    }
    H->SetImages(nullptr);
}

TEST_F(HeaderTest, TheHeightFollowsTheCaptionsThatShow)
{
    Make({50, 50, 50});
    Form->HandleNeeded();
    At(0)->SetText("Date");
    const Integer low = H->Height();
    At(1)->SetText("<html><font size=+14>Tall</font></html>");
    const Integer high = H->Height();
    ASSERT_GT(high, low);
    // Under a collapsed parent the tall caption does not show, and the header is low again.
    At(0)->SetExpandable(true);
    At(1)->SetParentSection(At(0));
    EXPECT_EQ(H->Height(), low);
    At(0)->SetExpanded(true);
    H->AdjustHeaderHeight();
    EXPECT_EQ(H->Height(), high);
    At(1)->SetVisible(false);
    EXPECT_EQ(H->Height(), low);
    At(1)->SetVisible(true);
    EXPECT_EQ(H->Height(), high);
    At(1)->SetParentSection(nullptr);
    At(1)->SetStyle(ExhsOwnerDraw);
    H->AdjustHeaderHeight();
    EXPECT_EQ(H->Height(), low);
    At(1)->SetStyle(ExhsText);
    At(1)->SetText("Short");
    EXPECT_EQ(H->Height(), low);
    // A font of its own measures every caption again.
    H->Font()->SetHeight(-30);
    EXPECT_GT(H->Height(), high);
}

TEST_F(HeaderTest, TheHeightFollowsTextImagesAndBorders)
{
    Make({50, 50});
    Form->HandleNeeded();
    H->Font()->SetHeight(-20);
    TBitmap probe;
    probe.Canvas()->SetFont(H->Font());
    const Integer text = probe.Canvas()->TextHeight("Ag");
    ASSERT_GT(text + 4, 17);
    At(0)->SetText("Ag");
    EXPECT_EQ(H->Height(), text + 4 + 2);
    H->SetFlat(true);
    EXPECT_EQ(H->Height(), std::max(17, text + 4));
    auto* images = new TImageList(Form);
    images->SetHeight(30);
    H->SetImages(images);
    EXPECT_EQ(H->Height(), 34);
    images->SetHeight(40);
    EXPECT_EQ(H->Height(), 44);
    TObject::Free(images);
    EXPECT_EQ(H->Images(), nullptr);
    EXPECT_EQ(H->Height(), std::max(17, text + 4));
    H->SetLockHeight(true);
    H->SetHeight(10);
    At(1)->SetFilterEnabled(true);
    EXPECT_EQ(H->Height(), 17);
    H->SetHeight(12);
    EXPECT_EQ(H->Height(), 17);
    At(1)->SetFilterEnabled(false);
    H->SetHeight(12);
    EXPECT_EQ(H->Height(), 12);
    H->SetLockHeight(true);
    H->SetHeight(50);
    H->SetLockHeight(false);
    EXPECT_EQ(H->Height(), std::max(17, text + 4));
    // A new header is as high as its font and borders ask.
    TLogHeader fresh(nullptr);
    EXPECT_EQ(fresh.Height(), 11 + 6 + 2 * GetSystemMetrics(SM_CYBORDER));
    // Its own height goes when the image form it draws on goes.
    auto* back = new TExImageForm(Form);
    H->SetImageForm(back);
    UpdateWindow(H->Handle());
    H->Painted = TRect{};
    TObject::Free(back);
    // The hook registry the image form used goes on a posted message.
    uitest::Pump();
    UpdateWindow(H->Handle());
    EXPECT_EQ(H->ImageForm(), nullptr);
    EXPECT_EQ(H->Painted.Right, H->Width());
    H->Painted = TRect{};
    H->Perform(IFM_REPAINTCHILDREN, 0, 0);
    UpdateWindow(H->Handle());
    EXPECT_EQ(H->Painted.Right, H->Width());
}

TEST_F(HeaderTest, UpdateDrawsWhatWaitsOnlyOutsideAnUpdate)
{
    Make({50, 60});
    Form->HandleNeeded();
    UpdateWindow(H->Handle());
    H->BeginUpdate();
    InvalidateRect(H->Handle(), nullptr, FALSE);
    H->Painted = TRect{};
    H->Update();
    EXPECT_LE(H->Painted.Right, H->Painted.Left) << "nothing is drawn inside the update";
    H->EndUpdate();
    EXPECT_EQ(H->Painted.Right, H->Width()) << "closing the update draws what waited";
}

namespace {

struct TRepaint {
    const char* Name;
    std::function<void(TLogHeader*)> Do;
    TRect Dirty;  // the bounding box of what must be drawn again; empty: nothing
};

[[maybe_unused]] void PrintTo(const TRepaint& Case, std::ostream* Out) { *Out << Case.Name; }

// Sections 50, 60 and 70 wide on a header 600 x 20 scrolled by 10; the first section's filter is
// on and active, the second has a sort mark.
const TRepaint Repaints[] = {
    // Only the section and what lies right of it move.
    {"Width", [](auto* h) { h->Sections()->GetSectionByPos(1)->SetWidth(61); }, {40, 0, 600, 20}},
    {"Scroll", [](auto* h) { h->SetLeftPos(11); }, {0, 0, 600, 20}},
    {"SameScroll", [](auto* h) { h->SetLeftPos(10); }, {}},
    {"SectionColour", [](auto* h) { h->Sections()->GetSectionByPos(1)->SetColor(clRed); }, {40, 0, 100, 19}},
    {"ActiveFilterColour", [](auto* h) { h->SetActiveFilterColor(clRed); }, {-10, 0, 40, 19}},
    {"FilterColourOfInactive", [](auto* h) { h->SetFilterColor(clRed); }, {}},
    {"SortMark", [](auto* h) { h->Sections()->GetSectionByPos(1)->SetShowSortMark(false); }, {40, 0, 100, 19}},
    {"Arrows", [](auto* h) { h->SetInvertSortArrows(true); }, {0, 0, 600, 20}},
    {"ShowHide", [](auto* h) { h->Sections()->GetSectionByPos(1)->SetVisible(false); }, {0, 0, 600, 20}},
    {"NewSection", [](auto* h) { h->Sections()->AddSection(); }, {170, 0, 600, 20}},
    {"Filter", [](auto* h) { h->Sections()->GetSectionByPos(1)->SetFilterEnabled(true); }, {40, 0, 100, 19}},
};

}  // namespace

class Repainting : public HeaderTest, public ::testing::WithParamInterface<TRepaint> {};

TEST_P(Repainting, DrawsAgainWhatChanged)
{
    Make({50, 60, 70});
    H->SetLockHeight(true);
    Form->HandleNeeded();
    H->SetBounds(0, 0, 600, 20);
    At(0)->SetFilterEnabled(true);
    At(0)->SetFilterIsActive(true);
    At(1)->SetSortMode(hsmAscend);
    H->SetLeftPos(10);
    UpdateWindow(H->Handle());
    H->Painted = TRect{};
    GetParam().Do(H);
    UpdateWindow(H->Handle());
    // A paint covers the damage and one pixel around it.
    TRect expected = GetParam().Dirty;
    if (expected.Right > expected.Left)
        expected = TRect{std::max(expected.Left - 1, 0), std::max(expected.Top - 1, 0),
                         std::min(expected.Right + 1, 600), std::min(expected.Bottom + 1, 20)};
    auto text = [](const TRect& r) {
        return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
               std::to_string(r.Bottom);
    };
    EXPECT_EQ(text(H->Painted), text(expected));
}

INSTANTIATE_TEST_SUITE_P(Header, Repainting, ::testing::ValuesIn(Repaints),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------- what a section's change asks for

namespace {

struct TChange {
    const char* Name;
    std::function<void(TExHeaderSection*, TExHeaderSection*)> Do;
    std::vector<std::string> Log;
};

[[maybe_unused]] void PrintTo(const TChange& Case, std::ostream* Out) { *Out << Case.Name; }

const TChange Changes[] = {
    {"Text", [](auto* s, auto*) { s->SetText("x"); }, {"autosize 0", "change 0 0"}},
    {"SameText", [](auto* s, auto*) { s->SetText(""); }, {}},
    {"Style", [](auto* s, auto*) { s->SetStyle(ExhsPictureOnly); }, {"change 0 4"}},
    {"FieldName", [](auto* s, auto*) { s->SetFieldName("f"); }, {"change 0 1"}},
    {"FieldType", [](auto* s, auto*) { s->SetFieldType(sftDate); }, {"change 0 2"}},
    {"Alignment", [](auto* s, auto*) { s->SetAlignment(hsaRight); }, {"change 0 3"}},
    {"Editable", [](auto* s, auto*) { s->SetEditable(true); }, {"change 0 5"}},
    {"Password", [](auto* s, auto*) { s->SetPassword(true); }, {"change 0 6"}},
    {"ImageIndex", [](auto* s, auto*) { s->SetImageIndex(2); }, {"autosize 0"}},
    {"SortMode", [](auto* s, auto*) { s->SetSortMode(hsmAscend); }, {"autosize 0"}},
    {"Lookup", [](auto* s, auto*) { s->SetLookupEnabled(true); }, {"autosize 0"}},
    {"Filter", [](auto* s, auto*) { s->SetFilterEnabled(true); }, {"autosize 0"}},
    {"Expandable", [](auto* s, auto*) { s->SetExpandable(true); }, {"autosize 0"}},
    {"Visible", [](auto* s, auto*) { s->SetVisible(false); }, {"showhide 0"}},
    {"Parent", [](auto* s, auto* t) { t->SetParentSection(s); }, {"showhide 1"}},
    {"LoopingParent", [](auto* s, auto* t) { t->SetParentSection(s); s->SetParentSection(t); }, {"showhide 1"}},
    {"ExpandedWhenNotExpandable", [](auto* s, auto*) { s->SetExpanded(true); }, {}},
    {"AutoSizeTurnedOnAgain", [](auto* s, auto*) { s->SetAutoSize(false); s->SetAutoSize(true); }, {"autosize 0"}},
    {"WidthBelowMin", [](auto* s, auto*) { s->SetMinWidth(20); s->SetWidth(19); }, {}},
};

}  // namespace

class SectionChanges : public HeaderTest, public ::testing::WithParamInterface<TChange> {};

TEST_P(SectionChanges, RaiseTheirEvents)
{
    Make({50, 60});
    At(0)->SetAutoSize(true);
    H->Log.clear();
    GetParam().Do(At(0), At(1));
    EXPECT_EQ(H->Log, GetParam().Log);
}

INSTANTIATE_TEST_SUITE_P(Header, SectionChanges, ::testing::ValuesIn(Changes),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(HeaderTest, SectionRulesOfWidthsMarksSignsAndParents)
{
    Make({50, 60, 70});
    TExHeaderSection *a = At(0), *b = At(1), *c = At(2);
    a->SetMaxWidth(40);
    EXPECT_EQ(a->Width(), 40);
    a->SetWidth(41);
    a->SetWidth(-1);
    EXPECT_EQ(a->Width(), 40);
    a->SetWidth(0);
    EXPECT_EQ(a->Width(), 0);
    b->SetMinWidth(65);
    EXPECT_EQ(b->Width(), 65);

    a->SetSortMode(hsmAscend);
    b->SetSortMode(hsmDescend);
    EXPECT_EQ(a->SortMode(), hsmNone);
    H->MultiSortMarks = true;
    a->SetSortMode(hsmAscend);
    EXPECT_EQ(b->SortMode(), hsmDescend);

    H->SetHeight(1);
    a->SetLookupEnabled(true);
    EXPECT_EQ(H->Height(), 17);
    H->SetHeight(16);
    a->SetFilterEnabled(true);
    EXPECT_FALSE(a->LookupEnabled());
    EXPECT_EQ(H->Height(), 17);

    // A child shows only under a visible, expanded parent; a hidden section takes no room.
    c->SetParentSection(b);
    EXPECT_FALSE(c->Visible());
    b->SetExpandable(true);
    b->SetExpanded(true);
    EXPECT_TRUE(c->Visible());
    b->SetVisible(false);
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(c->GetRight(), a->GetRight());
    b->SetExpandable(false);
    EXPECT_EQ(c->ParentSection(), nullptr);

    // Children of a section that goes lose it, expandable or not.
    c->SetParentSection(a);
    S()->DeleteSection(a);
    EXPECT_EQ(c->ParentSection(), nullptr);
    EXPECT_TRUE(c->Visible());
    TLogHeader other(nullptr);
    c->SetParentSection(other.Sections()->AddSection());
    EXPECT_EQ(c->ParentSection(), nullptr);
}

TEST_F(HeaderTest, ASectionsMenuIsStoredByNameAndDroppedWhenFreed)
{
    Make({50, 60});
    auto* menu = new TPopupMenu(Form);
    menu->SetName("Columns");
    At(0)->SetPopupMenu(menu);
    At(1)->Assign(At(0));
    EXPECT_EQ(At(1)->PopupMenuName(), "Columns");
    TObject::Free(menu);
    EXPECT_EQ(At(0)->PopupMenu(), nullptr);
    EXPECT_EQ(At(1)->PopupMenu(), nullptr);
    EXPECT_EQ(At(1)->PopupMenuName(), "");
}

TEST_F(HeaderTest, EverySetterKeepsItsValue)
{
    Make({50});
    TExHeaderSection* s = At(0);
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"Style", [&] { s->SetStyle(ExhsOwnerDraw); return s->Style() == ExhsOwnerDraw; }},
        {"AllowClick", [&] { s->SetAllowClick(false); return !s->AllowClick(); }},
        {"Alignment", [&] { s->SetAlignment(hsaCenter); return s->Alignment() == hsaCenter; }},
        {"PictureAlign", [&] { s->SetPictureAlign(hsaRight); return s->PictureAlign() == hsaRight; }},
        {"FieldName", [&] { s->SetFieldName("n"); return s->FieldName() == "n"; }},
        {"Editable", [&] { s->SetEditable(true); return s->Editable(); }},
        {"Password", [&] { s->SetPassword(true); return s->Password(); }},
        {"Resizable", [&] { s->SetResizable(false); return !s->Resizable(); }},
        {"ClickSelect", [&] { s->SetClickSelect(false); return !s->ClickSelect(); }},
        {"FontColorClearsParentColor", [&] { s->SetFontColor(0); return !s->ParentColor() && s->FontColor() == 0; }},
        {"ParentColor", [&] { s->SetParentColor(true); return s->ParentColor(); }},
        {"ColorClearsParentColor", [&] { s->SetColor(clRed); return !s->ParentColor() && s->Color() == clRed; }},
        {"UseMainStyle", [&] { s->SetUseMainStyle(true); return s->UseMainStyle(); }},
        {"TextLayout", [&] { s->SetTextLayout(tlBottom); return s->TextLayout() == tlBottom; }},
        {"FilterIsActive", [&] { s->SetFilterIsActive(true); return s->FilterIsActive(); }},
        {"Hint", [&] { s->SetHint("h"); return s->Hint() == "h"; }},
        {"ShowSortMark", [&] { s->SetShowSortMark(false); return !s->ShowSortMark(); }},
        {"LookupHistory", [&] {
             TStringList lines;
             lines.Add("x");
             s->SetLookupHistory(&lines);
             return s->LookupHistory()->Text() == "x\r\n";
         }},
        {"Tracking", [&] { H->SetTracking(false); return !H->Tracking(); }},
        {"WrapCaptions", [&] { H->SetWrapCaptions(true); return H->WrapCaptions(); }},
        {"RightAlignedText", [&] { H->SetRightAlignedText(true); return H->RightAlignedText(); }},
        {"FilterColor", [&] { H->SetFilterColor(clRed); return H->FilterColor() == clRed; }},
        {"ActiveFilterColor", [&] { H->SetActiveFilterColor(clRed); return H->ActiveFilterColor() == clRed; }},
    };
    for (const auto& [name, check] : cases)
        EXPECT_TRUE(check()) << name;
}

// ---------------------------------------------------------------- hints

TEST_F(HeaderTest, SectionsGiveTheirOwnHints)
{
    Make({100, 100});
    At(0)->SetHint("Received at");
    H->SetHint("Columns");
    H->SetShowHint(true);
    Form->Show();
    const Integer savedPause = Application->HintPause;
    Application->HintPause = 30;
    auto hintFor = [&](int X) {
        Application->CancelHint();
        Input::MouseMove(Form, 400, 150);
        Input::MouseMove(H, X, 10);
        uitest::PumpUntil([] { return !Application->CurrentHintText().empty(); }, 2000);
        return Application->CurrentHintText();
    };
    EXPECT_EQ(hintFor(50), "Received at");
    EXPECT_EQ(H->FHintSection, At(0));
    // A section without a hint of its own leaves the header's.
    EXPECT_EQ(hintFor(150), "Columns");
    EXPECT_EQ(H->FHintSection, At(1));
    // Scrolled: the section under the point, not at its unscrolled place.
    H->SetLeftPos(60);
    EXPECT_EQ(hintFor(50), "Columns");
    EXPECT_EQ(H->FHintSection, At(1));
    Application->CancelHint();
    Application->HintPause = savedPause;
}

// ---------------------------------------------------------------- handlers that free the header

namespace {

// A header on a form with three sections 100 wide (the second drawn by its owner, with a picture
// the owner chooses); Arm assigns the handler that frees the form, Act drives the header.
struct TFreeing {
    const char* Name;
    std::function<void(TExHeader*, std::function<void()>)> Arm;
    std::function<void(TExHeader*)> Act;
};

[[maybe_unused]] void PrintTo(const TFreeing& Case, std::ostream* Out) { *Out << Case.Name; }

void Paint(TExHeader* H)
{
    H->Invalidate();
    UpdateWindow(H->Handle());
}

const TFreeing Freeings[] = {
    {"SectionDrawWhilePainted",
     [](auto* h, auto free) { h->OnSectionDraw = [free](TObject*, TCanvas*, TExHeaderSection*, const TRect&, bool) { free(); }; },
     Paint},
    {"SectionDrawOfThePressedLook",
     [](auto* h, auto free) {
         h->OnSectionDraw = [free](TObject*, TCanvas*, TExHeaderSection*, const TRect&, bool Pressed) {
             if (Pressed)
                 free();
         };
     },
     [](auto* h) { Input::MouseDown(h, mbLeft, 150, 8); }},
    {"SectionDrawOfTheHotLook",
     [](auto* h, auto free) {
         h->OnSectionDraw = [h, free](TObject*, TCanvas*, TExHeaderSection* s, const TRect&, bool) {
             if (s->GetVisible() && h->GetSectionAt(150, 8) == s && h->Tracking())
                 free();
         };
     },
     [](auto* h) {
         TGuardPtr<TExHeader> alive(h);
         Input::MouseMove(h, 50, 8, 0);
         if (alive)
             Input::MouseMove(h, 150, 8, 0);
     }},
    {"SectionDrawOfTheDragImage",
     [](auto* h, auto free) {
         h->OnSectionDraw = [h, free](TObject*, TCanvas* c, TExHeaderSection*, const TRect&, bool) {
             if (c != h->Canvas())
                 free();
         };
     },
     [](auto* h) {
         TGuardPtr<TExHeader> alive(h);
         Input::MouseDown(h, mbLeft, 150, 8);
         if (alive)
             Input::MouseMove(h, 170, 8, ssLeft);
     }},
    {"PictureWhilePainted",
     [](auto* h, auto free) {
         h->OnPictureNeeded = [free](TObject*, TExHeaderSection*, Integer& Index) {
             Index = 0;
             free();
         };
     },
     Paint},
    {"PictureWhileMeasured",
     [](auto* h, auto free) {
         h->OnPictureNeeded = [free](TObject*, TExHeaderSection*, Integer& Index) {
             Index = 0;
             free();
         };
     },
     [](auto* h) { EXPECT_EQ(h->MeasureSectionWidth(h->Sections()->GetSectionByPos(0), nullptr, nullptr), 0); }},
    {"MarkupImageWhilePainted",
     [](auto* h, auto free) { h->OnHTMLImageNeeded = [free](TObject*, const std::string&, TBitmap*&) { free(); }; },
     Paint},
    {"MarkupImageWhileMeasured",
     [](auto* h, auto free) { h->OnHTMLImageNeeded = [free](TObject*, const std::string&, TBitmap*&) { free(); }; },
     [](auto* h) { h->Sections()->GetSectionByPos(0)->SetText("<html>a<img src=\"other\">b</html>"); }},
    {"MarkupImageWhileDrawn",
     [](auto* h, auto free) {
         // Parsing asks once; drawing asks again, and that answer frees.
         auto asked = std::make_shared<int>(0);
         h->OnHTMLImageNeeded = [asked, free](TObject*, const std::string&, TBitmap*&) {
             if (++*asked == 2)
                 free();
         };
     },
     Paint},
    {"SectionDeleteOfDeleteSection",
     [](auto* h, auto free) { h->OnSectionDelete = [free](TObject*, TExHeaderSection*) { free(); }; },
     [](auto* h) { h->Sections()->DeleteSection(h->Sections()->GetSectionByPos(1)); }},
    {"SectionDeleteAtTheEndOfAnUpdate",
     [](auto* h, auto free) { h->OnSectionDelete = [free](TObject*, TExHeaderSection*) { free(); }; },
     [](auto* h) {
         TGuardPtr<TExHeader> alive(h);
         h->BeginUpdate();
         h->Sections()->DeleteSection(h->Sections()->GetSectionByPos(1));
         h->Sections()->DeleteSection(h->Sections()->GetSectionByPos(0));
         EXPECT_TRUE(alive);
         h->EndUpdate();
     }},
};

class FreedHeader : public ::testing::TestWithParam<TFreeing> {};

TEST_P(FreedHeader, ByAHandlerTheHeaderRunsEndsWhatRaisedIt)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 500, 100);
    auto* h = new TExHeader(form);
    h->SetParent(form);
    h->SetUseXPThemes(false);
    auto* images = new TImageList(form);
    TBitmap pic;
    pic.SetSize(16, 16);
    images->AddMasked(&pic, clFuchsia);
    h->SetImages(images);
    for (const char* text : {"<html>x<img src=\"pic\">y</html>", "", "Size"}) {
        TExHeaderSection* s = h->Sections()->AddSection();
        s->SetText(text);
        s->SetWidth(100);
    }
    h->Sections()->GetSectionByPos(1)->SetStyle(ExhsOwnerDraw);
    form->Show();
    uitest::Pump();
    TGuardPtr<TForm> alive(form);
    GetParam().Arm(h, [&] {
        if (alive)
            TObject::Free(form);
    });
    GetParam().Act(h);
    EXPECT_FALSE(alive);
    if (alive)
        TObject::Free(form);
    uitest::Pump();
}

INSTANTIATE_TEST_SUITE_P(Header, FreedHeader, ::testing::ValuesIn(Freeings),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace

#include "ctlbase/Exuxtheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "ctlbase/Extmschema.h"
#include "platform/Graphics.h"
#include "platform/Libraries.h"
#include "tests/ctlbase/ThemeRestart.h"

namespace {

constexpr int W = 40, H = 24;
// A colour no part is drawn in, so that every pixel a part paints shows.
const TColor kBlank = TColor(0xFF00FF);

std::unique_ptr<TBitmap> Blank()
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(W, H);
    b->Canvas()->Brush()->SetColor(kBlank);
    b->Canvas()->FillRect(Rect(0, 0, W, H));
    return b;
}

int Changed(TBitmap* b, const TRect& area = Rect(0, 0, W, H))
{
    int n = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            n += b->Canvas()->Pixels(x, y) != kBlank;
    return n;
}

// A picture of one part in one state.
std::string Picture(LPCWSTR cls, int part, int state)
{
    auto b = Blank();
    EXPECT_EQ(DrawThemeBackgroundTo(cls, b->Canvas()->Handle(), part, state, Rect(0, 0, W, H), nullptr), S_OK);
    std::string pixels;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            pixels += std::to_string(b->Canvas()->Pixels(x, y)) + ",";
    return pixels;
}

TEST(ThemeLibrary, LoadedByNameWithTheFunctionsOfferedAndTheRestEmpty)
{
    themetest::Restart(true);
    EXPECT_TRUE(ThemesAvailable);
    EXPECT_NE(ThemeLibrary, nullptr);
    EXPECT_NE(OpenThemeData, nullptr);
    EXPECT_NE(CloseThemeData, nullptr);
    EXPECT_NE(DrawThemeBackground, nullptr);
    EXPECT_NE(DrawThemeText, nullptr);
    EXPECT_NE(GetThemePartSize, nullptr);
    EXPECT_NE(GetThemeTextExtent, nullptr);
    EXPECT_NE(GetThemeColor, nullptr);
    EXPECT_NE(DrawThemeParentBackground, nullptr);
    EXPECT_NE(GetWindowTheme, nullptr);
    EXPECT_EQ(GetThemeFont, nullptr);  // not offered
    EXPECT_EQ(GetThemeFilename, nullptr);
}

TEST(ThemeLibrary, SwitchedOffByTheUserNothingIsLoadedAndEveryEntryIsEmpty)
{
    themetest::Restart(false);
    EXPECT_FALSE(ThemesAvailable);
    EXPECT_EQ(ThemeLibrary, nullptr);
    EXPECT_EQ(OpenThemeData, nullptr);
    EXPECT_EQ(IsThemeActive, nullptr);
    themetest::Restart(true);
    EXPECT_TRUE(ThemesAvailable);
}

TEST(ThemeLibrary, ALibraryLackingACalledFunctionLeavesThemesUnavailable)
{
    // The same library without GetThemeColor.
    static TLibraryExport entries[6];
    themetest::Restart(true);
    const char* names[] = {"OpenThemeData",    "CloseThemeData",   "DrawThemeBackground",
                           "DrawThemeText",    "GetThemePartSize", "GetThemeTextExtent"};
    for (int i = 0; i < 6; ++i)
        entries[i] = {names[i], GetProcAddress(ThemeLibrary, names[i])};
    RegisterLibrary("UxTheme.dll", []() -> const TLibraryExports* {
        static const TLibraryExports exports{entries, 6};
        return &exports;
    });
    themetest::Restart(true);
    EXPECT_NE(OpenThemeData, nullptr);
    EXPECT_EQ(GetThemeColor, nullptr);
    EXPECT_FALSE(ThemesAvailable);
    RegisterLibrary("uxtheme.dll", nullptr);
    themetest::Restart(true);
    EXPECT_TRUE(ThemesAvailable);
}

struct PartCase {
    const char* name;
    LPCWSTR cls;
    int part;
    int state;
};

void PrintTo(const PartCase& c, std::ostream* os)
{
    *os << c.name;
}

class EveryPart : public ::testing::TestWithParam<PartCase> {};

TEST_P(EveryPart, DrawsPixelsInsideItsRectangleOnly)
{
    themetest::Restart(true);
    const PartCase c = GetParam();
    auto b = Blank();
    const TRect r = Rect(4, 3, W - 4, H - 3);
    ASSERT_EQ(DrawThemeBackgroundTo(c.cls, b->Canvas()->Handle(), c.part, c.state, r, nullptr), S_OK);
    EXPECT_GT(Changed(b.get(), r), 8);
    EXPECT_EQ(Changed(b.get()), Changed(b.get(), r));
}

INSTANTIATE_TEST_SUITE_P(
    Classes, EveryPart,
    ::testing::Values(
        PartCase{"HeaderBackground", VSCLASS_HEADER, 0, 0}, PartCase{"HeaderItemHot", VSCLASS_HEADER, HP_HEADERITEM, HIS_HOT},
        PartCase{"HeaderItemLeft", VSCLASS_HEADER, HP_HEADERITEMLEFT, HIS_NORMAL},
        PartCase{"HeaderItemRight", VSCLASS_HEADER, HP_HEADERITEMRIGHT, HIS_PRESSED},
        PartCase{"HeaderSortArrow", VSCLASS_HEADER, HP_HEADERSORTARROW, HSAS_SORTEDDOWN},
        PartCase{"ScrollBarBackground", VSCLASS_SCROLLBAR, 0, 0},
        PartCase{"ArrowUp", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_UPNORMAL},
        PartCase{"ArrowRightDisabled", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_RIGHTDISABLED},
        PartCase{"ThumbHorz", VSCLASS_SCROLLBAR, SBP_THUMBBTNHORZ, SCRBS_HOT},
        PartCase{"ThumbVert", VSCLASS_SCROLLBAR, SBP_THUMBBTNVERT, SCRBS_PRESSED},
        PartCase{"LowerTrackHorz", VSCLASS_SCROLLBAR, SBP_LOWERTRACKHORZ, SCRBS_NORMAL},
        PartCase{"UpperTrackHorz", VSCLASS_SCROLLBAR, SBP_UPPERTRACKHORZ, SCRBS_PRESSED},
        PartCase{"LowerTrackVert", VSCLASS_SCROLLBAR, SBP_LOWERTRACKVERT, SCRBS_DISABLED},
        PartCase{"UpperTrackVert", VSCLASS_SCROLLBAR, SBP_UPPERTRACKVERT, SCRBS_HOT},
        PartCase{"GripperHorz", VSCLASS_SCROLLBAR, SBP_GRIPPERHORZ, SCRBS_NORMAL},
        PartCase{"GripperVert", VSCLASS_SCROLLBAR, SBP_GRIPPERVERT, SCRBS_NORMAL},
        PartCase{"SizeBox", VSCLASS_SCROLLBAR, SBP_SIZEBOX, SZB_RIGHTALIGN},
        PartCase{"ButtonBackground", VSCLASS_BUTTON, 0, 0},
        PartCase{"PushButtonDefaulted", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_DEFAULTED},
        PartCase{"PushButtonStateZero", VSCLASS_BUTTON, BP_PUSHBUTTON, 0},
        PartCase{"RadioChecked", VSCLASS_BUTTON, BP_RADIOBUTTON, RBS_CHECKEDNORMAL},
        PartCase{"CheckBoxMixedDisabled", VSCLASS_BUTTON, BP_CHECKBOX, CBS_MIXEDDISABLED},
        PartCase{"GroupBox", VSCLASS_BUTTON, BP_GROUPBOX, GBS_NORMAL},
        PartCase{"TreeBackground", VSCLASS_TREEVIEW, 0, 0},
        PartCase{"TreeItemSelected", VSCLASS_TREEVIEW, TVP_TREEITEM, TREIS_SELECTED},
        PartCase{"TreeGlyphClosed", VSCLASS_TREEVIEW, TVP_GLYPH, GLPS_CLOSED},
        PartCase{"EditFrame", VSCLASS_EDIT, 0, 0}, PartCase{"EditFocused", VSCLASS_EDIT, EP_EDITTEXT, ETS_FOCUSED},
        PartCase{"ComboFrame", VSCLASS_COMBOBOX, 0, 0},
        PartCase{"ComboButtonPressed", VSCLASS_COMBOBOX, CP_DROPDOWNBUTTON, CBXS_PRESSED},
        PartCase{"ToolTip", VSCLASS_TOOLTIP, TTP_STANDARD, TTSS_NORMAL},
        PartCase{"ToolTipTitle", VSCLASS_TOOLTIP, TTP_STANDARDTITLE, TTSS_LINK}),
    [](const auto& info) { return std::string(info.param.name); });

struct StatePair {
    const char* name;
    LPCWSTR cls;
    int part;
    int a, b;
};

void PrintTo(const StatePair& c, std::ostream* os)
{
    *os << c.name;
}

class StatesDiffer : public ::testing::TestWithParam<StatePair> {};

TEST_P(StatesDiffer, TwoStatesGiveTwoPictures)
{
    themetest::Restart(true);
    const StatePair c = GetParam();
    EXPECT_TRUE(Picture(c.cls, c.part, c.a) != Picture(c.cls, c.part, c.b));
}

INSTANTIATE_TEST_SUITE_P(
    Looks, StatesDiffer,
    ::testing::Values(
        StatePair{"CheckedOrNot", VSCLASS_BUTTON, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, CBS_CHECKEDNORMAL},
        StatePair{"CheckedOrMixed", VSCLASS_BUTTON, BP_CHECKBOX, CBS_CHECKEDNORMAL, CBS_MIXEDNORMAL},
        StatePair{"CheckEnabledOrNot", VSCLASS_BUTTON, BP_CHECKBOX, CBS_CHECKEDNORMAL, CBS_CHECKEDDISABLED},
        StatePair{"RadioCheckedOrNot", VSCLASS_BUTTON, BP_RADIOBUTTON, RBS_UNCHECKEDHOT, RBS_CHECKEDHOT},
        StatePair{"PushNormalOrPressed", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_NORMAL, PBS_PRESSED},
        StatePair{"PushNormalOrDisabled", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_NORMAL, PBS_DISABLED},
        StatePair{"ArrowUpOrDown", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_UPNORMAL, ABS_DOWNNORMAL},
        StatePair{"ArrowLeftOrRight", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_LEFTNORMAL, ABS_RIGHTNORMAL},
        StatePair{"ArrowNormalOrDisabled", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_DOWNNORMAL, ABS_DOWNDISABLED},
        StatePair{"TrackNormalOrPressed", VSCLASS_SCROLLBAR, SBP_LOWERTRACKVERT, SCRBS_NORMAL, SCRBS_PRESSED},
        StatePair{"GlyphClosedOrOpened", VSCLASS_TREEVIEW, TVP_GLYPH, GLPS_CLOSED, GLPS_OPENED},
        StatePair{"TreeItemNormalOrSelected", VSCLASS_TREEVIEW, TVP_TREEITEM, TREIS_NORMAL, TREIS_SELECTED},
        StatePair{"TreeItemNormalOrHot", VSCLASS_TREEVIEW, TVP_TREEITEM, TREIS_NORMAL, TREIS_HOT},
        StatePair{"TreeItemSelectedFocusedOrNot", VSCLASS_TREEVIEW, TVP_TREEITEM, TREIS_SELECTED,
                  TREIS_SELECTEDNOTFOCUS},
        StatePair{"SortUpOrDown", VSCLASS_HEADER, HP_HEADERSORTARROW, HSAS_SORTEDUP, HSAS_SORTEDDOWN},
        StatePair{"HeaderNormalOrPressed", VSCLASS_HEADER, HP_HEADERITEM, HIS_NORMAL, HIS_PRESSED},
        StatePair{"EditNormalOrDisabled", VSCLASS_EDIT, EP_EDITTEXT, ETS_NORMAL, ETS_DISABLED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThemeWrappers, AnUnknownClassOrPartDrawsNothing)
{
    themetest::Restart(true);
    auto b = Blank();
    const TRect r = Rect(0, 0, W, H);
    EXPECT_EQ(DrawThemeBackgroundTo(u"NOSUCHCLASS", b->Canvas()->Handle(), 1, 1, r, nullptr), HRESULT(0x80004001));
    EXPECT_EQ(DrawThemeTextTo(u"NOSUCHCLASS", b->Canvas()->Handle(), 1, 1, u"Text", -1, 0, 0, r), E_NOTIMPL);
    SIZE s{-1, -1};
    EXPECT_EQ(GetThemePartSizeTo(u"", b->Canvas()->Handle(), 1, 1, nullptr, TS_TRUE, s), E_NOTIMPL);
    EXPECT_EQ(s, (SIZE{-1, -1}));
    EXPECT_EQ(DrawThemeBackgroundTo(VSCLASS_BUTTON, b->Canvas()->Handle(), 5, 1, r, nullptr), E_INVALIDARG);
    EXPECT_EQ(DrawThemeBackgroundTo(VSCLASS_TREEVIEW, b->Canvas()->Handle(), -1, 1, r, nullptr), E_INVALIDARG);
    EXPECT_EQ(Changed(b.get()), 0);
}

TEST(ThemeWrappers, AClassListOpensItsFirstKnownClassWhateverTheCase)
{
    themetest::Restart(true);
    SIZE s;
    ASSERT_EQ(GetThemePartSizeTo(u"Explorer::Nothing; treeview", nullptr, TVP_GLYPH, GLPS_OPENED, nullptr, TS_TRUE, s), S_OK);
    EXPECT_EQ(s, (SIZE{9, 9}));
}

TEST(ThemeWrappers, EachCallClosesTheThemeItOpened)
{
    themetest::Restart(true);
    auto b = Blank();
    HWND none = nullptr;
    for (int i = 0; i < 3; ++i)
        DrawThemeBackgroundTo(VSCLASS_EDIT, b->Canvas()->Handle(), 0, 0, Rect(0, 0, W, H), nullptr);
    EXPECT_EQ(GetWindowTheme(none), nullptr);
    HTHEME t = OpenThemeData(nullptr, VSCLASS_EDIT);
    EXPECT_EQ(CloseThemeData(t), S_OK);
    EXPECT_EQ(CloseThemeData(t), E_HANDLE);  // already closed
}

TEST(ThemeService, TheClipRectangleBoundsTheDrawing)
{
    themetest::Restart(true);
    auto b = Blank();
    const TRect clip = Rect(0, 0, W / 2, H);
    ASSERT_EQ(DrawThemeBackgroundTo(VSCLASS_BUTTON, b->Canvas()->Handle(), BP_PUSHBUTTON, PBS_NORMAL,
                                    Rect(0, 0, W, H), &clip),
              S_OK);
    EXPECT_GT(Changed(b.get(), clip), 20);
    EXPECT_EQ(Changed(b.get(), Rect(W / 2, 0, W, H)), 0);
}

TEST(ThemeService, SizesOfTheFixedParts)
{
    themetest::Restart(true);
    SIZE check, radio, arrow, combo, glyph;
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_BUTTON, nullptr, BP_CHECKBOX, CBS_CHECKEDNORMAL, nullptr, TS_TRUE, check), S_OK);
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_BUTTON, nullptr, BP_RADIOBUTTON, 1, nullptr, TS_TRUE, radio), S_OK);
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_SCROLLBAR, nullptr, SBP_ARROWBTN, ABS_LEFTNORMAL, nullptr, TS_TRUE, arrow), S_OK);
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_COMBOBOX, nullptr, CP_DROPDOWNBUTTON, 1, nullptr, TS_TRUE, combo), S_OK);
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_TREEVIEW, nullptr, TVP_GLYPH, GLPS_CLOSED, nullptr, TS_TRUE, glyph), S_OK);
    EXPECT_GE(check.cx, 11);
    EXPECT_LE(check.cx, 20);
    EXPECT_EQ(check.cx, check.cy);
    EXPECT_GE(radio.cx, 11);
    EXPECT_EQ(arrow, (SIZE{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL)}));
    EXPECT_EQ(combo.cx, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(glyph, (SIZE{9, 9}));
    RECT small = Rect(0, 0, 5, 30);
    SIZE drawn;
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_TREEVIEW, nullptr, TVP_GLYPH, 1, &small, TS_DRAW, drawn), S_OK);
    EXPECT_EQ(drawn, (SIZE{5, 9}));
    // A stretched part is at least its frame: what the content rectangle leaves out.
    SIZE least;
    RECT bounds = Rect(0, 0, 70, 20), content;
    HTHEME button = OpenThemeData(nullptr, VSCLASS_BUTTON);
    ASSERT_EQ(GetThemePartSize(button, nullptr, BP_PUSHBUTTON, 1, nullptr, TS_MIN, &least), S_OK);
    ASSERT_EQ(GetThemeBackgroundContentRect(button, nullptr, BP_PUSHBUTTON, 1, &bounds, &content), S_OK);
    CloseThemeData(button);
    EXPECT_GT(least.cx, 0);
    EXPECT_EQ(least, (SIZE{bounds.Width() - content.Width(), bounds.Height() - content.Height()}));
    RECT wide = Rect(0, 0, 70, 20);
    ASSERT_EQ(GetThemePartSizeTo(VSCLASS_BUTTON, nullptr, BP_PUSHBUTTON, 1, &wide, TS_DRAW, drawn), S_OK);
    EXPECT_EQ(drawn, (SIZE{70, 20}));
}

// The darkest grey level of the pixels text left (0 black ... 255 white).
int Darkest(TBitmap* b)
{
    int darkest = 256;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (TColor c = b->Canvas()->Pixels(x, y); c != kBlank)
                darkest = std::min(darkest, int(GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3);
    return darkest;
}

TEST(ThemeService, TextIsDrawnInThePartsColourAndMeasuredLikeTheCanvas)
{
    themetest::Restart(true);
    const RECT full = Rect(0, 0, W, H);
    HTHEME t = OpenThemeData(nullptr, VSCLASS_BUTTON);
    COLORREF normal = 0, disabled = 0;
    ASSERT_EQ(GetThemeColor(t, BP_PUSHBUTTON, PBS_NORMAL, TMT_TEXTCOLOR, &normal), S_OK);
    ASSERT_EQ(GetThemeColor(t, BP_PUSHBUTTON, PBS_DISABLED, TMT_TEXTCOLOR, &disabled), S_OK);
    EXPECT_LT(GetRValue(normal), GetRValue(disabled));
    auto plain = Blank(), grayed = Blank(), byState = Blank();
    ASSERT_EQ(DrawThemeText(t, plain->Canvas()->Handle(), BP_PUSHBUTTON, PBS_NORMAL, u"Wm", -1, DT_SINGLELINE, 0, &full),
              S_OK);
    DrawThemeText(t, grayed->Canvas()->Handle(), BP_PUSHBUTTON, PBS_NORMAL, u"Wm", -1, DT_SINGLELINE, DTT_GRAYED, &full);
    DrawThemeText(t, byState->Canvas()->Handle(), BP_PUSHBUTTON, PBS_DISABLED, u"Wm", -1, DT_SINGLELINE, 0, &full);
    EXPECT_GT(Changed(plain.get()), 10);
    EXPECT_LT(Darkest(plain.get()) + 40, Darkest(grayed.get()));
    EXPECT_EQ(Darkest(grayed.get()), Darkest(byState.get()));
    RECT extent;
    HDC dc = plain->Canvas()->Handle();
    ASSERT_EQ(GetThemeTextExtent(t, dc, BP_PUSHBUTTON, PBS_NORMAL, u"Wide text", 4, DT_SINGLELINE, nullptr, &extent),
              S_OK);
    EXPECT_EQ(extent.Width(), plain->Canvas()->TextWidth("Wide"));
    EXPECT_EQ(extent.Height(), plain->Canvas()->TextHeight("Wide"));
    CloseThemeData(t);
}

TEST(ThemeService, TheScrollBarColourIsTheOneItsTrackIsPaintedIn)
{
    themetest::Restart(true);
    HTHEME t = OpenThemeData(nullptr, VSCLASS_SCROLLBAR);
    const RECT full = Rect(0, 0, W, H), thumb = Rect(0, 0, 30, 16);
    COLORREF track = 0;
    ASSERT_EQ(GetThemeColor(t, 0, 0, TMT_SCROLLBAR, &track), S_OK);
    auto b = Blank();
    DrawThemeBackground(t, b->Canvas()->Handle(), SBP_LOWERTRACKHORZ, SCRBS_NORMAL, &full, nullptr);
    EXPECT_EQ(b->Canvas()->Pixels(W / 2, H / 2), TColor(track));
    COLORREF face = 0;
    ASSERT_EQ(GetThemeColor(t, 0, 0, TMT_SCROLLBAR + COLOR_BTNFACE, &face), S_OK);
    EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetThemeColor(t, 0, 0, 9999, &face), E_PROP_ID_UNSUPPORTED);
    RECT content;
    ASSERT_EQ(GetThemeBackgroundContentRect(t, nullptr, SBP_THUMBBTNHORZ, 1, &thumb, &content), S_OK);
    EXPECT_EQ(content, Rect(2, 2, 28, 14));
    EXPECT_EQ(GetThemeSysSize(t, SM_CXVSCROLL), GetSystemMetrics(SM_CXVSCROLL));
    CloseThemeData(t);
}

}  // namespace

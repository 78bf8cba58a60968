// The published properties: each one's value on a new tree, and what setting it asks of the
// view (the refresh flags it leaves for the end of the bracket), in one table.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TreeFixture.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

// What a setter asks for, read from the refresh flags inside an open bracket.
std::string Asked(TCustomExTree* Tree)
{
    const TExTreeRefresh& w = Tree->RefreshFlags();
    std::string s;
    if (w.RowsChanged) s += "rows ";
    if (w.ViewChanged) s += "view ";
    if (w.TopIndexChanged) s += "top ";
    if (w.VisCountChanged) s += "count ";
    if (w.HRangeStale) s += "range ";
    if (w.UpdatePending) s += "update";
    return s;
}

struct PropertyCase {
    const char* name;
    std::function<std::string(TExTree*)> get;
    std::string initial;
    std::function<void(TExTree*)> prepare;  // may be nil
    std::function<void(TExTree*)> set;
    std::string after;   // the value read back
    std::string asked;   // flags left for the close
};

std::string B(bool Value) { return Value ? "true" : "false"; }
std::string I(Integer Value) { return std::to_string(Value); }

class Properties : public TreeTest, public ::testing::WithParamInterface<PropertyCase> {};

TEST_P(Properties, StartAtTheirDefaultAndAskForTheirRefresh)
{
    const PropertyCase& c = GetParam();
    EXPECT_EQ(c.get(Tree), c.initial);
    if (c.prepare) c.prepare(Tree);
    Tree->SetUpdating(true);
    // Start from a clean slate: the flags are the setter's.
    TExTreeRefresh& w = Tree->RefreshFlags();
    w.RowsChanged = w.ViewChanged = w.TopIndexChanged = w.VisCountChanged = w.HRangeStale = w.UpdatePending = false;
    c.set(Tree);
    EXPECT_EQ(c.get(Tree), c.after);
    EXPECT_EQ(Asked(Tree), c.asked);
    Tree->SetUpdating(false);
    EXPECT_EQ(c.get(Tree), c.after);
    // Setting the same value again asks for nothing.
    Tree->SetUpdating(true);
    w.RowsChanged = w.ViewChanged = w.TopIndexChanged = w.VisCountChanged = w.HRangeStale = w.UpdatePending = false;
    // RowSelect refreshes without comparing (its setter has no equality test).
    if (std::string(c.name).rfind("RowSelect", 0) != 0) {
        c.set(Tree);
        EXPECT_EQ(Asked(Tree), "");
    }
    Tree->SetUpdating(false);
}

const PropertyCase PropertyCases[] = {
    {"ShowButtons", [](TExTree* T) { return B(T->ShowButtons()); }, "true", nullptr,
     [](TExTree* T) { T->SetShowButtons(false); }, "false", "rows range update"},
    {"ShowLines", [](TExTree* T) { return B(T->ShowLines()); }, "true", nullptr,
     [](TExTree* T) { T->SetShowLines(false); }, "false", "rows range update"},
    {"ShowRoot", [](TExTree* T) { return B(T->ShowRoot()); }, "false", nullptr,
     [](TExTree* T) { T->SetShowRoot(true); }, "true", "rows range update"},
    {"ShowRootButtons", [](TExTree* T) { return B(T->ShowRootButtons()); }, "true", nullptr,
     [](TExTree* T) { T->SetShowRootButtons(false); }, "false", "rows range update"},
    {"ShowLeafButton", [](TExTree* T) { return B(T->ShowLeafButton()); }, "false", nullptr,
     [](TExTree* T) { T->SetShowLeafButton(true); }, "true", "rows range update"},
    {"ShowCheckboxes", [](TExTree* T) { return B(T->ShowCheckboxes()); }, "false", nullptr,
     [](TExTree* T) { T->SetShowCheckboxes(true); }, "true", "view range update"},
    {"ShowImages", [](TExTree* T) { return B(T->ShowImages()); }, "true", nullptr,
     [](TExTree* T) { T->SetShowImages(false); }, "false", "rows range update"},
    {"ShowEmptyImagesWithoutImages", [](TExTree* T) { return B(T->ShowEmptyImages()); }, "false", nullptr,
     [](TExTree* T) { T->SetShowEmptyImages(true); }, "true", ""},
    {"ChangeStateImage", [](TExTree* T) { return B(T->ChangeStateImage()); }, "false", nullptr,
     [](TExTree* T) { T->SetChangeStateImage(true); }, "true", "rows update"},
    {"CustomPlusMinus", [](TExTree* T) { return B(T->CustomPlusMinus()); }, "false", nullptr,
     [](TExTree* T) { T->SetCustomPlusMinus(true); }, "true", "view range update"},
    {"CheckBoxSizeWithoutBoxes", [](TExTree* T) { return I(T->CheckBoxSize()); }, "15", nullptr,
     [](TExTree* T) { T->SetCheckBoxSize(20); }, "20", "update"},
    {"CheckBoxSizeWithBoxes", [](TExTree* T) { return I(T->CheckBoxSize()); }, "15",
     [](TExTree* T) { T->SetShowCheckboxes(true); }, [](TExTree* T) { T->SetCheckBoxSize(20); }, "20",
     "view range update"},
    {"CustomCheckboxesWithBoxes", [](TExTree* T) { return B(T->CustomCheckboxes()); }, "false",
     [](TExTree* T) { T->SetShowCheckboxes(true); }, [](TExTree* T) { T->SetCustomCheckboxes(true); }, "true",
     "view range update"},
    {"PlusMinusTransparent", [](TExTree* T) { return B(T->PlusMinusTransparent()); }, "false", nullptr,
     [](TExTree* T) { T->SetPlusMinusTransparent(true); }, "true", "rows update"},
    {"ItemIndent", [](TExTree* T) { return I(T->ItemIndent()); }, "17", nullptr,
     [](TExTree* T) { T->SetItemIndent(20); }, "20", "view range update"},
    {"VerticalLines", [](TExTree* T) { return B(T->VerticalLines()); }, "false", nullptr,
     [](TExTree* T) { T->SetVerticalLines(true); }, "true", "view update"},
    {"HorizontalLines", [](TExTree* T) { return B(T->HorizontalLines()); }, "false", nullptr,
     [](TExTree* T) { T->SetHorizontalLines(true); }, "true", "rows view top update"},
    {"BarStyle", [](TExTree* T) { return B(T->BarStyle()) + " " + I(T->BkColor()); }, "false " + I(clWindow),
     nullptr, [](TExTree* T) { T->SetBarStyle(true); }, "true " + I(clBtnFace), "view top range update"},
    {"BarStyleVerticalLinesInBarStyle", [](TExTree* T) { return B(T->BarStyleVerticalLines()); }, "false",
     [](TExTree* T) { T->SetBarStyle(true); }, [](TExTree* T) { T->SetBarStyleVerticalLines(true); }, "true",
     "view update"},
    {"LinesColor", [](TExTree* T) { return I(T->LinesColor()); }, I(clBtnFace), nullptr,
     [](TExTree* T) { T->SetLinesColor(clRed); }, I(clRed), "view update"},
    {"LinesStyle", [](TExTree* T) { return I(T->LinesStyle()); }, I(psDot), nullptr,
     [](TExTree* T) { T->SetLinesStyle(psSolid); }, I(psSolid), "view update"},
    {"HorzDivLinesColorWithoutLines", [](TExTree* T) { return I(T->HorzDivLinesColor()); }, I(clBtnFace), nullptr,
     [](TExTree* T) { T->SetHorzDivLinesColor(clRed); }, I(clRed), ""},
    {"VertDivLinesColorWithLines", [](TExTree* T) { return I(T->VertDivLinesColor()); }, I(clBtnFace),
     [](TExTree* T) { T->SetVerticalLines(true); }, [](TExTree* T) { T->SetVertDivLinesColor(clRed); }, I(clRed),
     "view update"},
    {"TextColor", [](TExTree* T) { return I(T->TextColor()); }, I(clWindowText), nullptr,
     [](TExTree* T) { T->SetTextColor(clRed); }, I(clRed), "view top count update"},
    {"BkColor", [](TExTree* T) { return I(T->BkColor()); }, I(clWindow), nullptr,
     [](TExTree* T) { T->SetBkColor(clRed); }, I(clRed), "view top count update"},
    {"RowSelectOffTakesFullRowSelect", [](TExTree* T) { return B(T->RowSelect()) + B(T->FullRowSelect()); },
     "truetrue", nullptr, [](TExTree* T) { T->SetRowSelect(false); }, "falsefalse", "view top update"},
    {"MainTreeColumnPastTheSections", [](TExTree* T) { return I(T->MainTreeColumn()); }, "0",
     [](TExTree* T) {
         T->Header()->Sections()->AddSection();
         T->Header()->Sections()->AddSection();
         T->SetMainTreeColumn(1);
     },
     [](TExTree* T) { T->SetMainTreeColumn(5); }, "0", "rows update"},
    {"SelectColumnPastTheSectionsIgnored", [](TExTree* T) { return I(T->SelectColumn()); }, "-1", nullptr,
     [](TExTree* T) { T->SetSelectColumn(3); }, "-1", ""},
    {"AdjustMultilineHeight", [](TExTree* T) { return B(T->AdjustMultilineHeight()); }, "true", nullptr,
     [](TExTree* T) { T->SetAdjustMultilineHeight(false); }, "false", "rows view top count update"},
    {"AutoLineHeightOffKeepsTheHeight", [](TExTree* T) { return B(T->AutoLineHeight()) + I(T->LineHeight()); },
     "true17", nullptr, [](TExTree* T) { T->SetAutoLineHeight(false); }, "false17", ""},
    {"FilteredVisibility", [](TExTree* T) { return B(T->FilteredVisibility()); }, "false", nullptr,
     [](TExTree* T) { T->SetFilteredVisibility(true); }, "true", "rows view top count range update"},
    {"MultiSelect", [](TExTree* T) { return B(T->MultiSelect()); }, "true", nullptr,
     [](TExTree* T) { T->SetMultiSelect(false); }, "false", "update"},
    {"MultiSelectLevel", [](TExTree* T) { return I(T->MultiSelectLevel()); }, "-1", nullptr,
     [](TExTree* T) { T->SetMultiSelectLevel(2); }, "2", "update"},
    {"VirtualityLevel", [](TExTree* T) { return I(T->VirtualityLevel()); }, I(vlNone), nullptr,
     [](TExTree* T) { T->SetVirtualityLevel(vlTextAndStyles); }, I(vlTextAndStyles), "top count update"},
    {"HideHorzScrollBar", [](TExTree* T) { return B(T->HideHorzScrollBar()); }, "false", nullptr,
     [](TExTree* T) { T->SetHideHorzScrollBar(true); }, "true", "view top count update"},
    {"ForcedScrollBars", [](TExTree* T) { return I(T->ForcedScrollBars()); }, I(ssNone), nullptr,
     [](TExTree* T) { T->SetForcedScrollBars(ssBoth); }, I(ssBoth), "update"},
    {"GradientSteps", [](TExTree* T) { return I(T->GradientSteps()); }, "64", nullptr,
     [](TExTree* T) { T->SetGradientSteps(10); }, "10", ""},
    {"GradientStepsBelowOneIgnored", [](TExTree* T) { return I(T->GradientSteps()); }, "64", nullptr,
     [](TExTree* T) { T->SetGradientSteps(0); }, "64", ""},
    {"HeaderHotTrack", [](TExTree* T) { return B(T->HeaderHotTrack()); }, "false", nullptr,
     [](TExTree* T) { T->SetHeaderHotTrack(true); }, "true", ""},
    {"DraggableSections", [](TExTree* T) { return B(T->DraggableSections()); }, "false", nullptr,
     [](TExTree* T) { T->SetDraggableSections(true); }, "true", ""},
    {"DragTrgDrawMode", [](TExTree* T) { return I(T->DragTrgDrawMode()); }, I(SelColorRect), nullptr,
     [](TExTree* T) { T->SetDragTrgDrawMode(ColorFrame); }, I(ColorFrame), ""},
    {"DragRectAcceptColor", [](TExTree* T) { return I(T->DragRectAcceptColor()); }, I(clGreen), nullptr,
     [](TExTree* T) { T->SetDragRectAcceptColor(clRed); }, I(clRed), ""},
    {"DragRectDenyColor", [](TExTree* T) { return I(T->DragRectDenyColor()); }, I(clRed), nullptr,
     [](TExTree* T) { T->SetDragRectDenyColor(clBlue); }, I(clBlue), ""},
    {"StripedItems", [](TExTree* T) { return B(T->StripedItems()) + I(T->StripedOddColor()); }, "false" + I(clBtnShadow),
     nullptr, [](TExTree* T) { T->SetStripedItems(true); }, "true" + I(clBtnShadow), ""},
    {"TrackColor", [](TExTree* T) { return I(T->TrackColor()); }, I(clHighlight), nullptr,
     [](TExTree* T) { T->SetTrackColor(clRed); }, I(clRed), ""},
    {"FocusedSelectColor", [](TExTree* T) { return I(T->FocusedSelectColor()) + I(T->FocusedSelectTextColor()); },
     I(clHighlight) + I(clHighlightText), nullptr, [](TExTree* T) { T->SetFocusedSelectColor(clRed); },
     I(clRed) + I(clHighlightText), ""},
    {"HideSelectColor", [](TExTree* T) { return I(T->HideSelectColor()) + I(T->HideSelectTextColor()); },
     I(clBtnFace) + I(clBtnShadow), nullptr, [](TExTree* T) { T->SetHideSelectTextColor(clRed); },
     I(clBtnFace) + I(clRed), ""},
    {"DefaultSectionWidth", [](TExTree* T) { return I(T->DefaultSectionWidth()); }, "120", nullptr,
     [](TExTree* T) { T->SetDefaultSectionWidth(80); }, "80", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, Properties, ::testing::ValuesIn(PropertyCases),
                         [](const ::testing::TestParamInfo<PropertyCase>& Info) { return Info.param.name; });

// Values a new tree has that are stored only (their meaning is read elsewhere).
TEST_F(TreeTest, StoredPropertiesOfANewTree)
{
    const std::vector<std::pair<const char*, bool>> flags = {
        {"AlwaysKeepFocus", !Tree->AlwaysKeepFocus()},
        {"AlwaysKeepSelection", Tree->AlwaysKeepSelection()},
        {"AutoCollapse", !Tree->AutoCollapse()},
        {"AutoExpand", !Tree->AutoExpand()},
        {"AutoLookup", !Tree->AutoLookup()},
        {"AutoResizeColumns", Tree->AutoResizeColumns()},
        {"DeselectChildrenOnCollapse", !Tree->DeselectChildrenOnCollapse()},
        {"DoInplaceEdit", Tree->DoInplaceEdit()},
        {"DragAllowed", !Tree->DragAllowed()},
        {"DrawFocusRect", Tree->DrawFocusRect()},
        {"ExpandOnDblClick", Tree->ExpandOnDblClick()},
        {"ExpandOnDragOver", !Tree->ExpandOnDragOver()},
        {"ExplorerEditMode", !Tree->ExplorerEditMode()},
        {"Flat", !Tree->Flat()},
        {"FlatFocusedScrollbars", Tree->FlatFocusedScrollbars()},
        {"HeaderUseTreeFont", Tree->HeaderUseTreeFont()},
        {"HideHintOnMove", Tree->HideHintOnMove()},
        {"HideHintOnTimer", !Tree->HideHintOnTimer()},
        {"IgnoreEnabled", !Tree->IgnoreEnabled()},
        {"IncrementalSearch", !Tree->IncrementalSearch()},
        {"KeepSelectionWithinLevel", !Tree->KeepSelectionWithinLevel()},
        {"MouseFrameSelect", Tree->MouseFrameSelect()},
        {"MoveFocusOnCollapse", !Tree->MoveFocusOnCollapse()},
        {"OwnerDrawByColumn", Tree->OwnerDrawByColumn()},
        {"QuickEditMode", !Tree->QuickEditMode()},
        {"RightClickSelect", Tree->RightClickSelect()},
        {"ScrollTracking", !Tree->ScrollTracking()},
        {"StripedItems", !Tree->StripedItems()},
        {"Tracking", Tree->Tracking()},
        {"UnderlineTracked", Tree->UnderlineTracked()},
        {"UseCustomScrollBars", Tree->UseCustomScrollBars()},
        {"VerticalLinesLong", Tree->VerticalLinesLong()},
    };
    for (const auto& [name, ok] : flags) EXPECT_TRUE(ok) << name;
    EXPECT_EQ(Tree->ChangeDelay(), 500);
    EXPECT_EQ(Tree->DragExpandDelay(), 500);
    EXPECT_EQ(Tree->DragScrollInterval(), 100);
    EXPECT_EQ(Tree->InplaceEditorDelay(), 500);
    EXPECT_EQ(Tree->LineHintTimeout(), 3000);
    EXPECT_EQ(Tree->LineHintColor(), Tree->BkColor());
    EXPECT_EQ(Tree->OwnerDrawMask(), "~~@~~");
    EXPECT_EQ(Tree->PathSeparator(), '\\');
    EXPECT_EQ(Tree->StoragePath(), "Tree");
    EXPECT_EQ(Tree->SortMode(), smNone);
    EXPECT_EQ(Tree->SortType(), stText);
    EXPECT_EQ(Tree->SortDir(), sdAscend);
    EXPECT_EQ(Tree->SortSection(), 0);
    EXPECT_EQ(Tree->HintType(), shtHintOrText);
    EXPECT_EQ(Tree->LineHintMode(), shmLong);
    EXPECT_EQ(Tree->LineHintType(), lhtSmart);
    EXPECT_EQ(Tree->SelectionMode(), smUsual);
    EXPECT_EQ(Tree->DragType(), dtKolvar);
    EXPECT_EQ(Tree->DragImageMode(), dimNever);
    EXPECT_EQ(Tree->DragTrgDrawMode(), SelColorRect);
    EXPECT_EQ(Tree->BackgroundType(), bgtColorFill);
    EXPECT_EQ(Tree->BorderStyle(), bsSingle);
    EXPECT_EQ(Tree->BorderSides(), AllBorderSides);
    EXPECT_EQ(Tree->ActiveBorderType(), fbtSunken);
    EXPECT_EQ(Tree->InactiveBorderType(), fbtSunkenOuter);
    EXPECT_EQ(Tree->MainTextType(), sftText);
    EXPECT_EQ(Tree->Width(), 300);  // the fixture's; a new tree is 200 x 100
    TExTree fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 200);
    EXPECT_EQ(fresh.Height(), 100);
    EXPECT_FALSE(fresh.ShowColumns());
    EXPECT_FALSE(fresh.Header()->Visible());
}

// A new tree is window-coloured and a tab stop; Tab and Shift+Tab pass through it once each way,
// into its view and out again.
TEST_F(TreeTest, ANewTreeIsWindowColouredAndOneTabStop)
{
    TExTree fresh(nullptr);
    EXPECT_EQ(fresh.Color(), TColor(clWindow));
    EXPECT_TRUE(fresh.TabStop());
    EXPECT_EQ(Tree->Color(), TColor(clWindow)) << "not its form's";
    EXPECT_FALSE(Tree->ParentColor());
    auto* before = new TEdit(Form);
    before->SetParent(Form);
    before->SetBounds(400, 10, 100, 24);
    auto* after = new TEdit(Form);
    after->SetParent(Form);
    after->SetBounds(400, 50, 100, 24);
    before->SetTabOrder(0);
    Tree->SetTabOrder(1);
    after->SetTabOrder(2);
    Form->Show();
    before->SetFocus();
    uitest::Pump();
    ASSERT_TRUE(before->Focused());
    Input::PressKey(VK_TAB);
    uitest::Pump();
    EXPECT_TRUE(View()->Focused());
    Input::PressKey(VK_TAB);
    uitest::Pump();
    EXPECT_TRUE(after->Focused());
    Input::PressKey(VK_TAB, ssShift);
    uitest::Pump();
    EXPECT_TRUE(View()->Focused());
    Input::PressKey(VK_TAB, ssShift);
    uitest::Pump();
    EXPECT_TRUE(before->Focused());
}

// Forced bars show as soon as they are asked for, with nothing to scroll, and go when no longer.
TEST_F(TreeTest, ForcedBarsShowAtOnce)
{
    for (TScrollStyle style : {ssBoth, ssVertical, ssHorizontal}) {
        SCOPED_TRACE(int(style));
        Tree->SetForcedScrollBars(style);
        const bool vert = style != ssHorizontal, horz = style != ssVertical;
        EXPECT_EQ(Tree->VertScrollBar()->Visible(), vert);
        EXPECT_EQ(Tree->HorzScrollBar()->Visible(), horz);
        EXPECT_EQ(Tree->VertScrollBar()->Max(), 0);
        EXPECT_EQ(View()->Width(), Tree->ClientWidth() - (vert ? Tree->VertScrollBar()->Width() : 0));
        EXPECT_EQ(View()->Height(), Tree->ClientHeight() - (horz ? Tree->HorzScrollBar()->Height() : 0));
        Tree->SetForcedScrollBars(ssNone);
        EXPECT_FALSE(Tree->VertScrollBar()->Visible());
        EXPECT_FALSE(Tree->HorzScrollBar()->Visible());
        EXPECT_EQ(View()->Width(), Tree->ClientWidth());
    }
}

TEST_F(TreeTest, ABackgroundTypeNeedingAPictureFallsBackToColourFill)
{
    Tree->SetBackgroundType(bgtTileBitmap);
    EXPECT_EQ(Tree->BackgroundType(), bgtTileBitmap);
    Tree->SetBackgroundType(bgtStretchBitmap);
    EXPECT_EQ(Tree->BackgroundType(), bgtColorFill) << "no picture to stretch";
    TBitmap picture;
    picture.SetSize(8, 8);
    Tree->SetBackground(&picture);
    Tree->SetBackgroundType(bgtVertGradient);
    EXPECT_EQ(Tree->BackgroundType(), bgtVertGradient);
    EXPECT_EQ(View()->BackgroundBitmap()->Width(), View()->ClientWidth() + 1);
    Tree->SetBackgroundType(bgtColorFill);
    EXPECT_EQ(View()->BackgroundBitmap()->Width(), 0) << "colour fill keeps no picture";
    TBitmap empty;
    Tree->SetBackgroundType(bgtTileBitmap);
    Tree->SetBackground(&empty);
    EXPECT_EQ(Tree->BackgroundType(), bgtColorFill);
}

TEST_F(TreeTest, GlyphsAssignedNilTurnCustomCheckboxesOff)
{
    Tree->SetCustomCheckboxes(true);
    Tree->SetCheckBoxGlyph(nullptr);
    EXPECT_FALSE(Tree->CustomCheckboxes());
    TBitmap glyph;
    glyph.SetSize(60, 10);
    Tree->SetRadioButtonGlyph(&glyph);
    EXPECT_EQ(Tree->RadioButtonGlyph()->Width(), 60);
}

TEST_F(TreeTest, ImagesThatGoAwayLeaveTheTree)
{
    auto* images = new TImageList(Form);
    images->SetHeight(24);
    Tree->SetImages(images);
    Tree->SetImages2(images);
    EXPECT_EQ(Tree->LineHeight(), 24);
    TObject::Free(images);
    EXPECT_EQ(Tree->Images(), nullptr);
    EXPECT_EQ(Tree->Images2(), nullptr);
}

}  // namespace

namespace {

// Whether the view has anything waiting to be painted; Clear forgets it.
struct Repaints {
    TWinControl* Control;
    void Clear() { ValidateRect(Control->Handle(), nullptr); }
    bool Pending()
    {
        RECT r{};
        return GetUpdateRect(Control->Handle(), &r, FALSE) && !IsRectEmpty(r);
    }
};

struct RepaintCase {
    const char* name;
    std::function<void(TExTree*)> prepare;
    std::function<void(TExTree*)> set;
    bool repaints;
};

class Repainting : public TreeTest, public ::testing::WithParamInterface<RepaintCase> {};

TEST_P(Repainting, SettersThatChangeOnlyTheLookRepaintTheViewWhenItShows)
{
    AddRoots(5);
    Tree->SetFocused(Items().Item(1));
    if (GetParam().prepare) GetParam().prepare(Tree);
    Repaints view{View()};
    view.Clear();
    ASSERT_FALSE(view.Pending());
    GetParam().set(Tree);
    EXPECT_EQ(view.Pending(), GetParam().repaints);
}

const RepaintCase RepaintCases[] = {
    {"StripedItems", nullptr, [](TExTree* T) { T->SetStripedItems(true); }, true},
    {"StripedColourWithoutStripes", nullptr, [](TExTree* T) { T->SetStripedOddColor(clRed); }, false},
    {"StripedColourWithStripes", [](TExTree* T) { T->SetStripedItems(true); },
     [](TExTree* T) { T->SetStripedEvenColor(clRed); }, true},
    {"NoBlendWithColourFill", nullptr, [](TExTree* T) { T->SetNoBlendSelected(true); }, false},
    {"NoBlendWithAGradient", [](TExTree* T) { T->SetBackgroundType(bgtHorzGradient); },
     [](TExTree* T) { T->SetNoBlendSelected(true); }, true},
    {"LongLinesWithoutLines", nullptr, [](TExTree* T) { T->SetVerticalLinesLong(false); }, false},
    {"LongLinesWithLines", [](TExTree* T) { T->SetVerticalLines(true); },
     [](TExTree* T) { T->SetVerticalLinesLong(false); }, true},
    {"SelectColourShownWhileSelectionIsShown", nullptr, [](TExTree* T) { T->SetFocusedSelectColor(clRed); }, true},
    {"HiddenSelectColourWhileSelectionIsShown", nullptr, [](TExTree* T) { T->SetHideSelectColor(clRed); }, false},
    {"HiddenSelectColourWhileHidden", [](TExTree* T) { T->SetHideSelection(true); },
     [](TExTree* T) { T->SetHideSelectColor(clRed); }, true},
    {"FocusRectOfTheFocusedRow", nullptr, [](TExTree* T) { T->SetDrawFocusRect(false); }, true},
    {"RightAlignedTree", nullptr, [](TExTree* T) { T->SetRightAlignedTree(true); }, true},
    {"GradientColourWithColourFill", nullptr, [](TExTree* T) { T->SetGradientEndColor(clRed); }, false},
    {"GradientColourWithAGradient", [](TExTree* T) { T->SetBackgroundType(bgtVertGradient); },
     [](TExTree* T) { T->SetGradientEndColor(clRed); }, true},
    {"BackgroundType", nullptr, [](TExTree* T) { T->SetBackgroundType(bgtHorzGradient); }, true},
    {"SelectColumnWithRowSelect", [](TExTree* T) { T->Header()->Sections()->AddSection(); },
     [](TExTree* T) { T->SetSelectColumn(0); }, false},
    {"SelectColumnSingleSelect",
     [](TExTree* T) {
         T->Header()->Sections()->AddSection();
         T->SetRowSelect(false);
         T->SetMultiSelect(false);
         T->SetUpdating(true);
         T->SetUpdating(false);
     },
     [](TExTree* T) { T->SetSelectColumn(0); }, true},
};

INSTANTIATE_TEST_SUITE_P(Table, Repainting, ::testing::ValuesIn(RepaintCases),
                         [](const ::testing::TestParamInfo<RepaintCase>& Info) { return Info.param.name; });

}  // namespace

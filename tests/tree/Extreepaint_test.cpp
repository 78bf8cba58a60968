// Row painting read back from the view's image: row backgrounds (own colour, selection shown and
// hidden, stripes, drop targets), the tree column's lines, buttons, check boxes and images, the
// text's extent, the focus rectangle, strike-out and grid lines, the cells of the columns (styles,
// alignment, passwords, owner drawing, pictures, marked-up text, the locked column, hosted cell
// controls), a mirrored tree, handlers that free the tree or the item while the rows paint, and a
// cell control's handler that frees the tree.
// Each runs in the classic look and with themes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ViewTest.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"

namespace {

class Rows : public ViewTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        if (GetParam() && !ThemesAvailable) GTEST_SKIP() << "no visual styles";
        Tree->SetUseXPThemes(GetParam());
        Tree->SetLinesColor(clRed);
    }
    bool Themed() const { return GetParam(); }
    // "a" (expanded) with the children "b" and "c", each a row of 17 pixels.
    TExTreeItem* A = nullptr;
    TExTreeItem* B = nullptr;
    TExTreeItem* C = nullptr;
    void ThreeRows()
    {
        Items().BeginUpdate();
        A = Items().Add(nullptr, "a");
        B = Items().AddChild(A, "b");
        C = Items().AddChild(A, "c");
        A->Expand(false);
        Items().EndUpdate();
        ASSERT_EQ(Tree->LineHeight(), 17);
        ASSERT_EQ(View()->RowCount(), 3);
    }
};

INSTANTIATE_TEST_SUITE_P(Looks, Rows, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Themed" : "Classic"; });

// ---------------------------------------------------------------- row backgrounds

TEST_P(Rows, OwnColourSelectionAndStripesInTheirOrder)
{
    ThreeRows();
    const int x = 250;
    EXPECT_EQ(At(x, 5), Rgb(clWindow));
    // The item's own colour, only with its parent's colours off and its colour in use.
    B->SetRowBkColor(clYellow);
    EXPECT_EQ(At(x, 17 + 5), Rgb(clWindow));
    B->SetParentColors(false);
    EXPECT_EQ(At(x, 17 + 5), Rgb(clYellow));
    // Selection over the own colour: the hidden look while the tree is not the active control.
    Tree->SetHideSelection(true);
    B->SetSelected(true);
    EXPECT_EQ(At(x, 17 + 5), Rgb(clBtnFace));
    Form->SetActiveControl(View());
    EXPECT_EQ(At(x, 17 + 5), Rgb(clHighlight));
    Form->SetActiveControl(nullptr);
    Tree->SetHideSelection(false);
    EXPECT_EQ(At(x, 17 + 5), Rgb(clHighlight));
    // Stripes go by the visible index, and give way to the selection.
    Tree->SetStripedEvenColor(clAqua);
    Tree->SetStripedOddColor(clLime);
    Tree->SetStripedItems(true);
    EXPECT_EQ(At(x, 5), Rgb(clAqua));
    EXPECT_EQ(At(x, 17 + 5), Rgb(clHighlight));
    EXPECT_EQ(At(x, 34 + 5), Rgb(clAqua));
    B->SetSelected(false);
    EXPECT_EQ(At(x, 17 + 5), Rgb(clLime));
    // Without row selection only the text is highlighted.
    Tree->SetRowSelect(false);
    C->SetSelected(true);
    EXPECT_EQ(At(x, 34 + 5), Rgb(clAqua));
}

TEST_P(Rows, StripesSwapWhenTheViewScrollsByOneRow)
{
    Items().BeginUpdate();
    for (int i = 0; i < 40; ++i) Items().Add(nullptr, "r" + std::to_string(i));
    Items().EndUpdate();
    Tree->SetStripedEvenColor(clAqua);
    Tree->SetStripedOddColor(clLime);
    Tree->SetStripedItems(true);
    EXPECT_EQ(At(200, 5), Rgb(clAqua));
    EXPECT_EQ(At(200, 22), Rgb(clLime));
    Tree->SetVPosition(1);
    EXPECT_EQ(At(200, 5), Rgb(clLime));
    EXPECT_EQ(At(200, 22), Rgb(clAqua));
}

// ---------------------------------------------------------------- tree lines

TEST_P(Rows, DottedLinesFormOneCheckerboardAndEndWithTheLastChild)
{
    ThreeRows();
    // "b": its column runs at x = 17 + 8; the row's middle is 17 + 8.
    EXPECT_EQ(At(25, 17), Rgb(clRed)) << "upper half-line, x + y even";
    EXPECT_EQ(At(25, 18), Rgb(clWindow)) << "x + y odd stays";
    EXPECT_EQ(At(27, 25), Rgb(clRed)) << "connector";
    EXPECT_EQ(At(26, 25), Rgb(clWindow));
    EXPECT_EQ(At(25, 27), Rgb(clRed)) << "lower half-line: a sibling follows";
    // "c" is the last child: an upper half and a connector, no lower half.
    EXPECT_EQ(At(25, 35), Rgb(clRed));
    EXPECT_EQ(At(26, 42), Rgb(clRed));
    EXPECT_EQ(At(25, 43), Rgb(clWindow));
    EXPECT_EQ(At(25, 49), Rgb(clWindow));
    // Without root lines the root's own column is empty.
    EXPECT_EQ(At(8, 10), Rgb(clWindow));
    // Solid lines have no gaps.
    Tree->SetLinesStyle(psSolid);
    EXPECT_EQ(At(25, 18), Rgb(clRed));
}

TEST_P(Rows, RootLinesAndLinesOfHiddenOrSuppressedSiblings)
{
    ThreeRows();
    TExTreeItem* z = Items().Add(nullptr, "z");
    Tree->SetShowRoot(true);
    ASSERT_EQ(View()->RowCount(), 4);
    // The margin column holds the root line: "a"'s connector and lower half, and a full line
    // through its children's rows while a root follows.
    EXPECT_EQ(At(14, 8), Rgb(clRed)) << "the connector, right of the button";
    EXPECT_EQ(At(8, 0), Rgb(clWindow)) << "no root before the first";
    EXPECT_EQ(At(8, 14), Rgb(clRed)) << "below the button";
    EXPECT_EQ(At(8, 18), Rgb(clRed));
    EXPECT_EQ(At(8, 40), Rgb(clRed));
    // The last root: no lower half.
    EXPECT_EQ(At(8, 52), Rgb(clRed));
    EXPECT_EQ(At(8, 60), Rgb(clWindow));
    (void)z;
    // A hidden sibling after "b" keeps no line alive once filtering hides it.
    Tree->SetShowRoot(false);
    C->SetHidden(true);
    EXPECT_EQ(At(25, 27), Rgb(clRed));
    Tree->SetFilteredVisibility(true);
    ASSERT_EQ(View()->RowCount(), 3);
    EXPECT_EQ(At(25, 27), Rgb(clWindow));
    // An item that suppresses lines shows none, not even its ancestors'.
    Tree->SetFilteredVisibility(false);
    B->SetSuppressLines(true);
    EXPECT_EQ(At(25, 17), Rgb(clWindow));
    EXPECT_EQ(At(27, 25), Rgb(clWindow));
}

// ---------------------------------------------------------------- buttons

TEST_P(Rows, ButtonsShowTheExpansionAndOnlyWhereAllowed)
{
    ThreeRows();
    // The button cell of a root is [0, 17): its picture box of 10 x 10 is centred at (3, 3).
    const COLORREF bare = Rgb(clWindow);
    auto cell = [&](int Left, int Top) {
        Repaint();
        std::vector<COLORREF> p;
        for (int y = Top; y < Top + 17; ++y)
            for (int x = Left; x < Left + 17; ++x) p.push_back(Peek(x, y));
        return p;
    };
    // A button shows the expansion: the row looks different once collapsed.
    auto rowShowsExpansion = [&](TExTreeItem* Item, int Left, int Top) {
        const bool was = Item->Expanded();
        const auto one = cell(Left, Top);
        if (was)
            Item->Collapse(false);
        else
            Item->Expand(false);
        const auto other = cell(Left, Top);
        if (was)
            Item->Expand(false);
        else
            Item->Collapse(false);
        return one != other;
    };
    EXPECT_TRUE(rowShowsExpansion(A, 0, 0));
    if (!Themed()) {
        EXPECT_EQ(At(8, 7), Rgb(clBlack)) << "the minus bar";
        EXPECT_EQ(At(8, 5), Rgb(clWhite)) << "no plus stroke";
        A->Collapse(false);
        EXPECT_EQ(At(8, 5), Rgb(clBlack)) << "the plus stroke";
        EXPECT_EQ(At(1, 1), bare) << "the pictures' ground shows the row";
        A->Expand(false);
    }
    // A leaf's button cell is empty, unless leaf buttons are asked for.
    auto lineless = [&](const std::vector<COLORREF>& P) {
        for (COLORREF c : P)
            if (c != bare && c != Rgb(clRed)) return false;
        return true;
    };
    EXPECT_TRUE(lineless(cell(17, 17)));
    Tree->SetShowLeafButton(true);
    EXPECT_FALSE(lineless(cell(17, 17)));
    if (!Themed()) {
        EXPECT_EQ(At(8 + 17, 17 + 7), Rgb(clBlack));
    }
    Tree->SetShowLeafButton(false);
    // A suppressed button and a root without root buttons show none.
    A->SetSuppressButtons(true);
    EXPECT_FALSE(rowShowsExpansion(A, 0, 0));
    A->SetSuppressButtons(false);
    Tree->SetShowRootButtons(false);
    EXPECT_FALSE(rowShowsExpansion(A, 0, 0));
}

TEST_P(Rows, OwnPlusAndMinusPictures)
{
    ThreeRows();
    auto paint = [](TBitmap& B, TColor Ground, TColor Face) {
        B.SetSize(7, 7);
        B.Canvas()->Brush()->SetColor(Ground);
        B.Canvas()->FillRect(TRect{0, 0, 7, 7});
        B.Canvas()->Brush()->SetColor(Face);
        B.Canvas()->FillRect(TRect{1, 1, 6, 6});
    };
    TBitmap plus, minus;
    paint(plus, clFuchsia, clGreen);
    paint(minus, clFuchsia, clBlue);
    Tree->SetPlusPicture(&plus);
    Tree->SetMinusPicture(&minus);
    Tree->SetCustomPlusMinus(true);
    if (Themed()) Tree->SetUseXPThemes(false);  // the theme's glyph wins over own pictures
    // 7 x 7 centred in 17 x 17: at (5, 5).
    EXPECT_EQ(At(8, 8), Rgb(clBlue));
    EXPECT_EQ(At(5, 5), Rgb(clFuchsia)) << "copied whole";
    Tree->SetPlusMinusTransparent(true);
    EXPECT_EQ(At(5, 5), Rgb(clWindow)) << "the corner pixel's colour is see-through";
    A->Collapse(false);
    EXPECT_EQ(At(8, 8), Rgb(clGreen));
}

// ---------------------------------------------------------------- check boxes

TEST_P(Rows, OwnCheckBoxGlyphsPickTheirCellByStateAndKind)
{
    ThreeRows();
    // Six 12 x 12 cells of distinct colours.
    const TColor cells[] = {TColor(0x000010), TColor(0x000020), TColor(0x000030),
                            TColor(0x000040), TColor(0x000050), TColor(0x000060)};
    TBitmap glyph, radio;
    glyph.SetSize(72, 12);
    radio.SetSize(72, 12);
    for (int i = 0; i < 6; ++i) {
        glyph.Canvas()->Brush()->SetColor(cells[i]);
        glyph.Canvas()->FillRect(TRect{i * 12, 0, i * 12 + 12, 12});
        radio.Canvas()->Brush()->SetColor(TColor(0x100000 * (i + 1)));
        radio.Canvas()->FillRect(TRect{i * 12, 0, i * 12 + 12, 12});
    }
    Tree->SetCheckBoxGlyph(&glyph);
    Tree->SetRadioButtonGlyph(&radio);
    Tree->SetCustomCheckboxes(true);
    Tree->SetShowCheckboxes(true);
    A->SetShowCheckBox(true);
    // After "a"'s button cell: x 17..29, centred on the row's middle 8: y 2..14.
    EXPECT_EQ(At(23, 8), Rgb(cells[0]));
    A->SetChecked(true);
    EXPECT_EQ(At(23, 8), Rgb(cells[2]));
    A->SetCheckBoxEnabled(false);
    EXPECT_EQ(At(23, 8), Rgb(cells[3]));
    A->SetCheckBoxType(ect3SCheckBox);
    A->SetCheckBoxState(cbGrayed);
    EXPECT_EQ(At(23, 8), Rgb(cells[5]));
    A->SetCheckBoxEnabled(true);
    EXPECT_EQ(At(23, 8), Rgb(cells[4]));
    A->SetCheckBoxType(ectRadioButton);
    A->SetChecked(true);
    EXPECT_EQ(At(23, 8), Rgb(TColor(0x300000)));
    // The text moves past the box.
    EXPECT_EQ(A->TextLeft, 17 + 12 + 5 - 2);
}

TEST_P(Rows, DrawnCheckBoxesShowTheirState)
{
    ThreeRows();
    Tree->SetShowCheckboxes(true);
    B->SetShowCheckBox(true);
    const int size = Tree->GetCheckBoxSize();
    // "b"'s box follows its button cell [17, 34); centred on the middle of row 1.
    const int left = 34, top = 17 + 8 - size / 2;
    auto box = [&] {
        Repaint();
        std::vector<COLORREF> p;
        for (int y = top; y < top + size; ++y)
            for (int x = left; x < left + size; ++x) p.push_back(Peek(x, y));
        return p;
    };
    const auto unchecked = box();
    EXPECT_NE(unchecked, std::vector<COLORREF>(unchecked.size(), Rgb(clWindow))) << "a box is drawn";
    B->SetChecked(true);
    const auto checked = box();
    EXPECT_NE(checked, unchecked);
    B->SetCheckBoxEnabled(false);
    EXPECT_NE(box(), checked);
    EXPECT_EQ(B->TextLeft, left + size + 5 - 2);
}

// ---------------------------------------------------------------- images

TEST_P(Rows, ImagesTakeTheirPlaceAndGapsAndAskForMissingIndexes)
{
    ThreeRows();
    Tree->SetImages(SolidImages(Form, {clGreen, clBlue}));
    A->SetImageIndex(0);
    // After the button cell, vertically centred in the 17-pixel row.
    EXPECT_EQ(At(17, 0), Rgb(clGreen));
    EXPECT_EQ(At(32, 15), Rgb(clGreen));
    EXPECT_TRUE(A->PictureShown());
    EXPECT_FALSE(A->Picture2Shown());
    EXPECT_EQ(A->TextLeft, 17 + 16 + 5 - 2);
    // Focused, selected or expanded items show their state image ("a" is expanded).
    A->SetStImageIndex(1);
    EXPECT_EQ(At(20, 5), Rgb(clBlue));
    // A second image list: its image comes first, then a gap of 5, then the main one.
    Tree->SetImages2(SolidImages(Form, {clRed, clYellow}));
    A->SetImageIndex2(0);
    A->SetStImageIndex2(1);
    EXPECT_EQ(At(20, 5), Rgb(clYellow));
    EXPECT_EQ(At(17 + 16 + 2, 5), Rgb(clWindow)) << "the gap";
    EXPECT_EQ(At(17 + 16 + 5, 5), Rgb(clBlue));
    EXPECT_TRUE(A->Picture2Shown());
    // -1 asks the event; an index beyond the list leaves no room unless empty images are shown.
    Integer asked = 0;
    Tree->OnItemPicDraw = [&](TObject*, TExTreeItem* Item, Integer& Index) {
        if (Item == B) {
            ++asked;
            Index = 7;
        }
    };
    Repaint();
    EXPECT_GT(asked, 0);
    EXPECT_FALSE(B->PictureShown());
    EXPECT_EQ(B->TextLeft, 34 + 5 - 2);
    Tree->SetShowEmptyImages(true);
    Repaint();
    EXPECT_TRUE(B->PictureShown());
    EXPECT_EQ(B->TextLeft, 34 + 16 + 5 - 2);
    EXPECT_EQ(Peek(40, 17 + 8), Rgb(clWindow)) << "the room stays empty";
}

// ---------------------------------------------------------------- text, focus, strike-out

TEST_P(Rows, TheTextsExtentFollowsItsMeasureInAnyFont)
{
    ThreeRows();
    // Text beyond ASCII in a proportional font: the box is the measured width and 6 pixels.
    const std::string text = "Grüße aus Ωμέγα — 東京";
    B->SetText(text);
    Repaint();
    TBitmap probe;
    probe.Canvas()->Font()->Assign(Tree->Font());
    TRect m{0, 0, 0, 0};
    DrawText(probe.Canvas()->Handle(), text.data(), int(text.size()), &m, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    EXPECT_EQ(B->TextRight - B->TextLeft, m.Width() + 6);
    // A text wider than the view is cut at the cell's end.
    Tree->SetBounds(10, 10, 120, 200);
    B->SetText(std::string(200, 'W'));
    Repaint();
    EXPECT_LE(B->TextRight, Tree->View()->HRange() + 1);
}

TEST_P(Rows, ItemFontStatesAndAFontLeftByTheRowBefore)
{
    ThreeRows();
    B->SetParentStyle(false);
    // The second row's pixels from x 30 to 120.
    auto RowPixels = [this] {
        Repaint();
        std::vector<COLORREF> r;
        for (int y = 17; y < 34; ++y)
            for (int x = 30; x < 120; ++x) r.push_back(Peek(x, y));
        return r;
    };
    const auto plain = RowPixels();
    for (Integer state : {4, 5, 6, 8}) {  // underline, bold, italic, strike-out
        B->SetState(state, true);
        EXPECT_NE(RowPixels(), plain) << "state " << state;
        B->SetState(state, false);
    }
    EXPECT_EQ(RowPixels(), plain);
    // The row above painting in a font of its own style leaves the next row's font alone.
    A->SetUseStyles(true);
    A->SetParentStyle(false);
    ASSERT_NE(A->MainStyle(), nullptr);
    A->MainStyle()->SetOwnerColors(false);
    A->MainStyle()->SetFontName("DejaVu Serif");
    A->MainStyle()->SetFontStyles(FontStyle(fsItalic));
    EXPECT_EQ(RowPixels(), plain);
    // So does it for a row whose style takes the tree's colours and font.
    B->SetUseStyles(true);
    ASSERT_NE(B->MainStyle(), nullptr);
    EXPECT_EQ(RowPixels(), plain);
    B->MainStyle()->SetFontName("DejaVu Serif");
    B->MainStyle()->SetFontSize(14);
    EXPECT_EQ(RowPixels(), plain);
}

TEST_P(Rows, SectionsOfAHiddenHeaderDoNotCutTheMainText)
{
    ThreeRows();
    AddSections({50, 50});
    Tree->SetShowHeader(false);
    A->SetText("a long main text that runs on");
    Repaint();
    int ink = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 70; x < 150; ++x) ink += Peek(x, y) != Rgb(clWindow);
    EXPECT_GT(ink, 0);
}

TEST_P(Rows, AFiveMegabyteLineWithoutBlanksIsPaintedAndCut)
{
    ThreeRows();
    B->SetText(std::string(5 * 1024 * 1024, 'x'));
    Repaint();
    // The text runs on to the view's right edge.
    int ink = 0;
    for (int x = 250; x < View()->ClientWidth(); ++x)
        for (int y = 17; y < 34; ++y) ink += Peek(x, y) != Rgb(clWindow);
    EXPECT_GT(ink, 0);
    EXPECT_GE(B->TextRight, View()->ClientWidth());
    EXPECT_EQ(At(200, 5), Rgb(clWindow)) << "other rows paint as before";
}

TEST_P(Rows, TheFocusRectangleAndWhoMaySkipIt)
{
    ThreeRows();
    const auto plain = Line(0, 300, 17);
    Tree->SetFocused(B);
    B->SetSelected(false);
    const auto focused = Line(0, 300, 17);
    EXPECT_NE(focused, plain) << "the dotted frame along the row's top";
    // The post-draw handler sees the rectangle and may leave the frame out.
    TRect seen{};
    Tree->OnItemPostDraw = [&](TObject*, TCanvas*, TExTreeItem* Item, TRect R, bool& Draw) {
        if (Item == B) {
            seen = R;
            Draw = false;
        }
    };
    EXPECT_EQ(Line(0, 300, 17), plain);
    EXPECT_EQ(seen.Top, 17);
    EXPECT_EQ(seen.Bottom, 33);
    EXPECT_EQ(seen.Left, 0);
    Tree->OnItemPostDraw = nullptr;
    // An unfocused tree with HideFocusRect draws none; the setting off brings it back.
    Tree->SetHideFocusRect(true);
    EXPECT_EQ(Line(0, 300, 17), plain);
    Tree->SetHideFocusRect(false);
    Tree->SetDrawFocusRect(false);
    EXPECT_EQ(Line(0, 300, 17), plain);
}

TEST_P(Rows, StrikeOutLinesInTheirColourOrTheSelectionsText)
{
    ThreeRows();
    B->SetStrikedLineColor(clGreen);
    B->SetStrikedOutLine(true);
    Repaint();
    const int y = 17 + 16 / 2 + 1;
    // Past the text, inside its box: the line alone.
    EXPECT_EQ(At(B->TextRight - 2, y), Rgb(clGreen));
    EXPECT_EQ(At(B->TextRight - 2, y + 3), Rgb(clWindow));
    EXPECT_EQ(At(B->TextRight + 4, y), Rgb(clWindow)) << "it ends with the text without columns";
    B->SetSelected(true);
    EXPECT_EQ(At(B->TextRight - 2, y), Rgb(clHighlightText));
}

TEST_P(Rows, GridLinesRunUnderRowsButNotUnderBorderedOnes)
{
    ThreeRows();
    Tree->SetHorzDivLinesColor(clGreen);
    Tree->SetHorizontalLines(true);
    ASSERT_EQ(Tree->LineHeight(), 18);
    EXPECT_EQ(At(200, 17), Rgb(clGreen));
    EXPECT_EQ(At(200, 35), Rgb(clGreen));
    B->SetDrawHLine(false);
    EXPECT_EQ(At(200, 35), Rgb(clWindow));
    B->SetDrawHLine(true);
    B->SetBorderStyle(ibsSunken);
    EXPECT_NE(At(200, 35), Rgb(clGreen)) << "the sunken edge keeps its own bottom";
    EXPECT_NE(At(200, 18), Rgb(clWindow)) << "and its top";
}

TEST_P(Rows, DropTargetsShowTheirMark)
{
    ThreeRows();
    View()->SetDropTarget(B, true);
    Tree->SetDragTrgDrawMode(ColorFrame);
    EXPECT_EQ(At(0, 17), Rgb(clGreen));
    EXPECT_EQ(At(150, 33), Rgb(clGreen));
    EXPECT_EQ(At(150, 25), Rgb(clWindow));
    View()->SetDropTarget(B, false);
    EXPECT_EQ(At(150, 17), Rgb(clRed));
    // The text takes the mark's own text colour.
    // Dark and light pixels of the row's text.
    auto textPixels = [&](bool Light) {
        Repaint();
        int n = 0;
        for (int y = 17; y < 34; ++y)
            for (int x = B->TextLeft; x < B->TextRight; ++x) {
                const COLORREF c = Peek(x, y);
                const int lo = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
                const int hi = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
                n += Light ? lo > 200 : hi < 70;
            }
        return n;
    };
    Tree->SetDragTrgDrawMode(ColorRect);
    EXPECT_EQ(At(200, 25), Rgb(clRed));
    EXPECT_GT(textPixels(false), 0);
    EXPECT_EQ(textPixels(true), 0);
    Tree->SetDragTrgDrawMode(SelColorRect);
    EXPECT_EQ(At(200, 25), Rgb(clHighlight));
    EXPECT_GT(textPixels(true), 0);
    Tree->SetDragTrgDrawMode(dtdDownColorLine);
    EXPECT_EQ(At(150, 33), Rgb(clRed));
    EXPECT_EQ(At(0, 31), Rgb(clRed)) << "the end tick";
    EXPECT_EQ(At(150, 31), Rgb(clWindow));
    Tree->SetDragTrgDrawMode(dtdNone);
    EXPECT_EQ(At(150, 33), Rgb(clWindow));
}

TEST_P(Rows, AMirroredTreeStartsAtTheRight)
{
    ThreeRows();
    Tree->SetRightAlignedTree(true);
    Repaint();
    const int right = std::max(View()->HRange(), View()->Width());
    EXPECT_LT(A->TextRight, right);
    EXPECT_GT(A->TextLeft, right / 2) << "a short text ends at the right";
    EXPECT_GT(B->TextRight, 0);
    EXPECT_LT(B->TextRight, A->TextRight) << "a child stands further in";
}

// ---------------------------------------------------------------- columns

class Cells : public Rows {
protected:
    void Columns()
    {
        ThreeRows();
        AddSectionsAnd({100, 80, 80});
    }
    void AddSectionsAnd(const std::vector<Integer>& Widths)
    {
        AddSections(Widths);
        Tree->SetShowHeader(true);
        for (TExTreeItem* i : {A, B, C}) {
            i->ColumnText()->Add(i->Text() + "1");
            i->ColumnText()->Add(i->Text() + "2");
        }
    }
    // Pixels of a cell's row (view y) from X1 to X2 that are not the background.
    int Ink(int X1, int X2, int Y1, int Y2, COLORREF Ground)
    {
        Repaint();
        int n = 0;
        for (int y = Y1; y < Y2; ++y)
            for (int x = X1; x < X2; ++x) n += Peek(x, y) != Ground;
        return n;
    }
};

INSTANTIATE_TEST_SUITE_P(Looks, Cells, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Themed" : "Classic"; });

TEST_P(Cells, TextsFollowTheSectionsAlignmentAndPasswordsHideThem)
{
    Columns();
    TExHeaderSection* s1 = Tree->Header()->Sections()->GetSection(1);
    const COLORREF ground = Rgb(clWindow);
    // Left aligned: ink in the left part of [100, 180).
    EXPECT_GT(Ink(100, 140, 0, 17, ground), 0);
    EXPECT_EQ(Ink(150, 179, 0, 17, ground), 0);
    s1->SetAlignment(hsaRight);
    EXPECT_EQ(Ink(100, 130, 0, 17, ground), 0);
    EXPECT_GT(Ink(150, 179, 0, 17, ground), 0);
    // A password column shows the same stars whatever the text.
    s1->SetAlignment(hsaLeft);
    s1->SetPassword(true);
    A->ColumnText()->Put(0, "secret");
    B->ColumnText()->Put(0, "another, longer");
    Repaint();
    std::vector<COLORREF> a, b;
    for (int y = 0; y < 17; ++y)
        for (int x = 100; x < 180; ++x) {
            a.push_back(Peek(x, y));
            b.push_back(Peek(x, y + 17));
        }
    EXPECT_EQ(a, b);
}

TEST_P(Cells, CentredTextsAndPicturesSitInTheMiddle)
{
    Columns();
    Tree->Header()->Sections()->GetSection(1)->SetAlignment(hsaCenter);
    Repaint();
    int first = -1, last = -1;
    for (int y = 0; y < 17; ++y)
        for (int x = 100; x < 179; ++x)
            if (Peek(x, y) != Rgb(clWindow)) {
                if (first < 0 || x < first) first = x;
                last = std::max(last, x);
            }
    ASSERT_GE(first, 0);
    EXPECT_NEAR((first + last) / 2, 140, 3);
    // A picture instead of the main text stands in the middle of its row's height.
    TBitmap picture;
    picture.SetSize(8, 8);
    picture.Canvas()->Brush()->SetColor(clGreen);
    picture.Canvas()->FillRect(TRect{0, 0, 8, 8});
    B->SetUseStyles(true);
    B->SetParentStyle(false);
    ASSERT_NE(B->MainStyle(), nullptr);
    B->MainStyle()->SetOwnerColors(false);
    B->MainStyle()->SetPicture(&picture);
    B->MainStyle()->SetStyle(ExhsPictureOnly);
    Repaint();
    int top = -1, bottom = -1;
    for (int y = 17; y < 34; ++y)
        for (int x = 0; x < 99; ++x)
            if (Peek(x, y) == Rgb(clGreen)) {
                if (top < 0) top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0) << "no picture";
    EXPECT_EQ(top - 17, 5);
    EXPECT_EQ(bottom - 17, 12);
}

TEST_P(Cells, OwnerDrawnCellsByColumnOrByMask)
{
    Columns();
    std::vector<std::pair<Integer, TRect>> drawn;
    Tree->OnItemDraw = [&](TObject*, TExTreeItem* Item, TCanvas*, TRect R, Integer Section) {
        if (Item == A) drawn.emplace_back(Section, R);
    };
    Tree->Header()->Sections()->GetSection(2)->SetStyle(ExhsOwnerDraw);
    drawn.clear();
    Repaint();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].first, 2);
    EXPECT_EQ(drawn[0].second, (TRect{181, 1, 259, 16}));
    // With the mask, every column whose text is the mask is owner-drawn, the main one too.
    Tree->SetOwnerDrawByColumn(false);
    A->SetText("~~@~~");
    A->ColumnText()->Put(0, "~~@~~");
    drawn.clear();
    Repaint();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].first, 0);
    EXPECT_EQ(drawn[1].first, 1);
}

TEST_P(Cells, StylesGiveColoursPicturesAndMarkedUpText)
{
    Columns();
    A->SetUseStyles(true);
    TExCellStyle* s1 = A->AddStyle();
    TExCellStyle* s2 = A->AddStyle();
    s1->SetOwnerColors(false);
    s1->SetCellBkColor(clYellow);
    s1->SetUseBkColor(true);
    EXPECT_EQ(At(170, 3), Rgb(clYellow));
    // A selected row overrides the style's colours; its main text is in the selection's text colour.
    A->SetSelected(true);
    EXPECT_EQ(At(170, 3), Rgb(clHighlight));
    int light = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = A->TextLeft; x < A->TextRight; ++x) {
            const COLORREF c = Peek(x, y);
            light += std::min({GetRValue(c), GetGValue(c), GetBValue(c)}) > 200;
        }
    EXPECT_GT(light, 0);
    A->SetSelected(false);
    // Striped rows keep their own colours behind styled texts, the main one and a column's.
    TExCellStyle* main = A->MainStyle();
    ASSERT_NE(main, nullptr);
    main->SetOwnerColors(false);
    main->SetUseBkColor(true);
    for (TExCellStyle* s : {main, s1}) s->SetTextBkColor(clFuchsia);
    const auto fuchsia = [&](int X1, int X2) {
        int n = 0;
        for (int y = 0; y < 17; ++y)
            for (int x = X1; x < X2; ++x) n += Peek(x, y) == Rgb(clFuchsia);
        return n;
    };
    Repaint();
    EXPECT_GT(fuchsia(A->TextLeft, A->TextRight), 0);
    EXPECT_GT(fuchsia(100, 180), 0);
    Tree->SetStripedItems(true);
    Repaint();
    EXPECT_EQ(fuchsia(A->TextLeft, A->TextRight), 0);
    EXPECT_EQ(fuchsia(100, 180), 0);
    Tree->SetStripedItems(false);
    main->SetOwnerColors(true);
    s1->SetTextBkColor(clWindow);
    // A picture-only cell.
    TBitmap picture;
    picture.SetSize(8, 8);
    picture.Canvas()->Brush()->SetColor(clGreen);
    picture.Canvas()->FillRect(TRect{0, 0, 8, 8});
    s2->SetOwnerColors(false);
    s2->SetPicture(&picture);
    s2->SetStyle(ExhsPictureOnly);
    EXPECT_EQ(At(184, 8), Rgb(clGreen));
    Tree->Header()->Sections()->GetSection(2)->SetAlignment(hsaRight);
    EXPECT_EQ(At(184, 8), Rgb(clWindow));
    EXPECT_EQ(At(255, 8), Rgb(clGreen));
    Tree->Header()->Sections()->GetSection(2)->SetAlignment(hsaCenter);
    EXPECT_EQ(At(255, 8), Rgb(clWindow));
    EXPECT_EQ(At(216, 8), Rgb(clGreen)) << "the middle of [180, 259)";
    EXPECT_EQ(At(223, 8), Rgb(clGreen));
    // A marked-up column text is drawn with its own colours.
    B->ColumnText()->Put(0, "<html><font color=\"#FF0000\">red</font></html>");
    B->SetIsHTML(true);
    Repaint();
    int red = 0;
    for (int y = 17; y < 34; ++y)
        for (int x = 100; x < 180; ++x) {
            const COLORREF c = Peek(x, y);
            red += GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90;
        }
    EXPECT_GT(red, 0);
}

TEST_P(Cells, TheLockedColumnStaysWhileTheOthersScroll)
{
    Columns();
    Tree->SetBounds(10, 10, 200, 200);
    TExHeaderSection* main = Tree->Header()->Sections()->GetSection(0);
    Tree->Header()->SetLockedSection(main);
    const auto before = Line(0, 100, 8);
    const auto other = Line(100, 180, 8);
    Tree->SetHPosition(40);
    ASSERT_EQ(Tree->LeftPosition(), 40);
    EXPECT_EQ(Line(0, 100, 8), before);
    EXPECT_NE(Line(100, 180, 8), other);
    // Hit testing agrees: the main text is where it is shown.
    TSTItemPart part;
    Integer column = 0;
    EXPECT_EQ(View()->GetItemAt(A->TextLeft + 2, 8, part, column), A);
    EXPECT_EQ(part, ipMainText);
}

TEST_P(Cells, DividersInRowsAndLongLinesBelowThem)
{
    Columns();
    Tree->SetVertDivLinesColor(clGreen);
    Tree->SetVerticalLines(true);
    EXPECT_EQ(At(99, 5), Rgb(clGreen));
    EXPECT_EQ(At(179, 5), Rgb(clGreen));
    EXPECT_EQ(At(99, 150), Rgb(clGreen)) << "below the last row";
    Tree->SetVerticalLinesLong(false);
    EXPECT_EQ(At(99, 150), Rgb(clWindow));
    EXPECT_EQ(At(99, 5), Rgb(clGreen));
}

// A text in one cell and nothing else: its ink stays between the cell's edges, whatever the width,
// the alignment or the number of lines.
struct InsideCase {
    const char* Name;
    Integer Column;  // 0: the main column
    Integer Width;
    TExSAlignment Alignment;
    bool Multiline;
    bool Style;  // drawn by a cell style asking for the alignment
    const char* Text;
};

TEST_P(Cells, EveryCellDrawsInsideItsColumn)
{
    ThreeRows();
    AddSections({100, 80, 80});
    Tree->SetShowHeader(true);
    Tree->SetShowLines(false);
    Tree->SetShowButtons(false);
    Tree->SetTextColor(clRed);
    for (TExTreeItem* i : {A, B, C}) i->SetText("");
    const InsideCase cases[] = {
        {"narrow", 1, 7, hsaLeft, false, false, "short"},
        {"no width", 1, 0, hsaLeft, false, false, "short"},
        {"narrow right", 1, 7, hsaRight, false, false, "short"},
        {"narrow centred", 1, 5, hsaCenter, false, false, "short"},
        {"lines", 1, 30, hsaLeft, true, false, "short\nhidden text far wider than its column\nmore"},
        {"lines right", 1, 30, hsaRight, true, false, "short\nhidden text far wider than its column\nmore"},
        {"style right", 1, 9, hsaRight, false, true, "short"},
        {"main narrow", 0, 12, hsaLeft, false, false, "a main text far wider than its column"},
        {"main lines", 0, 30, hsaLeft, true, false, "short\nhidden text far wider than its column\nmore"},
        {"room", 1, 80, hsaLeft, false, false, "short"},
    };
    auto red = [](COLORREF c) { return GetRValue(c) > GetGValue(c) + 60 && GetRValue(c) > GetBValue(c) + 60; };
    for (const InsideCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TExHeaderSection* section = Tree->Header()->Sections()->GetSection(c.Column);
        for (Integer s = 0; s < 3; ++s)
            Tree->Header()->Sections()->GetSection(s)->SetWidth(s == c.Column ? c.Width : 80);
        section->SetAlignment(c.Alignment);
        A->SetMultiline(c.Multiline);
        A->SetUseStyles(c.Style);
        if (c.Style) {
            A->SetParentStyle(false);
            A->MainStyle()->SetOwnerColors(false);
            A->MainStyle()->SetTextColor(clRed);
            A->MainStyle()->SetTextFlags(Integer(DT_RIGHT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER));
        }
        A->ColumnText()->Clear();
        A->ColumnText()->Add(c.Column == 1 ? c.Text : "");
        A->SetText(c.Column == 0 ? c.Text : "");
        Repaint();
        const Integer left = section->GetLeft(), right = section->GetRight();
        int inside = 0, outside = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 300; ++x) {
                if (!red(Peek(x, y))) continue;
                (x >= left && x < right ? inside : outside) += 1;
            }
        EXPECT_EQ(outside, 0) << "ink of the cell [" << left << ", " << right << ") outside it";
        if (c.Width >= 30) {
            EXPECT_GT(inside, 0) << "a cell with room shows its text";
        }
    }
}

TEST_P(Cells, LinesOfColumnsScrolledUnderTheLockedOneStayHidden)
{
    ThreeRows();
    AddSections({100, 30, 100, 150});
    Tree->SetShowHeader(true);
    Tree->Header()->SetLockedSection(Tree->Header()->Sections()->GetSection(0));
    Tree->SetVertDivLinesColor(clGreen);
    Tree->SetVerticalLines(true);
    const int below = 150;  // under the rows
    EXPECT_EQ(At(129, below), Rgb(clGreen));
    // Scrolled by 40 the narrow column's right edge (client 89) lies under the locked column.
    Tree->SetHPosition(40);
    ASSERT_EQ(Tree->LeftPosition(), 40);
    EXPECT_EQ(At(89, below), Rgb(clWindow));
    EXPECT_EQ(At(89, 5), Peek(89, 40)) << "in the rows too";
    EXPECT_EQ(At(99, below), Rgb(clGreen)) << "the locked column's own line";
    EXPECT_EQ(At(229 - 40, below), Rgb(clGreen)) << "a column right of it";
    // At the locked column's left edge a line is under it; just right of it, not.
    Tree->SetBounds(10, 10, 200, 200);
    Tree->SetHPosition(129);
    ASSERT_EQ(Tree->LeftPosition(), 129);
    EXPECT_EQ(At(0, below), Rgb(clWindow));
    Tree->SetHPosition(29);
    EXPECT_EQ(At(100, below), Rgb(clGreen));
}

TEST_P(Cells, ASingleLineStyledTextIsCentredInATallRowAndWithoutAPictureItShows)
{
    Columns();
    A->SetOwnerHeight(false);
    A->SetHeight(60);
    A->SetUseStyles(true);
    A->SetParentStyle(false);
    TExCellStyle* main = A->MainStyle();
    TExCellStyle* cell = A->AddStyle();
    for (TExCellStyle* style : {main, cell}) style->SetOwnerColors(false);
    // The rows of ink of a column in A's row.
    auto inkRows = [&](int X1, int X2) {
        Repaint();
        int first = -1, last = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = X1; x < X2; ++x)
                if (Peek(x, y) != Rgb(clWindow)) {
                    if (first < 0) first = y;
                    last = y;
                }
        return std::make_pair(first, last);
    };
    // Asking for the bottom, and asking for no vertical place.
    for (const UINT flags : {UINT(DT_LEFT | DT_SINGLELINE | DT_BOTTOM), UINT(DT_LEFT | DT_SINGLELINE)}) {
        for (TExCellStyle* style : {main, cell}) style->SetTextFlags(Integer(flags));
        for (auto [x1, x2] : {std::make_pair(A->TextLeft + 1, 99), std::make_pair(101, 179)}) {
            SCOPED_TRACE(testing::Message() << x1 << " flags " << flags);
            const auto [first, last] = inkRows(x1, x2);
            ASSERT_GE(first, 0) << "no text";
            EXPECT_NEAR((first + last) / 2, 30, 3) << "centred, not at the top or the bottom";
        }
    }
    // A picture-only style that has no picture shows the cell's text.
    cell->SetStyle(ExhsPictureOnly);
    EXPECT_GE(inkRows(101, 179).first, 0);
    main->SetStyle(ExhsPictureOnly);
    EXPECT_GE(inkRows(A->TextLeft + 1, 99).first, 0);
}

// The painted extent of the main text is in document coordinates: scrolling sideways moves the
// text on screen, not its extent, for plain, owner-drawn and picture-only main cells, with
// columns and without; hit testing finds the text where it is shown.
TEST_P(Cells, TheMainTextsExtentStaysPutWhenTheViewScrollsSideways)
{
    ThreeRows();
    TBitmap picture;
    picture.SetSize(8, 8);
    picture.Canvas()->Brush()->SetColor(clGreen);
    picture.Canvas()->FillRect(TRect{0, 0, 8, 8});
    Tree->OnItemDraw = [](TObject*, TExTreeItem*, TCanvas*, TRect, Integer) {};
    for (bool columns : {false, true}) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(std::string(columns ? "columns " : "no columns ") + std::to_string(kind));
            Tree->SetShowHeader(false);
            Tree->Header()->Sections()->Clear();
            A->SetText(std::string(120, 'w'));
            A->SetUseStyles(kind == 2);
            if (kind == 2) {
                A->SetParentStyle(false);
                A->MainStyle()->SetOwnerColors(false);
                A->MainStyle()->SetPicture(&picture);
                A->MainStyle()->SetStyle(ExhsPictureOnly);
            }
            if (columns) {
                AddSections({900, 80});
                Tree->SetShowHeader(true);
                Tree->Header()->Sections()->GetSection(0)->SetStyle(kind == 1 ? ExhsOwnerDraw : ExhsText);
            } else {
                // Owner drawn by the mask; the next row keeps the rows wider than the view.
                Tree->SetOwnerDrawByColumn(kind != 1);
                if (kind == 1) A->SetText(Tree->OwnerDrawMask());
                B->SetText(std::string(120, 'w'));
            }
            Tree->SetHPosition(0);
            Repaint();
            const Integer left = A->TextLeft, right = A->TextRight;
            Tree->SetHPosition(40);
            ASSERT_EQ(Tree->LeftPosition(), 40);
            Repaint();
            EXPECT_EQ(A->TextLeft, left);
            EXPECT_EQ(A->TextRight, right);
            TSTItemPart part = ipOutside;
            Integer column = 0;
            if (left - 40 + 2 >= 0) {
                EXPECT_EQ(View()->GetItemAt(left - 40 + 2, 5, part, column), A);
                EXPECT_EQ(part, ipMainText);
            }
        }
    }
    Tree->SetOwnerDrawByColumn(true);
}

// A virtual tree's marked-up texts come from its event whenever they are needed: measured and drawn
// as the same texts are in a tree that keeps them, in the main column and in the others, whatever
// the text was when IsHTML was set (before or after going virtual).
TEST_F(ViewTest, AVirtualTreesMarkedUpTextsAreMeasuredAndDrawnAsTheyAre)
{
    auto* plain = new TExTree(Form);
    plain->SetParent(Form);
    plain->SetUseXPThemes(false);
    plain->SetBounds(320, 10, 300, 200);
    plain->HandleNeeded();
    std::vector<std::string> texts = {"<html><b>A</b></html>", "<html><i>cell</i></html>"};
    for (TCustomExTree* t : {static_cast<TCustomExTree*>(Tree), static_cast<TCustomExTree*>(plain)})
        for (Integer w : {150, 140}) t->Header()->Sections()->AddSection()->SetWidth(w);
    TExTreeItem* early = Items().Add(nullptr, texts[0]);
    early->SetIsHTML(true);  // before going virtual
    Tree->SetVirtualityLevel(vlTextAndStyles);
    TExTreeItem* late = Items().Add(nullptr, "");
    late->SetIsHTML(true);
    Tree->OnVirtualTextNeeded = [&](TObject*, TExTreeItem*, Integer Section, std::string& Text) {
        Text = texts[Section <= 0 ? 0 : 1];
    };
    TExTreeItem* kept[2];
    for (int i = 0; i < 2; ++i) {
        kept[i] = plain->Items()->Add(nullptr, texts[0]);
        kept[i]->ColumnText()->Add(texts[1]);
        kept[i]->SetIsHTML(true);
    }
    auto same = [&](const char* When) {
        SCOPED_TRACE(When);
        for (int i = 0; i < 2; ++i) {
            kept[i]->SetText(texts[0]);
            kept[i]->ColumnText()->Put(0, texts[1]);
        }
        for (TExTreeItem* item : {early, late}) {
            for (Integer section : {-1, 1}) {
                TPoint v{0, Tree->LineHeight()}, k{0, plain->LineHeight()};
                Tree->MeasureCell(item, section, v);
                plain->MeasureCell(kept[0], section, k);
                EXPECT_EQ(v.X, k.X) << "section " << section;
                EXPECT_EQ(v.Y, k.Y) << "section " << section;
            }
        }
    };
    same("a short text");
    texts[0] = "<html><b>" + std::string(120, 'W') + "</b></html>";
    same("the text grew");
    texts[0] = "<html>one<br>two<br>three<br>four</html>";
    texts[1] = "<html>a<br><b>b</b></html>";
    same("four lines later");
    Items().BeginUpdate();
    Items().EndUpdate();
    Tree->SetShowHeader(true);
    plain->SetShowHeader(true);
    uitest::Pump();
    EXPECT_EQ(early->GetHeight(), kept[0]->GetHeight()) << "the row as tall as its lines";
    // Drawn alike: the two trees' rows are the same picture.
    const TRect row = View()->GetItemRect(0);
    ASSERT_FALSE(IsRectEmpty(row));
    Repaint();
    plain->View()->Invalidate();
    UpdateWindow(plain->View()->Handle());
    HDC a = GetDC(View()->Handle()), b = GetDC(plain->View()->Handle());
    int differ = 0;
    for (int y = row.Top; y <= row.Bottom; ++y)
        for (int x = 0; x < 290; ++x) differ += GetPixel(a, x, y) != GetPixel(b, x, y);
    ReleaseDC(View()->Handle(), a);
    ReleaseDC(plain->View()->Handle(), b);
    EXPECT_EQ(differ, 0);
}

// ---------------------------------------------------------------- cell controls

TEST_F(ViewTest, ControlsPaintInTheirCells)
{
    for (Integer w : {80, 120, 100}) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    Tree->SetShowHeader(true);
    TExTreeItem* item = Items().Add(nullptr, "row");
    item->ColumnText()->Add("");
    item->ColumnText()->Add("");
    item->SetUseStyles(true);
    TExCellStyle* boxStyle = item->AddStyle();
    TExCellStyle* barStyle = item->AddStyle();
    auto* box = new TExCellCheckBox(nullptr);
    box->SetCaption("done");
    box->SetChecked(true);
    boxStyle->SetControl(box);
    auto* bar = new TExCellProgressBar(nullptr);
    bar->SetBarColor(clGreen);
    bar->SetShowProgressText(false);
    bar->SetValue(50);
    barStyle->SetControl(bar);
    // Controls paint only in styles of their own colours.
    EXPECT_NE(At(210, 8), Rgb(clGreen));
    boxStyle->SetOwnerColors(false);
    barStyle->SetOwnerColors(false);
    EXPECT_EQ(At(210, 8), Rgb(clGreen));
    EXPECT_NE(At(270, 8), Rgb(clGreen)) << "half the bar";
    // The box stands at the cell's left, its caption right of it.
    const auto left = Line(80, 100, 8), right = Line(180, 199, 8);
    EXPECT_NE(left, std::vector<COLORREF>(left.size(), Rgb(clWindow)));
    box->SetAlignment(taLeftJustify);
    EXPECT_NE(Line(180, 199, 8), right) << "the box moved to the right";
    // A border narrows the control.
    bar->SetBorderWidth(4);
    EXPECT_NE(At(201, 8), Rgb(clGreen));
    EXPECT_EQ(At(206, 8), Rgb(clGreen));
    // Hidden, the cell shows its text instead.
    bar->SetVisible(false);
    EXPECT_NE(At(210, 8), Rgb(clGreen));
}

// A control's handler may free the form with the tree, its item, the style and the control itself.
TEST_F(ViewTest, AControlsHandlerMayFreeTheWholeTree)
{
    using TAct = std::function<void()>;
    struct Case {
        const char* name;
        std::function<TExCellControl*(TAct)> make;  // a control whose handler calls the act
        std::function<void(TExCellControl*)> fire;
    };
    const std::vector<Case> cases{
        {"check box click",
         [](TAct Act) {
             auto* c = new TExCellCheckBox(nullptr);
             c->OnClick = [Act](TObject*) { Act(); };
             return c;
         },
         [](TExCellControl* C) { C->TriggerClickEvent(); }},
        {"button press",
         [](TAct Act) {
             auto* c = new TExCellButton(nullptr);
             c->OnMouseDown = [Act](TObject*, TMouseButton, TShiftState, int, int) { Act(); };
             return c;
         },
         [](TExCellControl* C) { C->TriggerMouseDownEvent(mbLeft, 0, 2, 2); }},
        {"button release",
         [](TAct Act) {
             auto* c = new TExCellButton(nullptr);
             c->OnMouseUp = [Act](TObject*, TMouseButton, TShiftState, int, int) { Act(); };
             return c;
         },
         [](TExCellControl* C) { C->TriggerMouseUpEvent(mbLeft, 0, 2, 2); }},
        {"bar double click",
         [](TAct Act) {
             auto* c = new TExCellProgressBar(nullptr);
             c->OnDblClick = [Act](TObject*) { Act(); };
             return c;
         },
         [](TExCellControl* C) { C->TriggerDblClickEvent(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TExTreeItem* item = Items().Add(nullptr, "row");
        item->SetUseStyles(true);
        TExCellStyle* style = item->AddStyle();
        style->SetOwnerColors(false);
        bool freed = false;
        TExCellControl* control = c.make([&] {
            freed = true;
            TForm* form = Form;
            Form = nullptr;
            TObject::Free(form);
        });
        style->SetControl(control);
        uitest::Pump();
        c.fire(control);
        EXPECT_TRUE(freed);
        uitest::Pump();
        Form = new TForm(nullptr);
        Tree = new TProbeTree(Form);
        Tree->SetParent(Form);
        Tree->SetBounds(10, 10, 300, 200);
        Form->AfterConstruction();
        Tree->HandleNeeded();
    }
}

// ---------------------------------------------------------------- handlers during painting

struct PaintHandlerCase {
    const char* name;
    // Sets a handler that calls Act once, from inside the painting.
    std::function<void(TExTree*, std::function<void()>)> arm;
};

class PaintHandler : public ViewTest, public ::testing::WithParamInterface<PaintHandlerCase> {};

TEST_P(PaintHandler, FreeingTheTreeEndsThePaintingSafely)
{
    AddSections({80, 80});
    Tree->SetShowHeader(true);
    for (int i = 0; i < 3; ++i) Items().Add(nullptr, "r" + std::to_string(i))->ColumnText()->Add("c");
    bool freed = false;
    GetParam().arm(Tree, [&] {
        if (freed) return;
        freed = true;
        TForm* form = Form;
        Form = nullptr;
        TObject::Free(form);
    });
    HWND view = View()->Handle();
    InvalidateRect(view, nullptr, TRUE);
    UpdateWindow(view);
    EXPECT_TRUE(freed);
    Form = new TForm(nullptr);
}

TEST_P(PaintHandler, DeletingTheItemEndsItsRow)
{
    AddSections({80, 80});
    Tree->SetShowHeader(true);
    for (int i = 0; i < 3; ++i) Items().Add(nullptr, "r" + std::to_string(i))->ColumnText()->Add("c");
    TExTreeItem* victim = Items().Item(1);
    bool deleted = false;
    GetParam().arm(Tree, [&] {
        if (deleted) return;
        deleted = true;
        victim->Delete();
    });
    // Only the victim's row calls the handler's action.
    View()->Invalidate();
    UpdateWindow(View()->Handle());
    EXPECT_TRUE(deleted);
    EXPECT_EQ(Items().Count(), 2);
    uitest::Pump();
    EXPECT_EQ(View()->RowCount(), 2);
}

const PaintHandlerCase PaintHandlerCases[] = {
    {"ItemDraw",
     [](TExTree* T, std::function<void()> Act) {
         T->Header()->Sections()->GetSection(1)->SetStyle(ExhsOwnerDraw);
         T->OnItemDraw = [Act](TObject*, TExTreeItem* I, TCanvas*, TRect, Integer) {
             if (I->Text() == "r1") Act();
         };
     }},
    {"PostDraw",
     [](TExTree* T, std::function<void()> Act) {
         T->OnItemPostDraw = [Act](TObject*, TCanvas*, TExTreeItem* I, TRect, bool&) {
             if (I->Text() == "r1") Act();
         };
     }},
    {"PictureNeeded",
     [](TExTree* T, std::function<void()> Act) {
         T->SetImages(SolidImages(T->Owner(), {clRed}));
         T->OnItemPicDraw = [Act](TObject*, TExTreeItem* I, Integer&) {
             if (I->Text() == "r1") Act();
         };
     }},
    // Virtual trees ask for their texts and styles while their rows are painted.
    {"VirtualText",
     [](TExTree* T, std::function<void()> Act) {
         TExTreeItem* r1 = T->Items()->Item(1);
         T->SetVirtualityLevel(vlTextAndStyles);
         T->OnVirtualTextNeeded = [Act, r1](TObject*, TExTreeItem* I, Integer Column, std::string& Text) {
             Text = Column < 0 ? "row" : "cell";
             if (I == r1 && Column > 0) Act();
         };
     }},
    {"VirtualStyle",
     [](TExTree* T, std::function<void()> Act) {
         TExTreeItem* r1 = T->Items()->Item(1);
         r1->SetUseStyles(true);
         r1->SetParentStyle(false);
         T->SetVirtualityLevel(vlTextAndStyles);
         T->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer, std::string& Text) { Text = "v"; };
         T->OnVirtualStyleNeeded = [Act, r1](TObject*, TExTreeItem* I, Integer, TExCellStyle* Style) {
             Style->SetOwnerColors(false);
             Style->SetCellBkColor(clYellow);
             if (I == r1) Act();
         };
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, PaintHandler, ::testing::ValuesIn(PaintHandlerCases),
                         [](const ::testing::TestParamInfo<PaintHandlerCase>& Info) { return Info.param.name; });

}  // namespace

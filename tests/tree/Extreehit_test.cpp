// Hit testing at the edges of every part of a row as the painter laid it out: the button, the
// check box, both images, the text and what lies beside them, the cells of the columns, the locked
// column with the view scrolled sideways, a mirrored tree, and the rows above and below.
#include <gtest/gtest.h>

#include "ViewTest.h"

namespace {

class Hits : public ViewTest {
protected:
    TExTreeItem* A = nullptr;
    TExTreeItem* B = nullptr;
    void SetUp() override
    {
        Items().BeginUpdate();
        A = Items().Add(nullptr, "alpha");
        B = Items().AddChild(A, "beta");
        Items().AddChild(B, "gamma");
        A->Expand(false);
        Items().EndUpdate();
        Repaint();
    }
    TSTItemPart PartAt(int X, int Y, Integer* Column = nullptr, TExTreeItem** Item = nullptr)
    {
        Repaint();
        TSTItemPart part = ipButton;
        Integer column = -7;
        TExTreeItem* item = View()->GetItemAt(X, Y, part, column);
        if (Column) *Column = column;
        if (Item) *Item = item;
        return part;
    }
};

TEST_F(Hits, ButtonTextAndBesideThemWithoutColumns)
{
    // "alpha": button cell [0, 17), gap 5, text box from 21: TextLeft 20.
    ASSERT_EQ(A->TextLeft, 20);
    EXPECT_EQ(PartAt(15, 8), ipButton);
    EXPECT_EQ(PartAt(0, 8), ipButton);
    EXPECT_EQ(PartAt(16, 8), ipMainText) << "the text zone starts 4 pixels left of TextLeft";
    EXPECT_EQ(PartAt(A->TextRight, 8), ipMainText);
    TExTreeItem* item = nullptr;
    Integer column = -7;
    EXPECT_EQ(PartAt(A->TextRight + 1, 8, &column, &item), ipOutside);
    EXPECT_EQ(item, A) << "right of the text the item is still answered";
    EXPECT_EQ(column, -7) << "the column is left alone when nothing matched";
    // "beta" one level down: its button column [17, 34).
    EXPECT_EQ(PartAt(17 + 15, 17 + 8), ipButton);
    EXPECT_EQ(PartAt(17 + 16, 17 + 8), ipMainText);
    EXPECT_EQ(PartAt(16, 17 + 8), ipButton) << "one pixel before the drawn cell, as the text zone";
    EXPECT_EQ(PartAt(15, 17 + 8), ipOutside) << "the line column of the parent";
    // A button that is suppressed answers as inside.
    B->SetSuppressButtons(true);
    EXPECT_EQ(PartAt(17 + 15, 17 + 8, &column), ipInside);
    EXPECT_EQ(column, 0);
    // A root without root buttons has none to hit.
    B->SetSuppressButtons(false);
    Tree->SetShowRootButtons(false);
    EXPECT_NE(PartAt(A->TextLeft - 5, 8), ipButton);
}

TEST_F(Hits, CheckBoxAndImagesEdgeToEdge)
{
    Tree->SetShowCheckboxes(true);
    A->SetShowCheckBox(true);
    const int C = Tree->GetCheckBoxSize();
    ASSERT_EQ(A->TextLeft, 17 + C + 5 - 2);
    EXPECT_EQ(PartAt(16, 8), ipButton);
    EXPECT_EQ(PartAt(17, 8), ipCheckBox);
    EXPECT_EQ(PartAt(15 + C, 8), ipCheckBox);
    EXPECT_EQ(PartAt(16 + C, 8), ipMainText);
    // A main image between the box and the text: box, gap, image, gap, text.
    Tree->SetImages(SolidImages(Form, {clGreen}));
    A->SetImageIndex(0);
    Repaint();
    ASSERT_EQ(A->TextLeft, 17 + C + 5 + 16 + 5 - 2);
    const int image = 17 + C + 5;
    EXPECT_EQ(PartAt(image - 1, 8), ipPicture);
    EXPECT_EQ(PartAt(image + 14, 8), ipPicture);
    EXPECT_EQ(PartAt(image + 15, 8), ipMainText);
    EXPECT_EQ(PartAt(17, 8), ipCheckBox);
    EXPECT_EQ(PartAt(15 + C, 8), ipCheckBox);
    // And a second image before the main one: box, gap, second image, gap, main image.
    Tree->SetImages2(SolidImages(Form, {clRed}));
    A->SetImageIndex2(0);
    Repaint();
    ASSERT_TRUE(A->Picture2Shown());
    const int second = 17 + C + 5;
    const int main = second + 16 + 5;
    ASSERT_EQ(A->TextLeft, main + 16 + 5 - 2);
    EXPECT_EQ(PartAt(main - 1, 8), ipPicture);
    EXPECT_EQ(PartAt(main - 2, 8), ipOutside) << "the gap";
    EXPECT_EQ(PartAt(second - 1, 8), ipPicture2);
    EXPECT_EQ(PartAt(second + 14, 8), ipPicture2);
    // The box is found where it is drawn, the gap before the second image counted.
    EXPECT_EQ(PartAt(17, 8), ipCheckBox);
    EXPECT_EQ(PartAt(16 + C, 8), ipCheckBox);
    EXPECT_EQ(PartAt(16, 8), ipButton);
}

TEST_F(Hits, CustomCheckBoxesAreASixthOfTheirGlyph)
{
    TBitmap glyph;
    glyph.SetSize(60, 10);
    Tree->SetCheckBoxGlyph(&glyph);
    Tree->SetCustomCheckboxes(true);
    Tree->SetShowCheckboxes(true);
    A->SetShowCheckBox(true);
    Repaint();
    EXPECT_EQ(A->TextLeft, 17 + 10 + 5 - 2);
    EXPECT_EQ(PartAt(17, 8), ipCheckBox);
    EXPECT_EQ(PartAt(25, 8), ipCheckBox);
    EXPECT_EQ(PartAt(26, 8), ipMainText);
}

TEST_F(Hits, CellsOfColumnsAndTheLockedColumnScrolledSideways)
{
    for (Integer w : {100, 80, 80}) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    Tree->SetShowHeader(true);
    Integer column = -7;
    EXPECT_EQ(PartAt(100, 8, &column), ipColumn);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(PartAt(179, 8, &column), ipColumn);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(PartAt(180, 8, &column), ipColumn);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(PartAt(99, 8, &column), ipInside);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(PartAt(A->TextLeft, 8, &column), ipMainText);
    EXPECT_EQ(PartAt(260, 8), ipOutside) << "right of every column";
    // The main column elsewhere: the first one is an ordinary cell.
    Tree->SetMainTreeColumn(1);
    EXPECT_EQ(PartAt(50, 8, &column), ipColumn);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(PartAt(A->TextLeft, 8, &column), ipMainText);
    EXPECT_EQ(column, 1);
    // A locked main column is hit where it is shown, however far the rest scrolled.
    Tree->SetMainTreeColumn(0);
    Tree->SetBounds(10, 10, 200, 200);
    Tree->Header()->SetLockedSection(Tree->Header()->Sections()->GetSection(0));
    Tree->SetHPosition(40);
    ASSERT_EQ(Tree->LeftPosition(), 40);
    EXPECT_EQ(PartAt(A->TextLeft, 8, &column), ipMainText);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(PartAt(15, 8), ipButton);
    EXPECT_EQ(PartAt(99, 8, &column), ipInside) << "the part of column 1 under the locked one";
    EXPECT_EQ(column, 0);
    EXPECT_EQ(PartAt(100, 8, &column), ipColumn);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(PartAt(180 - 40, 8, &column), ipColumn);
    EXPECT_EQ(column, 2);
}

TEST_F(Hits, AMirroredTreeTestsFromTheTextRightwards)
{
    Tree->SetRightAlignedTree(true);
    Repaint();
    EXPECT_EQ(PartAt(A->TextLeft, 8), ipMainText);
    const int p = A->TextRight + 17 / 3 - 1;
    EXPECT_EQ(PartAt(p, 8), ipMainText);
    EXPECT_EQ(PartAt(p + 1, 8), ipButton);
    EXPECT_EQ(PartAt(p + 17, 8), ipOutside);
    EXPECT_EQ(PartAt(A->TextLeft - 1, 8), ipOutside);
}

TEST_F(Hits, RowsAboveAndBelowAndTheirRectangles)
{
    TExTreeItem* item = A;
    EXPECT_EQ(PartAt(30, -1, nullptr, &item), ipOutside);
    EXPECT_EQ(item, nullptr);
    item = A;
    ASSERT_EQ(View()->RowCount(), 2);
    EXPECT_EQ(PartAt(30, 2 * 17, nullptr, &item), ipOutside) << "below the last row";
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(View()->GetItemAtY(2 * 17 - 1), B);
    EXPECT_EQ(View()->GetItemRect(1), (TRect{0, 17, View()->Width(), 33}));
    EXPECT_TRUE(IsRectEmpty(View()->GetItemRect(2)));
    EXPECT_TRUE(IsRectEmpty(View()->GetItemRect(-1)));
    // The tree answers in its own coordinates: the header above the view counts.
    Tree->Header()->Sections()->AddSection()->SetWidth(200);
    Tree->SetShowHeader(true);
    TSTItemPart part;
    Integer column = 0;
    EXPECT_EQ(Tree->GetItemAt(View()->Left() + A->TextLeft, View()->Top() + 17 + 3, part, column), B);
}

}  // namespace

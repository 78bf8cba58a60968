// The core's edges: the item class of a tree, resizing, the bar's threshold, row counts of a view
// height, header height and sections set through the tree, a column's style font, and accepting
// an edit into a column the item has no text for yet.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TreeFixture.h"
#include "platform/ImgList.h"
#include "tree/Excellstyle.h"

namespace {

class TTaggedItem : public TExTreeItem {
public:
    using TExTreeItem::TExTreeItem;
};

TEST(TreeItemClass, ATreeMadeWithAnItemClassMakesItsItemsWithIt)
{
    TExTree tree(nullptr, [](TExTreeModel* Owner) -> TExTreeItem* { return new TTaggedItem(Owner); });
    TExTreeItem* item = tree.Items()->Add(nullptr, "a");
    EXPECT_NE(dynamic_cast<TTaggedItem*>(item), nullptr);
    EXPECT_EQ(TCustomExTree::TreeOf(item), &tree);
    EXPECT_EQ(TCustomExTree::TreeOf(nullptr), nullptr);
    TExTreeModel bare;
    EXPECT_EQ(TCustomExTree::TreeOf(bare.Items()->Add(nullptr, "b")), nullptr);
}

TEST_F(TreeTest, AResizedTreeLaysItsPiecesOutAgainAndReportsIt)
{
    AddRoots(60);
    Integer resized = 0;
    Tree->OnResize = [&](TObject* S) {
        EXPECT_EQ(S, Tree);
        ++resized;
    };
    Tree->SetBounds(10, 10, 420, 260);
    EXPECT_GE(resized, 1);
    EXPECT_EQ(Tree->VertScrollBar()->Left() + Tree->VertScrollBar()->Width(), Tree->ClientWidth());
    EXPECT_EQ(View()->Height(), Tree->ClientHeight());
    EXPECT_EQ(View()->RowCount(), View()->Height() / Tree->LineHeight() + 1);
    // Tall enough for every row: the bar goes and the top row comes back to 0.
    Tree->SetVPosition(30);
    Tree->SetBounds(10, 10, 420, 60 * Tree->LineHeight() + 40);
    EXPECT_FALSE(Tree->VertBarVisible());
    EXPECT_EQ(Tree->TopIndex(), 0);
    EXPECT_EQ(View()->Width(), Tree->ClientWidth());
}

TEST_F(TreeTest, TheHorizontalBarAppearsOncePastTheViewAndOnePixel)
{
    AddSections({100});
    Tree->SetShowHeader(true);
    TExHeaderSection* s = Tree->Header()->Sections()->GetSectionByPos(0);
    s->SetWidth(View()->Width() + 1);
    Tree->SetUpdating(true);
    Tree->SetUpdating(false);
    Tree->UpdateScrollBars();
    EXPECT_FALSE(Tree->HorzBarVisible());
    s->SetWidth(View()->Width() + 2);
    Tree->UpdateScrollBars();
    EXPECT_TRUE(Tree->HorzBarVisible());
    EXPECT_EQ(View()->HRange(), Tree->Header()->GetColumnsWidth());
}

TEST_F(TreeTest, RowsOfAViewHeight)
{
    Tree->SetBorderStyle(bsNone);
    Tree->SetBounds(0, 0, 200, 40);
    ASSERT_EQ(View()->Height(), 40);
    ASSERT_EQ(Tree->LineHeight(), 17);
    EXPECT_EQ(View()->GetVisCount(), 3);
    EXPECT_EQ(View()->GetVisCount2(), 2);
    Tree->SetBounds(0, 0, 200, 34);
    EXPECT_EQ(View()->GetVisCount(), 2);
    EXPECT_EQ(View()->GetVisCount2(), 2);
    // The Part's example: 100 rows of 17 in 170 and 175 pixels.
    AddRoots(100);
    Tree->SetBounds(0, 0, 200, 170);
    EXPECT_EQ(View()->GetVisCount(), 10);
    EXPECT_EQ(View()->MaxTopIndex(), 91);
    Tree->SetVPosition(0);
    EXPECT_EQ(View()->RowCount(), 11);
    EXPECT_EQ(Tree->GetItemRect(10).Top, 170);
    Tree->SetBounds(0, 0, 200, 175);
    EXPECT_EQ(View()->GetVisCount(), 11);
    EXPECT_EQ(View()->MaxTopIndex(), 90);
}

TEST_F(TreeTest, RowRectanglesAndTheRowsUnderAPoint)
{
    AddRoots(5);
    const Integer h = Tree->LineHeight();
    EXPECT_EQ(View()->GetItemRect(2), (TRect{0, 2 * h, View()->Width(), 3 * h - 1}));
    EXPECT_EQ(View()->GetItemRect(-1), TRect{});
    EXPECT_EQ(View()->GetItemRect(5), TRect{});
    EXPECT_EQ(View()->GetItemAtY(-1), nullptr);
    EXPECT_EQ(View()->GetItemAtY(0), Items().Item(0));
    EXPECT_EQ(View()->GetItemAtY(h - 1), Items().Item(0));
    EXPECT_EQ(View()->GetItemAtY(h), Items().Item(1));
    EXPECT_EQ(View()->GetItemAtY(5 * h), nullptr);
    // The tree's forms are in its own client coordinates.
    AddSections({60});
    Tree->SetShowHeader(true);
    EXPECT_EQ(Tree->GetItemAtY(View()->Top() + h), Items().Item(1));
    EXPECT_EQ(Tree->GetItemRect(1).Top, View()->Top() + h);
    EXPECT_EQ(Tree->GetItemRect(9), TRect{});
    EXPECT_EQ(Items().Item(1)->DisplayRect(false).Top, View()->Top() + h);
}

TEST_F(TreeTest, HeaderHeightAndSectionsSetThroughTheTree)
{
    AddSections({60});
    Tree->SetShowHeader(true);
    Tree->SetLockHeaderHeight(true);
    Tree->SetHeaderHeight(33);
    EXPECT_EQ(Tree->HeaderHeight(), 33);
    EXPECT_EQ(View()->Top(), 33);
    TExHeader other(nullptr);
    other.Sections()->AddSection()->SetWidth(40);
    other.Sections()->AddSection()->SetWidth(50);
    Tree->SetHeaderSections(other.Sections());
    EXPECT_EQ(Tree->HeaderSections()->Count(), 2);
    EXPECT_EQ(Tree->Header()->GetColumnsWidth(), 90);
}

TEST_F(TreeTest, ABackgroundFollowsTheViewsSize)
{
    Tree->SetBackgroundType(bgtHorzGradient);
    ASSERT_EQ(View()->BackgroundBitmap()->Width(), View()->ClientWidth() + 1);
    Tree->SetBounds(10, 10, 380, 250);
    EXPECT_EQ(View()->BackgroundBitmap()->Width(), View()->ClientWidth() + 1);
    EXPECT_EQ(View()->BackgroundBitmap()->Height(), View()->ClientHeight() + 1);
    // Kept as it was for a view of no height.
    Tree->SetBounds(10, 10, 380, Tree->Height() - Tree->ClientHeight());
    EXPECT_EQ(View()->BackgroundBitmap()->Width(), 381 - (Tree->Width() - Tree->ClientWidth()));
}

TEST_F(TreeTest, AColumnsStyleFontIsMeasured)
{
    AddSections({100, 100});
    Tree->SetShowHeader(true);
    TExTreeItem* item = Items().Add(nullptr, "main");
    item->ColumnText()->Add("column text");
    TPoint plain{};
    Tree->MeasureCell(item, 1, plain);
    item->SetUseStyles(true);
    item->SetParentStyle(false);
    TExCellStyle* style = item->AddStyle();
    style->SetFontSize(24);
    style->SetFontName(Tree->Font()->Name());
    TPoint big{};
    Tree->MeasureCell(item, 1, big);
    EXPECT_GT(big.X, plain.X);
    EXPECT_GT(big.Y, plain.Y);
    // The section's UseMainStyle takes the main style instead.
    Tree->Header()->Sections()->GetSection(1)->SetUseMainStyle(true);
    TPoint main{};
    Tree->MeasureCell(item, 1, main);
    EXPECT_LT(main.X, big.X);
}

TEST_F(TreeTest, ATreeColumnCellIsIndentButtonGapAndText)
{
    TExTreeItem* item = Items().Add(nullptr, "Width of this");
    TBitmap scratch;
    scratch.Canvas()->SetFont(Tree->Font());
    const Integer text = scratch.Canvas()->TextWidth("Width of this");
    TPoint size{};
    Tree->MeasureCell(item, -1, size);
    // Root buttons take one indent, then three fifths of an indent before the text.
    EXPECT_EQ(size.X, 17 + 17 / 5 * 3 + text);
    EXPECT_EQ(size.Y, Tree->LineHeight());
    EXPECT_EQ(item->GetWidth(), size.X);
    // Columns add two pixels (four with vertical lines).
    AddSections({200});
    Tree->SetShowHeader(true);
    TPoint columns{};
    Tree->MeasureCell(item, -1, columns);
    EXPECT_EQ(columns.X, size.X + 2);
    Tree->SetVerticalLines(true);
    Tree->MeasureCell(item, 0, columns);
    EXPECT_EQ(columns.X, size.X + 4);
}

TEST_F(TreeTest, AnotherColumnsCellIsGapTextAndFourPixels)
{
    AddSections({100, 100});
    Tree->SetShowHeader(true);
    TExTreeItem* item = Items().Add(nullptr, "m");
    item->ColumnText()->Add("Column words");
    TBitmap scratch;
    scratch.Canvas()->SetFont(Tree->Font());
    TPoint size{};
    Tree->MeasureCell(item, 1, size);
    EXPECT_EQ(size.X, 17 / 5 * 3 + scratch.Canvas()->TextWidth("Column words") + 4);
    EXPECT_EQ(size.Y, Tree->LineHeight());
    TPoint missing{};
    Tree->MeasureCell(Items().Add(nullptr, "n"), 1, missing);
    EXPECT_EQ(missing.X, 17 / 5 * 3 + 4) << "no column text";
}

TEST_F(TreeTest, AColumnAutoSizedInsideABracketWaitsForItsEnd)
{
    AddSections({10});
    TExHeaderSection* s = Tree->Header()->Sections()->GetSectionByPos(0);
    s->SetAutoSize(true);
    Tree->SetShowHeader(true);
    const Integer before = s->Width();
    Tree->SetUpdating(true);
    Items().Add(nullptr, std::string(30, 'W'));
    Tree->AutoSizeColumn(0);
    EXPECT_EQ(s->Width(), before);
    EXPECT_TRUE(Tree->ColumnsAutoSizePending());
    Tree->SetUpdating(false);
    EXPECT_GT(s->Width(), 100);
    EXPECT_FALSE(Tree->ColumnsAutoSizePending());
}

TEST_F(TreeTest, MeasuredHeightsFollowTheLineHeight)
{
    TExTreeItem* item = Items().Add(nullptr, "one");
    item->SetMultiline(true);
    EXPECT_EQ(item->GetHeight(), Tree->LineHeight());
    Tree->SetAutoLineHeight(false);
    Tree->SetLineHeight(40);
    EXPECT_EQ(item->GetHeight(), 40) << "a height measured for the old line height was kept";
}

TEST_F(TreeTest, AnOwnerDrawnMainTextIsMeasuredByTheEvent)
{
    Tree->SetOwnerDrawByColumn(false);
    TExTreeItem* item = Items().Add(nullptr, "~~@~~");
    Tree->OnMeasureItemPart = [&](TObject* S, TExTreeItem* Item, Integer Part, TPoint& Size) {
        EXPECT_EQ(S, Tree);
        EXPECT_EQ(Item, item);
        EXPECT_EQ(Part, -1);
        Size.X = 50;
    };
    TPoint size{};
    Tree->MeasureCell(item, -1, size);
    EXPECT_EQ(size.X, 17 + 17 / 5 * 3 + 50);
}

TEST_F(TreeTest, ThemesReachTheBarsAndTheHeader)
{
    Tree->SetUseXPThemes(false);
    EXPECT_FALSE(Tree->HorzScrollBar()->UseXPThemes());
    EXPECT_FALSE(Tree->VertScrollBar()->UseXPThemes());
    EXPECT_FALSE(Tree->Header()->UseXPThemes());
    Tree->SetUseXPThemes(true);
    EXPECT_TRUE(Tree->HorzScrollBar()->UseXPThemes());
    EXPECT_TRUE(Tree->VertScrollBar()->UseXPThemes());
    EXPECT_TRUE(Tree->Header()->UseXPThemes());
}

TEST_F(TreeTest, AReplacedImageListIsNoLongerHeard)
{
    TImageList first(Form), second(Form);
    first.SetHeight(20);
    second.SetHeight(24);
    Tree->SetImages(&first);
    Tree->SetImages(&second);
    EXPECT_EQ(Tree->LineHeight(), 24);
    first.SetHeight(40);
    EXPECT_EQ(Tree->LineHeight(), 24);
    second.SetHeight(30);
    EXPECT_EQ(Tree->LineHeight(), 30);
}

TEST_F(TreeTest, AMissingBorderSideGrowsTheClientRectangle)
{
    Tree->SetBorderSides(BorderSide(ebsTop) | BorderSide(ebsBottom) | BorderSide(ebsRight));
    RECT r{10, 10, 100, 100};
    const LRESULT result = Tree->Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(result, WVR_HREDRAW | WVR_VREDRAW);
    EXPECT_LT(r.Left, 12) << "the left edge was kept";
    Tree->SetBorderSides(AllBorderSides);
    RECT all{10, 10, 100, 100};
    Tree->Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&all));
    EXPECT_GT(all.Left, r.Left);
    EXPECT_EQ(all.Top, r.Top);
}

TEST_F(TreeTest, AnEmptyImageTakesItsRoomOnlyWhenAsked)
{
    TImageList images(Form);
    images.SetWidth(16);
    images.SetHeight(16);
    Tree->SetImages(&images);
    TExTreeItem* item = Items().Add(nullptr, "x");
    item->SetImageIndex(3);  // no such image
    TPoint without{};
    Tree->MeasureCell(item, -1, without);
    Tree->SetShowEmptyImages(true);
    TPoint with{};
    Tree->MeasureCell(item, -1, with);
    EXPECT_EQ(with.X - without.X, 16);
    Tree->SetShowEmptyImages2(true);
    TPoint both{};
    Tree->MeasureCell(item, -1, both);
    EXPECT_EQ(both.X - with.X, 16 + 17 / 3) << "the second image and the gap before the first";
}

TEST_F(TreeTest, TheTreeErasesNoBackgroundOfItsOwn)
{
    EXPECT_EQ(Tree->Perform(WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(View()->Perform(WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(Tree->Perform(IFM_CANPAINTBKGND, 0, 0), 1);
}

TEST_F(TreeTest, DeletingOneOfTwoSectionsKeepsTheColumns)
{
    AddSections({60, 60});
    Tree->SetShowHeader(true);
    Tree->Header()->Sections()->DeleteSection(Tree->Header()->Sections()->GetSectionByPos(0));
    EXPECT_TRUE(Tree->ShowColumns());
    EXPECT_TRUE(Tree->Header()->Visible());
}

TEST_F(TreeTest, TheOwnedPartsAsConstructed)
{
    TCustomExScrollBar* h = Tree->HorzScrollBar();
    TCustomExScrollBar* v = Tree->VertScrollBar();
    EXPECT_EQ(h->Kind(), sbHorizontal);
    EXPECT_EQ(v->Kind(), sbVertical);
    for (TCustomExScrollBar* bar : {h, v}) {
        EXPECT_TRUE(bar->NoScrollMessages);
        EXPECT_TRUE(bar->AltDisablingArrows());
        EXPECT_TRUE(bar->IsHTML());
        EXPECT_FALSE(bar->TabStop());
        EXPECT_FALSE(bar->Ctl3D());
        EXPECT_EQ(bar->Parent(), Tree);
    }
    EXPECT_TRUE(v->ShowTrackHint());
    EXPECT_FALSE(h->ShowTrackHint());
    EXPECT_EQ(Tree->HorzScrollBarStyles()->ScrollBar(), h);
    EXPECT_EQ(Tree->VertScrollBarStyles()->ScrollBar(), v);
    EXPECT_FALSE(h->Visible());
    EXPECT_FALSE(v->Visible());
    EXPECT_FALSE(Tree->Header()->Visible());
    EXPECT_FALSE(Tree->Header()->AllowDrag());
    EXPECT_FALSE(Tree->Header()->Tracking());
    EXPECT_TRUE(Tree->Header()->MultiSortMarks);
    EXPECT_FALSE(Tree->Header()->TabStop());
    EXPECT_TRUE(View()->TabStop());
    EXPECT_EQ(View()->Parent(), Tree);
    EXPECT_EQ(Tree->InplaceManager()->Owner(), Tree);
    EXPECT_EQ(Tree->GetRoot(), Items().Root());
    EXPECT_EQ(Tree->Header()->Font()->Height(), Tree->Font()->Height());
    // The bars' styles are the bars' own.
    Tree->HorzScrollBarStyles()->SetArrowColor(clRed);
    EXPECT_EQ(h->ArrowColor(), clRed);
}

TEST_F(TreeTest, RightAlignedTextReachesTheHeader)
{
    Tree->SetRightAlignedText(true);
    EXPECT_TRUE(Tree->Header()->RightAlignedText());
    Tree->SetRightAlignedTree(true);
    EXPECT_TRUE(Tree->Header()->RightAlignedOrder());
}

TEST_F(TreeTest, AGradientFollowsItsColours)
{
    Tree->SetGradientStartColor(clRed);
    Tree->SetGradientEndColor(clRed);
    Tree->SetBackgroundType(bgtHorzGradient);
    TBitmap* bmp = View()->BackgroundBitmap();
    EXPECT_EQ(bmp->Canvas()->Pixels(1, 1), TColor(ColorToRGB(clRed)));
    Tree->SetGradientStartColor(clBlue);
    Tree->SetGradientEndColor(clBlue);
    EXPECT_EQ(bmp->Canvas()->Pixels(1, 1), TColor(ColorToRGB(clBlue)));
    // Inside a bracket the picture waits.
    Tree->SetUpdating(true);
    Tree->SetGradientStartColor(clLime);
    Tree->SetGradientEndColor(clLime);
    EXPECT_EQ(bmp->Canvas()->Pixels(1, 1), TColor(ColorToRGB(clBlue)));
    Tree->SetUpdating(false);
}

TEST_F(TreeTest, AColumnIsNotWidenedByRowsInsideCollapsedBranches)
{
    AddSections({10});
    Tree->Header()->Sections()->GetSectionByPos(0)->SetAutoSize(true);
    Tree->SetShowHeader(true);
    TExTreeItem* a = Items().Add(nullptr, "a");
    Items().AddChild(a, std::string(60, 'W'));
    const Integer narrow = Tree->MeasureColumnWidth(0, true);
    EXPECT_GT(Tree->MeasureColumnWidth(0, false), narrow);
    a->Expand(false);
    EXPECT_EQ(Tree->MeasureColumnWidth(0, true), Tree->MeasureColumnWidth(0, false));
    EXPECT_EQ(Tree->MeasureColumnWidth(5, false), 0) << "no such section";
}

TEST_F(TreeTest, TheVerticalBarStaysWhileTheTopRowIsScrolledOut)
{
    // Ten rows fill the view exactly.
    Tree->SetBorderStyle(bsNone);
    Tree->SetBounds(0, 0, 200, 170);
    AddRoots(10);
    EXPECT_FALSE(Tree->VertBarVisible());
    Tree->SetVPosition(1);
    ASSERT_EQ(Tree->TopIndex(), 1);
    EXPECT_TRUE(Tree->VertBarVisible());
}

TEST_F(TreeTest, TheEndOfADragFromTheViewReachesTheTreeInItsCoordinates)
{
    AddSections({60});
    Tree->SetShowHeader(true);
    TObject* target = nullptr;
    TPoint at{};
    Tree->OnEndDrag = [&](TObject* S, TObject* T, int X, int Y) {
        EXPECT_EQ(S, Tree);
        target = T;
        at = {X, Y};
    };
    View()->OnEndDrag(View(), View(), 3, 4);
    EXPECT_EQ(target, Tree);
    EXPECT_EQ(at.X, 3 + View()->Left());
    EXPECT_EQ(at.Y, 4 + View()->Top());
    View()->OnEndDrag(View(), Form, 0, 0);
    EXPECT_EQ(target, Form);
}

TEST_F(TreeTest, TheTreesFontReachesItsViewAndBarsAndTheHeaderOnlyWhenItUsesIt)
{
    Tree->Font()->SetName("DejaVu Serif");
    EXPECT_EQ(View()->Font()->Name(), "DejaVu Serif");
    EXPECT_EQ(Tree->VertScrollBar()->Font()->Name(), "DejaVu Serif");
    EXPECT_EQ(Tree->Header()->Font()->Name(), "DejaVu Serif");
    Tree->SetHeaderUseTreeFont(false);
    EXPECT_EQ(Tree->Header()->Font()->Name(), Tree->HeaderFont()->Name());
    Tree->Font()->SetName("DejaVu Sans Mono");
    EXPECT_NE(Tree->Header()->Font()->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(View()->Font()->Name(), "DejaVu Sans Mono");
    Tree->HeaderFont()->SetName("DejaVu Serif");
    EXPECT_EQ(Tree->Header()->Font()->Name(), "DejaVu Serif") << "the header font's own change reaches the header";
    Tree->SetHeaderUseTreeFont(true);
    Tree->HeaderFont()->SetName("DejaVu Sans");
    EXPECT_EQ(Tree->Header()->Font()->Name(), "DejaVu Sans Mono") << "not while the header uses the tree's font";
}

TEST_F(TreeTest, TheHeadersAutoSizeRequestWithAndWithoutAutomaticColumns)
{
    AddSections({10, 10});
    Tree->SetShowHeader(true);
    Items().Add(nullptr, std::string(30, 'W'));
    std::vector<Integer> asked;
    Tree->OnHeaderSectionAutoSize = [&](TObject* S, Integer Index) {
        EXPECT_EQ(S, Tree);
        asked.push_back(Index);
    };
    TExHeaderSection* main = Tree->Header()->Sections()->GetSection(0);
    Tree->Header()->OnSectionAutoSize(Tree->Header(), main);
    EXPECT_GE(main->Width(), Tree->MeasureColumnWidth(0, true));
    EXPECT_TRUE(asked.empty());
    Tree->SetAutoResizeColumns(false);
    TExHeaderSection* other = Tree->Header()->Sections()->GetSection(1);
    Tree->Header()->OnSectionAutoSize(Tree->Header(), other);
    EXPECT_EQ(asked, std::vector<Integer>{1});
    EXPECT_EQ(other->Width(), 10);
}

TEST_F(TreeTest, MarkedUpTextsAreMeasuredAsLaidOut)
{
    TExTreeItem* plain = Items().Add(nullptr, "<html><b>bold and long text</b></html>");
    TExTreeItem* marked = Items().Add(nullptr, plain->Text());
    marked->SetIsHTML(true);
    ASSERT_NE(marked->HTMLData(), nullptr);
    TPoint a{}, b{};
    Tree->MeasureCell(plain, -1, a);
    Tree->MeasureCell(marked, -1, b);
    EXPECT_EQ(b.X, 17 + 17 / 5 * 3 + marked->HTMLData()->TextSize.cx);
    EXPECT_LT(b.X, a.X) << "the tags were measured as text";
}

TEST_F(TreeTest, FullExpandOfASingleRoot)
{
    TExTreeItem* root = Items().Add(nullptr, "r");
    Items().AddChild(Items().AddChild(root, "c"), "g");
    Tree->FullExpand();
    EXPECT_EQ(Tree->GetTotalVisCount(), 3);
    Tree->FullCollapse();
    EXPECT_EQ(Tree->GetTotalVisCount(), 1);
    EXPECT_FALSE(root->GetFirstChild()->Expanded());
}

// A view that lets the test start an edit by hand (the editing flow is not the core's).
class TEditView : public TExTreeView {
public:
    using TExTreeView::TExTreeView;
    void Begin(TExTreeInplaceEditor* Editor, TExTreeItem* Item)
    {
        FActiveEditor = Editor;
        FItemInEdit = Item;
    }
};

class TEditTree : public TExTree {
public:
    explicit TEditTree(TComponent* AOwner) : TExTree(AOwner, TDeferParts{}) { Construct(); }

protected:
    TExTreeView* CreateView() override { return new TEditView(this); }
};

class TValueEditor : public TExTreeInplaceEditor {
public:
    using TExTreeInplaceEditor::TExTreeInplaceEditor;
    bool GetVisible() override { return false; }

protected:
    void DoStartOperation() override {}
};

TEST(TreeEdit, AnAcceptedValueGoesIntoItsColumnPaddingTheTextsAndACancelledOneNowhere)
{
    TEditTree tree(nullptr);
    tree.Header()->Sections()->AddSection();
    tree.Header()->Sections()->AddSection();
    tree.Header()->Sections()->AddSection();
    tree.Header()->Sections()->AddSection();
    tree.SetMainTreeColumn(1);
    TExTreeItem* item = tree.Items()->Add(nullptr, "main");
    TValueEditor editor(nullptr);
    editor.SetTree(&tree);
    auto* view = static_cast<TEditView*>(tree.View());
    // Column 3 right of the main column 1 is column text 2.
    view->Begin(&editor, item);
    editor.SectionNum = 3;
    editor.ValueAsText = "three";
    tree.EndEdit(false);
    ASSERT_EQ(item->ColumnText()->Count(), 3);
    EXPECT_EQ(item->ColumnText()->Get(0), "");
    EXPECT_EQ(item->ColumnText()->Get(2), "three");
    EXPECT_EQ(view->ActiveEditor(), nullptr);
    // Column 0, left of the main column, is column text 0.
    view->Begin(&editor, item);
    editor.SectionNum = 0;
    editor.ValueAsText = "zero";
    tree.EndEdit(false);
    EXPECT_EQ(item->ColumnText()->Get(0), "zero");
    // The main column and -1 write the item's text.
    view->Begin(&editor, item);
    editor.SectionNum = 1;
    editor.ValueAsText = "renamed";
    tree.EndEdit(false);
    EXPECT_EQ(item->Text(), "renamed");
    view->Begin(&editor, item);
    editor.SectionNum = -1;
    editor.ValueAsText = "again";
    tree.EndEdit(false);
    EXPECT_EQ(item->Text(), "again");
    // Cancelled: nothing written.
    view->Begin(&editor, item);
    editor.ValueAsText = "lost";
    EXPECT_FALSE(tree.IsEditing());
    tree.EndEdit(true);
    EXPECT_EQ(item->Text(), "again");
    EXPECT_EQ(view->ActiveEditor(), nullptr);
    editor.SetTree(nullptr);
}

}  // namespace

namespace {

// A handler that frees the form (and so the tree) from inside the tree's own handling; the
// sanitizer reports any use of the tree afterwards.
struct FreeingCase {
    const char* name;
    std::function<void(TExTree*, std::function<void()>)> arm;   // sets the handler to call Free
    std::function<void(TExTree*)> raise;
};

class HandlerFreesTheTree : public TreeTest, public ::testing::WithParamInterface<FreeingCase> {};

TEST_P(HandlerFreesTheTree, AndNothingOfItIsTouchedAfterwards)
{
    AddSections({50, 50});
    Tree->SetShowHeader(true);
    AddRoots(3);
    bool freed = false;
    // The handler's own closure goes with the tree: nothing of it is read after the free.
    GetParam().arm(Tree, [&] {
        freed = true;
        TForm* form = Form;
        Form = nullptr;
        TObject::Free(form);
    });
    GetParam().raise(Tree);
    EXPECT_TRUE(freed);
    Form = new TForm(nullptr);
}

const FreeingCase FreeingCases[] = {
    {"ColumnResize",
     [](TExTree* T, std::function<void()> Free) { T->OnHeaderColumnResize = [Free](TObject*, Integer) { Free(); }; },
     [](TExTree* T) { T->Header()->OnSectionResize(T->Header(), T->Header()->Sections()->GetSection(0)); }},
    {"SectionExpand",
     [](TExTree* T, std::function<void()> Free) { T->OnHeaderSectionExpand = [Free](TObject*, TExHeaderSection*) { Free(); }; },
     [](TExTree* T) { T->Header()->OnSectionExpand(T->Header(), T->Header()->Sections()->GetSection(0)); }},
    {"SectionCollapse",
     [](TExTree* T, std::function<void()> Free) { T->OnHeaderSectionCollapse = [Free](TObject*, TExHeaderSection*) { Free(); }; },
     [](TExTree* T) { T->Header()->OnSectionCollapse(T->Header(), T->Header()->Sections()->GetSection(1)); }},
    {"Lookup",
     [](TExTree* T, std::function<void()> Free) {
         T->SetAutoLookup(true);
         T->OnHeaderLookup = [Free](TObject*, TExHeaderSection*, std::string&) { Free(); };
     },
     [](TExTree* T) {
         std::string text = "1";
         T->Header()->OnHeaderLookup(T->Header(), T->Header()->Sections()->GetSection(0), text);
     }},
    {"TrackHint",
     [](TExTree* T, std::function<void()> Free) {
         T->OnVertScrollHintNeeded = [Free](TObject*, Integer, std::string&) { Free(); };
     },
     [](TExTree* T) {
         std::string hint;
         TCustomExScrollBar* bar = T->VertScrollBar();
         auto handler = bar->OnScrollHintNeeded;  // the bar goes with the tree
         handler(bar, 1, hint);
     }},
    {"AutoSizeRequest",
     [](TExTree* T, std::function<void()> Free) { T->OnHeaderColumnResize = [Free](TObject*, Integer) { Free(); }; },
     [](TExTree* T) {
         TExHeaderSection* s = T->Header()->Sections()->GetSection(0);
         auto handler = T->Header()->OnSectionAutoSize;
         handler(T->Header(), s);
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, HandlerFreesTheTree, ::testing::ValuesIn(FreeingCases),
                         [](const ::testing::TestParamInfo<FreeingCase>& Info) { return Info.param.name; });

}  // namespace

namespace {

TEST_F(TreeTest, AVirtualItemsStyleComesFromTheEvent)
{
    TExTreeItem* item = Items().Add(nullptr, "");
    Tree->SetVirtualityLevel(vlTextAndStyles);
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer, std::string& Text) { Text = "virtual text"; };
    item->SetUseStyles(true);
    item->SetParentStyle(false);
    TPoint plain{};
    Tree->MeasureCell(item, -1, plain);
    Integer asked = 0;
    Tree->OnVirtualStyleNeeded = [&](TObject*, TExTreeItem*, Integer Section, TExCellStyle* Style) {
        ++asked;
        EXPECT_EQ(Section, -1);
        Style->SetOwnerColors(false);
        Style->SetFontName(Tree->Font()->Name());
        Style->SetFontSize(26);
    };
    TPoint big{};
    Tree->MeasureCell(item, -1, big);
    EXPECT_EQ(asked, 1);
    EXPECT_GT(big.X, plain.X);
}

TEST_F(TreeTest, AnOwnerDrawnColumnCellIsMeasuredByTheEvent)
{
    AddSections({60, 60});
    Tree->SetShowHeader(true);
    Tree->SetOwnerDrawByColumn(false);
    TExTreeItem* item = Items().Add(nullptr, "m");
    item->ColumnText()->Add("~~@~~");
    Tree->OnMeasureItemPart = [](TObject*, TExTreeItem*, Integer Part, TPoint& Size) { Size.X = Part == 1 ? 70 : 0; };
    TPoint size{};
    Tree->MeasureCell(item, 1, size);
    EXPECT_EQ(size.X, 70 + 17 / 5 * 3);
    // By column: the section's style decides, whatever the text.
    Tree->SetOwnerDrawByColumn(true);
    item->ColumnText()->Put(0, "plain");
    Tree->Header()->Sections()->GetSection(1)->SetStyle(ExhsOwnerDraw);
    TPoint byColumn{};
    Tree->MeasureCell(item, 1, byColumn);
    EXPECT_EQ(byColumn.X, 70 + 17 / 5 * 3);
}

TEST_F(TreeTest, AFontChangeRendersMarkedUpItemsAgain)
{
    TExTreeItem* marked = Items().Add(nullptr, "<html><b>bold</b>");
    marked->SetIsHTML(true);
    const Integer before = marked->HTMLData()->TextSize.cx;
    Tree->Font()->SetHeight(-30);
    ASSERT_NE(marked->HTMLData(), nullptr);
    EXPECT_GT(marked->HTMLData()->TextSize.cx, before);
}

TEST_F(TreeTest, TheSecondImageAndItsEvent)
{
    TExTreeItem* item = Items().Add(nullptr, "x");
    item->SetImageIndex2(4);
    EXPECT_EQ(Tree->ItemImageIndex(item, true), 4);
    item->SetImageIndex2(-1);
    Tree->OnItemPicDraw2 = [](TObject*, TExTreeItem*, Integer& Index) { Index = 9; };
    EXPECT_EQ(Tree->ItemImageIndex(item, true), 9);
    EXPECT_EQ(Tree->ItemImageIndex(item, false), -1);
}

TEST_F(TreeTest, AHiddenBarHasNothingToScroll)
{
    AddRoots(3);
    EXPECT_FALSE(Tree->VertBarVisible());
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 0);
    EXPECT_EQ(Tree->VertScrollBar()->Page(), 1);
    EXPECT_EQ(Tree->GetItemRect(0), (TRect{0, View()->Top(), View()->Width(), View()->Top() + Tree->LineHeight() - 1}));
}

TEST_F(TreeTest, StepsBackOverACollapsedBranchWithAHiddenChild)
{
    Items().BeginUpdate();
    TExTreeItem* a = Items().Add(nullptr, "a");
    TExTreeItem* hidden = Items().AddChild(a, "hidden");
    Items().AddChild(hidden, "under");
    TExTreeItem* b = Items().Add(nullptr, "b");
    Items().EndUpdate();
    hidden->Expand(false);
    hidden->SetHidden(true);
    Tree->SetFilteredVisibility(true);
    // Rows: a, b. From b back: a (collapsed, its hidden child and grandchild not rows).
    EXPECT_EQ(View()->VisItem(1), b);
    EXPECT_EQ(View()->VisItem(0), a);
    a->Expand(false);
    EXPECT_EQ(View()->VisItem(1), b);
    EXPECT_EQ(View()->VisItem(0), a);
    EXPECT_EQ(Tree->GetTotalVisCount(), 2);
}

}  // namespace

namespace {

TEST_F(TreeTest, DoubleClicksAndGlyphsAndTheFirstSecondImage)
{
    TObject* sender = nullptr;
    Tree->OnDblClick = [&](TObject* S) { sender = S; };
    View()->OnDblClick(View());
    EXPECT_EQ(sender, Tree);
    TBitmap glyph;
    glyph.SetSize(90, 15);
    Tree->SetCheckBoxGlyph(&glyph);
    EXPECT_EQ(Tree->CheckBoxGlyph()->Width(), 90);
    // Image 0 of the second list is an image like any other.
    TImageList images(Form);
    images.SetWidth(16);
    images.SetHeight(16);
    TBitmap bmp;
    bmp.SetSize(16, 16);
    images.Add(&bmp, nullptr);
    Tree->SetImages2(&images);
    TExTreeItem* item = Items().Add(nullptr, "x");
    TPoint without{};
    Tree->MeasureCell(item, -1, without);
    item->SetImageIndex2(0);
    TPoint with{};
    Tree->MeasureCell(item, -1, with);
    EXPECT_EQ(with.X - without.X, 16);
}

}  // namespace

namespace {

// ---------------------------------------------------------------- auto-size requests kept

TEST_F(TreeTest, AStyleFontChangedOutsideABracketWidensItsAutoSizedColumnAsInsideOne)
{
    AddSections({60});
    TExHeaderSection* s = Tree->Header()->Sections()->GetSection(0);
    s->SetAutoSize(true);
    Tree->SetShowHeader(true);
    TExTreeItem* item = Items().Add(nullptr, "Station");
    item->SetUseStyles(true);
    item->SetParentStyle(false);
    item->MainStyle()->SetOwnerColors(false);
    const Integer before = s->Width();
    item->MainStyle()->SetFontSize(36);
    const Integer outside = s->Width();
    EXPECT_GT(outside, before);
    EXPECT_EQ(outside, std::max(Tree->Header()->MeasureSectionWidth(s, nullptr, nullptr), Tree->MeasureColumnWidth(0, true)));
    item->MainStyle()->SetFontSize(8);
    EXPECT_LT(s->Width(), outside) << "it follows a smaller font too";
    Tree->SetUpdating(true);
    item->MainStyle()->SetFontSize(36);
    Tree->SetUpdating(false);
    EXPECT_EQ(s->Width(), outside) << "the same width as inside a bracket";
    // A collapsed branch's texts take no room; a measure that failed once leaves auto-sizing on.
    Items().AddChild(item, std::string(200, 'W'));
    item->MainStyle()->SetFontSize(8);
    item->MainStyle()->SetFontSize(36);
    EXPECT_EQ(s->Width(), outside);
    s->SetStyle(ExhsOwnerDraw);
    int measured = 0;
    Tree->OnHeaderSectionMeasure = [&](TObject*, TExHeaderSection*, TPoint&) {
        if (++measured == 1) throw std::runtime_error("measure");
    };
    EXPECT_THROW(item->MainStyle()->SetFontSize(8), std::runtime_error);
    item->MainStyle()->SetFontSize(12);
    EXPECT_LT(s->Width(), outside) << "the next change is sized again";
}

TEST_F(TreeTest, AnAutoSizeAskedForWhileColumnsAreHiddenOrTheTreeIsVirtualWaitsForThem)
{
    AddSections({40});
    TExHeaderSection* s = Tree->Header()->Sections()->GetSection(0);
    s->SetAutoSize(true);
    const Integer hidden = s->Width();
    Items().Add(nullptr, std::string(30, 'W'));
    EXPECT_EQ(s->Width(), hidden) << "hidden columns are not sized";
    EXPECT_TRUE(Tree->ColumnsAutoSizePending());
    Tree->SetShowHeader(true);
    EXPECT_EQ(s->Width(), Tree->MeasureColumnWidth(0, true)) << "sized once they show";
    EXPECT_FALSE(Tree->ColumnsAutoSizePending());

    Tree->SetVirtualityLevel(vlTextAndStyles);
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer, std::string& Text) { Text = "v"; };
    s->SetWidth(500);
    Items().Item(0)->SetIndentAdjust(5);
    EXPECT_EQ(s->Width(), 500) << "a virtual tree's columns are not sized";
    EXPECT_TRUE(Tree->ColumnsAutoSizePending());
    Tree->OnVirtualTextNeeded = nullptr;
    Tree->SetVirtualityLevel(vlNone);
    Tree->SetBounds(10, 10, 320, 220);
    EXPECT_FALSE(Tree->ColumnsAutoSizePending());
    EXPECT_LT(s->Width(), 500) << "sized once the items have texts of their own";
    EXPECT_EQ(s->Width(), std::max(Tree->Header()->MeasureSectionWidth(s, nullptr, nullptr), Tree->MeasureColumnWidth(0, true)));
}

// ---------------------------------------------------------------- image lists that go

TEST_F(TreeTest, RowsLoseTheHeightOfAnImageListThatIsFreed)
{
    ASSERT_TRUE(Tree->AutoLineHeight());
    const Integer plain = Tree->LineHeight();
    for (int which = 0; which < 3; ++which) {
        auto* list = new TImageList(Form);
        list->SetWidth(40);
        list->SetHeight(40);
        if (which != 1) Tree->SetImages(list);
        if (which != 0) Tree->SetImages2(list);
        ASSERT_EQ(Tree->LineHeight(), 40);
        TObject::Free(list);
        EXPECT_EQ(Tree->Images(), nullptr);
        EXPECT_EQ(Tree->Images2(), nullptr);
        EXPECT_EQ(Tree->LineHeight(), plain) << "list " << which << " (0: first, 1: second, 2: both)";
    }
}

// ---------------------------------------------------------------- loading

TEST_F(TreeTest, LoadingRendersMarkedUpItemsForTheFontStreamedInAndSizesTheColumns)
{
    AddSections({40});
    TExHeaderSection* s = Tree->Header()->Sections()->GetSection(0);
    s->SetAutoSize(true);
    Tree->SetShowHeader(true);
    Tree->SetState(csLoading, true);
    TExTreeItem* marked = Items().Add(nullptr, "<html><b>bold</b></html>");
    marked->SetIsHTML(true);
    Items().Add(nullptr, "Station");
    ASSERT_NE(marked->HTMLData(), nullptr);
    const Integer before = marked->HTMLData()->TextSize.cx;
    const Integer narrow = s->Width();
    // The font comes after the items in the stream.
    Tree->Font()->SetHeight(-30);
    Tree->SetState(csLoading, false);
    Tree->Loaded();
    ASSERT_NE(marked->HTMLData(), nullptr);
    EXPECT_GT(marked->HTMLData()->TextSize.cx, before) << "laid out again for the new font";
    EXPECT_GT(s->Width(), narrow);
    EXPECT_EQ(s->Width(), std::max(Tree->Header()->MeasureSectionWidth(s, nullptr, nullptr), Tree->MeasureColumnWidth(0, true)));
}

TEST_F(TreeTest, ABackgroundFollowsAHeaderHeightSetWhileLoading)
{
    AddSections({80});
    Tree->SetShowHeader(true);
    Tree->Header()->SetLockHeight(true);
    Tree->SetBackgroundType(bgtVertGradient);
    const Integer before = Tree->HeaderHeight();
    Tree->SetState(csLoading, true);
    Tree->SetHeaderHeight(before + 30);
    Tree->SetState(csLoading, false);
    Tree->Loaded();
    EXPECT_EQ(View()->BackgroundBitmap()->Height(), View()->ClientHeight() + 1);
}

// ---------------------------------------------------------------- drag images

class TDragImagesView : public TExTreeView {
public:
    using TExTreeView::TExTreeView;
    void HoldEmptyList() { FDragImages = new TImageList(this); }
};

class TDragImagesTree : public TExTree {
public:
    explicit TDragImagesTree(TComponent* AOwner) : TExTree(AOwner, TDeferParts{}) { Construct(); }
    TDragImagesView* DragView() const { return static_cast<TDragImagesView*>(View()); }

protected:
    TExTreeView* CreateView() override { return new TDragImagesView(this); }
};

TEST_F(TreeTest, ADragImageListWithoutAnImageIsNone)
{
    auto* tree = new TDragImagesTree(Form);
    tree->SetParent(Form);
    EXPECT_EQ(tree->GetDragImages(), nullptr);
    tree->DragView()->HoldEmptyList();
    EXPECT_EQ(tree->GetDragImages(), nullptr);
    EXPECT_EQ(tree->View()->GetDragImages(), nullptr);
}

}  // namespace

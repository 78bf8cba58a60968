// Cell styles and their hosted controls, the item's style list, and the tree unit's resources.
#include <gtest/gtest.h>

#include <memory>

#include "TreeRecorder.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "tree/Extree.h"

namespace {

class CountedControl : public TExCellControl {
public:
    explicit CountedControl(int* Deaths) : TExCellControl(nullptr), deaths(Deaths) {}
    ~CountedControl() override { ++*deaths; }
    void Paint(TCanvas*, const TRect&) override {}
    void Assign(TExCellControl*) override {}
    int* deaths;
};

class StyleTest : public ::testing::Test {
protected:
    TreeRecorder host;
    TExTreeModel tree{&host};
    TExTreeItem* i = tree.Items()->Add(nullptr, "i");
    TExCellStyle* style = nullptr;
    int deaths = 0;

    void SetUp() override
    {
        i->SetUseStyles(true);
        style = i->AddStyle();
        host.Clear();
    }
    size_t Redraws() const { return host.Lines("redraw").size(); }
};

TEST_F(StyleTest, SettersRedrawOnlyWhatTheCellShows)
{
    style->SetCellBkColor(1);
    EXPECT_EQ(Redraws(), 1u);
    style->SetCellBkColor(1);
    EXPECT_EQ(Redraws(), 1u);
    style->SetTextColor(2);
    style->SetTextFlags(0);
    style->SetTextBkColor(3);
    EXPECT_EQ(Redraws(), 4u);
    TBitmap picture;
    style->SetPicture(&picture);  // not shown in a text cell
    EXPECT_EQ(Redraws(), 4u);
    style->SetStyle(ExhsOwnerDraw);
    style->SetTextColor(5);
    style->SetCellType(sftNumber);
    EXPECT_EQ(Redraws(), 5u);
    style->SetStyle(ExhsPictureOnly);
    style->SetPicture(nullptr);
    EXPECT_EQ(Redraws(), 7u);
    style->SetUseBkColor(true);
    style->SetOwnerColors(false);
    EXPECT_EQ(Redraws(), 9u);
    EXPECT_EQ(style->CellType(), sftNumber);
    // Nothing shows while the item does not use its styles.
    i->SetUseStyles(false);
    TExCellStyle* main = i->MainStyle();
    host.Clear();
    main->SetCellBkColor(8);
    main->SetFontSize(20);
    EXPECT_TRUE(host.Log.empty());
}

TEST_F(StyleTest, FontChangesOfATextCellResizeColumns)
{
    style->SetFontName("Serif");
    // One close that both refreshes and sizes: a close that only carries the request loses it.
    EXPECT_EQ(host.Log, (std::vector<std::string>{"redraw i", "refresh update autosize"}));
    host.Clear();
    style->SetStyle(ExhsOwnerDraw);
    host.Clear();
    style->SetFontSize(30);
    style->SetFontStyles(FontStyle(fsBold));
    EXPECT_TRUE(host.Log.empty());
    EXPECT_EQ(style->FontSize(), 30);
}

TEST_F(StyleTest, ItemStylesStartFromTheTreeFontAndTheMainStyle)
{
    tree.FontName = "Mono";
    tree.FontSize = 11;
    TExTreeItem* j = tree.Items()->Add(nullptr, "j");
    TExCellStyle* main = j->MainStyle();
    EXPECT_EQ(main->FontName(), "Mono");
    EXPECT_EQ(main->FontSize(), 11);
    EXPECT_TRUE(main->OwnerColors());
    EXPECT_EQ(main->TextFlags(), 0x8824);
    EXPECT_EQ(main->Owner(), j);
    main->SetTextColor(0x123456);
    main->SetOwnerColors(false);
    TExCellStyle* added = j->AddStyle();
    EXPECT_EQ(added->TextColor(), 0x123456);
    EXPECT_FALSE(added->OwnerColors());
    EXPECT_EQ(j->StylesCount(), 1);
    auto* replacement = new TExCellStyle(j);
    j->SetStyles(0, replacement);
    EXPECT_EQ(j->Styles(0), replacement);
    j->SetStyles(1, new TExCellStyle(j));
    EXPECT_EQ(j->StylesCount(), 2);
    EXPECT_THROW(j->SetStyles(3, nullptr), EExTreeError);
    j->RemoveStyle(replacement);
    j->RemoveStyle(j->Styles(0));
    EXPECT_EQ(j->StylesCount(), 0);
}

TEST_F(StyleTest, AssignCopiesThePictureAsItsOwn)
{
    auto picture = std::make_unique<TBitmap>();
    picture->SetSize(3, 2);
    style->SetPicture(picture.get());
    style->SetStyle(ExhsPictureOnly);
    style->SetFontName("F");
    style->SetFontStyles(FontStyle(fsItalic));
    style->SetTextFlags(1);
    style->SetStyleValue(77);
    TExCellStyle copy(nullptr);
    copy.Assign(style);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Style(), ExhsPictureOnly);
    EXPECT_EQ(copy.FontName(), "F");
    EXPECT_EQ(copy.FontStyles(), FontStyle(fsItalic));
    EXPECT_EQ(copy.TextFlags(), 1);
    EXPECT_EQ(copy.StyleValue(), 0);
    EXPECT_EQ(copy.Owner(), nullptr);
    ASSERT_NE(copy.Picture(), nullptr);
    EXPECT_NE(copy.Picture(), picture.get());
    style->SetPicture(nullptr);
    picture.reset();
    EXPECT_EQ(copy.Picture()->Width(), 3);
    EXPECT_EQ(copy.Picture()->Height(), 2);
    // A picture set from outside stays the caller's.
    TBitmap outside;
    copy.SetPicture(&outside);
    copy.SetPicture(nullptr);
    EXPECT_EQ(outside.Width(), 0);
}

TEST_F(StyleTest, StyleOwnsItsControlInEveryTree)
{
    for (TVirtualityLevel level : {vlNone, vlTextAndStyles}) {
        tree.SetVirtualityLevel(level);
        deaths = 0;
        {
            TExCellStyle shared(nullptr);  // as the view's style of a virtual tree
            auto* first = new CountedControl(&deaths);
            shared.SetControl(first);
            EXPECT_EQ(first->OwnerStyle(), &shared);
            shared.SetControl(new CountedControl(&deaths));
            EXPECT_EQ(deaths, 1);
        }
        EXPECT_EQ(deaths, 2);
    }
}

TEST_F(StyleTest, ControlsLeaveTheirStyleWhenDestroyedOrMoved)
{
    auto* control = new CountedControl(&deaths);
    style->SetControl(control);
    EXPECT_EQ(Redraws(), 1u);
    control->SetVisible(false);
    EXPECT_EQ(Redraws(), 1u);
    control->SetVisible(true);
    EXPECT_EQ(Redraws(), 2u);
    TExCellStyle other(nullptr);
    other.SetControl(control);
    EXPECT_EQ(style->Control(), nullptr);
    delete control;
    EXPECT_EQ(other.Control(), nullptr);
    EXPECT_EQ(deaths, 1);
    auto* second = new CountedControl(&deaths);
    style->SetControl(second);
    host.Clear();
    delete second;
    EXPECT_EQ(style->Control(), nullptr);
    EXPECT_EQ(Redraws(), 1u);
    style->SetControl(new CountedControl(&deaths));
    i->Delete();
    EXPECT_EQ(deaths, 3);
}

// Resources

TEST(TreeResources, ButtonPicturesAndDragCursorsLiveBetweenStartAndEnd)
{
    extree::ExTreeUnitStart();
    extree::ExTreeUnitStart();
    TBitmap* pictures[] = {extree::PlusBmp(), extree::MinusBmp(), extree::LeafBmp()};
    for (TBitmap* b : pictures) {
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Width(), extree::ButtonBmpSize);
        EXPECT_EQ(b->Height(), extree::ButtonBmpSize);
        // The painter's see-through pixel is a corner of the box, not its frame.
        EXPECT_EQ(b->Canvas()->Pixels(1, 8), 0xFF00FF);
        EXPECT_EQ(b->Canvas()->Pixels(0, 0), 0xFF00FF);
        EXPECT_EQ(b->Canvas()->Pixels(5, 0), 0x808080);
        EXPECT_EQ(b->Canvas()->Pixels(2, 8), 0x808080);
        EXPECT_EQ(b->Canvas()->Pixels(5, 4) & 0xFFFFFF, 0);
    }
    EXPECT_EQ(extree::PlusBmp()->Canvas()->Pixels(5, 2), 0);
    EXPECT_EQ(extree::MinusBmp()->Canvas()->Pixels(5, 2), 0xFFFFFF);
    EXPECT_EQ(extree::LeafBmp()->Canvas()->Pixels(3, 4), 0xFFFFFF);
    TBitmap loaded;
    loaded.LoadFromResourceName(nullptr, "MinusBmp");
    EXPECT_EQ(loaded.Width(), extree::ButtonBmpSize);
    HCURSOR cursors[] = {Screen->Cursors(extree::crExTreeNoDrop), Screen->Cursors(extree::crExTreeDragMove),
                         Screen->Cursors(extree::crExTreeDragCopy)};
    // Our own three, none of them the arrow a missing entry falls back to.
    for (HCURSOR c : cursors) EXPECT_NE(c, Screen->Cursors(crDefault));
    EXPECT_NE(cursors[0], cursors[1]);
    EXPECT_NE(cursors[1], cursors[2]);
    EXPECT_NE(cursors[0], cursors[2]);
    extree::ExTreeUnitEnd();
    EXPECT_NE(extree::PlusBmp(), nullptr);
    extree::ExTreeUnitEnd();
    EXPECT_EQ(extree::PlusBmp(), nullptr);
    extree::ExTreeUnitEnd();
}

}  // namespace

// Dragging items: within one tree, between two trees and with other programs, driven through the
// toolkit's own mouse events and the synthetic drags of other programs; the row under the drag,
// its auto-scroll and auto-expand, the drag cursors, and handlers that free the tree.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "InputTest.h"
#include "OleData.h"
#include "ctlbase/Exdragdrop.h"
#include "platform/DragInput.h"
#include "platform/ExtCtrls.h"
#include "tree/Extreedrag.h"
#include "tree/Extreeres.h"

namespace {

using oledata::TButtonSource;
using oledata::TTextData;

// UTF-16 (little-endian, up to its zero) as UTF-8.
std::string Utf8Of(const char16_t* S, std::size_t Units)
{
    std::string out;
    for (std::size_t i = 0; i < Units && S[i]; ++i) {
        char32_t c = S[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < Units) c = 0x10000 + ((c - 0xD800) << 10) + (S[++i] - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class Drags : public InputTest {
protected:
    TExTree* Other = new TExTree(Form);
    std::vector<TExTreeItem*> r;

    Drags()
    {
        Other->SetParent(Form);
        Other->SetUseXPThemes(false);
        Other->SetBounds(320, 10, 180, 200);
        Tree->SetMultiSelect(false);
        Tree->SetDragAllowed(true);
        r = AddRoots(5);
        AddChildren(r[3], 2);
        uitest::Pump();
    }
    ~Drags() override { Input::SetForeignDropSite(nullptr); }

    TPoint RowPoint(TExTree* T, TExTreeItem* Item)
    {
        T->View()->Invalidate();
        T->View()->Update();
        const TRect rr = T->View()->GetItemRect(T->View()->VisibleRows()->IndexOf(Item));
        return {Item->TextLeft - T->LeftPosition() + 3, (rr.Top + rr.Bottom) / 2};
    }
    // Presses on Item and moves far enough for a drag to start.
    void Lift(TExTreeItem* Item)
    {
        const TPoint p = RowPoint(Tree, Item);
        Input::MouseDown(View(), mbLeft, p.X, p.Y);
        Input::MouseMove(View(), p.X + 3, p.Y + 1, ssLeft);
        Input::MouseMove(View(), p.X + 6, p.Y + 2, ssLeft);
        uitest::Pump();
    }
    // The pointer over a row of T (T's view coordinates), the drag going on.
    void Over(TExTree* T, TExTreeItem* Item)
    {
        const TPoint p = RowPoint(T, Item);
        // A drag entering a control is told of the place at the next move.
        Input::MouseMove(T->View(), p.X - 1, p.Y, ssLeft);
        Input::MouseMove(T->View(), p.X, p.Y, ssLeft);
        uitest::Pump();
    }
    void Drop(TExTree* T, TExTreeItem* Item)
    {
        const TPoint p = RowPoint(T, Item);
        Input::MouseMove(T->View(), p.X + 1, p.Y, ssLeft);
        Input::MouseUp(T->View(), mbLeft, p.X + 1, p.Y);
        uitest::Pump();
    }
    static bool AcceptTrees(TObject* Source) { return dynamic_cast<TExTree*>(Source) != nullptr; }
};

// ---------------------------------------------------------------- within and between trees

TEST_F(Drags, AnItemDraggedWithinTheTreeIsDroppedOnTheRowUnderThePointer)
{
    std::vector<std::string> log;
    Tree->OnStartDrag = [&](TObject*, TDragObject*& Object) { log.push_back(Object ? "start with" : "start"); };
    Tree->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
        Accept = Source == Tree;
        if (TExTreeItem* t = View()->DropTargetItem()) log.push_back("over " + t->Text());
    };
    Tree->OnDragDrop = [&](TObject*, TObject* Source, int, int) {
        ASSERT_EQ(Source, Tree);
        TExTreeItem* target = View()->DropTargetItem();
        ASSERT_NE(target, nullptr) << "the row under the drop is still the target when it is dropped";
        log.push_back("drop on " + target->Text());
        Tree->GetSelected()->MoveTo(target);
    };
    Tree->OnEndDrag = [&](TObject*, TObject* Target, int, int) { log.push_back(Target == Tree ? "end here" : "end"); };
    const TPoint p = RowPoint(Tree, r[1]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::MouseMove(View(), p.X + 4, p.Y, ssLeft);
    uitest::Pump();
    EXPECT_FALSE(View()->Dragging()) << "four pixels are no drag";
    EXPECT_EQ(Focused(), r[1]) << "the press selected what is dragged";
    Input::MouseMove(View(), p.X + 3, p.Y + 4, ssLeft);
    uitest::Pump();
    EXPECT_TRUE(View()->Dragging()) << "five are";
    EXPECT_TRUE(View()->IsDragging());
    Over(Tree, r[2]);
    EXPECT_EQ(View()->DropTargetItem(), r[2]);
    Over(Tree, r[4]);
    EXPECT_EQ(View()->DropTargetItem(), r[4]);
    Drop(Tree, r[4]);
    EXPECT_EQ(r[1]->Parent(), r[4]);
    EXPECT_EQ(View()->DropTargetItem(), nullptr);
    EXPECT_FALSE(View()->Dragging());
    EXPECT_EQ(GetCaptureControl(), nullptr);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "start") << "the tree made its own drag object after OnStartDrag";
    EXPECT_EQ(log[log.size() - 2], "drop on r4");
    EXPECT_EQ(log.back(), "end here");
    Input::AdvanceTime(2000);
    const TPoint q = RowPoint(Tree, r[0]);
    Input::Click(View(), q.X, q.Y);
    uitest::Pump();
    EXPECT_EQ(Focused(), r[0]) << "after the drag a click is a click again";
}

TEST_F(Drags, AnItemDraggedToAnotherTreeIsCopiedThereAndMovingItStaysRefused)
{
    auto o = std::vector<TExTreeItem*>{Other->Items()->Add(nullptr, "o0"), Other->Items()->Add(nullptr, "o1")};
    Other->SetDragAllowed(true);
    uitest::Pump();
    TObject* heardSource = nullptr;
    Other->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState, bool& Accept) { Accept = AcceptTrees(Source); };
    Other->OnDragDrop = [&](TObject*, TObject* Source, int, int) {
        heardSource = Source;
        auto* from = dynamic_cast<TExTree*>(Source);
        TExTreeItem* dragged = from->GetSelected();
        TExTreeItem* target = Other->View()->DropTargetItem();
        EXPECT_THROW(dragged->MoveTo(target), EExTreeError) << "an item cannot move into another tree";
        Other->Items()->AddChild(target, dragged->Text());
    };
    r[2]->SetText("Gr\xC3\xBC\xC3\x9F" "e \xD0\x9F\xD1\x80\xD0\xB8");
    Lift(r[2]);
    Over(Other, o[0]);
    EXPECT_EQ(Other->View()->DropTargetItem(), o[0]);
    EXPECT_TRUE(Other->View()->DragOverView());
    EXPECT_EQ(View()->DropTargetItem(), nullptr) << "the source's own row mark went when the drag left it";
    Drop(Other, o[1]);
    EXPECT_EQ(heardSource, Tree);
    ASSERT_EQ(o[1]->Count(), 1);
    EXPECT_EQ(o[1]->GetFirstChild()->Text(), r[2]->Text());
    EXPECT_EQ(r[2]->Parent(), nullptr) << "the source item stayed where it was";
    EXPECT_EQ(Items().Count(), 7);
    EXPECT_FALSE(Other->View()->DragOverView());
    EXPECT_EQ(Other->View()->DropTargetItem(), nullptr);
}

TEST_F(Drags, DisabledRowsAreNoTargetsUnlessIgnoreEnabledAndTheTargetEventHearsEachMove)
{
    r[2]->SetEnabled(false);
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    std::vector<std::pair<TExTreeItem*, TRect>> changes;
    Tree->OnDragTargetChange = [&](TObject* Sender, TExTreeItem* Item, TRect R, int, int) {
        EXPECT_EQ(Sender, Tree);
        changes.push_back({Item, R});
    };
    Lift(r[1]);
    Over(Tree, r[2]);
    EXPECT_EQ(View()->DropTargetItem(), nullptr);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().first, nullptr);
    Tree->SetIgnoreEnabled(true);
    const size_t before = changes.size();
    Over(Tree, r[2]);
    EXPECT_EQ(View()->DropTargetItem(), r[2]);
    ASSERT_GT(changes.size(), before);
    EXPECT_EQ(changes.back().first, r[2]);
    EXPECT_EQ(changes.back().second, Tree->GetItemRect(2)) << "the row's rectangle in the tree";
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();
    EXPECT_FALSE(View()->Dragging());
    EXPECT_EQ(View()->DropTargetItem(), nullptr) << "a cancelled drag leaves no mark";
}

TEST_F(Drags, TheDragCursorsTellRefusedAcceptedAndCopy)
{
    TExTreeDragObject object(View());
    EXPECT_EQ(object.GetDragCursor(false, 0, 0), extree::crExTreeNoDrop);
    EXPECT_EQ(object.GetDragCursor(true, 0, 0), extree::crExTreeDragMove);
    TExTreeDragObject ofTree(Tree);
    EXPECT_EQ(ofTree.GetDragCursor(true, 0, 0), extree::crExTreeDragMove);
    Input::KeyDown(VK_CONTROL);
    EXPECT_EQ(object.GetDragCursor(true, 0, 0), extree::crExTreeDragCopy);
    EXPECT_EQ(object.GetDragCursor(false, 0, 0), extree::crExTreeNoDrop);
    Input::KeyUp(VK_CONTROL);
    EXPECT_EQ(object.GetDragCursor(true, 0, 0), extree::crExTreeDragMove);
    auto* panel = new TPanel(Form);
    panel->DragCursor = crHandPoint;
    TExTreeDragObject plain(panel);
    EXPECT_EQ(plain.GetDragCursor(true, 0, 0), crHandPoint) << "another control's drag keeps the library's cursor";
}

// ---------------------------------------------------------------- auto-expand and auto-scroll

TEST_F(Drags, ARowWithChildrenHeldUnderTheDragExpandsAfterTheDelayOrAtOnce)
{
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Tree->SetExpandOnDragOver(true);
    Tree->SetDragExpandDelay(40);
    Lift(r[0]);
    Over(Tree, r[3]);
    EXPECT_FALSE(r[3]->Expanded()) << "not before the delay";
    ASSERT_NE(View()->DragExpandTimer(), nullptr);
    EXPECT_TRUE(uitest::PumpUntil([&] { return r[3]->Expanded(); }, 2000));
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();
    r[3]->Collapse(false);
    Tree->SetDragExpandDelay(0);
    Input::AdvanceTime(2000);
    Lift(r[0]);
    ASSERT_TRUE(View()->Dragging());
    Over(Tree, r[3]);
    EXPECT_TRUE(r[3]->Expanded()) << "a delay of 0 expands at once";
    EXPECT_FALSE(r[3]->GetFirstChild()->Expanded());
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();
}

TEST_F(Drags, HeldOverTheTopRowTheViewScrollsAfterASecondThenEveryIntervalAndStopsAtTheTop)
{
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    auto more = AddRoots(60, "m");
    Tree->SetDragScrollInterval(20);
    Tree->SetVPosition(3);
    uitest::Pump();
    ASSERT_EQ(Tree->TopIndex(), 3);
    TExTreeItem* top = View()->Row(0);
    TExTreeItem* second = View()->Row(1);
    Tree->SetSelected(second);
    Lift(second);
    const TPoint p = RowPoint(Tree, top);
    Input::MouseMove(View(), p.X, 2, ssLeft);
    uitest::Pump();
    ASSERT_NE(View()->ScrollTimer(), nullptr);
    EXPECT_TRUE(View()->ScrollTimer()->Enabled());
    EXPECT_EQ(View()->ScrollTimer()->Interval(), 1000u) << "the first step waits a second";
    EXPECT_EQ(Tree->TopIndex(), 3);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Tree->TopIndex() == 0; }, 4000));
    EXPECT_EQ(View()->ScrollTimer()->Interval(), 20u);
    uitest::Pump(60);
    EXPECT_EQ(Tree->TopIndex(), 0) << "scrolling stops at the top";
    EXPECT_FALSE(View()->ScrollTimer()->Enabled());
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();
    EXPECT_EQ(View()->ScrollTimer(), nullptr) << "the drag's end lets its timer go";
}

TEST_F(Drags, TheBottomZoneIsTheLastRowAndItsTimerStepsDownARow)
{
    AddRoots(60, "m");
    uitest::Pump();
    const Integer h = Tree->LineHeight();
    View()->DoDragOver(nullptr, 5, View()->ClientHeight() - h - 1, true);
    EXPECT_TRUE(!View()->ScrollTimer() || !View()->ScrollTimer()->Enabled()) << "above the last row";
    View()->DoDragOver(nullptr, 5, View()->ClientHeight() - h, true);
    ASSERT_NE(View()->ScrollTimer(), nullptr);
    EXPECT_TRUE(View()->ScrollTimer()->Enabled());
    Input::MouseMove(View(), 5, View()->ClientHeight() - 2);
    View()->OnScrollTimer(View()->ScrollTimer());
    EXPECT_EQ(Tree->TopIndex(), 1);
    EXPECT_TRUE(View()->ScrollTimer()->Enabled()) << "it goes on while the pointer stays";
    Input::MouseMove(View(), 5, View()->ClientHeight() / 2);
    View()->OnScrollTimer(View()->ScrollTimer());
    EXPECT_EQ(Tree->TopIndex(), 1);
    EXPECT_FALSE(View()->ScrollTimer()->Enabled()) << "and stops when it leaves the zone";
    View()->DoDragOver(nullptr, 5, 3, true);
    EXPECT_TRUE(View()->ScrollTimer()->Enabled()) << "the top zone, with rows above";
}

TEST_F(Drags, DragScrollStepsOneRowNearEitherEdge)
{
    AddRoots(60, "m");
    Tree->SetVPosition(2);
    uitest::Pump();
    EXPECT_TRUE(View()->DragScroll(nullptr, 5, 1));
    EXPECT_EQ(Tree->TopIndex(), 1);
    EXPECT_FALSE(View()->DragScroll(nullptr, 5, View()->ClientHeight() / 2));
    EXPECT_TRUE(View()->DragScroll(nullptr, 5, View()->ClientHeight() - 1));
    EXPECT_EQ(Tree->TopIndex(), 2);
    Tree->SetVPosition(0);
    EXPECT_FALSE(View()->DragScroll(nullptr, 5, 0)) << "nothing above the first row";
}

// ---------------------------------------------------------------- other programs

TEST_F(Drags, ATextBeyondAsciiDroppedFromAnotherProgramReachesTheApplication)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x82\xAC";
    EXPECT_EQ(Input::ForeignDragEnter(View(), 20, 20, {{"text/plain", text}}, DROPEFFECT_COPY), DWORD(DROPEFFECT_NONE))
        << "a class-library-only tree is no drop target";
    Input::ForeignDragLeave();
    Tree->SetDragType(dtBoth);
    std::vector<TDragState> states;
    Tree->OnOleTargetDrag = [&](TObject* Sender, TDragState State, TOleDragObject*, TShiftState, int, int, TDragType& Type) {
        EXPECT_EQ(Sender, Tree);
        states.push_back(State);
        Type = dtCopy;
    };
    std::string dropped;
    TExTreeItem* droppedOn = nullptr;
    Tree->OnOleTargetDrop = [&](TObject*, TOleDragObject* Source, TShiftState, int, int Y, TDragType& Type) {
        std::size_t size = 0;
        void* block = Source->GetFormatData(CF_UNICODETEXT, &size);
        ASSERT_NE(block, nullptr);
        dropped = Utf8Of(static_cast<const char16_t*>(block), size / 2);
        std::free(block);
        droppedOn = Tree->GetItemAtY(Y);
        EXPECT_EQ(View()->DropTargetItem(), nullptr) << "the mark goes before the application hears the drop";
        Type = dtCopy;
    };
    const TPoint p = RowPoint(Tree, r[1]), q = RowPoint(Tree, r[2]);
    EXPECT_EQ(Input::ForeignDragEnter(View(), p.X, p.Y, {{"text/plain", text}}, DROPEFFECT_COPY | DROPEFFECT_MOVE),
              DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(View()->DropTargetItem(), r[1]);
    EXPECT_EQ(Input::ForeignDragMove(View(), q.X, q.Y), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(View()->DropTargetItem(), r[2]);
    EXPECT_EQ(Input::ForeignDrop(View(), q.X, q.Y), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(dropped, text);
    EXPECT_EQ(droppedOn, r[2]);
    EXPECT_EQ(View()->DropTargetItem(), nullptr);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states.front(), dsDragEnter);

    // A drag that leaves takes its mark with it.
    Input::ForeignDragEnter(View(), p.X, p.Y, {{"text/plain", "x"}}, DROPEFFECT_COPY);
    EXPECT_EQ(View()->DropTargetItem(), r[1]);
    Input::ForeignDragLeave();
    EXPECT_EQ(View()->DropTargetItem(), nullptr);
    EXPECT_EQ(states.back(), dsDragLeave);

    Tree->SetDragType(dtKolvar);
    EXPECT_EQ(Input::ForeignDragEnter(View(), p.X, p.Y, {{"text/plain", "x"}}, DROPEFFECT_COPY), DWORD(DROPEFFECT_NONE))
        << "back to class-library drags the drop target went";
    Input::ForeignDragLeave();
}

TEST_F(Drags, AnOleDragWithoutDataDragsNothingAndADropTakingCopyAndMoveIsAMove)
{
    Tree->SetDragType(dtOLE);
    std::vector<std::string> log;
    Tree->OnOleDragFinish = [&](TObject*, TDragType Effect, HRESULT Result) {
        log.push_back("finish " + std::to_string(int(Effect)) + (Result == DRAGDROP_S_DROP ? " dropped" : ""));
    };
    Tree->OnOleDragStart = [&](TObject*, IDataObject*& Data, IDropSource*& Source, TDragTypes& Effects) {
        log.push_back(Data || Source || Effects ? "start not empty" : "start");
    };
    Lift(r[1]);
    Input::MouseUp(View(), mbLeft, 10, 10);
    uitest::Pump();
    EXPECT_EQ(log, std::vector<std::string>{"start"}) << "no data: nothing dragged, no finish";

    TTextData data("Gr\xFC\xDF" "e");
    TButtonSource source;
    Tree->OnOleDragStart = [&](TObject*, IDataObject*& Data, IDropSource*& Source, TDragTypes& Effects) {
        Data = &data;
        Source = &source;
        Effects = TDragTypes((1 << dtCopy) | (1 << dtMove));
    };
    Input::TDragDataList seen;
    DWORD allowed = 0;
    Input::SetForeignDropSite([&](const Input::TDragDataList& Data, DWORD Allowed, bool Drop) {
        allowed = Allowed;
        if (Drop) seen = Data;
        return DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE);
    });
    Input::AdvanceTime(2000);
    const TPoint p = RowPoint(Tree, r[2]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::DuringDrag([&] { Input::MouseMove(Form, -150, 300, ssLeft); });
    Input::DuringDrag([&] { Input::MouseMove(Form, -150, 302, ssLeft); });
    Input::DuringDrag([&] { Input::MouseUp(Form, mbLeft, -150, 302); });
    Input::MouseMove(View(), p.X + 6, p.Y + 2, ssLeft);
    uitest::Pump();
    EXPECT_EQ(allowed, DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "finish " + std::to_string(int(dtMove)) + " dropped") << "move wins over copy";
    bool text = false;
    for (auto& d : seen)
        if (d.Type == "text/plain") {
            text = true;
            EXPECT_EQ(d.Bytes, "Gr\xC3\xBC\xC3\x9F" "e");
        }
    EXPECT_TRUE(text) << "the other program got the text";
    EXPECT_EQ(data.Refs, 0) << "the tree let go of the interfaces it was given";
    EXPECT_EQ(source.Refs, 0);
}

// ---------------------------------------------------------------- handlers that free the tree

TEST_F(Drags, DropHandlersMayFreeTheTree)
{
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Tree->OnDragDrop = [&](TObject*, TObject*, int, int) { TObject::Free(std::exchange(Tree, nullptr)); };
    Lift(r[0]);
    TGuardPtr<TExTreeView> view(View());
    const TPoint p = RowPoint(Tree, r[2]);
    Input::MouseMove(view.Get(), p.X, p.Y, ssLeft);
    Input::MouseUp(view.Get(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_EQ(Tree, nullptr);
    EXPECT_FALSE(view);
}

TEST_F(Drags, ATargetChangeHandlerMayFreeTheTreeAndAnOleDropHandlerToo)
{
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Tree->OnDragTargetChange = [&](TObject*, TExTreeItem* Item, TRect, int, int) {
        if (Item == r[3]) TObject::Free(std::exchange(Tree, nullptr));
    };
    Lift(r[0]);
    TGuardPtr<TExTreeView> view(View());
    const TPoint p = RowPoint(Tree, r[3]);
    Input::MouseMove(view.Get(), p.X - 1, p.Y, ssLeft);
    if (view) Input::MouseMove(view.Get(), p.X, p.Y, ssLeft);
    uitest::Pump();
    EXPECT_EQ(Tree, nullptr);
    EXPECT_FALSE(view);
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();

    Tree = new TExTree(Form);
    Tree->SetParent(Form);
    Tree->SetBounds(10, 10, 300, 200);
    Tree->Items()->Add(nullptr, "a");
    Tree->SetDragType(dtBoth);
    uitest::Pump();
    Tree->OnOleTargetDrag = [](TObject*, TDragState, TOleDragObject*, TShiftState, int, int, TDragType& Type) {
        Type = dtCopy;
    };
    Tree->OnOleTargetDrop = [&](TObject*, TOleDragObject*, TShiftState, int, int, TDragType&) {
        TObject::Free(std::exchange(Tree, nullptr));
    };
    Input::ForeignDragEnter(Tree->View(), 20, 5, {{"text/plain", "x"}}, DROPEFFECT_COPY);
    Input::ForeignDrop(Tree->View(), 20, 5);
    uitest::Pump();
    EXPECT_EQ(Tree, nullptr);
}

TEST_F(Drags, TheTargetRowDeletedDuringTheDragLeavesNoMark)
{
    Tree->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Lift(r[0]);
    Over(Tree, r[2]);
    ASSERT_EQ(View()->DropTargetItem(), r[2]);
    r[2]->Delete();
    EXPECT_EQ(View()->DropTargetItem(), nullptr);
    Drop(Tree, r[1]);
    EXPECT_FALSE(View()->Dragging());
}

}  // namespace

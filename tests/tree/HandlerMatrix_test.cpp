// The tree's events, each with handlers that free the tree, its form or the focused sibling, change
// its items (fill a branch afresh as it opens, delete the item told of, load the items afresh,
// clear them), or raise (tests/support/HandlerMatrix.h); what is left is a whole tree.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "ctlbase/Extools.h"
#include "platform/Classes.h"
#include "platform/DragInput.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "OleData.h"
#include "tests/support/HandlerMatrix.h"
#include "tests/support/UiTest.h"
#include "tree/Excellstyle.h"
#include "tree/Extree.h"

namespace {

using matrix::Focused;
using matrix::Hang;
using matrix::On;
using matrix::TClass;
using matrix::TEvent;
using matrix::TStage;
using matrix::TStep;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {};

TExTree* TreeOf(TStage& S) { return S.As<TExTree>(); }
TExTreeItems* ItemsOf(TStage& S) { return TreeOf(S)->Items(); }
TExTreeItem* Root(TStage& S, Integer Index) { return ItemsOf(S)->RootItem(Index); }

// Thirty roots "r0".."r29"; r1 has the children r1.0 and r1.1 (collapsed); a header of two
// sections, the first with a look-up, a filter and children of its own to expand; several items
// selected at once.
TControl* Tree(TForm* Form)
{
    auto* t = static_cast<TExTree*>(matrix::PlaceAt<TExTree>(Form, {20, 50, 320, 270}));
    t->SetUseXPThemes(false);
    t->SetMultiSelect(true);
    TExTreeItems* items = t->Items();
    items->BeginUpdate();
    for (int i = 0; i < 30; ++i)
        items->Add(nullptr, "r" + std::to_string(i));
    items->AddChild(items->RootItem(1), "r1.0");
    items->AddChild(items->RootItem(1), "r1.1");
    items->EndUpdate();
    TExHeaderSections* sections = t->Header()->Sections();
    for (int i = 0; i < 3; ++i) {
        TExHeaderSection* s = sections->AddSection();
        s->SetWidth(120);
        s->SetText("S" + std::to_string(i));
    }
    sections->GetSection(0)->SetLookupEnabled(true);
    sections->GetSection(1)->SetFilterEnabled(true);
    sections->GetSection(1)->SetExpandable(true);
    sections->GetSection(2)->SetParentSection(sections->GetSection(1));
    t->SetShowHeader(true);
    return t;
}

// A point of the tree's client area over Item's text (the item made visible first).
TPoint TextAt(TStage& S, TExTreeItem* Item)
{
    TExTree* t = TreeOf(S);
    TExTreeView* view = t->View();
    view->Invalidate();
    view->Update();
    const Integer row = view->VisibleRows()->IndexOf(Item);
    EXPECT_GE(row, 0) << Item->Text() << " is on screen";
    const TRect r = view->GetItemRect(row);
    return {view->Left() + Item->TextLeft - t->LeftPosition() + 3, view->Top() + (r.Top + r.Bottom) / 2};
}

matrix::TStep ClickItem(Integer Index, TShiftState Shift = 0)
{
    return [Index, Shift](TStage& S) {
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        S.PressAt(TextAt(S, Root(S, Index)), mbLeft, Shift);
    };
}

// A point of the tree's client area over the header's section at Position, Right pixels left of its
// right edge (0: its middle), Down pixels from its top.
TPoint OnSection(TStage& S, Integer Position, Integer Right = 0, Integer Down = 8)
{
    TCustomExHeader* h = TreeOf(S)->Header();
    TExHeaderSection* s = h->Sections()->GetSectionByPos(Position);
    const TRect r = h->GetSectionRect(s->GetIndex());
    return {h->Left() + (Right ? r.Right - Right : (r.Left + r.Right) / 2), h->Top() + r.Top + Down};
}

matrix::TStep ClickSection(Integer Position, Integer Right = 0, Integer Down = 8)
{
    return [=](TStage& S) {
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        S.PressAt(OnSection(S, Position, Right, Down));
    };
}

matrix::TStep Keys(std::vector<std::pair<Word, TShiftState>> Keys)
{
    return [Keys](TStage& S) {
        for (const auto& [k, shift] : Keys)
            S.Key(k, shift);
    };
}

// The view takes the focus with the first root focused and selected.
matrix::TStep AtFirst(TStep Arm)
{
    return [Arm](TStage& S) {
        S.Focus();
        TreeOf(S)->SetFocused(Root(S, 0));
        Root(S, 0)->SetSelected(true);
        S.Pump();
        Arm(S);
    };
}

void Repaint(TStage& S)
{
    TreeOf(S)->View()->Invalidate();
    TreeOf(S)->View()->Update();
    S.Pump();
}

std::vector<Byte> Saved(TStage& S)
{
    TMemoryStream s;
    ItemsOf(S)->SaveToStream(&s);
    return s.Bytes();
}

void Load(TStage& S, const std::vector<Byte>& Bytes)
{
    TMemoryStream s;
    s.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size()));
    s.SetPosition(0);
    ItemsOf(S)->LoadFromStream(&s);
}

// Root items by text, the last first, sorted by a custom comparison on the header's first section.
void SortableByHeader(TStage& S)
{
    TExTree* t = TreeOf(S);
    Root(S, 0)->SetText("z");
    Root(S, 3)->SetText("a");
    t->SetSortType(stCustom);
    t->Header()->Sections()->GetSection(0)->SetFieldType(sftCustom);
    t->SetSortMode(smClick);
    t->OnCompareItems = [](TObject*, TExTreeItem* A, TExTreeItem* B, Integer& Res) {
        Res = A->Text().compare(B->Text());
    };
    S.Pump();
}

// Hangs the handler after Setup.
TStep After(TStep Setup, TStep Arm)
{
    return [Setup, Arm](TStage& S) {
        Setup(S);
        Arm(S);
    };
}

void Virtual(TStage& S)
{
    TExHeaderSections* sections = TreeOf(S)->Header()->Sections();
    sections->GetSection(0)->SetFieldType(sftText);
    sections->GetSection(1)->SetFieldType(sftNumber);
    TreeOf(S)->SetVirtualityLevel(vlTextAndStyles);
}

// A walk over the items that calls the handler for each: changing the tree while it is walked is
// refused with an error.
using TWalk = void (*)(TStage& S, const TIterateProc& Proc);

TEvent WalkRow(const char* Name, TWalk Walk)
{
    return {Name,
            [](TStage&) {},
            [Walk](TStage& S) {
                auto handler = S.Handler();
                Walk(S, [handler](TExTreeItem* Item, Integer Index, bool& Continue, void* Data,
                                  TExTreeModel* Model) mutable { handler(Item, Index, Continue, Data, Model); });
            },
            nullptr,
            nullptr,
            {"fills the branch afresh", "deletes the item", "loads the items afresh", "clears the items",
             "frees the control", "frees the form"}};
}

// A search's comparison that hands each item to a walk's handler and never finds one.
struct TLook {
    TIterateProc Proc;
    static bool Call(TExTreeItem* Item, void* Details)
    {
        bool go = true;
        static_cast<TLook*>(Details)->Proc(Item, 0, go, nullptr, nullptr);
        return false;
    }
};

// r1.0 open with a child r1.0.0, inside the collapsed r1; the view focused on r1.0, or on r1.0.0.
TStep InsideCollapsed(bool OnChild)
{
    return [OnChild](TStage& S) {
        TExTreeItem* inner = Root(S, 1)->GetFirstChild();
        ItemsOf(S)->AddChild(inner, "r1.0.0");
        inner->Expand(false);
        S.Focus();
        TreeOf(S)->SetFocused(OnChild ? inner->GetFirstChild() : inner);
        S.Pump();
    };
}

// A point of the tree's client area over a part of Item's row.
TPoint PartAt(TStage& S, TExTreeItem* Item, TSTItemPart Part)
{
    const TPoint text = TextAt(S, Item);
    TExTreeView* view = TreeOf(S)->View();
    const Integer y = text.Y - view->Top();
    for (Integer x = 0; x < view->ClientWidth(); ++x) {
        TSTItemPart p;
        Integer column = 0;
        if (view->GetItemAt(x, y, p, column) == Item && p == Part)
            return {view->Left() + x + 1, text.Y};
    }
    ADD_FAILURE() << "no part " << int(Part) << " on " << Item->Text();
    return text;
}

// Items dragged within the tree, which takes them.
void Draggable(TStage& S)
{
    TreeOf(S)->SetDragAllowed(true);
    TreeOf(S)->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
}

void DragItem(TStage& S)
{
    const TPoint from = TextAt(S, Root(S, 2)), to = TextAt(S, Root(S, 5));
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    S.Down(from);
    for (int i = 1; i <= 6; ++i)
        S.Move({from.X + 3 * i, from.Y + (to.Y - from.Y) * i / 6}, ssLeft);
    S.Up({from.X + 18, to.Y});
}

// The third root's main text is of the owner-drawn mask.
void OwnerDrawnText(TStage& S)
{
    TreeOf(S)->SetOwnerDrawByColumn(false);
    Root(S, 2)->SetText("~~@~~");
}

void MeasureThird(TStage& S)
{
    TPoint size{};
    TreeOf(S)->MeasureCell(Root(S, 2), -1, size);
}

// A list of one picture, owned by the form.
TCustomImageList* Pictures(TStage& S)
{
    auto* list = new TImageList(S.Form);
    TBitmap picture;
    picture.SetSize(16, 16);
    list->AddMasked(&picture, clFuchsia);
    return list;
}

// Text dropped from another program on the third row, over the second on the way.
void ForeignDrop(TStage& S)
{
    TExTreeView* view = TreeOf(S)->View();
    const TPoint a = TextAt(S, Root(S, 1)), b = TextAt(S, Root(S, 2));
    const TPoint p{a.X - view->Left(), a.Y - view->Top()}, q{b.X - view->Left(), b.Y - view->Top()};
    S.Give([&] { Input::ForeignDragEnter(view, p.X, p.Y, {{"text/plain", "dropped"}}, DROPEFFECT_COPY); });
    if (S.C)
        S.Give([&] { Input::ForeignDragMove(view, q.X, q.Y); });
    if (S.C)
        S.Give([&] { Input::ForeignDrop(view, q.X, q.Y); });
    else
        Input::ForeignDragLeave();
}

// Items dragged out to another program, which takes a copy: the start handler hands out a text
// and a source, which stay until the case ends.
void DraggedOut(TStage& S)
{
    auto data = std::make_shared<oledata::TTextData>("dragged");
    auto source = std::make_shared<oledata::TButtonSource>();
    TreeOf(S)->SetDragAllowed(true);
    TreeOf(S)->SetDragType(dtOLE);
    TreeOf(S)->OnOleDragStart = [d = data.get(), s = source.get()](TObject*, IDataObject*& Data,
                                                                   IDropSource*& Source, TDragTypes& Effects) {
        Data = d;
        Source = s;
        Effects = TDragTypes(1 << dtCopy);
    };
    Input::SetForeignDropSite([](const Input::TDragDataList&, DWORD, bool) { return DWORD(DROPEFFECT_COPY); });
    S.Cleanup = [data, source] { Input::SetForeignDropSite(nullptr); };
}

// A press on the third row and a move start the drag, whose loop then takes the moves to the
// other program's window, left of the form, and the release there.
void DragOut(TStage& S)
{
    const TPoint p = TextAt(S, Root(S, 2));
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    S.Down(p);
    const TGuardPtr<TForm> form(S.Form);
    Input::DuringDrag([form] { if (form) Input::MouseMove(form.Get(), -150, 300, ssLeft); });
    Input::DuringDrag([form] { if (form) Input::MouseMove(form.Get(), -150, 302, ssLeft); });
    Input::DuringDrag([form] { if (form) Input::MouseUp(form.Get(), mbLeft, -150, 302); });
    S.Move({p.X + 6, p.Y + 2}, ssLeft);
}

// Both scroll bars shown, each with a hint while its thumb is dragged.
void BothBars(TStage& S)
{
    TExTree* t = TreeOf(S);
    Root(S, 0)->SetText(std::string(120, 'w'));
    t->Header()->Sections()->GetSection(0)->SetWidth(600);
    t->SetForcedScrollBars(ssBoth);
    t->HorzScrollBarStyles()->SetShowTrackHint(true);
    t->VertScrollBarStyles()->SetShowTrackHint(true);
    S.Pump();
}

TPoint InBar(TCustomExScrollBar* Bar, Integer Along)
{
    const bool horz = Bar->Kind() == sbHorizontal;
    return {Bar->Left() + (horz ? Along : Bar->Width() / 2), Bar->Top() + (horz ? Bar->Height() / 2 : Along)};
}

void PressBar(TStage& S, TCustomExScrollBar* Bar)
{
    S.PressAt(InBar(Bar, (Bar->Kind() == sbHorizontal ? Bar->Width() : Bar->Height()) - 5));
}

void PaintOwnerDrawn(TStage& S, TCustomExScrollBar* Bar)
{
    Bar->SetOwnerDraw(true);
    Bar->Invalidate();
    Bar->Update();
    S.Pump();
}

void DragThumb(TStage& S, TCustomExScrollBar* Bar)
{
    const TPoint from = InBar(Bar, Bar->GetThumbPos() + 3);
    const bool horz = Bar->Kind() == sbHorizontal;
    S.Down(from);
    for (int i = 1; i <= 4; ++i)
        S.Move({from.X + (horz ? 6 * i : 0), from.Y + (horz ? 0 : 6 * i)}, ssLeft);
    S.Up({from.X + (horz ? 24 : 0), from.Y + (horz ? 0 : 24)});
}

// The item OnItemDeletion told of is out of the tree, whatever its handler did (raising included):
// the application may have freed its data.
void ToldGone(TStage& S)
{
    for (const TGuardPtr<TObject>& a : S.FirstArgs)
        if (auto* item = dynamic_cast<TExTreeItem*>(a.Get())) {
            EXPECT_FALSE(TreeOf(S) && item->GetAbsIndex() >= 0) << item->Text() << " is still in the tree";
        }
}

std::vector<TEvent> TreeEvents()
{
    auto selected = Hang(&TCustomExTree::OnItemSelectedChange);
    auto r1Focused = [](TStage& S) {
        S.Focus();
        TreeOf(S)->SetFocused(Root(S, 1));
        S.Pump();
    };
    auto r1Open = [](TStage& S) {
        Root(S, 1)->Expand(false);
        S.Focus();
        TreeOf(S)->SetFocused(Root(S, 1));
        S.Pump();
    };
    auto oldChild = [](TStage& S) { return Root(S, 1)->GetFirstChild(); };
    return {
        On<&TCustomExTree::OnChanging>("OnChanging", [](TStage& S) { TreeOf(S)->SetFocused(Root(S, 2)); }),
        On<&TCustomExTree::OnChanging>("OnChanging, clicked", ClickItem(2)),
        On<&TCustomExTree::OnItemFocused>("OnItemFocused", [](TStage& S) { TreeOf(S)->SetFocused(Root(S, 2)); }),
        On<&TCustomExTree::OnItemFocused>("OnItemFocused, clicked", ClickItem(2)),
        On<&TCustomExTree::OnItemSelectedChange>("OnItemSelectedChange",
                                                 [](TStage& S) { Root(S, 2)->SetSelected(true); }),
        On<&TCustomExTree::OnItemSelectedChange>("OnItemSelectedChange, Ctrl-clicked", ClickItem(2, ssCtrl)),
        {"OnItemSelectedChange, Down", AtFirst(selected), Keys({{VK_DOWN, 0}})},
        {"OnItemSelectedChange, Shift+Up", AtFirst(After(Keys({{VK_DOWN, 0}, {VK_DOWN, 0}}), selected)),
         Keys({{VK_UP, ssShift}})},
        {"OnItemSelectedChange, Shift+End", AtFirst(selected), Keys({{VK_END, ssShift}})},
        {"OnItemSelectedChange, Space", AtFirst(selected), Keys({{VK_SPACE, 0}})},
        On<&TCustomExTree::OnAfterSelectionChange>("OnAfterSelectionChange", ClickItem(2)),
        {"OnItemExpanding", After(r1Focused, Hang(&TCustomExTree::OnItemExpanding)), Keys({{VK_RIGHT, 0}})},
        On<&TCustomExTree::OnItemExpanding>("OnItemExpanding, code", [](TStage& S) { Root(S, 1)->Expand(false); }),
        {"OnItemExpand", After(r1Focused, Hang(&TCustomExTree::OnItemExpand)), Keys({{VK_RIGHT, 0}})},
        On<&TCustomExTree::OnItemExpand>("OnItemExpand, code", [](TStage& S) { Root(S, 1)->Expand(true); }),
        // Lazy loading: the handler fills the branch as it opens, and what opened it goes on.
        On<&TCustomExTree::OnItemExpand>("OnItemExpand, MakeVisible",
                                         [oldChild](TStage& S) { oldChild(S)->MakeVisible(); }),
        On<&TCustomExTree::OnItemExpand>("OnItemExpand, EnsureVisible",
                                         [oldChild](TStage& S) { TreeOf(S)->EnsureVisible(oldChild(S)); }),
        On<&TCustomExTree::OnItemExpand>("OnItemExpand, EnsureVisibleBottom",
                                         [oldChild](TStage& S) { TreeOf(S)->EnsureVisibleBottom(oldChild(S)); }),
        // Typing the start of a child of the collapsed r1: the search brings it into view.
        {"OnItemExpand, incremental search",
         [](TStage& S) {
             TreeOf(S)->SetIncrementalSearch(true);
             S.Focus();
             Hang(&TCustomExTree::OnItemExpand)(S);
         },
         [](TStage& S) { S.Type("r1."); }},
        // Keys from r1.0 (open, with a child) inside the collapsed r1: Right shows its child at the
        // bottom, Backspace goes to r1.0 from that child; each opens r1 to show the item.
        {"OnItemExpand, Right", After(InsideCollapsed(false), Hang(&TCustomExTree::OnItemExpand)),
         Keys({{VK_RIGHT, 0}})},
        {"OnItemExpand, Backspace", After(InsideCollapsed(true), Hang(&TCustomExTree::OnItemExpand)),
         Keys({{VK_BACK, 0}})},
        {"OnItemExpand, header look-up",
         [](TStage& S) {
             TreeOf(S)->SetAutoLookup(true);
             Hang(&TCustomExTree::OnItemExpand)(S);
         },
         [](TStage& S) {
             Input::AdvanceTime(GetDoubleClickTime() + 1);
             S.PressAt(OnSection(S, 0, 7, 14));
             S.Pump();
             S.Type("r1.1");
         }},
        {"OnItemCollapsing", After(r1Open, Hang(&TCustomExTree::OnItemCollapsing)), Keys({{VK_LEFT, 0}})},
        {"OnItemCollapse", After(r1Open, Hang(&TCustomExTree::OnItemCollapse)), Keys({{VK_LEFT, 0}})},
        {"OnItemCollapse, code", After([](TStage& S) { Root(S, 1)->Expand(false); }, Hang(&TCustomExTree::OnItemCollapse)),
         [](TStage& S) { Root(S, 1)->Collapse(true); }},
        On<&TCustomExTree::OnItemChange>("OnItemChange", [](TStage& S) { Root(S, 2)->SetText("changed"); }),
        On<&TCustomExTree::OnItemChange>("OnItemChange, state", [](TStage& S) { Root(S, 2)->SetState(5, true); }),
        {"OnItemChecked",
         [](TStage& S) {
             TreeOf(S)->SetShowCheckboxes(true);
             Root(S, 2)->SetShowCheckBox(true);
             Root(S, 2)->SetCheckBoxEnabled(true);
             Hang(&TCustomExTree::OnItemChecked)(S);
         },
         [](TStage& S) { S.PressAt(PartAt(S, Root(S, 2), ipCheckBox)); }},
        On<&TCustomExTree::OnItemDeletion>("OnItemDeletion", [](TStage& S) { Root(S, 1)->GetLastChild()->Delete(); },
                                           ToldGone),
        // A branch copied over one of its own children, which had a child of its own.
        {"OnItemDeletion, Assign",
         After([](TStage& S) { ItemsOf(S)->AddChild(Root(S, 1)->Items(0), "r1.0.0"); },
               Hang(&TCustomExTree::OnItemDeletion)),
         [](TStage& S) { Root(S, 1)->Items(0)->Assign(Root(S, 1)); }, nullptr, ToldGone},
        {"OnCompareItems", After(SortableByHeader, Hang(&TCustomExTree::OnCompareItems)),
         [](TStage& S) { TreeOf(S)->Sort(true); }},
        {"OnCompareItems, header clicked", After(SortableByHeader, Hang(&TCustomExTree::OnCompareItems)),
         ClickSection(0)},
        {"OnSortBegin", After(SortableByHeader, Hang(&TCustomExTree::OnSortBegin)), ClickSection(0)},
        {"OnSortEnd", After(SortableByHeader, Hang(&TCustomExTree::OnSortEnd)), ClickSection(0)},
        // A save a handler cut short is reported to the caller, and so is a read while it writes.
        On<&TCustomExTree::OnItemSave>("OnItemSave", [](TStage& S) { Saved(S); }, nullptr,
                                       {"frees the control", "frees the form", "loads the items afresh"}),
        On<&TCustomExTree::OnItemSave>(
            "OnItemSave, SaveToFile",
            [](TStage& S) { ItemsOf(S)->SaveToFile(uitest::TempDir() + "/tree.bin"); }, nullptr,
            {"frees the control", "frees the form", "loads the items afresh"}),
        // A read while it reads is refused.
        On<&TCustomExTree::OnItemLoad>("OnItemLoad", [](TStage& S) { Load(S, Saved(S)); }, nullptr,
                                       {"loads the items afresh"}),
        {"OnCellStyleSave", After([](TStage& S) { Root(S, 2)->SetUseStyles(true); }, Hang(&TCustomExTree::OnCellStyleSave)),
         [](TStage& S) { Saved(S); }, nullptr, nullptr, {"frees the control", "frees the form", "loads the items afresh"}},
        {"OnVirtualValueNeeded",
         After(
             [](TStage& S) {
                 Virtual(S);
                 TreeOf(S)->SetSortSection(1);
             },
             Hang(&TCustomExTree::OnVirtualValueNeeded)),
         [](TStage& S) { TreeOf(S)->Sort(true); }},
        {"OnVirtualTextNeeded", After(Virtual, Hang(&TCustomExTree::OnVirtualTextNeeded)), Repaint},
        {"OnVirtualTextNeeded, Assign", After(Virtual, Hang(&TCustomExTree::OnVirtualTextNeeded)),
         [](TStage& S) { Root(S, 1)->Items(0)->Assign(Root(S, 1)); }},
        {"OnVirtualStyleNeeded",
         After(
             [](TStage& S) {
                 Virtual(S);
                 Root(S, 2)->SetUseStyles(true);
                 Root(S, 2)->SetParentStyle(false);
             },
             Hang(&TCustomExTree::OnVirtualStyleNeeded)),
         MeasureThird},
        On<&TCustomExTree::OnItemPostDraw>("OnItemPostDraw", Repaint),
        {"OnMeasureItemPart", After(OwnerDrawnText, Hang(&TCustomExTree::OnMeasureItemPart)), MeasureThird},
        {"OnHotTrack", After([](TStage& S) { TreeOf(S)->SetRowHotTrack(true); }, Hang(&TCustomExTree::OnHotTrack)),
         [](TStage& S) {
             const TPoint a = TextAt(S, Root(S, 2)), b = TextAt(S, Root(S, 3));
             S.Move(a);
             S.Move(b);
         }},
        On<&TCustomExTree::OnScroll>("OnScroll, bar",
                                     [](TStage& S) {
                                         TCustomExScrollBar* b = TreeOf(S)->VertScrollBar();
                                         S.PressAt({b->Left() + b->Width() / 2, b->Top() + b->Height() - 5});
                                     }),
        On<&TCustomExTree::OnScroll>("OnScroll, message",
                                     [](TStage& S) { TreeOf(S)->Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0); }),
        On<&TCustomExTree::OnHeaderColumnClick>("OnHeaderColumnClick", ClickSection(0)),
        On<&TCustomExTree::OnHeaderColumnResize>("OnHeaderColumnResize",
                                                 [](TStage& S) {
                                                     const TPoint edge = OnSection(S, 0, 2);
                                                     S.Down(edge);
                                                     for (int i = 1; i <= 4; ++i)
                                                         S.Move({edge.X + 8 * i, edge.Y}, ssLeft);
                                                     S.Up({edge.X + 32, edge.Y});
                                                 }),
        {"OnHeaderColumnMove",
         After([](TStage& S) { TreeOf(S)->SetDraggableSections(true); }, Hang(&TCustomExTree::OnHeaderColumnMove)),
         [](TStage& S) {
             const TPoint from = OnSection(S, 0);
             S.Down(from);
             for (int i = 1; i <= 12; ++i)
                 S.Move({from.X + 15 * i, from.Y}, ssLeft);
             S.Up({from.X + 180, from.Y});
         }},
        On<&TCustomExTree::OnHeaderLookup>("OnHeaderLookup",
                                           [](TStage& S) {
                                               S.PressAt(OnSection(S, 0, 7, 14));
                                               S.Pump();
                                               S.Type("r");
                                           }),
        On<&TCustomExTree::OnHeaderLookupDone>("OnHeaderLookupDone",
                                               [](TStage& S) {
                                                   S.PressAt(OnSection(S, 0, 7, 14));
                                                   S.Pump();
                                                   S.Type("r");
                                                   S.Key(VK_RETURN);
                                               }),
        On<&TCustomExTree::OnHeaderSectionExpand>("OnHeaderSectionExpand", ClickSection(1, 7, 5)),
        {"OnHeaderSectionCollapse",
         After([](TStage& S) { TreeOf(S)->Header()->Sections()->GetSection(1)->SetExpanded(true); },
               Hang(&TCustomExTree::OnHeaderSectionCollapse)),
         ClickSection(1, 7, 5)},
        On<&TCustomExTree::OnHeaderSectionFilterCall>("OnHeaderSectionFilterCall", ClickSection(1, 7, 14)),
        // The header's request, as a double click on a section's edge makes it.
        {"OnHeaderSectionAutoSize",
         After([](TStage& S) { TreeOf(S)->SetAutoResizeColumns(false); }, Hang(&TCustomExTree::OnHeaderSectionAutoSize)),
                                                    [](TStage& S) {
                                                        TCustomExHeader* h = TreeOf(S)->Header();
                                                        h->OnSectionAutoSize(h, h->Sections()->GetSection(0));
                                                    }},
        // A double click on the edge of an owner-drawn section sizes it to its widest cell.
        {"OnHeaderSectionMeasure, auto size",
         After(
             [](TStage& S) {
                 TreeOf(S)->SetAutoResizeColumns(true);
                 TreeOf(S)->Header()->Sections()->GetSection(0)->SetStyle(ExhsOwnerDraw);
             },
             Hang(&TCustomExTree::OnHeaderSectionMeasure)),
         [](TStage& S) {
             Input::AdvanceTime(GetDoubleClickTime() + 1);
             S.DoubleClickAt(OnSection(S, 0, 1));
         }},
        // Ctrl++ sizes every section that sizes itself to its cells.
        {"OnHeaderSectionMeasure, Ctrl++",
         AtFirst(After(
             [](TStage& S) {
                 TExHeaderSection* s = TreeOf(S)->Header()->Sections()->GetSection(0);
                 s->SetStyle(ExhsOwnerDraw);
                 s->SetAutoSize(true);
             },
             Hang(&TCustomExTree::OnHeaderSectionMeasure))),
         Keys({{VK_ADD, ssCtrl}})},
        On<&TCustomExTree::OnHeaderMouseDown>("OnHeaderMouseDown", ClickSection(0)),
        On<&TCustomExTree::OnHeaderResize>("OnHeaderResize", [](TStage& S) { TreeOf(S)->SetHeaderHeight(40); }),
        {"OnHeaderColumnDraw",
         After([](TStage& S) { TreeOf(S)->Header()->Sections()->GetSection(0)->SetStyle(ExhsOwnerDraw); },
               Hang(&TCustomExTree::OnHeaderColumnDraw)),
         [](TStage& S) {
             TreeOf(S)->Header()->Invalidate();
             TreeOf(S)->Header()->Update();
         }},
        {"OnHeaderSectionMeasure",
         After([](TStage& S) { TreeOf(S)->Header()->Sections()->GetSection(0)->SetStyle(ExhsOwnerDraw); },
               Hang(&TCustomExTree::OnHeaderSectionMeasure)),
         [](TStage& S) {
             TCustomExHeader* h = TreeOf(S)->Header();
             h->MeasureSectionWidth(h->Sections()->GetSection(0), nullptr, nullptr);
         }},
        {"OnHTMLImageNeeded",
         After(
             [](TStage& S) {
                 Root(S, 2)->SetIsHTML(true);
                 Root(S, 2)->SetText("<html>a<img src=\"pic\">b</html>");
             },
               Hang(&TCustomExTree::OnHTMLImageNeeded)),
         Repaint},
        {"OnVertScrollHitTest", Hang(&TCustomExTree::OnVertScrollHitTest),
         [](TStage& S) {
             TCustomExScrollBar* b = TreeOf(S)->VertScrollBar();
             S.PressAt({b->Left() + b->Width() / 2, b->Top() + b->Height() - 5});
         }},
        {"OnVertScrollDrawPart", Hang(&TCustomExTree::OnVertScrollDrawPart),
         [](TStage& S) {
             TreeOf(S)->VertScrollBar()->SetOwnerDraw(true);
             TreeOf(S)->VertScrollBar()->Invalidate();
             TreeOf(S)->VertScrollBar()->Update();
         }},
        {"OnStartDrag, item", After(Draggable, Hang(&TControl::OnStartDrag)), DragItem},
        {"OnEndDrag, item", After(Draggable, Hang(&TControl::OnEndDrag)), DragItem},
        {"OnDragOver, item", After(Draggable, Hang(&TControl::OnDragOver)), DragItem},
        {"OnDragDrop, item", After(Draggable, Hang(&TControl::OnDragDrop)), DragItem},
        {"OnDragTargetChange", After(Draggable, Hang(&TCustomExTree::OnDragTargetChange)), DragItem},
        {"OnItemDraw", After(OwnerDrawnText, Hang(&TCustomExTree::OnItemDraw)), Repaint},
        {"OnItemPicDraw", After([](TStage& S) { TreeOf(S)->SetImages(Pictures(S)); }, Hang(&TCustomExTree::OnItemPicDraw)),
         Repaint},
        {"OnItemPicDraw2",
         After([](TStage& S) { TreeOf(S)->SetImages2(Pictures(S)); }, Hang(&TCustomExTree::OnItemPicDraw2)), Repaint},
        // The handler reads what the writer put after the event's own (empty) data: the record and
        // the font's name.
        {"OnCellStyleLoad",
         [](TStage& S) {
             Root(S, 2)->SetUseStyles(true);
             TreeOf(S)->OnCellStyleSave = [](TObject*, TStream*, TExCellStyle*) {};
             TreeOf(S)->OnCellStyleLoad = [h = S.Handler()](TObject* Sender, TStream* Stream,
                                                            TExCellStyle* Style) mutable {
                 Byte record[36];
                 Stream->ReadBuffer(record, 36);
                 std::string font;
                 ReadStringFromStream(Stream, font);
                 h(Sender, Stream, Style);
             };
         },
         [](TStage& S) { Load(S, Saved(S)); }, nullptr, nullptr, {"loads the items afresh"}},
        {"OnVirtualHintNeeded", After(Virtual, Hang(&TCustomExTree::OnVirtualHintNeeded)),
         [](TStage& S) { Root(S, 2)->Hint(); }},
        {"OnShowLineHint",
         After(
             [](TStage& S) {
                 const Integer pause = Application->HintPause;
                 Application->HintPause = 10;
                 S.Cleanup = [pause] { Application->HintPause = pause; };
                 TreeOf(S)->SetLineHintMode(shmAll);
             },
             Hang(&TCustomExTree::OnShowLineHint)),
         [](TStage& S) {
             const TPoint p = TextAt(S, Root(S, 2));
             S.Move(p);
             S.Move({p.X + 1, p.Y});
             S.WaitForCall();
         }},
        On<&TCustomExTree::OnTryEdit>("OnTryEdit", [](TStage& S) { TreeOf(S)->EditItem(Root(S, 2), -1); }),
        On<&TCustomExTree::OnInplaceEditorNeeded>("OnInplaceEditorNeeded",
                                                  [](TStage& S) { TreeOf(S)->EditItem(Root(S, 2), -1); }),
        {"OnOleDragStart",
         After(
             [](TStage& S) {
                 TreeOf(S)->SetDragAllowed(true);
                 TreeOf(S)->SetDragType(dtOLE);
             },
             Hang(&TCustomExTree::OnOleDragStart)),
         DragItem},
        {"OnOleDragFinish", After(DraggedOut, Hang(&TCustomExTree::OnOleDragFinish)), DragOut},
        {"OnOleTargetDrag", After([](TStage& S) { TreeOf(S)->SetDragType(dtBoth); }, Hang(&TCustomExTree::OnOleTargetDrag)),
         ForeignDrop},
        {"OnOleTargetDrop",
         After(
             [](TStage& S) {
                 TreeOf(S)->SetDragType(dtBoth);
                 TreeOf(S)->OnOleTargetDrag = [](TObject*, TDragState, TOleDragObject*, TShiftState, int, int,
                                                 TDragType& Type) { Type = dtCopy; };
             },
             Hang(&TCustomExTree::OnOleTargetDrop)),
         ForeignDrop},
        {"OnHorzScrollHitTest", After(BothBars, Hang(&TCustomExTree::OnHorzScrollHitTest)),
         [](TStage& S) { PressBar(S, TreeOf(S)->HorzScrollBar()); }},
        {"OnHorzScrollDrawPart", After(BothBars, Hang(&TCustomExTree::OnHorzScrollDrawPart)),
         [](TStage& S) { PaintOwnerDrawn(S, TreeOf(S)->HorzScrollBar()); }},
        {"OnVertScrollHintNeeded", After(BothBars, Hang(&TCustomExTree::OnVertScrollHintNeeded)),
         [](TStage& S) { DragThumb(S, TreeOf(S)->VertScrollBar()); }},
        {"OnHorzScrollHintNeeded", After(BothBars, Hang(&TCustomExTree::OnHorzScrollHintNeeded)),
         [](TStage& S) { DragThumb(S, TreeOf(S)->HorzScrollBar()); }},
        WalkRow("Iterate", [](TStage& S, const TIterateProc& P) { ItemsOf(S)->Iterate(false, false, P, nullptr); }),
        WalkRow("IterateBack",
                [](TStage& S, const TIterateProc& P) { ItemsOf(S)->IterateBack(false, false, P, nullptr); }),
        WalkRow("IterateBranch",
                [](TStage& S, const TIterateProc& P) { ItemsOf(S)->IterateBranch(false, P, nullptr, Root(S, 1)); }),
        WalkRow("IterateFrom",
                [](TStage& S, const TIterateProc& P) { ItemsOf(S)->IterateFrom(false, false, P, nullptr, Root(S, 1)); }),
        WalkRow("IterateBackFrom",
                [](TStage& S, const TIterateProc& P) {
                    ItemsOf(S)->IterateBackFrom(false, false, P, nullptr, Root(S, 5));
                }),
        WalkRow("LookForItemEx2",
                [](TStage& S, const TIterateProc& P) {
                    TLook look{P};
                    ItemsOf(S)->LookForItemEx2(Root(S, 1), -1, true, false, false, false, &look, TLook::Call);
                }),
        WalkRow("LookBackForItemEx2",
                [](TStage& S, const TIterateProc& P) {
                    TLook look{P};
                    ItemsOf(S)->LookBackForItemEx2(Root(S, 5), -1, true, false, false, false, &look, TLook::Call);
                }),
    };
}

void ReadTree(TStage& S)
{
    TExTree* t = TreeOf(S);
    TExTreeItems* items = t->Items();
    const Integer n = items->Count();
    EXPECT_GE(n, 0);
    if (TExTreeItem* f = t->GetFocused()) {
        f->Text();
    }
    const TExTreeItemList& selection = t->Model()->Selection();
    for (Integer i = 0; i < selection.Count(); ++i)
        selection.FastGet(i)->Text();
}

// Every item stands where the list says, and what focus and selection name is in the tree.
void WalkTree(TStage& S)
{
    TExTree* t = TreeOf(S);
    TExTreeItems* items = t->Items();
    for (Integer i = 0; i < items->Count(); ++i)
        ASSERT_EQ(items->Item(i)->GetAbsIndex(), i);
    if (TExTreeItem* f = t->GetFocused()) {
        EXPECT_GE(f->GetAbsIndex(), 0);
    }
    const TExTreeItemList& selection = t->Model()->Selection();
    for (Integer i = 0; i < selection.Count(); ++i) {
        EXPECT_GE(selection.FastGet(i)->GetAbsIndex(), 0);
        EXPECT_TRUE(selection.FastGet(i)->Selected());
    }
    EXPECT_EQ(t->Model()->UpdateCount(), 0);
    EXPECT_FALSE(t->Model()->Busy());
}

TExTreeItem* Told(TStage& S)
{
    TExTreeItem* i = S.Arg<TExTreeItem>();
    return i && !i->IsHiddenRoot() ? i : nullptr;
}

std::vector<TClass> Classes()
{
    TClass tree{"TExTree",
                Tree,
                TreeEvents(),
                {{"fills the branch afresh",
                  [](TStage& S) {
                      TExTreeItem* item = Told(S);
                      if (!item)
                          item = Root(S, 1);
                      if (!item) {
                          ItemsOf(S)->Add(nullptr, "new");
                          return;
                      }
                      item->Clear();
                      ItemsOf(S)->AddChild(item, "new");
                  }},
                 {"deletes the item",
                  [](TStage& S) {
                      if (TExTreeItem* item = Told(S) ? Told(S) : Root(S, 2))
                          item->Delete();
                  }},
                 {"loads the items afresh", [](TStage& S) { Load(S, Saved(S)); }},
                 {"clears the items", [](TStage& S) { ItemsOf(S)->Clear(); }},
                 // Only where the handler is told of a section.
                 {"deletes the section",
                  [](TStage& S) {
                      if (auto* section = S.Arg<TExHeaderSection>())
                          TreeOf(S)->Header()->Sections()->DeleteSection(section);
                  }}},
                ReadTree,
                WalkTree};
    // The view and the header fill the tree: the mouse enters and leaves them, not the tree.
    // Its own drags are of items (rows of their own below).
    tree.Without = {"OnMouseEnter", "OnMouseLeave", "OnStartDrag", "OnEndDrag"};
    return {tree};
}

TEST(HandlerMatrixTable, HasARowForEveryControlClassOfTheLayer)
{
    // The view, the cell controls and the in-place editors are parts of a tree; their events
    // reach the tree's (the transfers of its standard events).
    matrix::ExpectARowForEveryClass("tree", Classes(),
                                    {"TCustomExTree", "TExTreeView", "TExCellControl", "TExCellCheckBox",
                                     "TExCellButton", "TExCellProgressBar"});
}

// One case per act: the tree's events are many.
class HandlerMatrix : public ::testing::TestWithParam<std::string> {};

TEST_P(HandlerMatrix, EveryEventsHandlerMayFreeOrChangeWhatRaisedItOrRaise)
{
    matrix::Drive(Classes().front(), GetParam(), KnownFaults);
}

INSTANTIATE_TEST_SUITE_P(TExTree, HandlerMatrix, ::testing::ValuesIn(matrix::ActNames(Classes().front())),
                         [](const ::testing::TestParamInfo<std::string>& Info) {
                             std::string name;
                             for (char c : Info.param)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

}  // namespace

// Handlers that free the form or delete their item (and then raise an error), for every event the
// item model raises, reached from code and, where a user can reach it, through the toolkit's own
// mouse and key events. The sanitizer sees any use of the freed form, tree or item afterwards; what
// is left must be a whole tree without the deleted item.
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "InputTest.h"
#include "platform/Classes.h"
#include "ctlbase/Extools.h"
#include "platform/StdCtrls.h"
#include "tree/Excellstyle.h"

namespace {

enum TAct { FreesTheForm, DeletesTheItem, DeletesTheItemAndRaises };
struct THandlerError {};
enum TPath { FromCode, FromInput };

class Handlers;

// How one event is reached: Setup shapes the tree first (the handler is assigned by Arm, below,
// after it); the two ways raise the event.
struct TEventCase {
    const char* Name;
    std::function<void(Handlers&)> Setup;
    std::function<void(Handlers&)> Code;   // empty: no call of code raises the event
    std::function<void(Handlers&)> Input;  // empty: no input reaches the event
};

class Handlers : public InputTest, public ::testing::WithParamInterface<std::tuple<TEventCase, TAct, TPath>> {
public:
    using InputTest::Form;
    using InputTest::Items;
    using InputTest::Key;
    using InputTest::Tree;
    std::vector<TExTreeItem*> R;  // root items r0..r3; r1 has the children r1.0 and r1.1
    TGuardPtr<TForm> FormAlive{Form};
    TGuardPtr<TExTreeItem> Victim;
    int Calls = 0;

    Handlers()
    {
        R = AddRoots(4);
        AddChildren(R[1], 2);
        Tree->SetMultiSelect(true);
        uitest::Pump();
    }
    ~Handlers() override
    {
        // The form goes while the handlers' fixture is whole (deletions are told when it goes);
        // the base frees a form of its own.
        if (TForm* form = FormAlive.Get()) TObject::Free(form);
        Form = new TForm(nullptr);
    }

    void Go(TExTreeItem* Item)
    {
        if (Calls++ > 0) return;
        if (std::get<1>(GetParam()) == FreesTheForm) {
            TObject::Free(Form);
            return;
        }
        ASSERT_NE(Item, nullptr);
        Victim = Item;
        Item->Delete();
        if (std::get<1>(GetParam()) == DeletesTheItemAndRaises) throw THandlerError{};
    }

    // A client point of the view over Item's text.
    TPoint TextAt(TExTreeItem* Item)
    {
        View()->Invalidate();
        View()->Update();
        uitest::Pump();
        const Integer row = View()->VisibleRows()->IndexOf(Item);
        EXPECT_GE(row, 0) << Item->Text() << " is on screen";
        const TRect r = View()->GetItemRect(row);
        return {Item->TextLeft + 3, (r.Top + r.Bottom) / 2};
    }
    void Click(TExTreeItem* Item, TShiftState Shift = 0)
    {
        const TPoint p = TextAt(Item);
        TGuardPtr<TExTreeView> view(View());
        Input::MouseDown(view.Get(), mbLeft, p.X, p.Y, Shift);
        uitest::Pump();
        if (view) Input::MouseUp(view.Get(), mbLeft, p.X, p.Y, Shift);
        uitest::Pump();
        Input::AdvanceTime(2000);
    }
    // The header's section Index, clicked.
    void ClickSection(Integer Index)
    {
        TExHeaderSection* s = Tree->Header()->Sections()->GetSection(Index);
        const TRect r = Tree->Header()->GetSectionRect(s->GetIndex());
        TGuardPtr<TCustomExHeader> header(Tree->Header());
        const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
        Input::MouseDown(header.Get(), mbLeft, x, y);
        uitest::Pump();
        if (header) Input::MouseUp(header.Get(), mbLeft, x, y);
        uitest::Pump();
        Input::AdvanceTime(2000);
    }
    void Focus(TExTreeItem* Item)
    {
        Tree->SetFocused(Item);
        uitest::Pump();
    }
    // Root items in reverse order of their texts, and a custom comparison by text.
    void Unsorted()
    {
        R[0]->SetText("z");
        R[3]->SetText("a");
        Tree->SetSortType(stCustom);
    }
    // A sort by the header's one section, of custom type.
    void SortableByHeader()
    {
        Unsorted();
        Tree->Header()->Sections()->AddSection()->SetWidth(200);
        Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftCustom);
        Tree->SetShowHeader(true);
        Tree->SetSortMode(smClick);
        uitest::Pump();
    }
    // A save (of the items, or of one branch) ends with an error exactly when a handler freed the
    // tree: nothing whole was written.
    std::vector<Byte> Saved(TExTreeItem* Branch = nullptr)
    {
        TMemoryStream s;
        try {
            if (Branch)
                Branch->WriteData(&s);
            else
                Items().SaveToStream(&s);
        } catch (const EExTreeError&) {
            EXPECT_FALSE(FormAlive) << "only a tree that went stops a save";
            return {};
        }
        EXPECT_TRUE(FormAlive) << "a save whose tree went says so";
        return s.Bytes();
    }
    void Type(const char* Text)
    {
        Input::TypeText(Text);
        uitest::Pump();
    }
    void FocusSelected(TExTreeItem* Item)
    {
        Focus(Item);
        Item->SetSelected(true);
    }
    void Load(const std::vector<Byte>& Bytes)
    {
        TMemoryStream s;
        s.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size()));
        s.SetPosition(0);
        Items().LoadFromStream(&s);
    }
};

// Every item stands where the list says, and what focus and selection name is in the tree.
void ExpectWhole(TExTree* Tree)
{
    TExTreeItems* items = Tree->Items();
    for (Integer i = 0; i < items->Count(); ++i) ASSERT_EQ(items->Item(i)->GetAbsIndex(), i);
    if (TExTreeItem* f = Tree->GetFocused()) {
        EXPECT_GE(f->GetAbsIndex(), 0);
    }
    const TExTreeItemList& selection = Tree->Model()->Selection();
    for (Integer i = 0; i < selection.Count(); ++i) {
        EXPECT_GE(selection.FastGet(i)->GetAbsIndex(), 0);
        EXPECT_TRUE(selection.FastGet(i)->Selected());
    }
    EXPECT_EQ(Tree->Model()->UpdateCount(), 0);
    EXPECT_FALSE(Tree->Model()->Busy());
}

using TGo = std::function<void(TExTreeItem*)>;

const TEventCase Cases[] = {
    {"OnChanging", nullptr, [](Handlers& H) { H.Tree->SetFocused(H.R[2]); }, [](Handlers& H) { H.Click(H.R[2]); }},
    {"OnItemFocused", nullptr, [](Handlers& H) { H.Tree->SetFocused(H.R[2]); },
     [](Handlers& H) { H.Click(H.R[2]); }},
    {"OnItemSelectedChange", nullptr, [](Handlers& H) { H.R[2]->SetSelected(true); },
     [](Handlers& H) { H.Click(H.R[2], ssCtrl); }},
    {"OnItemExpanding", [](Handlers& H) { H.Focus(H.R[1]); }, [](Handlers& H) { H.R[1]->Expand(false); },
     [](Handlers& H) { H.Key(VK_RIGHT); }},
    {"OnItemExpand", [](Handlers& H) { H.Focus(H.R[1]); }, [](Handlers& H) { H.R[1]->Expand(true); },
     [](Handlers& H) { H.Key(VK_RIGHT); }},
    // A branch filled as it opens, while the tree brings an item inside it into view.
    {"OnItemExpandToShowAnItem", [](Handlers& H) { H.Tree->SetIncrementalSearch(true); },
     [](Handlers& H) { H.R[1]->GetFirstChild()->MakeVisible(); }, [](Handlers& H) { H.Type("r1."); }},
    // Right to the child of a focused item inside a collapsed branch: the child is shown at the bottom.
    {"OnItemExpandToShowAnItemAtTheBottom",
     [](Handlers& H) {
         TExTreeItem* inner = H.R[1]->GetFirstChild();
         H.Items().AddChild(inner, "r1.0.0");
         inner->Expand(false);
         H.Focus(inner);
     },
     nullptr, [](Handlers& H) { H.Key(VK_RIGHT); }},
    {"OnItemExpandForTheLookUp",
     [](Handlers& H) {
         H.Tree->Header()->Sections()->AddSection()->SetWidth(200);
         H.Tree->SetAutoLookup(true);
     },
     [](Handlers& H) {
         std::string text = "r1.1";
         H.Tree->Header()->OnHeaderLookup(H.Tree->Header(), H.Tree->Header()->Sections()->GetSection(0), text);
     },
     nullptr},
    {"OnItemCollapsing",
     [](Handlers& H) {
         H.R[1]->Expand(false);
         H.Focus(H.R[1]);
     },
     [](Handlers& H) { H.R[1]->Collapse(false); }, [](Handlers& H) { H.Key(VK_LEFT); }},
    {"OnItemCollapse",
     [](Handlers& H) {
         H.R[1]->Expand(false);
         H.Focus(H.R[1]);
     },
     [](Handlers& H) { H.R[1]->Collapse(true); }, [](Handlers& H) { H.Key(VK_LEFT); }},
    {"OnItemSelectedChangeByDown", [](Handlers& H) { H.FocusSelected(H.R[2]); }, nullptr,
     [](Handlers& H) { H.Key(VK_DOWN); }},
    {"OnItemSelectedChangeByShiftUp", [](Handlers& H) { H.FocusSelected(H.R[2]); }, nullptr,
     [](Handlers& H) { H.Key(VK_UP, ssShift); }},
    {"OnItemSelectedChangeByShiftEnd", [](Handlers& H) { H.FocusSelected(H.R[2]); }, nullptr,
     [](Handlers& H) { H.Key(VK_END, ssShift); }},
    {"OnItemChange", nullptr, [](Handlers& H) { H.R[2]->SetText("changed"); }, nullptr},
    {"OnItemChangeOfAState", nullptr, [](Handlers& H) { H.R[2]->SetState(5, true); }, nullptr},
    {"OnItemDeletion", nullptr, [](Handlers& H) { H.R[1]->GetLastChild()->Delete(); }, nullptr},
    // An item given a copy of its parent's branch: its own children go first.
    {"OnItemDeletionInACopy", [](Handlers& H) { H.Items().AddChild(H.R[1]->GetFirstChild(), "r1.0.0"); },
     [](Handlers& H) { H.R[1]->GetFirstChild()->Assign(H.R[1]); }, nullptr},
    {"OnVirtualTextNeeded", [](Handlers& H) { H.Tree->SetVirtualityLevel(vlTextAndStyles); },
     [](Handlers& H) { H.R[1]->GetFirstChild()->Assign(H.R[1]); }, nullptr},
    {"OnCompareItems", [](Handlers& H) { H.SortableByHeader(); }, [](Handlers& H) { H.Tree->Sort(true); },
     [](Handlers& H) { H.ClickSection(0); }},
    {"OnSortBegin", [](Handlers& H) { H.SortableByHeader(); }, [](Handlers& H) { H.Tree->Sort(true); },
     [](Handlers& H) { H.ClickSection(0); }},
    {"OnSortEnd", [](Handlers& H) { H.SortableByHeader(); }, [](Handlers& H) { H.Tree->Sort(true); },
     [](Handlers& H) { H.ClickSection(0); }},
    {"OnItemSave", nullptr, [](Handlers& H) { H.Saved(); }, nullptr},
    {"OnItemSaveOfABranch", nullptr, [](Handlers& H) { H.Saved(H.R[1]); }, nullptr},
    {"OnItemLoad", nullptr, [](Handlers& H) { H.Load(H.Saved()); }, nullptr},
    {"OnCellStyleSave", [](Handlers& H) { H.R[2]->SetUseStyles(true); }, [](Handlers& H) { H.Saved(); },
     nullptr},
    {"OnCellStyleLoad",
     [](Handlers& H) {
         H.R[2]->SetUseStyles(true);
         H.Tree->OnCellStyleSave = [](TObject*, TStream*, TExCellStyle*) {};
     },
     [](Handlers& H) { H.Load(H.Saved()); }, nullptr},
    {"OnVirtualValueNeeded",
     [](Handlers& H) {
         TExHeaderSections* sections = H.Tree->Header()->Sections();
         sections->AddSection()->SetFieldType(sftText);
         sections->AddSection()->SetFieldType(sftNumber);
         H.Tree->SetSortSection(1);
         H.Tree->SetVirtualityLevel(vlTextAndStyles);
     },
     [](Handlers& H) { H.Tree->Sort(true); }, nullptr},
    {"OnAfterSelectionChange", nullptr, nullptr, [](Handlers& H) { H.Click(H.R[2]); }},
    // The press that takes the focus from another control goes on after the tree's OnEnter.
    {"OnEnter",
     [](Handlers& H) {
         auto* edit = new TEdit(H.Form);
         edit->SetParent(H.Form);
         edit->SetBounds(10, 380, 100, 22);
         edit->SetFocus();
         uitest::Pump();
     },
     nullptr, [](Handlers& H) { H.Click(H.R[2]); }},
};

// The handler of each case, by name: what Go is given is the item the event is about (for the
// events without one, the item the event concerns most: the focused item, the first root).
void Arm(Handlers& H, const std::string& Name, TGo Go)
{
    TExTree* T = H.Tree;
    auto unlessRoot = [Go](TExTreeItem* Item) {
        if (!Item->IsHiddenRoot()) Go(Item);
    };
    auto byText = [](TObject*, TExTreeItem* A, TExTreeItem* B, Integer& Res) { Res = A->Text().compare(B->Text()); };
    if (Name == "OnChanging")
        T->OnChanging = [Go](TObject*, TExTreeItem* Item, bool& AllowChange) {
            AllowChange = true;
            Go(Item);
        };
    if (Name == "OnItemFocused") T->OnItemFocused = [Go, T](TObject*) { Go(T->GetFocused()); };
    if (Name.rfind("OnItemSelectedChange", 0) == 0)
        T->OnItemSelectedChange = [Go](TObject*, TExTreeItem* Item) { Go(Item); };
    if (Name == "OnItemExpanding") T->OnItemExpanding = [Go](TObject*, TExTreeItem* Item, bool&) { Go(Item); };
    if (Name.rfind("OnItemExpand", 0) == 0 && Name != "OnItemExpanding")
        T->OnItemExpand = [Go](TObject*, TExTreeItem* Item) { Go(Item); };
    if (Name == "OnItemCollapsing") T->OnItemCollapsing = [Go](TObject*, TExTreeItem* Item, bool&) { Go(Item); };
    if (Name == "OnItemCollapse") T->OnItemCollapse = [Go](TObject*, TExTreeItem* Item) { Go(Item); };
    if (Name == "OnItemChange" || Name == "OnItemChangeOfAState")
        T->OnItemChange = [Go](TObject*, TExTreeItem* Item, TItemChangeMode) { Go(Item); };
    // The item itself is on its way: its parent is the one to delete.
    if (Name == "OnItemDeletion" || Name == "OnItemDeletionInACopy")
        T->OnItemDeletion = [Go](TObject*, TExTreeItem* Item) { Go(Item->Parent()); };
    if (Name == "OnVirtualTextNeeded")
        T->OnVirtualTextNeeded = [Go](TObject*, TExTreeItem* Item, Integer, std::string&) { Go(Item); };
    if (Name == "OnCompareItems")
        T->OnCompareItems = [Go, byText](TObject* S, TExTreeItem* A, TExTreeItem* B, Integer& Res) {
            byText(S, A, B, Res);
            Go(A);
        };
    if (Name == "OnSortBegin" || Name == "OnSortEnd") T->OnCompareItems = byText;
    if (Name == "OnSortBegin") T->OnSortBegin = [Go, T](TObject*) { Go(T->Items()->RootItem(0)); };
    if (Name == "OnSortEnd") T->OnSortEnd = [Go, T](TObject*) { Go(T->Items()->RootItem(0)); };
    if (Name.rfind("OnItemSave", 0) == 0) T->OnItemSave = [unlessRoot](TObject*, TStream*, TExTreeItem* Item) { unlessRoot(Item); };
    if (Name == "OnItemLoad") T->OnItemLoad = [unlessRoot](TObject*, TStream*, TExTreeItem* Item) { unlessRoot(Item); };
    if (Name == "OnCellStyleSave")
        T->OnCellStyleSave = [Go](TObject* Sender, TStream*, TExCellStyle*) { Go(static_cast<TExTreeItem*>(Sender)); };
    if (Name == "OnCellStyleLoad")
        T->OnCellStyleLoad = [Go](TObject* Sender, TStream* S, TExCellStyle*) {
            // What the writer put after the event's own (empty) data: the record and the font name.
            Byte record[36];
            S->ReadBuffer(record, 36);
            std::string font;
            ReadStringFromStream(S, font);
            Go(static_cast<TExTreeItem*>(Sender));
        };
    if (Name == "OnVirtualValueNeeded")
        T->OnVirtualValueNeeded = [Go](TObject*, TExTreeItem* Item, Integer, Integer, TExVariant& Value) {
            Value = Int64(Item->GetAbsIndex() % 3);
            Go(Item);
        };
    if (Name == "OnAfterSelectionChange") T->OnAfterSelectionChange = [Go, T](TObject*) { Go(T->GetFocused()); };
    if (Name == "OnEnter") T->OnEnter = [Go, &H](TObject*) { Go(H.R[2]); };
}

TEST_P(Handlers, LeaveNothingBehindThatIsUsedAfterwards)
{
    const auto& [c, act, path] = GetParam();
    if (c.Setup) c.Setup(*this);
    Arm(*this, c.Name, [this](TExTreeItem* Item) { Go(Item); });
    if (act == DeletesTheItemAndRaises) {
        EXPECT_THROW(c.Code(*this), THandlerError);
        EXPECT_TRUE(Victim.Gone()) << "the item is deleted when the error leaves the tree";
    } else if (path == FromCode)
        c.Code(*this);
    else
        c.Input(*this);
    uitest::Pump();
    EXPECT_EQ(Calls > 0, true) << "the handler ran";
    if (act == FreesTheForm) {
        EXPECT_FALSE(FormAlive) << "the form went";
        return;
    }
    EXPECT_TRUE(Victim.Gone()) << "the item is deleted by the end of the operation";
    ExpectWhole(Tree);
}

std::vector<std::tuple<TEventCase, TAct, TPath>> AllCases()
{
    std::vector<std::tuple<TEventCase, TAct, TPath>> r;
    for (const TEventCase& c : Cases)
        for (TAct act : {FreesTheForm, DeletesTheItem, DeletesTheItemAndRaises})
            for (TPath path : {FromCode, FromInput})
                // An error does not travel through the toolkit's event loop.
                if (path == FromCode ? bool(c.Code) : bool(c.Input) && act != DeletesTheItemAndRaises)
                    r.emplace_back(c, act, path);
    return r;
}

INSTANTIATE_TEST_SUITE_P(Events, Handlers, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<std::tuple<TEventCase, TAct, TPath>>& Info) {
                             const TAct act = std::get<1>(Info.param);
                             return std::string(std::get<0>(Info.param).Name) +
                                    (act == FreesTheForm     ? "_FreesTheForm"
                                     : act == DeletesTheItem ? "_DeletesTheItem"
                                                             : "_DeletesTheItemAndRaises") +
                                    (std::get<2>(Info.param) == FromCode ? "_FromCode" : "_FromInput");
                         });

}  // namespace

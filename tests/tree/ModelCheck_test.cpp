// Randomised model check: seeded operations of every kind on a tree, each mirrored on a plain
// reference tree, with the whole structure compared after every step. A second run does the same
// to a tree control on a form and adds the navigation keys, plain, with Shift and with Ctrl.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/Input.h"
#include "tests/support/UiTest.h"
#include "tree/Extree.h"

namespace {

struct Node {
    TExTreeItem* item = nullptr;
    Node* parent = nullptr;
    std::vector<Node*> kids;
    bool expanded = false;
    bool hidden = false;
};

bool Within(const Node* n, const Node* ancestor)
{
    for (; n; n = n->parent)
        if (n == ancestor) return true;
    return false;
}

class ModelCheck {
public:
    // Cap: the item count around which the tree hovers. NilOdds: one pick in NilOdds is nil (the
    // root level), so a small value grows long sibling lists.
    // Control: the tree control whose model is checked (it takes keys); nil: a model of its own.
    explicit ModelCheck(unsigned Seed, int Cap = 45, int NilOdds = 8, TExTree* Control = nullptr)
        : rng(Seed), cap(Cap), nilOdds(NilOdds), control(Control),
          own(Control ? nullptr : new TExTreeModel), tree(Control ? *Control->Model() : *own)
    {
        if (control) control->OnItemFocused = [this](TObject*) { ++focusEvents; };
    }

    std::mt19937 rng;
    int cap;
    int nilOdds;
    TExTree* control;
    std::unique_ptr<TExTreeModel> own;
    TExTreeModel& tree;
    TExTreeItems& items = *tree.Items();
    int focusEvents = 0;
    Node root;
    std::vector<std::unique_ptr<Node>> store;
    std::map<TExTreeItem*, Node*> nodes;
    std::vector<Node*> pool;  // detached branches
    int serial = 0;
    int openBrackets = 0;
    std::string step;

    int Rand(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    std::vector<Node*> PreOrder()
    {
        std::vector<Node*> out;
        std::function<void(Node*)> walk = [&](Node* n) {
            for (Node* k : n->kids) {
                out.push_back(k);
                walk(k);
            }
        };
        walk(&root);
        return out;
    }
    // Attached nodes, or nil now and then.
    Node* Pick(bool AllowNil = true)
    {
        auto all = PreOrder();
        if (all.empty() || (AllowNil && Rand(nilOdds) == 0)) return nullptr;
        return all[static_cast<size_t>(Rand(static_cast<int>(all.size())))];
    }
    TExTreeItem* ItemOf(Node* n) { return n ? n->item : nullptr; }
    Node* NodeOf(TExTreeItem* i) { return i ? nodes.at(i) : nullptr; }
    Node* Parent(Node* n) { return n ? n->parent : &root; }
    int IndexIn(Node* n) { return static_cast<int>(std::find(n->parent->kids.begin(), n->parent->kids.end(), n) - n->parent->kids.begin()); }

    Node* Made(TExTreeItem* item, Node* parent, int index)
    {
        store.push_back(std::make_unique<Node>());
        Node* n = store.back().get();
        n->item = item;
        n->parent = parent;
        parent->kids.insert(parent->kids.begin() + index, n);
        nodes[item] = n;
        return n;
    }
    void Forget(Node* n)
    {
        for (Node* k : n->kids) Forget(k);
        nodes.erase(n->item);
    }
    void Unlink(Node* n)
    {
        auto& kids = n->parent->kids;
        kids.erase(std::find(kids.begin(), kids.end(), n));
        n->parent = nullptr;
    }

    void Add()
    {
        Node* at = Pick();
        TExTreeItem* item = ItemOf(at);
        const std::string text = "n" + std::to_string(++serial);
        void* data = &serial;
        const int kind = Rand(12);
        step = "adder " + std::to_string(kind);
        TExTreeItem* made = nullptr;
        Node* parent = nullptr;
        int index = 0;
        switch (kind) {
        case 0: made = items.Add(item, text); parent = Parent(at); index = static_cast<int>(parent->kids.size()); break;
        case 1: made = items.AddObject(item, text, data); parent = Parent(at); index = static_cast<int>(parent->kids.size()); break;
        case 2: made = items.AddChild(item, text); parent = at ? at : &root; index = static_cast<int>(parent->kids.size()); break;
        case 3: made = items.AddChildObject(item, text, data); parent = at ? at : &root; index = static_cast<int>(parent->kids.size()); break;
        case 4: made = items.AddChildFirst(item, text); parent = at ? at : &root; break;
        case 5: made = items.AddChildObjectFirst(item, text, data); parent = at ? at : &root; break;
        case 6: made = items.AddFirst(item, text); parent = Parent(at); break;
        case 7: made = items.AddObjectFirst(item, text, data); parent = Parent(at); break;
        case 8: made = items.Insert(item, text); parent = Parent(at); index = at ? IndexIn(at) : 0; break;
        case 9: made = items.InsertObject(item, text, data); parent = Parent(at); index = at ? IndexIn(at) : 0; break;
        case 10: made = items.InsertAfter(item, text); parent = Parent(at); index = at ? IndexIn(at) + 1 : 0; break;
        default: made = items.InsertAfterObject(item, text, data); parent = Parent(at); index = at ? IndexIn(at) + 1 : 0; break;
        }
        Made(made, parent, index);
        ASSERT_EQ(made->Text(), text) << step;
        if (kind % 2 == 1) {
            ASSERT_EQ(made->Data(), data) << step;
        }
    }

    void LowLevelAdd()
    {
        Node* at = Pick();
        Node* parent = at ? at : &root;
        const int count = static_cast<int>(parent->kids.size());
        switch (Rand(3)) {
        case 0: step = "AddItem"; Made(items.AddItem(ItemOf(at)), parent, count); break;
        case 1: step = "AddLastItem"; Made(items.AddLastItem(ItemOf(at)), parent, count); break;
        default: {
            const int index = Rand(count + 3) - 1;
            step = "InsertItem " + std::to_string(index);
            if (index < 0 || index > count) {
                ExpectError([&] { items.InsertItem(index, ItemOf(at)); }, extree::ExOutOfBounds);
            } else {
                Made(items.InsertItem(index, ItemOf(at)), parent, index);
            }
        }
        }
    }

    void ExpectError(const std::function<void()>& F, const char* Message)
    {
        try {
            F();
            ADD_FAILURE() << step << ": no error";
        } catch (const EExTreeError& e) {
            EXPECT_EQ(e.Message(), Message) << step;
        }
    }

    // The reference side of MoveToIns; false when the model must refuse with Error.
    bool RefMoveToIns(Node* n, Node* newParent, int index, const char*& error)
    {
        if (newParent == n) return true;
        Node* target = newParent ? newParent : &root;
        if (Within(target, n)) {
            error = extree::exRecursiveMove;
            return false;
        }
        Node* old = n->parent;
        const int oldIndex = IndexIn(n);
        const int countAfter = static_cast<int>(target->kids.size()) - (target == old ? 1 : 0);
        const bool append = target == old && index > oldIndex && index >= countAfter;
        if (!append && (index < 0 || index > countAfter)) {
            error = extree::ExOutOfBounds;
            return false;
        }
        Unlink(n);
        n->parent = target;
        if (append)
            target->kids.push_back(n);
        else
            target->kids.insert(target->kids.begin() + index, n);
        return true;
    }

    void Move()
    {
        Node* n = Pick(false);
        if (!n) return;
        Node* t = Pick();
        const char* error = nullptr;
        bool ok = true;
        std::function<void()> act;
        const int mode = Rand(6);
        int index = 0;
        step = "move mode " + std::to_string(mode);
        switch (mode) {
        case naAdd:
            act = [&] { n->item->MoveToItem(ItemOf(t), naAdd); };
            if (!t) {
                ok = false;
                error = extree::exInvItem;
            } else if (Parent(t) != n) {
                ok = RefMoveToIns(n, t->parent, static_cast<int>(Parent(t)->kids.size()), error);
            }
            break;
        case naAddFirst:
            act = [&] { n->item->MoveToItem(ItemOf(t), naAddFirst); };
            ok = RefMoveToIns(n, t ? t->parent : nullptr, 0, error);
            break;
        case naAddChild:
            act = [&] { n->item->MoveToItem(ItemOf(t), naAddChild); };
            if (t != n) ok = RefMoveToIns(n, t, static_cast<int>((t ? t : &root)->kids.size()), error);
            break;
        case naAddChildFirst:
            act = [&] { n->item->MoveToItem(ItemOf(t), naAddChildFirst); };
            ok = RefMoveToIns(n, t, 0, error);
            break;
        case naInsert:
            act = [&] { n->item->MoveToItem(ItemOf(t), naInsert); };
            ok = t ? RefMoveToIns(n, t->parent, IndexIn(t), error) : RefMoveToIns(n, nullptr, 0, error);
            break;
        default:
            index = Rand(static_cast<int>((t ? t : &root)->kids.size()) + 3) - 1;
            step = "MoveToIns " + std::to_string(index);
            act = [&] { n->item->MoveToIns(ItemOf(t), index); };
            ok = RefMoveToIns(n, t, index, error);
        }
        if (ok)
            act();
        else
            ExpectError(act, error);
    }

    void Delete()
    {
        Node* n = Pick(false);
        if (!n) return;
        step = "delete";
        if (Rand(2))
            items.Delete(n->item);
        else
            n->item->Delete();
        Unlink(n);
        Forget(n);
    }

    void Clear()
    {
        step = "clear";
        items.Clear();
        for (Node* k : root.kids) Forget(k);
        root.kids.clear();
    }

    void Expansion()
    {
        Node* n = Pick(false);
        // Often one of the focused item's ancestors, whose collapse hides the focus.
        Node* focus = NodeOf(tree.Focused());
        if (focus && focus->parent != &root && Rand(2)) {
            n = focus->parent;
            for (int up = Rand(3); up > 0 && n->parent != &root; --up) n = n->parent;
        }
        if (!n) return;
        const bool recursive = Rand(2);
        std::function<void(Node*, bool)> set = [&](Node* m, bool v) {
            m->expanded = v;
            if (recursive)
                for (Node* k : m->kids) set(k, v);
        };
        // A focus the collapse hides goes to the collapsing item; a lone selection goes with it
        // when hidden too, and otherwise the selection stays.
        const auto selection = Selection();
        const bool rescue = tree.MoveFocusOnCollapse && focus && focus != n && Within(focus, n);
        bool collapsed = true;
        switch (Rand(3)) {
        case 0: step = "expand"; n->item->Expand(recursive); set(n, true); collapsed = false; break;
        case 1: step = "collapse"; n->item->Collapse(recursive); set(n, false); break;
        default:
            step = "SetExpanded";
            n->expanded = !n->expanded;
            collapsed = !n->expanded;
            n->item->SetExpanded(n->expanded);
        }
        if (!collapsed) return;
        if (!rescue) {
            ASSERT_EQ(tree.Focused(), ItemOf(focus)) << step;
            return;
        }
        ASSERT_EQ(tree.Focused(), n->item) << step;
        if (!tree.MultiSelect()) {
            ASSERT_EQ(tree.Selected(), n->item) << step;
        } else if (selection.size() == 1 && selection[0] != n->item && Within(NodeOf(selection[0]), n)) {
            ASSERT_EQ(Selection(), std::vector<TExTreeItem*>{n->item}) << step;
        } else {
            ASSERT_EQ(Selection(), selection) << step;
        }
    }

    std::vector<TExTreeItem*> Selection()
    {
        std::vector<TExTreeItem*> out;
        for (Integer i = 0; i < tree.Selection().Count(); ++i) out.push_back(tree.Selection().FastGet(i));
        return out;
    }

    // The plain way to the item that takes the place of a hidden one: the parent of the topmost
    // hidden item on its path, or for a hidden root item the nearest item shown, before it first.
    bool Shown(Node* n)
    {
        for (; n != &root; n = n->parent)
            if (n->hidden) return false;
        return true;
    }
    Node* ShownInstead(Node* n)
    {
        Node* top = nullptr;
        for (Node* p = n; p != &root; p = p->parent)
            if (p->hidden) top = p;
        if (!top) return n;
        if (top->parent != &root) return top->parent;
        const auto order = PreOrder();
        const auto at = std::find(order.begin(), order.end(), top) - order.begin();
        for (auto i = at; i-- > 0;)
            if (Shown(order[static_cast<size_t>(i)])) return order[static_cast<size_t>(i)];
        for (auto i = static_cast<size_t>(at) + 1; i < order.size(); ++i)
            if (Shown(order[i])) return order[i];
        return nullptr;
    }

    // Navigation keys through the toolkit, now and then from an edge: the first or the last row,
    // a root item (Left goes nowhere) or a leaf (Right goes nowhere).
    void Key()
    {
        if (!control) return;
        // Input comes when the application's brackets are closed.
        for (; openBrackets > 0; --openBrackets) items.EndUpdate();
        std::vector<Node*> rows;
        std::function<void(Node*)> walk = [&](Node* n) {
            for (Node* k : n->kids) {
                if (tree.FilteredVisibility() && k->hidden) continue;
                rows.push_back(k);
                if (k->expanded) walk(k);
            }
        };
        walk(&root);
        if (!rows.empty() && Rand(2)) {
            Node* edge = nullptr;
            switch (Rand(4)) {
            case 0: edge = rows.front(); break;
            case 1: edge = rows.back(); break;
            default: {
                const bool leaf = Rand(2);
                for (Node* n : rows)
                    if (leaf ? n->kids.empty() : n->parent == &root) edge = n;
            }
            }
            if (edge) tree.SetFocused(edge->item);
        }
        static constexpr Word Keys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
        const Word key = Keys[Rand(8)];
        const int mode = Rand(3);
        const TShiftState shift = mode == 0 ? TShiftState(0) : mode == 1 ? TShiftState(ssShift) : TShiftState(ssCtrl);
        step = "key " + std::to_string(key) + " mode " + std::to_string(mode);
        Node* focus = NodeOf(tree.Focused());
        TExTreeItem* anchor = tree.Selected();
        const auto selection = Selection();
        // Left on an expanded item and Right on a collapsed one with children shown expand or
        // collapse instead of moving.
        const bool visibleKids = focus && std::any_of(focus->kids.begin(), focus->kids.end(), [&](Node* k) {
                                     return !tree.FilteredVisibility() || !k->hidden;
                                 });
        const bool toggles = focus && ((key == VK_LEFT && focus->expanded) || (key == VK_RIGHT && !focus->expanded && visibleKids));
        Input::PressKey(key, shift);
        uitest::Pump();
        // Besides Left and Right, a key that brings the focus into view expands its ancestors.
        for (auto& [item, n] : nodes) n->expanded = item->Expanded();
        if (!tree.MultiSelect()) return;
        if (mode == 2) {
            ASSERT_EQ(Selection(), selection) << step << ": Ctrl moves the focus alone";
            ASSERT_EQ(tree.Selected(), anchor) << step;
        } else if (mode == 1 && !toggles && tree.Focused()) {
            // A Shift range runs from the anchor (the top without one) to the focus, wherever a
            // key leaves the focus.
            ASSERT_EQ(tree.Selected(), anchor) << step;
            Integer a = anchor ? anchor->GetAbsIndex() : 0;
            Integer b = tree.Focused()->GetAbsIndex();
            if (a > b) std::swap(a, b);
            for (TExTreeItem* item : Selection()) ASSERT_TRUE(item->GetAbsIndex() >= a && item->GetAbsIndex() <= b) << step;
        }
    }

    void Detach()
    {
        Node* n = Pick(false);
        if (!n) return;
        step = "RemoveItem";
        items.RemoveItem(n->item);
        Unlink(n);
        pool.push_back(n);
    }

    void Reattach()
    {
        if (pool.empty()) return;
        const size_t k = static_cast<size_t>(Rand(static_cast<int>(pool.size())));
        Node* n = pool[k];
        if (Rand(4) == 0) {
            step = "delete detached";
            items.Delete(n->item);
            Forget(n);
            pool.erase(pool.begin() + static_cast<long>(k));
            return;
        }
        Node* p = Pick();
        Node* target = p ? p : &root;
        const int count = static_cast<int>(target->kids.size());
        int index = count;
        if (Rand(2)) {
            step = "AddExistingItem";
            items.AddExistingItem(n->item, ItemOf(p));
        } else {
            index = Rand(count + 3) - 1;
            step = "InsertExistingItem " + std::to_string(index);
            if (index < 0 || index > count) {
                ExpectError([&] { items.InsertExistingItem(n->item, ItemOf(p), index); }, extree::ExOutOfBounds);
                return;
            }
            items.InsertExistingItem(n->item, ItemOf(p), index);
        }
        n->parent = target;
        target->kids.insert(target->kids.begin() + index, n);
        pool.erase(pool.begin() + static_cast<long>(k));
    }

    void Hide()
    {
        Node* n = Pick(false);
        if (!n) return;
        step = "hidden";
        n->hidden = !n->hidden;
        n->item->SetHidden(n->hidden);
    }

    void Bracket()
    {
        if (openBrackets > 0 && Rand(2)) {
            step = "EndUpdate";
            items.EndUpdate();
            --openBrackets;
        } else {
            step = "BeginUpdate";
            items.BeginUpdate();
            ++openBrackets;
        }
    }

    void Focus()
    {
        step = "focus";
        tree.SetFocused(ItemOf(Pick()));
    }

    void Select()
    {
        TExTreeItem* item = ItemOf(Pick());
        switch (Rand(4)) {
        case 0: step = "anchor"; tree.SetSelected(item); break;
        case 1:
            if (Rand(8) == 0) {
                step = "mode";
                tree.SetMultiSelect(!tree.MultiSelect());
            } else if (Rand(4) == 0) {
                step = "select the hidden root";
                tree.Root()->SetSelected(true);
            }
            break;
        default:
            step = "select";
            if (item) item->SetSelected(!item->Selected());
        }
    }

    void Check()
    {
        SCOPED_TRACE(step);
        const auto order = PreOrder();
        ASSERT_EQ(items.Count(), static_cast<Integer>(order.size()));
        ASSERT_EQ(items.RootCount(), static_cast<Integer>(root.kids.size()));
        for (size_t i = 0; i < root.kids.size(); ++i) ASSERT_EQ(items.RootItem(static_cast<Integer>(i)), root.kids[i]->item);
        // Rows as the reference counts them.
        std::map<Node*, int> rows;
        int visible = 0;
        std::function<void(Node*)> walk = [&](Node* n) {
            for (Node* k : n->kids) {
                if (tree.FilteredVisibility() && k->hidden) continue;
                rows[k] = visible++;
                if (k->expanded) walk(k);
            }
        };
        walk(&root);
        int hidden = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            Node* n = order[i];
            TExTreeItem* item = n->item;
            ASSERT_EQ(items.Item(static_cast<Integer>(i)), item) << "position " << i;
            ASSERT_EQ(item->GetAbsIndex(), static_cast<Integer>(i));
            ASSERT_EQ(item->Parent(), n->parent == &root ? nullptr : n->parent->item);
            ASSERT_EQ(item->Index(), IndexIn(n));
            int level = 0;
            for (Node* p = n->parent; p != &root; p = p->parent) ++level;
            ASSERT_EQ(item->Level(), level);
            ASSERT_EQ(item->Count(), static_cast<Integer>(n->kids.size()));
            ASSERT_EQ(item->Expanded(), n->expanded);
            // Row lookups walk from the top: a large tree checks a sample of them.
            if (cap <= 45 || i % 61 == 0) {
                auto row = rows.find(n);
                ASSERT_EQ(item->VisIndex(), row == rows.end() ? -1 : row->second);
            }
            hidden += n->hidden ? 1 : 0;
        }
        ASSERT_EQ(items.VisCount(), visible);
        for (auto& [n, row] : rows) {
            if (cap <= 45 || row % 61 == 0) {
                ASSERT_EQ(items.GetVisItem(row), n->item) << "row " << row;
            }
        }
        ASSERT_EQ(items.GetVisItem(visible), nullptr);
        if (cap <= 45) CheckWalks(order, rows, visible);
        ASSERT_EQ(tree.HiddenCount, hidden);
        for (Node* n : pool) ASSERT_EQ(n->item->GetAbsIndex(), -1);
        // Focus and anchor never rest on an item outside the tree.
        ASSERT_TRUE(!tree.Focused() || tree.Focused()->GetAbsIndex() >= 0);
        ASSERT_TRUE(!tree.Selected() || tree.Selected()->GetAbsIndex() >= 0);
        ASSERT_FALSE(tree.Root()->Selected());
        // The selected list holds items of the tree that show selected, each once, and every such
        // item; a single-select tree shows one selected row at most, its anchor.
        Integer marked = 0;
        for (Node* n : order) marked += n->item->Selected() ? 1 : 0;
        if (TExList* list = tree.SelectedList()) {
            for (Integer i = 0; i < list->Count(); ++i) {
                auto* item = static_cast<TExTreeItem*>(list->Get(i));
                ASSERT_GE(item->GetAbsIndex(), 0) << "listed item outside the tree";
                ASSERT_TRUE(item->Selected()) << "listed item without its mark";
                ASSERT_EQ(list->IndexOf(item), i) << "item listed twice";
            }
            ASSERT_EQ(list->Count(), marked);
        } else {
            ASSERT_LE(marked, 1);
            if (marked == 1) {
                ASSERT_TRUE(tree.Selected() && tree.Selected()->Selected());
            }
        }
    }

    // The walks that leave out what is not shown, against the reference: backward over the rows
    // (from the end and from one of them), backward into collapsed branches, forward over one
    // item's branch, and a search kept to that branch.
    void CheckWalks(const std::vector<Node*>& Order, const std::map<Node*, int>& Rows, int Visible)
    {
        using TReport = std::vector<std::pair<TExTreeItem*, Integer>>;
        TReport got, want;
        auto record = [&](TExTreeItem* Item, Integer Index, bool&, void*, TExTreeModel*) { got.emplace_back(Item, Index); };
        std::vector<Node*> byRow(static_cast<size_t>(Visible));
        for (const auto& [n, row] : Rows) byRow[static_cast<size_t>(row)] = n;
        for (int row = Visible - 1; row >= 0; --row) want.emplace_back(byRow[static_cast<size_t>(row)]->item, row);
        items.IterateBack(true, false, record, nullptr);
        ASSERT_EQ(got, want);
        if (Visible > 0) {
            // From a row, counting down from the total all the same.
            const int from = serial % Visible;
            got.clear();
            items.IterateBackFrom(true, false, record, nullptr, byRow[static_cast<size_t>(from)]->item);
            TReport part;
            for (int row = from, k = Visible - 1; row >= 0; --row, --k)
                part.emplace_back(byRow[static_cast<size_t>(row)]->item, k);
            ASSERT_EQ(got, part);
        }
        std::vector<Node*> shown;
        for (Node* n : Order) {
            bool out = false;
            for (Node* p = n; p != &root; p = p->parent) out = out || (tree.FilteredVisibility() && p->hidden);
            if (!out) shown.push_back(n);
        }
        want.clear();
        for (size_t k = shown.size(); k-- > 0;) want.emplace_back(shown[k]->item, static_cast<Integer>(k));
        got.clear();
        items.IterateBack(true, true, record, nullptr);
        ASSERT_EQ(got, want);
        if (Order.empty()) return;
        const size_t at = static_cast<size_t>(serial * 7) % Order.size();
        Node* top = Order[at];
        // Counted as a walk down the path to it would count: the first has its level.
        want.clear();
        for (size_t i = at; i < Order.size() && Within(Order[i], top); ++i)
            want.emplace_back(Order[i]->item, top->item->Level() + static_cast<Integer>(i - at));
        got.clear();
        items.IterateBranch(false, record, nullptr, top->item);
        ASSERT_EQ(got, want);
        Integer asked = 0;
        auto count = [](TExTreeItem*, void* Asked) { return ++*static_cast<Integer*>(Asked) < 0; };
        EXPECT_EQ(items.LookForItemEx2(top->item, -1, false, true, false, true, &asked, count), nullptr);
        ASSERT_EQ(asked, static_cast<Integer>(want.size()) - 1) << "the items below it, and no more";
    }

    void Run(int Steps)
    {
        for (int s = 0; s < Steps; ++s) {
            const bool full = items.Count() >= cap;
            Node* focus = NodeOf(tree.Focused());
            Node* anchor = NodeOf(tree.Selected());
            const int events = focusEvents;
            bool repairs = false;
            switch (Rand(control ? 26 : 23)) {
            case 0: case 1: case 2: case 3: case 4: if (!full) Add(); else Delete(); break;
            case 5: if (!full) LowLevelAdd(); break;
            case 6: case 7: case 8: Move(); break;
            // A large tree grows on until its cap instead of being cut back early.
            case 9: case 10: if (cap > 45 && !full) Add(); else Delete(); break;
            case 11: if (cap > 45 && !full) Add(); else if (Rand(10) == 0) Clear(); break;
            case 12: case 13: Expansion(); break;
            case 14: Detach(); break;
            case 15: Reattach(); break;
            case 16: Hide(); repairs = true; break;
            case 17:
                if (Rand(5) == 0) {
                    step = "filter";
                    tree.SetFilteredVisibility(!tree.FilteredVisibility());
                    repairs = true;
                } else if (Rand(3) == 0) {
                    step = "MoveFocusOnCollapse";
                    tree.MoveFocusOnCollapse = !tree.MoveFocusOnCollapse;
                }
                break;
            case 18: Bracket(); repairs = openBrackets == 0; break;
            case 19: case 20: Select(); break;
            case 23: case 24: case 25: Key(); break;
            default: Focus();
            }
            if (::testing::Test::HasFatalFailure()) return;
            // A filter that hides the focus or the anchor moves each once, where the plain walk
            // over the reference says.
            if (repairs && openBrackets == 0 && tree.FilteredVisibility()) {
                Node* want = focus ? ShownInstead(focus) : nullptr;
                ASSERT_EQ(tree.Focused(), ItemOf(want)) << step;
                if (control) {
                    ASSERT_EQ(focusEvents - events, want == focus ? 0 : 1) << step;
                }
                // A single-select tree's anchor follows its focus. The hidden anchor of a
                // multi-select tree loses its mark, unless it is a hidden root item.
                if (tree.MultiSelect() && anchor && !Shown(anchor)) {
                    ASSERT_EQ(tree.Selected(), ItemOf(ShownInstead(anchor))) << step;
                    if (!anchor->hidden || anchor->parent != &root) {
                        ASSERT_FALSE(anchor->item->Selected()) << step;
                    }
                }
            }
            Check();
            if (::testing::Test::HasFatalFailure()) return;
        }
        while (openBrackets-- > 0) items.EndUpdate();
        for (Node* n : pool) items.Delete(n->item);
    }
};

class TreeModelCheck : public ::testing::TestWithParam<unsigned> {};

TEST_P(TreeModelCheck, StructureMatchesReferenceAfterEveryStep)
{
    ModelCheck check(GetParam());
    check.Run(1500);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TreeModelCheck, ::testing::Range(1u, 9u),
                         [](const ::testing::TestParamInfo<unsigned>& Info) { return "seed" + std::to_string(Info.param); });

// Hundreds of items and root items inserted, moved and deleted at random places, so that the
// lists behind the positions and the sibling indexes work over many blocks.
class TreeModelCheckLarge : public ::testing::TestWithParam<unsigned> {};

TEST_P(TreeModelCheckLarge, StructureMatchesReferenceAfterEveryStep)
{
    ModelCheck check(GetParam(), 900, 2);
    check.Run(2000);
    EXPECT_GT(check.items.RootCount(), TExTreeItemList::MaxBlock);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TreeModelCheckLarge, ::testing::Range(1u, 3u),
                         [](const ::testing::TestParamInfo<unsigned>& Info) { return "seed" + std::to_string(Info.param); });

// The same on a tree control on a shown form, with keys among the steps.
class TreeModelCheckControl : public ::testing::TestWithParam<unsigned> {};

TEST_P(TreeModelCheckControl, StructureAndKeysMatchReferenceAfterEveryStep)
{
    TForm* form = new TForm(nullptr);
    auto* control = new TExTree(form);
    form->SetBounds(40, 40, 400, 300);
    control->SetParent(form);
    control->SetBounds(0, 0, 300, 200);
    form->AfterConstruction();
    form->Show();
    uitest::Pump();
    control->View()->SetFocus();
    uitest::Pump();
    {
        ModelCheck check(GetParam(), 45, 8, control);
        check.Run(1500);
    }
    TObject::Free(form);
    uitest::Pump();
}

INSTANTIATE_TEST_SUITE_P(Seeds, TreeModelCheckControl, ::testing::Range(1u, 5u),
                         [](const ::testing::TestParamInfo<unsigned>& Info) { return "seed" + std::to_string(Info.param); });

}  // namespace

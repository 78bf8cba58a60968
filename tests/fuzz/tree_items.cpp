// Fuzz target: the tree's item stream on any bytes. The bytes are read into a tree that holds a
// known set of items. Refused bytes must raise the tree's error and leave that set exactly as it was
// (items, fields and the tree's counts); taken bytes must give a tree whose list, children and
// counts agree, and whose stream reads back into another tree and writes out the same again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

namespace {

std::vector<Byte> Save(TExTreeModel& Tree)
{
    TMemoryStream m;
    Tree.Items()->SaveToStream(&m);
    return m.Bytes();
}

void Load(TExTreeModel& Tree, const std::uint8_t* Data, size_t Size)
{
    TReadOnlyMemoryStream m(Data, Int64(Size));
    Tree.Items()->LoadFromStream(&m);
}

// The list is the pre-order of the children, and the hidden and variable-height counts are what
// counting every item afresh gives.
void CheckWhole(TExTreeModel& Tree)
{
    TExTreeItems* items = Tree.Items();
    Integer hidden = 0, varHeight = 0, position = 0;
    std::vector<TExTreeItem*> stack;
    for (Integer i = items->Root()->Count() - 1; i >= 0; --i) stack.push_back(items->Root()->Items(i));
    while (!stack.empty()) {
        TExTreeItem* item = stack.back();
        stack.pop_back();
        FUZZ_CHECK(items->Item(position) == item && item->GetAbsIndex() == position, "list out of step");
        ++position;
        FUZZ_CHECK(!item->GetOption(extree::ioDeleting) && !item->GetOption(extree::ioNestedSort), "passing marks");
        hidden += item->Hidden() ? 1 : 0;
        varHeight += (item->OwnerHeight() ? 0 : 1) + (item->Multiline() && Tree.AdjustMultilineHeight() ? 1 : 0) +
                     (item->IsHTML() ? 1 : 0);
        for (Integer i = item->Count() - 1; i >= 0; --i) stack.push_back(item->Items(i));
    }
    FUZZ_CHECK(position == items->Count(), "items outside the children");
    FUZZ_CHECK(hidden == Tree.HiddenCount, "hidden count");
    FUZZ_CHECK(varHeight == Tree.VarHeightCount, "variable-height count");
}

TExTreeModel& Tree(int Which)
{
    static TExTreeModel trees[2];
    return trees[Which];
}

// What the first tree holds before every input: a hidden item, a multi-line one, styles.
const std::vector<Byte>& Known()
{
    static const std::vector<Byte> known = [] {
        TExTreeItems* items = Tree(0).Items();
        TExTreeItem* day = items->Add(nullptr, "2024-01-02");
        items->AddChild(day, "10:00")->SetHidden(true);
        TExTreeItem* note = items->AddChild(day, "line\r\nline");
        note->SetMultiline(true);
        note->SetUseStyles(true);
        note->AddStyle()->SetFontName("Courier");
        return Save(Tree(0));
    }();
    return known;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, size_t Size)
{
    const std::vector<Byte>& known = Known();
    TExTreeModel& tree = Tree(0);
    Load(tree, known.data(), known.size());
    const Integer hidden = tree.HiddenCount, varHeight = tree.VarHeightCount;
    try {
        Load(tree, Data, Size);
    } catch (const EExTreeError&) {
        FUZZ_CHECK(Save(tree) == known, "a refused stream changed the items");
        FUZZ_CHECK(tree.HiddenCount == hidden && tree.VarHeightCount == varHeight, "a refused stream changed counts");
        FUZZ_CHECK(tree.UpdateCount() == 0, "bracket left open");
        CheckWhole(tree);
        return 0;
    }
    CheckWhole(tree);
    const std::vector<Byte> once = Save(tree);
    TExTreeModel& other = Tree(1);
    Load(other, once.data(), once.size());
    CheckWhole(other);
    FUZZ_CHECK(Save(other) == once, "the stream written does not read back the same");
    return 0;
}

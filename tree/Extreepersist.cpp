// What the tree keeps outside itself and what the header's sections drive: settings, copying,
// the plain-text export, header-click sorting, the column look-up and the vertical bar's track
// hint. The settings, the copy, the export and the sorting click are not built yet: those
// operations say so when they are called.
#include <stdexcept>

#include "ctlbase/Exstrutils.h"
#include "platform/Guard.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

void TCustomExTree::Save() { throw std::logic_error("TCustomExTree::Save is not built"); }

void TCustomExTree::Restore() { throw std::logic_error("TCustomExTree::Restore is not built"); }

void TCustomExTree::Assign(TPersistent* Source)
{
    if (!dynamic_cast<TCustomExTree*>(Source)) {
        TExXPThemedControl::Assign(Source);
        return;
    }
    throw std::logic_error("TCustomExTree::Assign is not built");
}

void TCustomExTree::SaveStringsToStream(TStream*) { throw std::logic_error("TCustomExTree::SaveStringsToStream is not built"); }

void TCustomExTree::OnHeaderSectionClick(TObject*, TExHeaderSection* Section)
{
    if (IsDestroying() || !FView) return;
    if (SortMode() == smClick || SortMode() == smAddClick)
        throw std::logic_error("TCustomExTree::OnHeaderSectionClick sorting is not built");
    DoColumnClick(Section->GetIndex());
}

namespace {

// An item's text in a header column: the main text in the main column, else its column text.
std::string ColumnTextOf(TCustomExTree* Tree, TExTreeItem* Item, Integer Section)
{
    std::string text;
    if (Tree->Model()->IsVirtual()) {
        Tree->TriggerVirtualTextNeeded(Item, Section, text);
        return text;
    }
    if (Section == Tree->MainTreeColumn()) return Item->Text();
    const Integer column = Section > Tree->MainTreeColumn() ? Section - 1 : Section;
    TStringList* texts = Item->ColumnText();
    return texts && column >= 0 && column < texts->Count() ? texts->Get(column) : std::string();
}

}  // namespace

void TCustomExTree::OnHeaderSectionLookup(TObject*, TExHeaderSection* Section, std::string& Text)
{
    if (IsDestroying() || !FView) return;
    TGuardPtr<TCustomExTree> self(this);
    TriggerHeaderLookupEvent(Section, Text);
    if (!self || !FAutoLookup) return;
    const std::string wanted = AnsiUpperCase(Text);
    TExTreeItemList& all = FModel->AllItems();
    for (Integer i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (AnsiUpperCase(ColumnTextOf(this, item, Section->GetIndex())).compare(0, wanted.size(), wanted) != 0)
            continue;
        EnsureVisible(item);
        FModel->SetFocused(item);
        return;
    }
}

void TCustomExTree::OnHeaderSectionLookupDone(TObject*, TExHeaderSection* Section, const std::string& Text,
                                              bool Accepted)
{
    if (IsDestroying() || !FView) return;
    TriggerHeaderLookupDoneEvent(Section, Text, Accepted);
}

void TCustomExTree::VertScrollHintNeededHandler(TObject*, Integer TrackPosition, std::string& Hint)
{
    if (IsDestroying() || !FView) return;
    TGuardPtr<TCustomExTree> self(this);
    if (OnVertScrollHintNeeded) OnVertScrollHintNeeded(this, TrackPosition, Hint);
    if (!self || !Hint.empty() || SortSection() == -1) return;
    if (TExTreeItem* item = FView->VisItem(TrackPosition)) Hint = ColumnTextOf(this, item, SortSection());
}

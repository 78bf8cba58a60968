// TStyleMemo: undo and redo. Records are made by the edit operation; undoing a record is itself an
// edit, which turns the record into its inverse in place.
#include <algorithm>

#include "memo/Stylememo.h"

namespace {

constexpr Integer MaxUndoRecord = 0x7FFFFF9B;
constexpr Integer MaxUndoLevel = 0x7FFFFFF;

}  // namespace

// Records chained together are undone and redone as one: the limits drop or keep whole groups, so
// that no part of a group is ever undone without the rest.
Integer TStyleMemo::NewestGroupSize() const
{
    Integer g = FUndoLevel - 1;
    if (g < 0) return 0;
    while (g > 0 && FUndoList[static_cast<size_t>(g)]->Chained) --g;
    return FUndoLevel - g;
}

void TStyleMemo::RemoveOldestGroup()
{
    RemoveUndo(0);
    while (!FUndoList.empty() && FUndoList.front()->Chained) RemoveUndo(0);
}

void TStyleMemo::RemoveNewestGroup()
{
    bool chained = false;
    do {
        chained = FUndoList.back()->Chained;
        RemoveUndo(static_cast<Integer>(FUndoList.size()) - 1);
    } while (chained && !FUndoList.empty());
}

void TStyleMemo::RecordUndo(Integer Start, Integer InsLen, const std::string& Replaced, Integer Anchor)
{
    const bool chained = FChainNext || (FUndoGroupDepth > 0 && FUndoGroupRecords > 0);
    FChainNext = false;
    if (!FUndoRedoRunning)
        while (static_cast<Integer>(FUndoList.size()) > FUndoLevel) RemoveNewestGroup();
    // Typing on at the end of the last edit extends its record.
    if (Replaced.empty() && FUndoLevel > 0 && !FUndoRedoRunning && !FSelMoved) {
        TUndoRecord& last = *FUndoList[static_cast<size_t>(FUndoLevel - 1)];
        if (last.Stop == Anchor && last.Start != Anchor) {
            last.Stop = Anchor + InsLen;
            return;
        }
    }
    auto rec = std::make_unique<TUndoRecord>();
    Int64 size = static_cast<Int64>(Replaced.size()) + 13;
    if (size > MaxUndoRecord) {
        size = MaxUndoRecord;
        ClearUndo();
        rec->Text.assign(Replaced, 0, static_cast<size_t>(size - 13));
    } else {
        rec->Text = Replaced;
    }
    rec->Start = Start;
    rec->Stop = Start + InsLen;
    rec->Chained = chained && FUndoLevel > 0;
    if (FUndoGroupDepth > 0) ++FUndoGroupRecords;
    rec->Size = static_cast<Integer>(size);
    FUndoBytes += rec->Size;
    if (FUndoLevel < static_cast<Integer>(FUndoList.size())) {
        FUndoBytes -= FUndoList[static_cast<size_t>(FUndoLevel)]->Size;
        FUndoList[static_cast<size_t>(FUndoLevel)] = std::move(rec);
    } else {
        FUndoList.push_back(std::move(rec));
    }
    ++FUndoLevel;
    // Undo and redo turn records round in place; the limits apply again at the next edit.
    if (FUndoRedoRunning) return;
    // The edit just recorded stays even when it alone exceeds the space: dropping it would leave
    // the edit (a large deletion, say) impossible to take back.
    TrimUndoSpace(true);
    while (FUndoLevel > FUndoMaxLevel && FUndoLevel > (FUndoMaxLevel > 0 ? NewestGroupSize() : 0)) RemoveOldestGroup();
}

void TStyleMemo::TrimUndoSpace(bool KeepNewest)
{
    while (FUndoBytes > FUndoMaxSpace && static_cast<Integer>(FUndoList.size()) > FUndoLevel) RemoveNewestGroup();
    while (FUndoBytes > FUndoMaxSpace && FUndoLevel > (KeepNewest ? NewestGroupSize() : 0)) RemoveOldestGroup();
}

void TStyleMemo::Undo()
{
    // Code may undo in a read-only memo; the user's ways to undo are refused where they come in.
    if (FUndoLevel == 0) return;
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    const TUndoRecord& rec = *FUndoList[static_cast<size_t>(FUndoLevel - 1)];
    const bool chained = rec.Chained;
    const std::string text = rec.Text;
    setSelStart(rec.Start);
    setSelLength(rec.Stop - rec.Start);
    {
        FlagScope undoRedo(*this, FUndoRedoRunning, true);
        FlagScope undo(*this, FUndoRunning, true);
        const Integer k = --FUndoLevel;
        try {
            if (!EditSel(text.c_str())) return;
        } catch (...) {
            // Refused before the record was turned round: it stays to be undone.
            if (self) FUndoLevel = FUndoLevel == k ? k + 1 : k;
            throw;
        }
        if (FUndoLevel > 0) --FUndoLevel;
    }
    // The inverse record belongs to the same chain as the record it replaced.
    if (FUndoLevel < static_cast<Integer>(FUndoList.size())) FUndoList[static_cast<size_t>(FUndoLevel)]->Chained = chained;
    if (chained) Undo();
}

void TStyleMemo::Redo()
{
    if (FUndoLevel >= static_cast<Integer>(FUndoList.size())) return;
    EventScope scope(*this);
    const TUndoRecord& rec = *FUndoList[static_cast<size_t>(FUndoLevel)];
    const bool chained = rec.Chained;
    const bool nextChained = FUndoLevel + 1 < static_cast<Integer>(FUndoList.size()) &&
                             FUndoList[static_cast<size_t>(FUndoLevel + 1)]->Chained;
    const std::string text = rec.Text;
    setSelStart(rec.Start);
    setSelLength(rec.Stop - rec.Start);
    {
        FlagScope undoRedo(*this, FUndoRedoRunning, true);
        if (!EditSel(text.c_str())) return;
    }
    if (FUndoLevel >= 1) FUndoList[static_cast<size_t>(FUndoLevel - 1)]->Chained = chained;
    if (nextChained) Redo();
}

bool TStyleMemo::CanUndo() const
{
    // While an undo runs, the record it is turning round is counted in the level.
    return FUndoRunning ? FUndoLevel >= 2 : FUndoLevel >= 1;
}

bool TStyleMemo::CanRedo() const
{
    const auto count = static_cast<Integer>(FUndoList.size());
    return count > FUndoLevel || (FUndoRunning && count >= FUndoLevel);
}

void TStyleMemo::ClearUndo()
{
    FUndoList.clear();
    FUndoLevel = 0;
    FUndoBytes = 0;
}

void TStyleMemo::RemoveUndo(Integer Index)
{
    if (Index < 0 || Index >= static_cast<Integer>(FUndoList.size())) throw Exception("List index out of bounds");
    FUndoBytes -= FUndoList[static_cast<size_t>(Index)]->Size;
    FUndoList.erase(FUndoList.begin() + Index);
    if (Index < FUndoLevel) --FUndoLevel;
}

const TUndoRecord& TStyleMemo::UndoList(Integer Index) const
{
    if (Index < 0 || Index >= static_cast<Integer>(FUndoList.size())) throw Exception("List index out of bounds");
    return *FUndoList[static_cast<size_t>(Index)];
}

void TStyleMemo::setUndoMaxLevel(Integer Value)
{
    if (Value > MaxUndoLevel) throw EListError("Undo set too high");
    while (static_cast<Integer>(FUndoList.size()) > std::max(FUndoLevel, Value)) RemoveNewestGroup();
    while (Value < FUndoLevel) RemoveOldestGroup();
    FUndoMaxLevel = Value;
}

void TStyleMemo::setUndoMaxSpace(Integer Value)
{
    FUndoMaxSpace = Value;
    TrimUndoSpace(false);
    while (FUndoBytes > Value && !FUndoList.empty()) RemoveOldestGroup();
}

#include "ctlbase/Exlist.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr Integer Step = 256;
}

namespace ctlbase {

void** ReallocPointers(void** List, Integer Keep, Integer NewCapacity)
{
    void** list = nullptr;
    if (NewCapacity > 0) {
        list = new void*[static_cast<size_t>(NewCapacity)];
        if (Keep > 0) std::memcpy(list, List, sizeof(void*) * static_cast<size_t>(Keep));
    }
    delete[] List;
    return list;
}

void InsertSlot(void** List, Integer Count, Integer Index, void* Item)
{
    if (Index < Count)
        std::memmove(List + Index + 1, List + Index, sizeof(void*) * static_cast<size_t>(Count - Index));
    List[Index] = Item;
}

void RemoveSlot(void** List, Integer Count, Integer Index)
{
    if (Index + 1 < Count)
        std::memmove(List + Index, List + Index + 1, sizeof(void*) * static_cast<size_t>(Count - Index - 1));
}

void MoveBlock(void** List, Integer CurStart, Integer CurEnd, Integer NewStart)
{
    const Integer len = CurEnd - CurStart + 1;
    std::unique_ptr<void*[]> block(new void*[static_cast<size_t>(len)]);
    std::memcpy(block.get(), List + CurStart, sizeof(void*) * static_cast<size_t>(len));
    if (NewStart < CurStart) {
        std::memmove(List + NewStart + len, List + NewStart, sizeof(void*) * static_cast<size_t>(CurStart - NewStart));
        std::memcpy(List + NewStart, block.get(), sizeof(void*) * static_cast<size_t>(len));
    } else {
        std::memmove(List + CurStart, List + CurEnd + 1, sizeof(void*) * static_cast<size_t>(NewStart - CurEnd - 1));
        std::memcpy(List + NewStart - len, block.get(), sizeof(void*) * static_cast<size_t>(len));
    }
}

}  // namespace ctlbase

TExList::~TExList()
{
    // As Clear, but an OnDelete handler that raises can neither stop the others from hearing of
    // their items nor keep owned items alive: a destructor cannot pass the exception on.
    for (Integer i = 0; i < FCount; ++i) {
        try {
            TriggerDeleteEvent(FList[i]);
        } catch (...) {
        }
    }
    if (OwnsItems) {
        for (Integer i = 0; i < FCount; ++i) {
            try {
                delete static_cast<TObject*>(FList[i]);
            } catch (...) {
            }
        }
    }
    delete[] FList;
}

void TExList::Error(const char* Msg, Integer Data)
{
    throw EExListError(Format(Msg, Data));
}

void TExList::CheckIndex(Integer Index) const
{
    if (Index < 0 || Index >= FCount) Error(ctlbase::ListIndexOutOfBounds, Index);
}

void TExList::Reallocate(Integer NewCapacity)
{
    // Capacity moves in steps of 256, but the block behind it at least doubles when it must grow and
    // is given back only when a quarter of it would do: a long run of additions copies each pointer
    // a bounded number of times instead of once per step.
    Integer alloc = FAlloc;
    if (NewCapacity == 0)
        alloc = 0;
    else if (NewCapacity > FAlloc)
        alloc = static_cast<Integer>(std::min<Int64>(std::max<Int64>(NewCapacity, Int64{FAlloc} * 2), ctlbase::MaxListSize));
    else if (NewCapacity < FAlloc / 4)
        alloc = NewCapacity;
    if (alloc != FAlloc) {
        FList = ctlbase::ReallocPointers(FList, FCount, alloc);
        FAlloc = alloc;
    }
    FCapacity = NewCapacity;
}

void TExList::ShrinkOnce()
{
    if (FCapacity - Step > FCount) Reallocate(FCapacity - Step);
}

void TExList::Grow()
{
    Reallocate(FCapacity + Step);
}

TExList* TExList::Expand()
{
    if (FCount == FCapacity) Grow();
    return this;
}

Integer TExList::Add(void* Item)
{
    if (FCount == FCapacity) Grow();
    FList[FCount] = Item;
    return FCount++;
}

void TExList::Insert(Integer Index, void* Item)
{
    if (Index < 0 || Index > FCount) Error(ctlbase::ListIndexOutOfBounds, Index);
    if (FCount == FCapacity) Grow();
    ctlbase::InsertSlot(FList, FCount, Index, Item);
    ++FCount;
}

void* TExList::Get(Integer Index)
{
    CheckIndex(Index);
    return FList[Index];
}

void TExList::Put(Integer Index, void* Item)
{
    CheckIndex(Index);
    if (FList[Index] != nullptr && OnDelete) OnDelete(this, FList[Index]);
    FList[Index] = Item;
}

void TExList::TriggerDeleteEvent(void* Item)
{
    if (OnDelete) OnDelete(this, Item);
}

void TExList::IntDelete(Integer Index)
{
    CheckIndex(Index);
    ctlbase::RemoveSlot(FList, FCount, Index);
    --FCount;
}

void TExList::Delete(Integer Index)
{
    CheckIndex(Index);
    void* item = FList[Index];
    TriggerDeleteEvent(item);
    if (OwnsItems) delete static_cast<TObject*>(item);
    IntDelete(Index);
    ShrinkOnce();
}

void TExList::DeleteRange(Integer StartIndex, Integer EndIndex)
{
    CheckIndex(StartIndex);
    if (EndIndex < StartIndex || EndIndex >= FCount) Error(ctlbase::ListIndexOutOfBounds, EndIndex);
    for (Integer i = StartIndex; i <= EndIndex; ++i) TriggerDeleteEvent(FList[i]);
    const Integer removed = EndIndex - StartIndex + 1;
    if (EndIndex + 1 < FCount)
        std::memmove(FList + StartIndex, FList + EndIndex + 1,
                     sizeof(void*) * static_cast<size_t>(FCount - EndIndex - 1));
    FCount -= removed;
    ShrinkOnce();
}

Integer TExList::Remove(void* Item)
{
    const Integer index = IndexOf(Item);
    if (index < 0) return -1;
    TriggerDeleteEvent(Item);
    IntDelete(index);
    ShrinkOnce();
    return index;
}

void TExList::Clear()
{
    for (Integer i = 0; i < FCount; ++i) TriggerDeleteEvent(FList[i]);
    if (OwnsItems) {
        for (Integer i = 0; i < FCount; ++i) {
            try {
                delete static_cast<TObject*>(Get(i));
            } catch (...) {
                // One item failing to go must not keep the others alive.
            }
        }
    }
    delete[] FList;
    FList = nullptr;
    FCount = 0;
    FCapacity = 0;
    FAlloc = 0;
}

void TExList::Pack()
{
    for (Integer i = FCount - 1; i >= 0; --i)
        if (Get(i) == nullptr) Delete(i);
}

Integer TExList::IndexOf(const void* Item) const
{
    for (Integer i = 0; i < FCount; ++i)
        if (FList[i] == Item) return i;
    return -1;
}

Integer TExList::IndexOfFrom(Integer StartIndex, const void* Item) const
{
    CheckIndex(StartIndex);
    for (Integer i = StartIndex; i < FCount; ++i)
        if (FList[i] == Item) return i;
    return -1;
}

Integer TExList::IndexOfBack(Integer StartIndex, const void* Item) const
{
    CheckIndex(StartIndex);
    for (Integer i = StartIndex; i >= 0; --i)
        if (FList[i] == Item) return i;
    return -1;
}

void TExList::Exchange(Integer Index1, Integer Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[Index1], FList[Index2]);
}

void TExList::Move(Integer CurIndex, Integer NewIndex)
{
    if (CurIndex == NewIndex) return;
    CheckIndex(NewIndex);
    CheckIndex(CurIndex);
    void* item = FList[CurIndex];
    IntDelete(CurIndex);
    Insert(NewIndex, item);
}

void TExList::MoveRange(Integer CurStart, Integer CurEnd, Integer NewStart)
{
    if (CurStart == NewStart) return;
    if (NewStart < 0 || NewStart >= FCount || (NewStart >= CurStart && NewStart <= CurEnd))
        Error(ctlbase::ListIndexOutOfBounds, NewStart);
    CheckIndex(CurStart);
    // A reversed block would make a negative length; it is refused like any bad end index.
    if (CurEnd < CurStart || CurEnd >= FCount) Error(ctlbase::ListIndexOutOfBounds, CurEnd);
    ctlbase::MoveBlock(FList, CurStart, CurEnd, NewStart);
}

void TExList::SetCapacity(Integer NewCapacity)
{
    if (NewCapacity < FCount || NewCapacity >= ctlbase::MaxListSize)
        Error(ctlbase::ListIndexOutOfBounds, NewCapacity);
    if (NewCapacity != FCapacity) Reallocate(NewCapacity);
}

void TExList::SetCount(Integer NewCount)
{
    if (NewCount < 0 || NewCount >= ctlbase::MaxListSize) Error(ctlbase::ListIndexOutOfBounds, NewCount);
    if (NewCount > FCapacity) SetCapacity(NewCount);
    for (Integer i = FCount; i < NewCount; ++i) FList[i] = nullptr;
    FCount = NewCount;
}

template <class Compare>
void TExList::QuickSort(Integer L, Integer R, const Compare& Cmp, void* Cargo)
{
    do {
        Integer I = L;
        Integer J = R;
        void* P = FList[static_cast<Integer>((static_cast<unsigned>(L) + static_cast<unsigned>(R)) >> 1)];
        do {
            // The bounds only matter for a compare function that contradicts itself; a consistent
            // one stops at the pivot first.
            while (I < R && Cmp(FList[I], P, Cargo) < 0) ++I;
            while (J > L && Cmp(FList[J], P, Cargo) > 0) --J;
            if (I <= J) {
                if (I != J) std::swap(FList[I], FList[J]);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) QuickSort(L, J, Cmp, Cargo);
        L = I;
    } while (L < R);
}

void TExList::Sort(TExListSortCompare Compare, void* Cargo)
{
    if (FList != nullptr && FCount > 0) QuickSort(0, FCount - 1, Compare, Cargo);
}

void TExList::SortC(const TExListSortCompareEx& Compare, void* Cargo)
{
    if (FList != nullptr && FCount > 0) QuickSort(0, FCount - 1, Compare, Cargo);
}

void TExList::Assign(TPersistent* Source)
{
    if (auto* src = dynamic_cast<TExList*>(Source)) {
        // Assigning a list to itself would clear it before the copy.
        if (src == this) return;
        Clear();
        SetCapacity(src->FCapacity);
        SetCount(src->FCount);
        if (FCount > 0) std::memcpy(FList, src->FList, sizeof(void*) * static_cast<size_t>(FCount));
        return;
    }
    TPersistent::Assign(Source);
}

#include "ctlbase/Exarray.h"

#include <cstring>
#include <utility>

#include "ctlbase/Exlist.h"

namespace ctlbase {

Integer GrowDelta(Integer Capacity)
{
    if (Capacity > 64) return Capacity / 4;
    if (Capacity > 8) return 16;
    return 4;
}

}  // namespace ctlbase

TExArray::~TExArray()
{
    // As Clear, but an OnDelete handler that raises can neither stop the others from hearing of
    // their items nor keep owned items alive: a destructor cannot pass the exception on.
    for (Integer i = 0; i < FCount; ++i) {
        if (FList[i] == nullptr || !OnDelete) continue;
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

void TExArray::Error(const char* Msg, Integer Data)
{
    throw EExArrayError(Format(Msg, Data));
}

void* TExArray::Get(Integer Index)
{
    if (Index < 0) Error(ctlbase::ListIndexOutOfBounds, Index);
    return Index >= FCount ? nullptr : FList[Index];
}

void TExArray::Put(Integer Index, void* Item)
{
    if (Index < 0 || Index >= ctlbase::MaxListSize - 1) Error(ctlbase::ListIndexOutOfBounds, Index);
    if (Index >= FCount) SetCount(Index + 1);
    if (FList[Index] != nullptr) TriggerDeleteEvent(FList[Index]);
    FList[Index] = Item;
}

void TExArray::TriggerDeleteEvent(void* Item)
{
    if (OnDelete) OnDelete(this, Item);
}

Integer TExArray::Add(void* Item)
{
    if (FCount == FCapacity) Grow();
    FList[FCount] = Item;
    return FCount++;
}

void TExArray::Insert(Integer Index, void* Item)
{
    if (Index < 0 || Index > FCount) Error(ctlbase::ListIndexOutOfBounds, Index);
    if (FCount == FCapacity) Grow();
    ctlbase::InsertSlot(FList, FCount, Index, Item);
    ++FCount;
}

void TExArray::TakeOut(Integer Index)
{
    ctlbase::RemoveSlot(FList, FCount, Index);
    --FCount;
}

void TExArray::Delete(Integer Index)
{
    if (Index < 0 || Index >= FCount) Error(ctlbase::ListIndexOutOfBounds, Index);
    void* item = FList[Index];
    TriggerDeleteEvent(item);
    if (OwnsItems) delete static_cast<TObject*>(item);
    TakeOut(Index);
    if (FCapacity / 2 > FCount) SetCapacity(FCapacity / 2);
}

Integer TExArray::Remove(void* Item)
{
    const Integer index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
}

void TExArray::Pack()
{
    for (Integer i = FCount - 1; i >= 0; --i)
        if (Get(i) == nullptr) Delete(i);
}

void TExArray::Clear()
{
    if (OnDelete)
        for (Integer i = 0; i < FCount; ++i)
            if (FList[i] != nullptr) TriggerDeleteEvent(FList[i]);
    if (OwnsItems) {
        for (Integer i = 0; i < FCount; ++i) {
            if (FList[i] == nullptr) continue;
            try {
                delete static_cast<TObject*>(FList[i]);
            } catch (...) {
                // One item failing to go must not keep the others alive.
            }
        }
    }
    SetCount(0);
    SetCapacity(0);
}

void TExArray::Exchange(Integer Index1, Integer Index2)
{
    for (Integer index : {Index1, Index2})
        if (index < 0 || index >= ctlbase::MaxListSize - 1) Error(ctlbase::ListIndexOutOfBounds, index);
    if (Index1 >= FCount) SetCount(Index1 + 1);
    if (Index2 >= FCount) SetCount(Index2 + 1);
    std::swap(FList[Index1], FList[Index2]);
}

void TExArray::Move(Integer CurIndex, Integer NewIndex)
{
    if (CurIndex == NewIndex) return;
    if (NewIndex < 0 || NewIndex >= ctlbase::MaxListSize - 1) Error(ctlbase::ListIndexOutOfBounds, NewIndex);
    // Both checks come before the array is extended, so a refused move changes nothing.
    const Integer count = NewIndex >= FCount ? NewIndex + 1 : FCount;
    if (CurIndex < 0 || CurIndex >= count) Error(ctlbase::ListIndexOutOfBounds, CurIndex);
    if (NewIndex >= FCount) SetCount(NewIndex + 1);
    void* item = FList[CurIndex];
    TakeOut(CurIndex);
    Insert(NewIndex, item);
}

void TExArray::MoveRange(Integer CurStart, Integer CurEnd, Integer NewStart)
{
    if (CurStart == NewStart) return;
    if (NewStart < 0 || NewStart >= FCount || (NewStart >= CurStart && NewStart <= CurEnd))
        Error(ctlbase::ListIndexOutOfBounds, NewStart);
    if (CurStart < 0 || CurStart >= FCount) Error(ctlbase::ListIndexOutOfBounds, CurStart);
    if (CurEnd < CurStart || CurEnd >= FCount) Error(ctlbase::ListIndexOutOfBounds, CurEnd);
    ctlbase::MoveBlock(FList, CurStart, CurEnd, NewStart);
}

Integer TExArray::IndexOf(const void* Item) const
{
    for (Integer i = 0; i < FCount; ++i)
        if (FList[i] == Item) return i;
    return -1;
}

Integer TExArray::IndexOfFrom(Integer StartIndex, const void* Item) const
{
    if (StartIndex < 0) Error(ctlbase::ListIndexOutOfBounds, StartIndex);
    for (Integer i = StartIndex; i < FCount; ++i)
        if (FList[i] == Item) return i;
    return -1;
}

Integer TExArray::IndexOfBack(Integer StartIndex, const void* Item) const
{
    if (StartIndex < 0) Error(ctlbase::ListIndexOutOfBounds, StartIndex);
    for (Integer i = StartIndex >= FCount ? FCount - 1 : StartIndex; i >= 0; --i)
        if (FList[i] == Item) return i;
    return -1;
}

void* TExArray::First()
{
    return Get(0);
}

void* TExArray::Last()
{
    return Get(FCount - 1);
}

TExArray* TExArray::Expand()
{
    if (FCount == FCapacity) Grow();
    return this;
}

void TExArray::Grow()
{
    SetCapacity(FCapacity + ctlbase::GrowDelta(FCapacity));
}

void TExArray::SetCapacity(Integer NewCapacity)
{
    if (NewCapacity < FCount || NewCapacity >= ctlbase::MaxListSize)
        Error(ctlbase::ListIndexOutOfBounds, NewCapacity);
    if (NewCapacity == FCapacity) return;
    FList = ctlbase::ReallocPointers(FList, FCount, NewCapacity);
    FCapacity = NewCapacity;
}

void TExArray::SetCount(Integer NewCount)
{
    if (NewCount < 0 || NewCount >= ctlbase::MaxListSize) Error(ctlbase::ListIndexOutOfBounds, NewCount);
    if (NewCount > FCapacity) SetCapacity(NewCount);
    for (Integer i = FCount; i < NewCount; ++i) FList[i] = nullptr;
    FCount = NewCount;
}

void TExArray::Assign(const TExArray* Source)
{
    if (Source == this) return;  // would clear itself before the copy
    Clear();
    SetCapacity(Source->FCapacity);
    SetCount(Source->FCount);
    if (FCount > 0) std::memcpy(FList, Source->FList, sizeof(void*) * static_cast<size_t>(FCount));
}

void TExArray::QuickSort(Integer L, Integer R, TExArraySortCompare Compare, void* Cargo)
{
    do {
        Integer I = L;
        Integer J = R;
        void* P = FList[static_cast<Integer>((static_cast<unsigned>(L) + static_cast<unsigned>(R)) >> 1)];
        do {
            Integer C1 = Compare(FList[I], P, Cargo);
            Integer C2 = Compare(FList[J], P, Cargo);
            // The bounds only matter for a compare function that contradicts itself.
            while (C1 < 0 && I < R) C1 = Compare(FList[++I], P, Cargo);
            while (C2 > 0 && J > L) C2 = Compare(FList[--J], P, Cargo);
            if (I <= J) {
                if (I != J && !(C1 == 0 && C2 == 0)) std::swap(FList[I], FList[J]);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) QuickSort(L, J, Compare, Cargo);
        L = I;
    } while (L < R);
}

void TExArray::Sort(TExArraySortCompare Compare, void* Cargo)
{
    if (FList != nullptr && FCount > 0) QuickSort(0, FCount - 1, Compare, Cargo);
}

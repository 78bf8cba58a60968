// TExList: the ordered pointer list the whole control library stands on. Its Capacity grows and
// shrinks in steps of 256 slots (the block behind it grows geometrically), tells OnDelete of every item a deleting operation takes out, and can own
// its items (then Delete and Clear free them as TObject).
#pragma once

#include <functional>

#include "platform/Classes.h"

class EExListError : public Exception {
public:
    using Exception::Exception;
};

using TExListDeleteEvent = std::function<void(TObject* Sender, void* Item)>;
// Negative when Item1 sorts before Item2, 0 when equal, positive when after.
using TExListSortCompare = Integer (*)(void* Item1, void* Item2, void* Cargo);
using TExListSortCompareEx = std::function<Integer(void* Item1, void* Item2, void* Cargo)>;

namespace ctlbase {
inline constexpr const char* ListIndexOutOfBounds = "List index [%d] out of bounds...";
// Capacity and Count stay below this.
inline constexpr Integer MaxListSize = 0x8000000;

// Slot work shared by the library's pointer containers; the callers check the indexes.
// Reallocates a pointer block to NewCapacity slots keeping the first Keep; nil for 0 slots.
void** ReallocPointers(void** List, Integer Keep, Integer NewCapacity);
// Opens slot Index of the Count in use (room for one more is there) and stores Item in it.
void InsertSlot(void** List, Integer Count, Integer Index, void* Item);
// Closes slot Index of the Count in use.
void RemoveSlot(void** List, Integer Count, Integer Index);
// Moves the block CurStart..CurEnd to stand just before the slot that was at NewStart (outside it).
void MoveBlock(void** List, Integer CurStart, Integer CurEnd, Integer NewStart);
}  // namespace ctlbase

class TExList : public TPersistent {
public:
    TExList() = default;
    // Clears the list (events fire, owned items are freed). A descendant that overrides the
    // deleting operations calls Clear in its own destructor.
    ~TExList() override;

    // When set, Delete and Clear free each item; items must then be TObject pointers (or nil).
    bool OwnsItems = false;
    TExListDeleteEvent OnDelete;

    Integer Count() const { return FCount; }
    Integer Capacity() const { return FCapacity; }
    void* Items(Integer Index) { return Get(Index); }

    Integer Add(void* Item);
    void Insert(Integer Index, void* Item);
    virtual void* Get(Integer Index);
    virtual void Put(Integer Index, void* Item);
    // No index check: callers keep Index inside 0..Count-1.
    void* FastGet(Integer Index) const { return FList[Index]; }
    // No check for an empty list: callers test Count first.
    void* First() const { return FList[0]; }
    void* Last() const { return FList[FCount - 1]; }

    virtual void Delete(Integer Index);
    virtual void DeleteRange(Integer StartIndex, Integer EndIndex);
    void IntDelete(Integer Index);
    Integer Remove(void* Item);
    virtual void Clear();
    void Pack();

    Integer IndexOf(const void* Item) const;
    Integer IndexOfFrom(Integer StartIndex, const void* Item) const;
    Integer IndexOfBack(Integer StartIndex, const void* Item) const;

    void Exchange(Integer Index1, Integer Index2);
    void Move(Integer CurIndex, Integer NewIndex);
    // Moves the block CurStart..CurEnd so that it stands just before the item that was at NewStart.
    void MoveRange(Integer CurStart, Integer CurEnd, Integer NewStart);

    TExList* Expand();
    virtual void Grow();
    void SetCapacity(Integer NewCapacity);
    void SetCount(Integer NewCount);

    void Sort(TExListSortCompare Compare, void* Cargo);
    void SortC(const TExListSortCompareEx& Compare, void* Cargo);

    void Assign(TPersistent* Source) override;

    [[noreturn]] static void Error(const char* Msg, Integer Data);

protected:
    virtual void TriggerDeleteEvent(void* Item);

private:
    void Reallocate(Integer NewCapacity);
    void ShrinkOnce();
    void CheckIndex(Integer Index) const;
    template <class Compare>
    void QuickSort(Integer L, Integer R, const Compare& Cmp, void* Cargo);

    void** FList = nullptr;
    Integer FCount = 0;
    Integer FCapacity = 0;
    Integer FAlloc = 0;  // slots behind FList, at least FCapacity
};

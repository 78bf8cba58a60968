// TExArray: a sparse, self-extending pointer array. Reading beyond the end gives nil and writing
// beyond it extends the array, so it serves as a map from small integers to objects.
#pragma once

#include <functional>

#include "platform/Classes.h"

class EExArrayError : public Exception {
public:
    using Exception::Exception;
};

using TExArrayDeleteEvent = std::function<void(TObject* Sender, void* Item)>;
using TExArraySortCompare = Integer (*)(void* Item1, void* Item2, void* Cargo);

class TExArray : public TObject {
public:
    TExArray() = default;
    ~TExArray() override;

    // When set, Delete and Clear free items as TObject pointers.
    bool OwnsItems = false;
    TExArrayDeleteEvent OnDelete;

    Integer Count() const { return FCount; }
    Integer Capacity() const { return FCapacity; }
    void* Items(Integer Index) { return Get(Index); }

    virtual void* Get(Integer Index);
    virtual void Put(Integer Index, void* Item);
    Integer Add(void* Item);
    void Insert(Integer Index, void* Item);
    virtual void Delete(Integer Index);
    Integer Remove(void* Item);
    void Pack();
    void Clear();

    void Exchange(Integer Index1, Integer Index2);
    void Move(Integer CurIndex, Integer NewIndex);
    void MoveRange(Integer CurStart, Integer CurEnd, Integer NewStart);

    Integer IndexOf(const void* Item) const;
    Integer IndexOfFrom(Integer StartIndex, const void* Item) const;
    Integer IndexOfBack(Integer StartIndex, const void* Item) const;
    void* First();
    void* Last();

    TExArray* Expand();
    virtual void Grow();
    void SetCapacity(Integer NewCapacity);
    void SetCount(Integer NewCount);

    void Assign(const TExArray* Source);
    void Sort(TExArraySortCompare Compare, void* Cargo);

    [[noreturn]] static void Error(const char* Msg, Integer Data);

protected:
    virtual void TriggerDeleteEvent(void* Item);

private:
    void QuickSort(Integer L, Integer R, TExArraySortCompare Compare, void* Cargo);
    void TakeOut(Integer Index);

    void** FList = nullptr;
    Integer FCount = 0;
    Integer FCapacity = 0;
};

namespace ctlbase {
// Growth step shared by the array and the stack: 4 up to 8 slots, 16 up to 64, then a quarter.
Integer GrowDelta(Integer Capacity);
}  // namespace ctlbase

// Guarded pointers: a pointer to a TObject that turns null once the object goes, so code that raised
// an event (or walks objects while handlers run) can tell whether a handler freed what it still holds.
//
// THE RULE FOR CODE THAT RAISES A HANDLER (a user's event, a message a subclass or another control
// handles, a notification, a virtual that a subclass may override with one):
//
//   A handler may free anything (the control that raised it, its form, a sibling, the item it was
//   told of), clear or refill what the control holds, or raise. So code that raises a handler either
//   raises it where nothing computed before is used afterwards (at the start or the end of its step),
//   or, after the handler returns, reads again everything it took before (the control, its form, the
//   item, the index, the count, the paragraph, the position) and stops, or starts the step again,
//   when any of it changed or went. A guard (below) tells whether an object went; an index or a
//   count is looked up again, never trusted.
//
//   A list of listeners or children told one after another is walked over a snapshot of guards
//   (GuardedCopy), skipping those gone (or no longer in the list) by their turn and stopping once the
//   walker itself has gone; or by an index checked against the list's size at every step.
//
//   Progress events of a stream are raised where the object is whole (nothing half loaded or half
//   written is visible); a change made from such a handler waits for the operation or ends it
//   cleanly.
//
//     TGuardPtr<TMyControl> self(this);
//     if (OnChange) OnChange(this);
//     if (!self) return;  // the handler freed us
//
// A component's guards clear when it starts going (Destroying, which owners and destructors call
// first); any object's clear when Free is called on it and, at the latest, when TObject's destructor
// runs. Guards are main-thread objects: they are not safe to share with another thread.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Classes.h"

// Shared by every guard of one object; the object holds one reference while it lives.
struct TGuardBlock {
    TObject* Obj = nullptr;
    std::size_t Refs = 0;

    // The block of Object, made on first use; for an object already going, a block that reads null.
    static TGuardBlock* Of(TObject* Object);
    static void Acquire(TGuardBlock* Block) { ++Block->Refs; }
    static void Release(TGuardBlock* Block);
};

template <class T>
class TGuardPtr {
public:
    TGuardPtr() = default;
    TGuardPtr(T* Object) : FBlock(Object ? TGuardBlock::Of(Object) : nullptr), FOffset(OffsetOf(Object))  // NOLINT
    {
        if (FBlock) TGuardBlock::Acquire(FBlock);
    }
    TGuardPtr(const TGuardPtr& Other) : FBlock(Other.FBlock), FOffset(Other.FOffset)
    {
        if (FBlock) TGuardBlock::Acquire(FBlock);
    }
    TGuardPtr(TGuardPtr&& Other) noexcept : FBlock(Other.FBlock), FOffset(Other.FOffset)
    {
        Other.FBlock = nullptr;
    }
    TGuardPtr& operator=(const TGuardPtr& Other)
    {
        TGuardPtr copy(Other);
        Swap(copy);
        return *this;
    }
    TGuardPtr& operator=(TGuardPtr&& Other) noexcept
    {
        TGuardPtr moved(static_cast<TGuardPtr&&>(Other));
        Swap(moved);
        return *this;
    }
    TGuardPtr& operator=(T* Object)
    {
        TGuardPtr fresh(Object);
        Swap(fresh);
        return *this;
    }
    ~TGuardPtr()
    {
        if (FBlock) TGuardBlock::Release(FBlock);
    }

    // The object, or null once it has gone (or started going).
    T* Get() const
    {
        if (!FBlock || !FBlock->Obj) return nullptr;
        return reinterpret_cast<T*>(reinterpret_cast<char*>(FBlock->Obj) - FOffset);
    }
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    explicit operator bool() const { return Get() != nullptr; }
    // True when the guard was set to an object that has gone since.
    bool Gone() const { return FBlock && !FBlock->Obj; }
    void Clear() { *this = TGuardPtr(); }

private:
    void Swap(TGuardPtr& Other) noexcept
    {
        TGuardBlock* b = FBlock;
        FBlock = Other.FBlock;
        Other.FBlock = b;
        std::ptrdiff_t o = FOffset;
        FOffset = Other.FOffset;
        Other.FOffset = o;
    }
    // Where the object part lies in T (not always at its start). The object is found through the
    // block alone, so a guard keeps no copy of a pointer that may have been freed.
    static std::ptrdiff_t OffsetOf(T* Object)
    {
        if (!Object) return 0;
        return reinterpret_cast<char*>(static_cast<TObject*>(Object)) - reinterpret_cast<char*>(Object);
    }

    TGuardBlock* FBlock = nullptr;
    std::ptrdiff_t FOffset = 0;
};

// A snapshot of guards over a list of objects, for walks that raise handlers: each entry reads null
// once its object has gone.
//
//     for (TGuardPtr<TControl>& c : GuardedCopy<TControl>(FControls)) {
//         if (!self) return;                      // the walker went
//         if (!c || c->Parent() != this) continue;  // gone, or moved, before its turn
//         c->Perform(...);
//     }
template <class T, class List>
std::vector<TGuardPtr<T>> GuardedCopy(const List& Items)
{
    std::vector<TGuardPtr<T>> copy;
    copy.reserve(Items.size());
    for (auto* item : Items)
        copy.emplace_back(item);
    return copy;
}

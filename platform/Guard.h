// Guarded pointers: a pointer to a TObject that turns null once the object goes, so code that raised
// an event (or walks objects while handlers run) can tell whether a handler freed what it still holds.
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

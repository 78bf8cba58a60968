// TExStack: a growable pointer stack. It never owns what it holds.
#pragma once

#include "platform/Classes.h"

class EExStackError : public Exception {
public:
    using Exception::Exception;
};

class TExStack : public TObject {
public:
    TExStack() = default;
    ~TExStack() override;

    Integer Count() const { return FCount; }
    Integer Capacity() const { return FCapacity; }
    bool Empty() const { return FCount == 0; }

    void Push(void* Item);
    void* Pop();
    // Direct slot access without any check (0 is the bottom); callers keep Index below Count.
    void* Get(Integer Index) const { return FList[Index]; }
    void Put(Integer Index, void* Item) { FList[Index] = Item; }

    void SetCapacity(Integer NewCapacity);
    void Grow();
    void Clear();

private:
    void** FList = nullptr;
    Integer FCount = 0;
    Integer FCapacity = 0;
};

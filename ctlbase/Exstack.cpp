#include "ctlbase/Exstack.h"

#include "ctlbase/Exarray.h"
#include "ctlbase/Exlist.h"

TExStack::~TExStack()
{
    delete[] FList;
}

void TExStack::Push(void* Item)
{
    if (FCount == FCapacity) Grow();
    FList[FCount++] = Item;
}

void* TExStack::Pop()
{
    if (FCount == 0) throw EExStackError("ExStack is empty.");
    void* item = FList[--FCount];
    if (FCapacity / 2 > FCount) SetCapacity(FCapacity / 2);
    return item;
}

void TExStack::SetCapacity(Integer NewCapacity)
{
    if (NewCapacity < FCount || NewCapacity >= ctlbase::MaxListSize)
        throw EExStackError("Invalid ExStack capacity.");
    if (NewCapacity == FCapacity) return;
    FList = ctlbase::ReallocPointers(FList, FCount, NewCapacity);
    FCapacity = NewCapacity;
}

void TExStack::Grow()
{
    SetCapacity(FCapacity + ctlbase::GrowDelta(FCapacity));
}

void TExStack::Clear()
{
    FCount = 0;
    SetCapacity(0);
}

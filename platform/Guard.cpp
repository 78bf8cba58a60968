#include "platform/Guard.h"

namespace {
// What an object that has started going hands to new guards: it reads null and is never freed.
TGuardBlock GoneBlock{nullptr, 1};
}  // namespace

TGuardBlock* TGuardBlock::Of(TObject* Object)
{
    if (Object->FGuardBlock == nullptr) {
        Object->FGuardBlock = new TGuardBlock{Object, 1};
    }
    return Object->FGuardBlock;
}

void TGuardBlock::Release(TGuardBlock* Block)
{
    if (Block == &GoneBlock) return;
    if (--Block->Refs == 0) delete Block;
}

void TObject::DropGuardBlock()
{
    TGuardBlock* b = FGuardBlock;
    FGuardBlock = &GoneBlock;
    if (b == &GoneBlock) return;
    b->Obj = nullptr;
    TGuardBlock::Release(b);
}

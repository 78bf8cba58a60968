// Collections of owned items.
#include "platform/Classes.h"

#include <algorithm>

// ---------------------------------------------------------------- TCollection

TCollectionItem::TCollectionItem(TCollection* ACollection) : FCollection(ACollection)
{
    if (FCollection != nullptr) FCollection->FItems.push_back(this);
}

TCollectionItem::~TCollectionItem()
{
    if (FCollection == nullptr) return;
    auto& items = FCollection->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

int TCollectionItem::Index() const
{
    if (FCollection == nullptr) return -1;
    const auto& items = FCollection->FItems;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

TPersistent* TCollectionItem::GetOwner()
{
    return FCollection;
}

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(std::move(ItemClass)) {}

TCollection::~TCollection()
{
    Clear();
}

TCollectionItem* TCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EListError(Format(SysMsg::ListIndexError, Index));
    return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* item = FItemClass(this);
    // An item class whose constructor did not join the collection is joined here.
    if (item != nullptr && item->FCollection == nullptr) {
        item->FCollection = this;
        FItems.push_back(item);
    }
    return item;
}

void TCollection::Delete(int Index)
{
    delete Items(Index);
}

void TCollection::Clear()
{
    while (!FItems.empty()) delete FItems.back();
}

void TCollection::Assign(TPersistent* Source)
{
    if (auto* src = dynamic_cast<TCollection*>(Source)) {
        if (src == this) return;
        Clear();
        for (TCollectionItem* item : src->FItems) Add()->Assign(item);
        return;
    }
    TPersistent::Assign(Source);
}

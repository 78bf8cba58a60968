#include "ctlbase/Exobjlist.h"

#include "ctlbase/Exini.h"
#include "ctlbase/Extools.h"
#include "platform/TypInfo.h"

const TClassInfo* TExObjectListItem::Info()
{
    static const TClassInfo* info = TPublish<TExObjectListItem>("TExObjectListItem", nullptr)
                                        .Creates([](TPersistent* Owner) -> TPersistent* {
                                            return new TExObjectListItem(dynamic_cast<TExObjectList*>(Owner));
                                        })
                                        .Register();
    return info;
}

namespace {

std::string ItemKey(TExIniFile* IniFile, const std::string& Key, Integer N)
{
    const std::string name = "Item{" + IntToStr(N) + "}";
    if (Key.empty()) return name;
    return Key.back() == IniFile->Delimiter() ? Key + name : Key + IniFile->Delimiter() + name;
}

}  // namespace

// ---------------------------------------------------------------- TExObjectListItem

TExObjectListItem::TExObjectListItem(TExObjectList* AOwner) : FOwner(AOwner) {}

TPersistent* TExObjectListItem::GetOwner()
{
    return FOwner;
}

void TExObjectListItem::AfterLoad(TExIniFile*, const std::string&) {}

void TExObjectListItem::AfterSave(TExIniFile* IniFile, const std::string& Key)
{
    IniFile->WriteInteger(Key, "ID", ID);
}

void TExObjectListItem::BeforeLoad(TExIniFile* IniFile, const std::string& Key)
{
    IniFile->ReadInteger(Key, "ID", ID, ID);
    if (FOwner != nullptr) FOwner->NoteID(ID);
}

void TExObjectListItem::BeforeSave(TExIniFile*, const std::string&) {}

void TExObjectListItem::Assign(TPersistent* Source)
{
    if (auto* src = dynamic_cast<TExObjectListItem*>(Source)) {
        ID = src->ID;
        if (FOwner != nullptr) FOwner->NoteID(ID);
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------- TExObjectList

TExObjectList::TExObjectList(TPersistent* AOwner, const TClassInfo* AItemClass)
    : FOwner(AOwner), FItemClass(AItemClass != nullptr ? AItemClass : TExObjectListItem::Info())
{
    OwnsItems = true;
}

TExObjectList::~TExObjectList()
{
    Clear();
}

TExObjectListItem* TExObjectList::NewItem(const TClassInfo* Class)
{
    if (Class == nullptr || !Class->Create || !InheritsFrom(Class, TExObjectListItem::Info()))
        throw EExListError("Class " + (Class != nullptr ? Class->Name : std::string("nil")) +
                           " cannot be made as an object list item");
    TPersistent* made = Class->Create(this);
    auto* item = dynamic_cast<TExObjectListItem*>(made);
    if (item == nullptr) {
        delete made;
        throw EExListError("Class " + Class->Name + " cannot be made as an object list item");
    }
    item->FOwner = this;
    item->ID = FNextID;
    NoteID(item->ID);
    return item;
}

TExObjectListItem* TExObjectList::Add()
{
    TExObjectListItem* item = NewItem(FItemClass);
    TExList::Add(item);
    return item;
}

Integer TExObjectList::AddItem(TExObjectListItem* Item)
{
    if (Item != nullptr) NoteID(Item->ID);
    return TExList::Add(Item);
}

void TExObjectList::NoteID(Integer ID)
{
    if (ID >= FNextID) FNextID = ID < MaxInt ? ID + 1 : MaxInt;
}

void TExObjectList::Put(Integer Index, void* Item)
{
    void* old = Get(Index);
    TExList::Put(Index, Item);
    if (old != Item) delete static_cast<TExObjectListItem*>(old);
    if (Item != nullptr) NoteID(static_cast<TExObjectListItem*>(Item)->ID);
}

void TExObjectList::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TExList*>(Source);
    if (src == nullptr) {
        TExList::Assign(Source);
        return;
    }
    if (src == this) return;
    // Copies even from a plain pointer list: its items belong to someone else (often another object
    // list), and taking the pointers over would free them twice.
    Clear();
    for (Integer i = 0; i < src->Count(); ++i) {
        auto* from = static_cast<TExObjectListItem*>(src->Get(i));
        if (from == nullptr) continue;
        const TClassInfo* cls = ClassInfoOf(from);
        TExObjectListItem* item = NewItem(cls != nullptr ? cls : FItemClass);
        try {
            item->Assign(from);
        } catch (...) {
            delete item;
            throw;
        }
        TExList::Add(item);
    }
}

void TExObjectList::AfterLoad(TExIniFile*, const std::string&) {}

void TExObjectList::AfterSave(TExIniFile*, const std::string&) {}

void TExObjectList::BeforeLoad(TExIniFile* IniFile, const std::string& Key)
{
    Clear();
    Integer count = 0;
    IniFile->ReadInteger(Key, "ItemsCount", 0, count);
    // Every saved item has a key of its own; a count beyond them is damage, not items.
    if (count <= 0 || !IniFile->KeyExists(Key)) return;
    count = Min(count, IniFile->SubKeysCount(Key));
    for (Integer i = 0; i < count; ++i) Add();
}

void TExObjectList::BeforeSave(TExIniFile* IniFile, const std::string& Key)
{
    IniFile->WriteInteger(Key, "ItemsCount", Count());
}

// ---------------------------------------------------------------- TExHeteroObjectList

void TExHeteroObjectList::BeforeLoad(TExIniFile* IniFile, const std::string& Key)
{
    Clear();
    Integer count = 0;
    IniFile->ReadInteger(Key, "HetItemsCount", 0, count);
    if (count <= 0 || !IniFile->KeyExists(Key)) return;
    // Item keys left over from a longer list saved earlier are not items.
    count = Min(count, IniFile->SubKeysCount(Key));
    for (Integer n = 0; n < count; ++n) {
        std::string name;
        if (!IniFile->ReadString(ItemKey(IniFile, Key, n), "ClsNm", "", name)) continue;
        const TClassInfo* cls = GetClass(name);
        if (cls == nullptr || !cls->Create || !InheritsFrom(cls, TExObjectListItem::Info())) continue;
        TExObjectListItem* item = NewItem(cls);
        item->FLoadSlot = n;
        TExList::Add(item);
    }
}

void TExHeteroObjectList::BeforeSave(TExIniFile* IniFile, const std::string& Key)
{
    TExObjectList::BeforeSave(IniFile, Key);
    IniFile->WriteInteger(Key, "HetItemsCount", Count());
}

// Lists of owned persistent items that save and restore themselves through the settings store:
// TExObjectList holds items of one item class, TExHeteroObjectList items of mixed classes (each saved
// with its class name). The store's WriteObject and ReadObject find these lists among an object's
// published properties and drive the hooks below.
#pragma once

#include <string>

#include "ctlbase/Exlist.h"

class TExIniFile;
class TExObjectList;
struct TClassInfo;

class TExObjectListItem : public TPersistent {
public:
    // The item joins no list by being made; Owner is only remembered (GetOwner).
    explicit TExObjectListItem(TExObjectList* AOwner);

    // Given by the owning list (Add); unique among the items its list handed out or loaded.
    Integer ID = 0;
    TExObjectList* OwnerList() const { return FOwner; }

    virtual void AfterLoad(TExIniFile* IniFile, const std::string& Key);
    // Writes "ID" under Key.
    virtual void AfterSave(TExIniFile* IniFile, const std::string& Key);
    // Reads "ID" under Key (keeping the current one when absent).
    virtual void BeforeLoad(TExIniFile* IniFile, const std::string& Key);
    virtual void BeforeSave(TExIniFile* IniFile, const std::string& Key);
    // From another item: its ID.
    void Assign(TPersistent* Source) override;

    // The registered class of the base item (name "TExObjectListItem"), registered on first use.
    static const TClassInfo* Info();

protected:
    TPersistent* GetOwner() override;

private:
    friend class TExIniFile;
    friend class TExObjectList;
    friend class TExHeteroObjectList;
    TExObjectList* FOwner = nullptr;
    // While a mixed list loads: the number of the stored item this one was made from.
    Integer FLoadSlot = -1;
};

// Owns its items: Delete, Clear, replacing an item and destroying the list free them.
class TExObjectList : public TExList {
public:
    // ItemClass: a registered descendant of TExObjectListItem that can be made by name; nil means
    // TExObjectListItem itself.
    TExObjectList(TPersistent* AOwner, const TClassInfo* AItemClass);
    ~TExObjectList() override;

    // A new item of the item class with the next identifier, appended.
    TExObjectListItem* Add();
    // Appends an existing item; identifiers handed out later stay clear of its ID.
    Integer AddItem(TExObjectListItem* Item);
    TExObjectListItem* GetItems(Integer Index) { return static_cast<TExObjectListItem*>(Get(Index)); }
    void SetItems(Integer Index, TExObjectListItem* Item) { Put(Index, Item); }
    TExObjectListItem* Items(Integer Index) { return GetItems(Index); }
    void Put(Integer Index, void* Item) override;
    // From another object list, or a plain pointer list of items: Clear, then a new item of each
    // source item's own class, assigned from it (the source keeps its items). Any other source: the
    // pointer list's Assign, which refuses it.
    void Assign(TPersistent* Source) override;

    const TClassInfo* ItemClass() const { return FItemClass; }
    // The identifier the next Add gives.
    Integer NextID() const { return FNextID; }
    // Keeps the identifiers handed out later clear of ID.
    void NoteID(Integer ID);

    virtual void AfterLoad(TExIniFile* IniFile, const std::string& Key);
    virtual void AfterSave(TExIniFile* IniFile, const std::string& Key);
    // Clear, then as many new items as "ItemsCount" under Key says (at most one per stored item).
    virtual void BeforeLoad(TExIniFile* IniFile, const std::string& Key);
    // Writes "ItemsCount".
    virtual void BeforeSave(TExIniFile* IniFile, const std::string& Key);

protected:
    TPersistent* GetOwner() override { return FOwner; }
    // Makes an item of Class with this list as owner and the next identifier (not appended).
    TExObjectListItem* NewItem(const TClassInfo* Class);

private:
    TPersistent* FOwner = nullptr;
    const TClassInfo* FItemClass = nullptr;
    Integer FNextID = 0;
};

class TExHeteroObjectList : public TExObjectList {
public:
    explicit TExHeteroObjectList(TPersistent* AOwner) : TExObjectList(AOwner, nullptr) {}

    // Clear, then one item per stored item whose class ("ClsNm") is registered.
    void BeforeLoad(TExIniFile* IniFile, const std::string& Key) override;
    // Also writes "HetItemsCount".
    void BeforeSave(TExIniFile* IniFile, const std::string& Key) override;
};

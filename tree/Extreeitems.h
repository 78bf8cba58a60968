// TExTreeItems: the item collection of one tree. It owns the hidden root (whose children are the
// root items), creates, attaches, moves, detaches and deletes items, maps absolute and visible
// indexes to items, and walks and searches the tree.
#pragma once

#include <functional>
#include <string>

#include "tree/Extreeitem.h"

class TFiler;

// Called for each item of a walk; setting ContinueIterate False ends the walk.
using TIterateProc = std::function<void(TExTreeItem* Item, Integer Index, bool& ContinueIterate,
                                        void* IterateData, TExTreeModel* Tree)>;
// A search's own match test.
using TExLookupCompareProc = bool (*)(TExTreeItem* Item, void* SearchDetails);

class TExTreeItems : public TPersistent {
public:
    TExTreeItems(TExTreeModel* Owner, TExTreeItemClass ItemClass = nullptr);
    ~TExTreeItems() override;
    void Assign(TPersistent* Source) override;

    TExTreeModel* Tree() const { return FTree; }
    TExTreeItem* Root() const { return FRoot; }
    virtual TExTreeItem* CreateItem(TExTreeModel* Tree);

    // Adders: each makes an item, attaches it and then sets its text (so the text change and any
    // add-sort apply); the ...Object forms then store Data.
    virtual TExTreeItem* Add(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* AddChild(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* AddChildFirst(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* AddChildObject(TExTreeItem* Item, const std::string& Text, void* Data);
    virtual TExTreeItem* AddChildObjectFirst(TExTreeItem* Item, const std::string& Text, void* Data);
    virtual TExTreeItem* AddFirst(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* AddObject(TExTreeItem* Item, const std::string& Text, void* Data);
    virtual TExTreeItem* AddObjectFirst(TExTreeItem* Item, const std::string& Text, void* Data);
    virtual TExTreeItem* Insert(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* InsertObject(TExTreeItem* Item, const std::string& Text, void* Data);
    virtual TExTreeItem* InsertAfter(TExTreeItem* Item, const std::string& Text);
    virtual TExTreeItem* InsertAfterObject(TExTreeItem* Item, const std::string& Text, void* Data);

    // Lower level (nil parent: the hidden root).
    TExTreeItem* AddItem(TExTreeItem* Parent);
    TExTreeItem* AddLastItem(TExTreeItem* Parent);
    TExTreeItem* InsertItem(Integer Index, TExTreeItem* Parent);
    // Attach an item that is not in the tree, with its children; an item that is in the tree moves.
    void AddExistingItem(TExTreeItem* Item, TExTreeItem* Parent);
    void InsertExistingItem(TExTreeItem* Item, TExTreeItem* Parent, Integer Index);
    // Takes Item and its branch out of the tree without freeing them.
    void RemoveItem(TExTreeItem* Item);
    // Item->Delete() (see there for what a handler sees).
    virtual void Delete(TExTreeItem* Item);
    void DeleteItem(TExTreeItem* Item);
    void Clear();
    virtual void BeginUpdate();
    virtual void EndUpdate();
    void AllocateStorage(Integer Count);

    Integer Count() const;
    Integer VisCount() const;
    Integer RootCount() const;
    TExTreeItem* RootItem(Integer Index) const;
    TExTreeItem* Item(Integer Index) const;
    void SetItem(Integer Index, TExTreeItem* Value);
    TExTreeItem* GetFirstNode() const { return Item(0); }
    Integer GetAbsIndex(const TExTreeItem* Item) const;
    Integer GetVisIndex(const TExTreeItem* Item) const;
    TExTreeItem* GetVisItem(Integer Index) const;

    // Walks.
    void Iterate(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData);
    void IterateFrom(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData,
                     TExTreeItem* StartFrom);
    void IterateBranch(bool VisibleOnly, const TIterateProc& IterateProc, void* IterateData, TExTreeItem* BranchParent);
    void IterateBack(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData);
    void IterateBackFrom(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData,
                         TExTreeItem* StartFrom);

    // Searches.
    TExTreeItem* LookForItem(TExTreeItem* StartItem, const std::string& TextToFind, void* DataToFind,
                             Integer ColumnNum, bool LookForData, bool CheckStartItem, bool SubItemsOnly,
                             bool VisibleOnly, bool NoCase);
    TExTreeItem* LookForItem2(TExTreeItem* StartItem, const std::string& TextToFind, bool WholeTextOnly,
                              void* DataToFind, Integer ColumnNum, bool LookForData, bool CheckStartItem,
                              bool SubItemsOnly, bool VisibleOnly, bool CheckCollapsed, bool NoCase);
    TExTreeItem* LookForItemEx(TExTreeItem* StartItem, Integer ColumnNum, bool CheckStartItem, bool SubItemsOnly,
                               bool VisibleOnly, void* SearchDetails, TExLookupCompareProc CompareProc);
    TExTreeItem* LookForItemEx2(TExTreeItem* StartItem, Integer ColumnNum, bool CheckStartItem, bool SubItemsOnly,
                                bool VisibleOnly, bool CheckCollapsed, void* SearchDetails,
                                TExLookupCompareProc CompareProc);
    TExTreeItem* LookBackForItemEx2(TExTreeItem* StartItem, Integer ColumnNum, bool CheckStartItem,
                                    bool SubItemsOnly, bool VisibleOnly, bool CheckCollapsed, void* SearchDetails,
                                    TExLookupCompareProc CompareProc);

    // The item stream: the hidden root's record with all items below it; the form property "Data",
    // stored while there are items. Reading takes the whole stream before the tree changes: a
    // stream that cannot be read raises EExTreeError with the reason and leaves the items as they
    // were. A read asked for by a handler of a running read or write is refused with EExTreeError;
    // a write whose handler frees the tree raises EExTreeError, as nothing whole was written.
    virtual void DefineProperties(TFiler* Filer);
    virtual void WriteData(TStream* Stream);
    virtual void ReadData(TStream* Stream);
    void SaveToStream(TStream* Stream) { WriteData(Stream); }
    void LoadFromStream(TStream* Stream) { ReadData(Stream); }
    void SaveToFile(const std::string& FileName);
    void LoadFromFile(const std::string& FileName);

    // A cell's text as the searches read it: the main text for -1 and the main tree column, else
    // the column text (one less right of the main column), empty when there is none.
    std::string CellText(TExTreeItem* Item, Integer ColumnNum) const;

private:
    TExTreeItem* Attach(TExTreeItem* Parent, Integer Index);
    TExTreeItem* Parented(TExTreeItem* Item) const;
    void CheckAttachable(TExTreeItem* Item, TExTreeItem* Parent) const;
    // Moves the focus and the anchor out of Item's branch, as deleting Item would.
    void RescueFocus(TExTreeItem* Item, bool Destroying);
    // Takes Item and its branch out of the tree (focus and selection leave it first), or out of
    // the branch outside the tree it stands in.
    void TakeOut(TExTreeItem* Item);
    void DeleteDetached(TExTreeItem* Item);
    // Tells of the deletion of a branch outside the tree, deepest first, and frees it.
    void DeleteTakenOut(TExTreeItem* Item);
    // A deletion put off until the operations ended (the model's queue).
    void DeleteWaiting(TExTreeItem* Item);
    // Reading the stream in place: the items there now step aside under a stand-in holding the
    // root's record, and are taken back when the stream could not be read.
    TExTreeItem* NewStandIn();
    TExTreeItem* SetAside();
    void TakeBack(TExTreeItem* Aside);
    void Reattach(TExTreeItem* Aside);
    static void CopyRootFields(TExTreeItem* To, const TExTreeItem* From, Cardinal Keep);
    template <class TStop>
    TExTreeItem* FindVisibleRow(TStop Stop) const;
    using TMatch = std::function<bool(TExTreeItem*)>;
    TExTreeItem* Search(TExTreeItem* StartItem, bool CheckStartItem, bool SubItemsOnly, bool VisibleOnly,
                        bool CheckCollapsed, bool Backward, const TMatch& Match);
    void WalkForward(bool VisibleOnly, bool CheckCollapsed, bool BranchRule, const TIterateProc& IterateProc,
                     void* IterateData, TExTreeItem* StartFrom);

    TExTreeModel* FTree;
    TExTreeItem* FRoot;
    TExTreeItemClass FItemClass;
    // Reads and writes of the stream running: a handler's read meanwhile would free the items the
    // stream is at.
    Integer FStreaming = 0;

    friend class TExTreeModel;
};

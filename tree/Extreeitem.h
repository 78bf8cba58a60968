// TExTreeItem: one node of a tree: its texts, images, check box, colours, cell styles, state and
// option words, height, user data and children. Setters store the value and raise the refresh
// flags of the owning tree's model; the structure operations keep the children lists and the
// all-items list in step.
//
// Names: a property's getter is named after the property (Text(), Level(), Expanded()) and its
// setter is SetX; operations keep their own names (GetNext, GetLastSubItem, MoveToIns).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/Exheadertypes.h"
#include "tree/Extreemodel.h"

class TExArray;
class TExCellStyle;
class TStream;
class TStringList;

enum TExItemBorderStyle : Byte { ibsNone, ibsRaised, ibsFlat, ibsSunken };
enum TExCheckBoxType : Byte { ectCheckBox, ect3SCheckBox, ectRadioButton };
enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

namespace extree {
// Bits of an item's option word.
enum : Cardinal {
    ioParentColors = 0x1,
    ioParentStyle = 0x2,
    ioSuppressLines = 0x4,
    ioPictureShown = 0x8,
    ioPicture2Shown = 0x10,
    ioForceButtons = 0x20,
    ioStrikedOutLine = 0x40,
    ioDrawHLine = 0x80,
    ioReserved = 0x100,  // read by nothing; carried into the stream
    ioAllowEdit = 0x200,
    ioUseBkColor = 0x400,
    ioDeleting = 0x800,
    ioUseStyles = 0x1000,
    ioMultiline = 0x2000,
    ioHidden = 0x4000,
    ioEnabled = 0x8000,
    ioSuppressButtons = 0x10000,
    ioCheckBoxEnabled = 0x20000,
    ioShowCheckBox = 0x40000,
    ioIsHTML = 0x80000,
    ioOwnerHeight = 0x100000,
    ioNestedSort = 0x200000,
};
inline constexpr Cardinal DefaultItemOptions = 0x128783;

// States of the state word (bit n is state n).
enum : Integer { stFocused = 1, stSelected = 2, stExpanded = 7 };
}  // namespace extree

// Texts, hint and cell styles of an item; absent in a virtual tree.
struct TExTreeItemStaticData {
    std::string Text;
    TStringList* ColumnText = nullptr;
    std::string Hint;
    TExCellStyle* MainStyle = nullptr;
    TExList* Styles = nullptr;  // one style per column while UseStyles is on; frees what leaves
};

class TExTreeItem : public TPersistent {
public:
    explicit TExTreeItem(TExTreeModel* Owner);
    ~TExTreeItem() override;
    void Assign(TPersistent* Source) override;

    TExTreeModel* Tree() const { return FTree; }
    TExTreeItems* Collection() const { return FCollection; }
    bool IsHiddenRoot() const { return FHiddenRoot == this; }

    // Navigation and identity.
    TExTreeItem* Parent() const;  // nil for a root item
    Integer Level() const { return IsHiddenRoot() ? -1 : FLevel; }  // -1 for the hidden root
    Integer Count() const;
    TExTreeItem* Items(Integer Index) const;  // nil without children
    TExTreeItem* GetChildByIndex(Integer Index) const;
    Integer GetChildIndex(const TExTreeItem* Child) const;
    Integer IndexOf(const TExTreeItem* Item) const;
    Integer Index() const;
    TExTreeItem* GetFirstChild() const;
    TExTreeItem* GetLastChild() const;
    TExTreeItem* GetFirstSibling() const;
    TExTreeItem* GetLastSibling() const;
    TExTreeItem* GetNextSibling() const;
    TExTreeItem* GetPrevSibling() const;
    TExTreeItem* GetNextChild(const TExTreeItem* Child) const;
    TExTreeItem* GetPrevChild(const TExTreeItem* Child) const;
    TExTreeItem* GetFirstVisibleChild() const;
    virtual TExTreeItem* GetNext() const;
    virtual TExTreeItem* GetPrev() const;
    TExTreeItem* GetNextVisible() const;
    TExTreeItem* GetPrevVisible() const;
    Integer GetAbsIndex() const;
    Integer VisIndex() const;
    TExTreeItem* GetLastSubItem() const;
    bool IsUnder(const TExTreeItem* Item) const;
    bool HasAsParent(const TExTreeItem* Item) const { return IsUnder(Item); }
    TExTreeItem* GetAncestor() const;
    std::string GetFullName(const std::string& Separator) const;
    std::string GetFullNameEx(const std::string& Separator, bool AddRoot) const;
    Integer GetChildrenCount() const;
    bool HasChildren() const { return Count() > 0; }
    bool HasVisibleChildren() const;
    bool Expanded() const { return GetState(extree::stExpanded); }
    bool FullyExpanded() const;
    bool IsVisible() const;
    bool FullyVisible() const;
    bool Selected() const { return GetState(extree::stSelected); }
    bool Focused() const;
    bool Checked() const { return FCheckBoxState == cbChecked; }
    bool GetDropTarget() const;

    // Texts and styles (from the tree's virtual events in a virtual tree).
    std::string Text() const;
    virtual void SetText(const std::string& Value);
    std::string Hint() const;
    void SetHint(const std::string& Value);
    TStringList* ColumnText() const;  // nil in a virtual tree
    TExCellStyle* MainStyle() const;
    TExCellStyle* Styles(Integer Index) const;
    void SetStyles(Integer Index, TExCellStyle* Style);
    Integer StylesCount() const;
    virtual TExCellStyle* AddStyle();
    virtual void RemoveStyle(TExCellStyle* Style);
    TExTreeItemStaticData* StaticData() const { return FStaticData.get(); }
    void NewStaticData();
    void DisposeStaticData();
    virtual void FillStaticData() {}

    // Sizes.
    // Its cells may measure anew (one of its cell styles changed): the widths kept of the columns
    // take the change.
    void CellsChanged();
    virtual Integer GetWidth();
    Integer GetHeight();
    Integer CalcSubItemsHeight();
    TRect DisplayRect(bool TextOnly);

    // Properties.
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value);
    Integer StImageIndex() const { return FStImageIndex; }
    void SetStImageIndex(Integer Value);
    Integer ImageIndex2() const { return FImageIndex2; }
    void SetImageIndex2(Integer Value);
    Integer StImageIndex2() const { return FStImageIndex2; }
    void SetStImageIndex2(Integer Value);
    TColor Color() const { return FColor; }
    TColor BkColor() const { return FBkColor; }
    // Index 1: Color; anything else: BkColor.
    void SetColor(Integer Index, TColor Value);
    void SetColor(TColor Value) { SetColor(1, Value); }
    void SetBkColor(TColor Value) { SetColor(0, Value); }
    TColor RowBkColor() const { return FRowBkColor; }
    virtual void SetRowBkColor(TColor Value);
    TColor StrikedLineColor() const { return FStrikedLineColor; }
    void SetStrikedLineColor(TColor Value);
    TExItemBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TExItemBorderStyle Value);
    Integer IndentAdjust() const { return FIndentAdjust; }
    void SetIndentAdjust(Integer Value);
    std::int16_t Height() const { return FHeight; }
    void SetHeight(std::int16_t Value);
    TCheckBoxState CheckBoxState() const { return FCheckBoxState; }
    void SetCheckBoxState(TCheckBoxState Value);
    TExCheckBoxType CheckBoxType() const { return FCheckBoxType; }
    void SetCheckBoxType(TExCheckBoxType Value);
    void SetChecked(bool Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    // Reference-counted interface the item holds for the application.
    const std::shared_ptr<void>& DataInterface() const { return FDataInterface; }
    void SetDataInterface(std::shared_ptr<void> Value) { FDataInterface = std::move(Value); }
    // Values without meaning inside the tree (the first goes into the stream).
    Integer ItemValue() const { return FItemValue; }
    void SetItemValue(Integer Value) { FItemValue = Value; }
    Integer ItemValue2() const { return FItemValue2; }
    void SetItemValue2(Integer Value) { FItemValue2 = Value; }
    // Extent of the main text as last painted.
    Integer TextLeft = 0;
    Integer TextRight = 0;
    // The row's width as the view last measured it; the view counts it among its rows' widths
    // while RowWidthMark is the view's own mark.
    Integer RowWidth = 0;
    std::uint32_t RowWidthMark = 0;

    bool GetOption(Cardinal Bit) const { return (FOptions & Bit) != 0; }
    Cardinal Options() const { return FOptions; }
    bool ParentColors() const { return GetOption(extree::ioParentColors); }
    void SetParentColors(bool Value) { SetRedrawOption(extree::ioParentColors, Value); }
    bool UseBkColor() const { return GetOption(extree::ioUseBkColor); }
    void SetUseBkColor(bool Value) { SetRedrawOption(extree::ioUseBkColor, Value); }
    bool Enabled() const { return GetOption(extree::ioEnabled); }
    void SetEnabled(bool Value) { SetRedrawOption(extree::ioEnabled, Value); }
    bool StrikedOutLine() const { return GetOption(extree::ioStrikedOutLine); }
    void SetStrikedOutLine(bool Value) { SetRedrawOption(extree::ioStrikedOutLine, Value); }
    bool DrawHLine() const { return GetOption(extree::ioDrawHLine); }
    void SetDrawHLine(bool Value) { SetRedrawOption(extree::ioDrawHLine, Value); }
    bool AllowEdit() const { return GetOption(extree::ioAllowEdit); }
    void SetAllowEdit(bool Value) { SetBit(extree::ioAllowEdit, Value); }
    bool ParentStyle() const { return GetOption(extree::ioParentStyle); }
    void SetParentStyle(bool Value);
    bool UseStyles() const { return GetOption(extree::ioUseStyles); }
    void SetUseStyles(bool Value);
    bool ForceButtons() const { return GetOption(extree::ioForceButtons); }
    void SetForceButtons(bool Value);
    bool SuppressButtons() const { return GetOption(extree::ioSuppressButtons); }
    void SetSuppressButtons(bool Value);
    bool SuppressLines() const { return GetOption(extree::ioSuppressLines); }
    void SetSuppressLines(bool Value);
    bool ShowCheckBox() const { return GetOption(extree::ioShowCheckBox); }
    void SetShowCheckBox(bool Value);
    bool CheckBoxEnabled() const { return GetOption(extree::ioCheckBoxEnabled); }
    void SetCheckBoxEnabled(bool Value);
    bool Hidden() const { return GetOption(extree::ioHidden); }
    void SetHidden(bool Value);
    void SetFullyVisible(bool Value);
    bool Multiline() const { return GetOption(extree::ioMultiline); }
    virtual void SetMultiline(bool Value);
    bool IsHTML() const { return GetOption(extree::ioIsHTML); }
    void SetIsHTML(bool Value);
    bool OwnerHeight() const { return GetOption(extree::ioOwnerHeight); }
    void SetOwnerHeight(bool Value);
    bool PictureShown() const { return GetOption(extree::ioPictureShown); }
    bool Picture2Shown() const { return GetOption(extree::ioPicture2Shown); }
    // The painter's record of which images it drew; no refresh.
    void SetPictureShown(bool Value) { SetBit(extree::ioPictureShown, Value); }
    void SetPicture2Shown(bool Value) { SetBit(extree::ioPicture2Shown, Value); }

    // State word.
    bool GetState(Integer Index) const;
    void SetState(Integer Index, bool Value);
    Word StateWord() const { return FState; }
    // The same states in the stream's order (focused, selected, 3, expanded, 5, 6, 4, 8).
    Byte StateSet() const;
    void SetExpanded(bool Value);
    void SetSelected(bool Value);
    void SetFocused(bool Value) { SetState(extree::stFocused, Value); }

    // Structure (children lists and the all-items list move together).
    void AddChild(TExTreeItem* Child);
    void AddLastChild(TExTreeItem* Child);
    Integer InsertChild(Integer Index, TExTreeItem* Child);
    void RemoveChild(TExTreeItem* Child);
    void DeleteChild(TExTreeItem* Child);
    void Clear();
    // Deletes this item with its branch. What a handler sees: called from a handler of one of the
    // tree's events while the operation that raised the event still works on this item or on an
    // item below it (the item being focused, selected, expanded, collapsed, changed, compared or
    // streamed; a sort, a stream, a walk over the selection and the user's clicks and keys work
    // on every item), the item leaves the tree at once (focus and selection leave its branch as a
    // deletion moves them; Count, the children, GetNext, the walks, LookForItem and the rows find
    // it no more), and only OnItemDeletion and the freeing of its branch wait until that operation
    // has returned or its error has left the tree. Any other item goes at once.
    virtual void Delete();
    void MoveTo(TExTreeItem* NewParent);
    void MoveToIns(TExTreeItem* NewParent, Integer Index);
    virtual void MoveToItem(TExTreeItem* Item, TNodeAttachMode Mode);

    void Expand(bool Recursive);
    void Collapse(bool Recursive);
    void MakeFullyExpanded(bool Value);

    // Redrawing and the view.
    void RedrawItem(bool DoCheck);
    void RedrawItemPart(bool DoCheck, Integer Left, Integer Right);
    void UpdateItem();
    void EditText();
    void EndEdit(bool ByCancel);
    void MakeVisible();

    // The item stream: this item's record followed by its children's, written always in the newest
    // layout, read in any. Reading into an item of the tree adds the children read to it; a stream
    // that cannot be read raises EExTreeError (the collection's ReadData changes nothing then).
    virtual void WriteData(TStream* Stream);
    virtual void ReadData(TStream* Stream);

    // Sorting of the children by the tree control's sort settings and comparison; an item of a tree
    // without a control is left as it is.
    void Sort(bool Recursive);
    void QuickSort(bool Recursive, Integer L, Integer R, TExSSortMode SortMode, TSortTypes SortType, Integer Section);
    // The sort key is reference-counted: nested sorts of one run convert each cell once.
    void AddSortData(TSortTypes SortType, Integer Section);
    void ReleaseSortData();
    // Writes this item's branch into the all-items list from StartIndex on, in children order.
    void NormalizeSorts(Integer StartIndex);
    Integer SortKeyKind() const { return FSortKeyKind; }
    std::intptr_t SortKeyValue() const { return FSortKeyValue; }
    Integer SortKeyRefCount() const { return FSortKeyRefCount; }
    // The item's number in the order the tree made its items: the last tie-break of sorting.
    std::uint64_t Serial() const { return FSerial; }

    // Marked-up rendering of the texts (nil when a text is not marked up or IsHTML is off).
    TExHTMLData* HTMLData() const { return FHTMLData; }
    TExHTMLData* ColumnHTMLData(Integer Column) const;
    void RenderHTMLText();
    void RenderHTMLColumns();

    // The all-items list position after this item's branch, the item standing at Position.
    Integer PastBranch(Integer Position) const { return Count() == 0 ? Position + 1 : EndOfBranch() + 1; }

private:
    friend class TExTreeItems;
    friend class TExTreeModel;
    friend class TExTreeItemList;
    friend class TExItemStream;

    void SetBit(Cardinal Bit, bool Value);
    void SetRedrawOption(Cardinal Bit, bool Value);
    void SetImageField(Integer& Field, Integer Value);
    void SetStateBit(Integer Index, bool Value);
    // Focus and selection show the state images: where they are not the plain ones the item's
    // width changes with them.
    void StateImagesShown();
    void CreateChildren();
    void FreeChildrenIfEmpty();
    TExTreeItem* StoredParent() const { return FParent; }
    bool IsAttached() const;
    // Position in the all-items list after which a new last child goes.
    Integer EndOfBranch() const;
    // Links Child (with any children it has) at Index of the children and into the all-items list.
    void AttachBranch(Integer Index, TExTreeItem* Child, Integer Position);
    void DetachBranch(TExTreeItem* Child);
    void CollectBranch(std::vector<TExTreeItem*>& Into);
    // A copy of Source's branch made outside the tree, to be attached in one piece.
    TExTreeItem* CopyOutside(TExTreeItem* Source);
    // The levels of the item's branch, the item standing at Level (kept with the item: painting and
    // measuring ask for it per row).
    void SetLevels(Integer Level);
    // Adds (Sign 1) or takes (-1) the item's share of the tree's hidden and variable-height counts.
    void CountSelf(Integer Sign);
    void AdjustCounts(Integer Sign);
    // Item is this item or any ancestor, the hidden root included.
    bool IsWithin(const TExTreeItem* Item) const;
    void OnColTextChange(TObject* Sender);
    void ReMeasure();
    // Branch: the rows of the item's branch changed too (expansion).
    void MeasureHRange(bool Branch = false);
    // The rows of the item's branch came, went or moved (a host that keeps the rows' widths hears it).
    void BranchRowsChanged();
    void Rebuild();
    void RequestSort(bool WasUpdating);
    void ResetCachedHeight() { FCachedHeight = -1; }
    // The item's share of the tree's variable-height count.
    Integer VarHeightShare() const;
    void FreeHTML();
    void SetSortNested(bool Value) { SetBit(extree::ioNestedSort, Value); }
    // Copies Source's own fields and texts (not its children).
    void AssignOwn(TExTreeItem* Source);
    void AssignFrom(TExTreeItem* Source);
    // Deletes Child, a child of this item, with its branch: deepest first, last child first, each
    // item when nothing is left under it.
    void DeleteBranch(TExTreeItem* Child);
    // Everything deleting one item does once its children have gone: focus and anchor moved, the
    // view told, the deletion event raised.
    // Takes focus, anchor, selection and the view's hold off Child and tells of its deletion; the
    // handlers' errors go to Error.
    void LeaveTree(TExTreeItem* Child, TExFirstError& Error);
    void FreeChild(TExTreeItem* Child);
    // Steps of Expand and Collapse for one item, after the asking event allowed them.
    void ExpandOne();
    void CollapseOne();
    // The recursive parts, walking the branch with a stack of their own.
    class TBranchWalkCheck;
    void ExpandBranch();
    // Made: the tree's count of items made when the collapse began; items made since are passed over.
    void CollapseBranch(std::uint64_t Made);
    // Deselects the items under this one (not itself); Skip: children whose own collapse in the
    // same run has deselected their branches already.
    void DeselectBranch(const std::vector<TExTreeItem*>* Done);

    TExTreeModel* FTree;
    TExTreeItems* FCollection = nullptr;
    TExTreeItem* FParent = nullptr;
    TExTreeItem* FHiddenRoot = nullptr;
    Integer FLevel = 0;
    TExTreeItemList* FChildren = nullptr;  // nil while there are no children
    std::unique_ptr<TExTreeItemStaticData> FStaticData;
    TExHTMLData* FHTMLData = nullptr;
    TExArray* FColumnHTMLData = nullptr;
    void* FData = nullptr;
    std::shared_ptr<void> FDataInterface;
    Integer FItemValue = 0;
    Integer FItemValue2 = 0;
    // Sort key, prepared and released by sorting.
    std::intptr_t FSortKeyValue = 0;
    Integer FSortKeyKind = -1;
    Integer FSortKeyRefCount = 0;
    std::uint64_t FSerial;
    TColor FRowBkColor = 0;
    TColor FColor = 0;
    TColor FBkColor = 0;
    TColor FStrikedLineColor = 0;
    Cardinal FOptions = extree::DefaultItemOptions;
    Integer FImageIndex = -1;
    Integer FStImageIndex = -1;
    Integer FImageIndex2 = -1;
    Integer FStImageIndex2 = -1;
    Integer FIndentAdjust = 0;
    // Measured height; -1 until measured (any measured value, however large, is kept whole).
    Integer FCachedHeight = -1;
    std::int16_t FHeight = 0;
    Word FState = 0;
    TExItemBorderStyle FBorderStyle = ibsNone;
    TCheckBoxState FCheckBoxState = cbUnchecked;
    TExCheckBoxType FCheckBoxType = ectCheckBox;
    // Where the item stands in the tree's all-items list and in its parent's children.
    TExItemPlace FListPlace;
    TExItemPlace FSiblingPlace;
    TExItemPlace FSelectionPlace;
};

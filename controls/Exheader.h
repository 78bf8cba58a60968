// The column header: its sections (one per column), their collection with its stored form, and the
// header control that lays them out, hit-tests them, shares its width among them in sticky mode and
// keeps their layout in a settings store.
//
// A section is identified by its Index (0..Count-1, each once, unchanged when sections move); its
// position in the collection is its place on screen.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/Exheadertypes.h"
#include "platform/BlockSeq.h"
#include "platform/Controls.h"
#include "platform/Guard.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "platform/StdCtrls.h"

class TChangeLink;
class TCustomExHeader;
class TCustomImageList;
class TExHTMLRender;
class TExIniFile;
class TFiler;
class TPopupMenu;
class TStringList;

namespace controls {
class THeaderLayout;
}

class EExHeaderError : public Exception {
public:
    using Exception::Exception;
};

namespace controls {
inline constexpr const char* InvalidSection = "Invalid section";
inline constexpr const char* IndexOutOfBounds = "Index out of bounds";
// Stored section data that cannot be taken; the sections stay as they were.
inline constexpr const char* UnknownSectionsVersion = "Unknown version %d of the header sections data";
inline constexpr const char* SectionsDataEnds = "The header sections data ends early";
inline constexpr const char* BadSectionCount = "Invalid header section count %d";
inline constexpr const char* BadStringLength = "Invalid string length %d in the header sections data";
inline constexpr const char* BadSectionIndex = "Invalid header section index %d";
inline constexpr const char* BadSectionField = "Invalid value %d of a header section field";
inline constexpr const char* DuplicateSectionTag = "Duplicate header section tag %d";
// The version the writer writes.
inline constexpr Integer SectionsVersion = -11;
}  // namespace controls

// What changed in a section, for the header's OnSectionChange.
enum TSectionChangeMode : Byte { scmCaption, scmFieldName, scmFieldType, scmAlign, scmStyle, scmEditable, scmPassword };

// Parts of a section under a point.
enum TExSectionPart : Byte { espResizeArea, espText, espExpandSign, espLookupSign, espFilterSign };

enum TExHResizingStates : Byte { trsBegin, trsMove, trsEnd };

class TExHeaderSection;

using TExHeaderSectionEvent = std::function<void(TObject* Sender, TExHeaderSection* Section)>;
using TSectionChangeEvent = std::function<void(TObject* Sender, TExHeaderSection* Section, TSectionChangeMode Change)>;
using TExSectionMoveEvent =
    std::function<void(TObject* Sender, TExHeaderSection* Section, Integer OldPos, Integer NewPos)>;
using TExSectionResizingEvent =
    std::function<void(TObject* Sender, TExHeaderSection* Section, TExHResizingStates State, Integer Width)>;
using TExSectionRedrawEvent = std::function<void(TObject* Sender, TCanvas* Canvas, TExHeaderSection* Section,
                                                 const TRect& R, bool Pressed)>;
using TPictureNeededEvent = std::function<void(TObject* Sender, TExHeaderSection* Section, Integer& ImageIndex)>;
using TExHeaderLookupEvent = std::function<void(TObject* Sender, TExHeaderSection* Section, std::string& Text)>;
using TExHeaderLookupDoneEvent =
    std::function<void(TObject* Sender, TExHeaderSection* Section, const std::string& Text, bool Accepted)>;
// Size: the width the owner-drawn content needs (x) and its height (y).
using TExMeasureSectionEvent = std::function<void(TCustomExHeader* Sender, TExHeaderSection* Section, TPoint& Size)>;
using TExHeaderImageNeededEvent = std::function<void(TObject* Sender, const std::string& Src, TBitmap*& Image)>;

// ---------------------------------------------------------------- one section

class TExHeaderSection : public TPersistent {
public:
    // Made and freed only by its header's collection.
    explicit TExHeaderSection(TCustomExHeader* AHeader);
    ~TExHeaderSection() override;

    void Assign(TPersistent* Source) override;

    TCustomExHeader* Header() const { return FHeader; }

    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    TExSectionStyle Style() const { return FStyle; }
    void SetStyle(TExSectionStyle Value);
    Integer Width() const { return FWidth; }
    // Ignored outside MinWidth..MaxWidth.
    void SetWidth(Integer Value);
    Integer MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(Integer Value);
    Integer MinWidth() const { return FMinWidth; }
    void SetMinWidth(Integer Value);
    TExSSortMode SortMode() const { return FSortMode; }
    void SetSortMode(TExSSortMode Value);
    bool AllowClick() const { return FAllowClick; }
    void SetAllowClick(bool Value) { FAllowClick = Value; }
    TExSAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TExSAlignment Value);
    TExSAlignment PictureAlign() const { return FPictureAlign; }
    void SetPictureAlign(TExSAlignment Value) { FPictureAlign = Value; }
    // The effective visibility: a child shows only under a visible, expanded parent.
    bool Visible() const { return GetVisible(); }
    void SetVisible(bool Value);
    // The section's own flag.
    bool OwnVisible() const { return FVisible; }
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value);
    const std::string& FieldName() const { return FFieldName; }
    virtual void SetFieldName(const std::string& Value);
    TExFieldType FieldType() const { return FFieldType; }
    virtual void SetFieldType(TExFieldType Value);
    bool Editable() const { return FEditable; }
    virtual void SetEditable(bool Value);
    bool Password() const { return FPassword; }
    void SetPassword(bool Value);
    bool Resizable() const { return FResizable; }
    virtual void SetResizable(bool Value);
    bool ClickSelect() const { return FClickSelect; }
    void SetClickSelect(bool Value) { FClickSelect = Value; }
    bool Expandable() const { return FExpandable; }
    void SetExpandable(bool Value);
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    TExHeaderSection* ParentSection() const { return FParentSection; }
    // A parent whose own chain leads back to this section is refused.
    void SetParentSection(TExHeaderSection* Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    // The name of the menu as stored; the header finds the menu by it after loading.
    const std::string& PopupMenuName() const { return FPopupMenuName; }
    bool LookupEnabled() const { return FLookupEnabled; }
    void SetLookupEnabled(bool Value);
    TStringList* LookupHistory() const { return FLookupHistory.get(); }
    void SetLookupHistory(TStrings* Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value);
    bool UseMainStyle() const { return FUseMainStyle; }
    void SetUseMainStyle(bool Value);
    TTextLayout TextLayout() const { return FTextLayout; }
    void SetTextLayout(TTextLayout Value);
    bool FilterEnabled() const { return FFilterEnabled; }
    void SetFilterEnabled(bool Value);
    bool FilterIsActive() const { return FFilterIsActive; }
    void SetFilterIsActive(bool Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool ShowSortMark() const { return FShowSortMark; }
    void SetShowSortMark(bool Value);
    Integer Tag = 0;

    Integer GetIndex() const;
    Integer IntTag() const { return FIntTag; }
    // Place in the collection; -1 without a header.
    Integer GetPosition() const;
    bool GetVisible() const;
    Integer GetWidth() const { return FWidth; }
    // Unscrolled edges: Left is where the section starts, Right where the next one starts (a
    // hidden section takes no room).
    Integer GetLeft() const;
    Integer GetRight() const;
    bool GetLocked() const;
    Integer SaveSize() const { return FSaveSize; }
    void SetSaveSize(Integer Value) { FSaveSize = Value; }
    float StickyRatio() const { return FStickyRatio; }

    // Invalidates the section's strip of the header.
    void UpdateSection();

protected:
    TPersistent* GetOwner() override;

private:
    friend class TExHeaderSections;
    friend class TCustomExHeader;
    friend class controls::THeaderLayout;
    // True when Candidate is this section or one of its descendants' ancestors would become it.
    bool WouldLoop(const TExHeaderSection* Candidate) const;
    // The effective visibility walked up the parent chain, for a section outside the layout.
    bool RawVisible() const;
    // Writes the width and tells the layout.
    void PutWidth(Integer Value);
    // Links this section to Parent (nil: none), keeping the parents' counts of children.
    void LinkTo(TExHeaderSection* Parent);
    // Own visibility, parent or expansion changed: the layout and the tallest caption are stale.
    void VisibilityChanged();
    // Its own flag changed.
    void OwnVisibilityChanged();
    // Drops every other section's link to this one, without events.
    void ReleaseChildren();
    void AutoSizeRequest();

    TCustomExHeader* FHeader;
    std::string FText;
    TExSectionStyle FStyle = ExhsText;
    Integer FWidth;
    Integer FMaxWidth = 10000;
    Integer FMinWidth = 0;
    TExSSortMode FSortMode = hsmNone;
    bool FAllowClick = true;
    TExSAlignment FAlignment = hsaLeft;
    TExSAlignment FPictureAlign = hsaLeft;
    bool FVisible = true;
    Integer FImageIndex = -1;
    std::string FFieldName;
    TExFieldType FFieldType = sftCustom;
    bool FEditable = false;
    bool FPassword = false;
    bool FResizable = true;
    bool FClickSelect = true;
    bool FExpandable = false;
    bool FExpanded = false;
    TExHeaderSection* FParentSection = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    std::string FPopupMenuName;
    bool FLookupEnabled = false;
    std::unique_ptr<TStringList> FLookupHistory;
    bool FParentColor = true;
    TColor FColor = 0;
    TColor FFontColor = 0;
    bool FUseMainStyle = false;
    TTextLayout FTextLayout = tlCenter;
    bool FFilterEnabled = false;
    bool FFilterIsActive = false;
    std::string FHint;
    bool FAutoSize = false;
    bool FShowSortMark = true;
    Integer FIndex = 0;
    Integer FIntTag = 0;
    // The width sticky sizing took from a section that is not resizable; -1: none.
    Integer FSaveSize = -1;
    // Share of the resizable width while the header is sticky.
    float FStickyRatio = 0;
    // Place in the collection as the layout last saw it.
    Integer FPos = -1;
    // Sections whose parent this one is.
    Integer FChildCount = 0;
    // The caption's size, current while FMeasured equals the header's measuring generation.
    TSize FCaptionSize{};
    unsigned FMeasured = 0;
    // The caption height the header counts toward its tallest; -1 when not counted.
    Integer FCountedHeight = -1;
};

// ---------------------------------------------------------------- the collection

class TExHeaderSections : public TPersistent {
public:
    explicit TExHeaderSections(TCustomExHeader* AOwner);
    // Frees the sections without events.
    ~TExHeaderSections() override;

    void Assign(TPersistent* Source) override;
    TCustomExHeader* Header() const { return FOwner; }

    virtual TExHeaderSection* CreateSection();
    TExHeaderSection* AddSection();
    // Position 0..Count.
    TExHeaderSection* InsertSection(Integer Position);
    // Raises "Invalid section" for nil or a section of another header.
    void DeleteSection(TExHeaderSection* Section);
    void MoveSection(TExHeaderSection* Section, Integer NewPos);
    // Frees every section; no delete events.
    void Clear();

    Integer GetCount() const;
    Integer Count() const { return GetCount(); }
    // By Index; nil when no section has it.
    virtual TExHeaderSection* GetSection(Integer Index);
    virtual TExHeaderSection* FindSection(Integer Index);
    virtual TExHeaderSection* GetSectionByIntTag(Integer Tag);
    // By position; outside 0..Count-1 raises as the list does.
    virtual TExHeaderSection* GetSectionByPos(Integer Position);
    virtual void SetSection(Integer Index, TExHeaderSection* Section);
    // Nil for an empty collection.
    TExHeaderSection* LastVisibleSection();
    TExHeaderSection* GetPrevVisibleSection(TExHeaderSection* Section);
    Integer IndexOf(const TExHeaderSection* Section) const;
    // Where the sections lie, brought up to date first when stale.
    controls::THeaderLayout& Layout() const;

    // "i<Index>:w<Width>:v<t|f>," per section by position.
    std::string GetSectionsOrder();
    // Takes a text of GetSectionsOrder's form: moves, sizes and shows or hides the sections it
    // names. A malformed number raises EConvertError before anything changes; entries naming no
    // section are skipped.
    void SetSectionsOrder(const std::string& Text);

    // The stored form, the property "Data".
    virtual void DefineProperties(TFiler* Filer);
    virtual void WriteData(TStream* Stream);
    // Stored data that cannot be taken raises EExHeaderError and leaves the sections as they were.
    virtual void ReadData(TStream* Stream);
    virtual void FrameReadData(TStream* Stream);
    void SaveToStream(TStream* Stream);
    void LoadFromStream(TStream* Stream);
    void SaveToFile(const std::string& FileName);
    void LoadFromFile(const std::string& FileName);

protected:
    TPersistent* GetOwner() override;
    virtual void IntReadData(TStream* Stream, bool Flag);

private:
    friend class TCustomExHeader;
    friend class TExHeaderSection;
    friend class controls::THeaderLayout;
    // Index and IntTag for a section about to join.
    Integer FreeIndex() const;
    Integer FreeIntTag(Integer Seed);
    // Every Index is its section's position from now on: written at once only in the layout, in
    // the sections when something needs the numbers to differ from the positions (Numbers).
    void Renumber();
    // The sections' Indexes written where a renumbering left them to be read from the positions.
    void Numbers();
    TExHeaderSection* At(Integer Position) const { return FList.At(Position); }
    // Parent links, expansion or visibility changed: where sections show, and the tallest caption.
    void LinksChanged();
    // Anything may have changed: numbers, widths, visibility and links.
    void LayoutChanged();

    TCustomExHeader* FOwner;
    // The sections by position.
    TBlockSeq<TExHeaderSection*> FList;
    std::unique_ptr<controls::THeaderLayout> FLayout;
    // Every section's Index is its position, whatever its own field says.
    bool FNumbersByPosition = false;
};

// ---------------------------------------------------------------- the control

class TCustomExHeader : public TExXPThemedControl {
public:
    explicit TCustomExHeader(TComponent* AOwner);
    ~TCustomExHeader() override;

    // ---- properties
    TExHeaderSections* Sections() const { return FSections.get(); }
    void SetSections(TExHeaderSections* Value);
    Integer SectionsWidth() { return GetColumnsWidth(); }
    Integer DefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(Integer Value) { FDefaultWidth = Value; }
    bool AllowDrag() const { return FAllowDrag; }
    void SetAllowDrag(bool Value) { FAllowDrag = Value; }
    bool MoveOnDrag() const { return FMoveOnDrag; }
    void SetMoveOnDrag(bool Value) { FMoveOnDrag = Value; }
    bool ResizeOnDrag() const { return FResizeOnDrag; }
    void SetResizeOnDrag(bool Value) { FResizeOnDrag = Value; }
    bool Tracking() const { return FTracking; }
    void SetTracking(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool WrapCaptions() const { return FWrapCaptions; }
    virtual void SetWrapCaptions(bool Value);
    bool LockHeight() const { return FLockHeight; }
    void SetLockHeight(bool Value);
    bool InvertSortArrows() const { return FInvertSortArrows; }
    void SetInvertSortArrows(bool Value);
    bool RightAlignedText() const { return FRightAlignedText; }
    void SetRightAlignedText(bool Value);
    bool RightAlignedOrder() const { return FRightAlignedOrder; }
    void SetRightAlignedOrder(bool Value);
    bool StickySections() const { return FStickySections; }
    void SetStickySections(bool Value);
    TColor FilterColor() const { return FFilterColor; }
    void SetFilterColor(TColor Value);
    TColor ActiveFilterColor() const { return FActiveFilterColor; }
    void SetActiveFilterColor(TColor Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    void SetImageForm(TCustomExImageForm* Value);
    TExIniFile* Storage() const { return FStorage; }
    void SetStorage(TExIniFile* Value);
    const std::string& StoragePath() const { return FStoragePath; }
    void SetStoragePath(const std::string& Value) { FStoragePath = Value; }

    TExHeaderSection* LockedSection() const { return FLockedSection; }
    // Moves the section to position 0.
    void SetLockedSection(TExHeaderSection* Value);
    Integer LeftPos() const { return FLeftPos; }
    void SetLeftPos(Integer Value);
    // Set by the owner around its own sorting so that several sections keep their marks.
    bool MultiSortMarks = false;
    bool IsDesigning() const { return HasState(csDesigning); }
    void SetIsDesigning(bool Value) { SetState(csDesigning, Value); }
    // Loading: the control or its owner is being loaded, or Restore runs.
    bool IsLoading() const;
    TExHTMLRender* HTMLRender() const { return FRender.get(); }

    // ---- events
    TPictureNeededEvent OnPictureNeeded;
    TExHeaderSectionEvent OnSectionShowHide;
    TExHeaderSectionEvent OnSectionDelete;
    TExSectionMoveEvent OnSectionMove;
    TExSectionResizingEvent OnSectionResizing;
    TExHeaderSectionEvent OnSectionResize;
    TExHeaderSectionEvent OnSectionClick;
    TExSectionRedrawEvent OnSectionDraw;
    TSectionChangeEvent OnSectionChange;
    TExHeaderSectionEvent OnSectionExpand;
    TExHeaderSectionEvent OnSectionCollapse;
    TExHeaderSectionEvent OnSectionCreate;
    TExHeaderLookupEvent OnHeaderLookup;
    TExHeaderLookupDoneEvent OnHeaderLookupDone;
    TExHeaderSectionEvent OnSectionAutoSize;
    TExHeaderSectionEvent OnFilterCall;
    TExMeasureSectionEvent OnMeasureSection;
    TExHeaderImageNeededEvent OnHTMLImageNeeded;

    // ---- update bracket
    void BeginUpdate();
    // The outermost close raises the deferred delete and create events and updates the window.
    void EndUpdate();
    Integer UpdateCount() const { return FUpdateCount; }
    void Update() override;

    // ---- geometry (client coordinates unless said otherwise)
    // Right edge of the last visible section, the locked one only when it is the only section.
    Integer GetColumnsWidth();
    TExHeaderSection* GetSectionAt(Integer X, Integer Y);
    TExHeaderSection* GetSectionAtEx(Integer X, Integer Y, TExSectionPart& Part);
    virtual bool InResizeArea(Integer X, TExHeaderSection*& Section);
    // Unscrolled rectangle of the section with that Index; "Index out of bounds" when none has it.
    TRect GetSectionRect(Integer Index);
    // Invalidates from the section's painted left edge to the right; "Index out of bounds" unless
    // 0 <= Index < Count.
    void InvalidateRight(Integer Index);
    // The width a section's content needs; TextWidth and SectionHeight may be nil.
    Integer MeasureSectionWidth(TExHeaderSection* Section, Integer* TextWidth, Integer* SectionHeight);
    Integer CalcHeaderHeight();
    void AdjustHeaderHeight();

    // ---- sticky mode
    Integer GetResizableWidth();
    void MarkStickySections();
    // Makes the sections end one pixel left of the client edge; Except is shrunk last and not grown.
    void AdjustStickySize(TExHeaderSection* Except);

    // ---- settings
    void Save();
    void Restore();
    // The modal dialog choosing which sections show and in what order; true when the user chose OK.
    bool Setup();

    void Loaded() override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_SIZE, WMSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
        MESSAGE_HANDLER(WM_PAINT, WMPaint)
        MESSAGE_HANDLER(CM_HINTSHOW, CMHintShow)
        MESSAGE_HANDLER(CM_FONTCHANGED, CMFontChanged)
        MESSAGE_HANDLER(CM_SYSCOLORCHANGE, CMSysColorChange)
        MESSAGE_HANDLER(IFM_REPAINTCHILDREN, IFMRepaintChildren)
        MESSAGE_HANDLER(WM_CANCELMODE, WMCancelMode)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, WMLButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, WMMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, WMLButtonUp)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_RBUTTONDOWN, WMRButtonDown)
        MESSAGE_HANDLER(WM_RBUTTONUP, WMRButtonUp)
        MESSAGE_HANDLER(WM_CONTEXTMENU, WMContextMenu)
        MESSAGE_HANDLER(WM_KEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_DRAG, CMDrag)
        MESSAGE_HANDLER(CM_EXIT, CMExit)
    END_MESSAGE_MAP(TExXPThemedControl)

protected:
    virtual TExHeaderSections* CreateSections();
    std::u16string GetThemedClassName() override { return u"HEADER"; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateHandle() override;
    void CreateParams(TCreateParams& Params) override;
    void Resize() override;
    void Paint() override;

    // ---- painting (Exheaderpaint.cpp)
    // The visible sections that meet the canvas's clip rectangle, the locked one last (over the
    // sections scrolled under it), then the strip right of the last section.
    void RedrawSections();
    // One section into R (client coordinates) of Canvas; DragLook darkens it for the floating
    // image of a dragged section.
    void RedrawSection(TCanvas* Canvas, TExHeaderSection* Section, const TRect& R, bool DragLook);
    // Painted through an off-screen bitmap clipped to the damage.
    void WMPaint(TMessage& Message);

    // ---- event operations: each calls its handler when one is assigned
    virtual Integer DoGetPicture(TExHeaderSection* Section);
    virtual void DoVisChanged(TExHeaderSection* Section);
    virtual void DoSectionDelete(TExHeaderSection* Section);
    virtual void DoSectionMove(TExHeaderSection* Section, Integer OldPos, Integer NewPos);
    virtual void DoSectionResizing(TExHeaderSection* Section, TExHResizingStates State, Integer Width);
    virtual void DoSectionResize(TExHeaderSection* Section);
    virtual void DoSectionClick(TExHeaderSection* Section);
    virtual void DoSectionDraw(TCanvas* Canvas, TExHeaderSection* Section, const TRect& R, bool Pressed);
    virtual void DoNotifySectionChange(TExHeaderSection* Section, TSectionChangeMode Change);
    virtual void DoSectionExpandEvent(TExHeaderSection* Section);
    virtual void DoSectionCollapseEvent(TExHeaderSection* Section);
    virtual void DoSectionCreate(TExHeaderSection* Section);
    virtual void DoSectionLookupEvent(TExHeaderSection* Section, std::string& Text);
    virtual void DoSectionLookupDoneEvent(TExHeaderSection* Section, const std::string& Text, bool Accepted);
    virtual void TriggerSectionAutoSizeEvent(TExHeaderSection* Section);
    virtual void TriggerFilterCallEvent(TExHeaderSection* Section);
    virtual void TriggerMeasureSectionEvent(TExHeaderSection* Section, TPoint& Size);
    virtual void TriggerImageNeededEvent(const std::string& Src, TBitmap*& Image);

    void WMSize(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMSysColorChange(TMessage& Message);
    // The section under the mouse gives its own hint, when it has one.
    void CMHintShow(TMessage& Message);
    // The image form's background moved: draw anew and tell the children.
    void IFMRepaintChildren(TMessage& Message);

    // ---- mouse and keys (Exheaderinput.cpp)
    void WMCancelMode(TMessage& Message);
    void WMLButtonDown(TMessage& Message);
    void WMMouseMove(TMessage& Message);
    void WMLButtonUp(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMRButtonDown(TMessage& Message);
    void WMRButtonUp(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMDrag(TMessage& Message);
    void CMExit(TMessage& Message);
    // The header's own part of a press, a move and a release; false when a handler freed the header.
    bool LeftDown(Integer X, Integer Y);
    bool MouseMoved(Integer X, Integer Y);
    bool LeftUp(Integer X, Integer Y);
    // Ends a column drag; Cancelled leaves every section where it was.
    bool EndSectionDrag(Integer X, Integer Y, bool Cancelled);
    bool EndResize();
    // Inverts the resize line over the header's parent (drawing it twice takes it away).
    void DrawResizeLine();
    // Takes away the resize line and lets its device context go.
    void ReleaseResizeLine();
    // False when a drawing handler freed the header.
    bool BuildDragImage();
    // Moves the floating image of the dragged section to follow client x X.
    void MoveDragImage(Integer X);
    void FreeDragImages();
    // ---- the lookup editor
    void OpenLookupEditor(TExHeaderSection* Section);
    // Hides the shown editor and tells the owner; false when a handler freed the header.
    bool CloseLookupEditor(bool Accepted);
    void LookupEditChange(TObject* Sender);
    void LookupEditKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void LookupEditKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void LookupEditExit(TObject* Sender);

    // Invalidates the whole header when its window exists.
    void RepaintHeader();
    // Painted left edge: unscrolled for the locked section.
    Integer PaintedLeft(TExHeaderSection* Section);
    Integer PaintedRight(TExHeaderSection* Section);

    // The sections the mouse is working with. A section that leaves the collection is forgotten
    // here before it is freed.
    TExHeaderSection* FHotSection = nullptr;
    TExHeaderSection* FPressSection = nullptr;
    // The left button is down on FPressSection (it looks pressed while the mouse stays inside).
    bool FPressed = false;
    TExHeaderSection* FResizeSection = nullptr;
    TExHeaderSection* FDragSection = nullptr;
    TExHeaderSection* FDropSection = nullptr;
    TExHeaderSection* FLookupSection = nullptr;
    TExHeaderSection* FHintSection = nullptr;
    // The lookup editor sits on the header's parent but belongs to the header: it is freed first
    // thing when the header goes, before its handlers could reach a header half destroyed, and
    // forgotten when its parent frees it first.
    TWinControl* FLookupEditor = nullptr;
    // Makes Editor the lookup editor (freeing a previous one).
    void AdoptLookupEditor(TWinControl* Editor);

    // Where the left button went down on a section (client coordinates; x is content x while a
    // section is dragged).
    TPoint FPressPoint{};
    bool FResizing = false;
    // Client x of the resize line, and the mouse's distance from the section's edge at the press.
    Integer FResizeLineX = 0;
    Integer FResizeOffset = 0;
    bool FLineDrawn = false;
    HDC FLineDC = nullptr;
    // The floating image of a dragged section: where it is (client), the content x it was last
    // moved to, the section's picture, its mask and what lies under it.
    TRect FDragRect{};
    TPoint FDragOrigin{};
    std::unique_ptr<TBitmap> FDragImage;
    std::unique_ptr<TBitmap> FDragMask;
    std::unique_ptr<TBitmap> FDragBack;
    bool FLookupShown = false;
    // Set while the header writes the editor's text itself, so that no lookup event follows.
    bool FLookupChanging = false;
    HWND FLookupFocus = nullptr;
    // The right press dealt with the menus: the context menu that follows the release pops none.
    bool FMenuDoneOnPress = false;

private:
    friend class TExHeaderSection;
    friend class TExHeaderSections;

    // A section is leaving: nothing of the header may point at it afterwards.
    void ForgetSection(TExHeaderSection* Section);
    void ForgetAllSections();
    void IntSize();
    bool AnySignSection();
    void ImageFormChanged(TObject* Sender);
    void ImageListChanged(TObject* Sender);
    // The image a section shows: its ImageIndex, or the owner's answer when that is -1; -1 when
    // there is no list or the number is not one of its images.
    Integer SectionImage(TExHeaderSection* Section);
    // The sticky rule of a width change of a visible section.
    void StickySetWidth(TExHeaderSection* Section, Integer Value);
    // Scales a direct sticky write into the section's limits.
    static Integer FitWidth(const TExHeaderSection* Section, Integer Value);
    // Text size of a caption in the header's font (a marked-up one through the renderer).
    TSize MeasureCaption(const std::string& Text);
    TSize MeasurePlainCaption(const std::string& Text);
    // The section's caption size, measured once per caption and font. A marked-up caption may
    // ask the owner for an image, whose handler may free the header.
    TSize CaptionSize(TExHeaderSection* Section);
    // The tallest caption must be found again from the sections' sizes.
    void TallestChanged();
    // The section's caption changed: its size is measured again when next needed.
    void CaptionChanged(TExHeaderSection* Section);
    // The section's own visibility changed: it is counted again toward the tallest caption.
    void Recount(TExHeaderSection* Section);
    void Uncount(TExHeaderSection* Section);
    // Section goes on Waiting instead of being drawn now (answers true) while the layout is stale
    // inside an update bracket.
    bool Deferred(std::vector<TGuardPtr<TExHeaderSection>>& Waiting, TExHeaderSection* Section);
    // Invalidates the room the section takes, where it is painted.
    void InvalidateStrip(TExHeaderSection* Section);
    // From the section's painted left to the right edge (later, when deferred).
    void InvalidateRightOf(TExHeaderSection* Section);
    void FlushRepaints();

    std::unique_ptr<TExHeaderSections> FSections;
    Integer FDefaultWidth = 120;
    bool FAllowDrag = true;
    bool FMoveOnDrag = false;
    bool FResizeOnDrag = false;
    bool FTracking = true;
    bool FFlat = false;
    bool FWrapCaptions = false;
    bool FLockHeight = false;
    bool FInvertSortArrows = false;
    bool FRightAlignedText = false;
    bool FRightAlignedOrder = false;
    bool FStickySections = false;
    TColor FFilterColor = clBtnText;
    TColor FActiveFilterColor = 0;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageLink;
    TCustomExImageForm* FImageForm = nullptr;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    TExIniFile* FStorage = nullptr;
    std::string FStoragePath;
    TExHeaderSection* FLockedSection = nullptr;
    Integer FLeftPos = 0;
    std::unique_ptr<TExHTMLRender> FRender;
    // Set while painting: drawing an image list tells nothing worth a new layout.
    bool FPainting = false;

    // ---- painting helpers (Exheaderpaint.cpp)
    // Draws image N of Images with its top-left at (X, Y), cut off right of MaxRight.
    void DrawSectionImage(TCanvas* Canvas, Integer N, Integer X, Integer Y, Integer MaxRight);
    // A sign bitmap over whatever lies below (Transparent) or copied with its see-through colour
    // replaced by the brush.
    void DrawSign(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Dest, const TRect& Source, TColor SeeThrough,
                  bool Transparent);
    // A client point of the header in the client coordinates of the image form's real control.
    TPoint ImageFormOrigin(const TPoint& ClientPoint);
    // An image form paints the background (it is set and its real control is not being designed).
    bool ImageFormShown();

    Integer FUpdateCount = 0;
    bool FDeletePending = false;
    bool FCreatePending = false;
    // Asked for inside the bracket where it would need a walk of the sections, done at its end:
    // the height, and the repaints of the sections' strips, of what lies right of sections, or,
    // past a handful, of everything.
    bool FHeightPending = false;
    bool FRepaintAll = false;
    std::vector<TGuardPtr<TExHeaderSection>> FRepaintStrips;
    std::vector<TGuardPtr<TExHeaderSection>> FRepaintRights;
    // Set while sticky sizing writes widths, so that the writes do not start it again.
    bool FStickyRunning = false;
    Integer FLastStickyWidth = 0;
    Integer FRestoreCount = 0;
    // Caption sizes belong to this generation of the font and the wrapping.
    unsigned FMeasureGen = 1;
    // The tallest caption among the visible text sections, kept as the number of captions of each
    // height: a caption change or a new section costs one measure, not one of every caption. The
    // sections waiting in FToCount are measured and counted when the height is next asked for.
    bool FTallestValid = false;
    std::map<Integer, Integer> FHeights;
    std::vector<TGuardPtr<TExHeaderSection>> FToCount;
};

// The header as forms place it.
class TExHeader : public TCustomExHeader {
public:
    using TCustomExHeader::TCustomExHeader;
};

namespace controls {
// The bitmaps every header shares: the sort marks and the lookup sign. They live while any header
// does.
enum THeaderBitmap { hbAscending, hbDescending, hbLeft, hbRight, hbPoint };
void HeaderBitmapsAcquire();
void HeaderBitmapsRelease();
TBitmap* HeaderBitmap(THeaderBitmap Which);

// Keeps a header's update bracket balanced whatever happens inside it. While an exception is on
// its way out, what the closing raises is dropped so that the first one arrives.
class TUpdateScope {
public:
    explicit TUpdateScope(TCustomExHeader* Header);
    ~TUpdateScope() noexcept(false);
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    // A handler run inside the bracket may free the header.
    TGuardPtr<TCustomExHeader> FHeader;
    int FUncaught;
};
}  // namespace controls

// The header control: properties, update bracket, geometry and hit tests, heights, sticky sizing.
#include "controls/Exheader.h"

#include "controls/Exheaderlayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "ctlbase/Exini.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exvclutils.h"
#include "ctlbase/Htmlrender.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"
#include "platform/Windows.h"

namespace controls {

TUpdateScope::TUpdateScope(TCustomExHeader* Header) : FHeader(Header), FUncaught(std::uncaught_exceptions())
{
    FHeader->BeginUpdate();
}

TUpdateScope::~TUpdateScope() noexcept(false)
{
    if (!FHeader)
        return;
    if (std::uncaught_exceptions() == FUncaught) {
        FHeader->EndUpdate();
        return;
    }
    try {
        FHeader->EndUpdate();
    } catch (...) {
    }
}

}  // namespace controls

namespace {

Integer RoundHalfEven(double Value) { return static_cast<Integer>(std::nearbyint(Value)); }

}  // namespace

TCustomExHeader::TCustomExHeader(TComponent* AOwner)
    : TExXPThemedControl(AOwner),
      FImageLink(std::make_unique<TChangeLink>()),
      FImageFormLink(std::make_unique<TImgFormChangeLink>()),
      FRender(std::make_unique<TExHTMLRender>())
{
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque | csReplicatable |
                   csDisplayDragImage | csReflector;
    SetTabStop(false);
    SetHeight(std::abs(Font()->Height()) + 6 + 2 * GetSystemMetrics(SM_CYBORDER));
    SetColor(clBtnFace);
    SetAlign(alTop);
    FSections.reset(CreateSections());
    FImageLink->OnChange = [this](TObject* Sender) { ImageListChanged(Sender); };
    FImageFormLink->OnChange = [this](TObject* Sender) { ImageFormChanged(Sender); };
    FRender->OnImageNeeded = [this](TObject*, const std::string& Src, TBitmap*& Image) {
        TriggerImageNeededEvent(Src, Image);
    };
    controls::HeaderBitmapsAcquire();
}

TCustomExHeader::~TCustomExHeader()
{
    Destroying();
    // A resize line drawn over the parent and a cursor set for the whole application go with us.
    ReleaseResizeLine();
    if (FResizing && Screen && Screen->Cursor() == crHSplit)
        Screen->SetCursor(Cursor());
    // Before anything else: its handlers lead back here.
    if (FLookupEditor) {
        TWinControl* editor = FLookupEditor;
        FLookupEditor = nullptr;
        editor->RemoveFreeNotification(this);
        TObject::Free(editor);
    }
    FSections->Clear();
    SetImages(nullptr);
    SetImageForm(nullptr);
    if (FStorage)
        FStorage->RemoveFreeNotification(this);
    controls::HeaderBitmapsRelease();
}

TExHeaderSections* TCustomExHeader::CreateSections() { return new TExHeaderSections(this); }

bool TCustomExHeader::IsLoading() const
{
    if (HasState(csLoading) || FRestoreCount > 0)
        return true;
    return Owner() && Owner()->HasState(csLoading);
}

void TCustomExHeader::RepaintHeader()
{
    if (HandleAllocated())
        Invalidate();
}

// ---------------------------------------------------------------- forgetting sections

void TCustomExHeader::ForgetSection(TExHeaderSection* Section)
{
    // A section resized or looked up as it goes ends that mode with it.
    if (Section == FResizeSection && FResizing)
        ReleaseResizeLine();
    if (Section == FLookupSection && FLookupShown) {
        FLookupShown = false;
        if (FLookupEditor)
            FLookupEditor->Hide();
    }
    for (TExHeaderSection** p : {&FHotSection, &FPressSection, &FResizeSection, &FDragSection, &FDropSection,
                                 &FLookupSection, &FHintSection, &FLockedSection})
        if (*p == Section)
            *p = nullptr;
}

void TCustomExHeader::ForgetAllSections()
{
    if (FResizing)
        ReleaseResizeLine();
    FLookupShown = false;
    for (TExHeaderSection** p : {&FHotSection, &FPressSection, &FResizeSection, &FDragSection, &FDropSection,
                                 &FLookupSection, &FHintSection, &FLockedSection})
        *p = nullptr;
}

void TCustomExHeader::AdoptLookupEditor(TWinControl* Editor)
{
    if (Editor == FLookupEditor)
        return;
    if (FLookupEditor) {
        FLookupEditor->RemoveFreeNotification(this);
        TObject::Free(FLookupEditor);
    }
    FLookupEditor = Editor;
    // The parent may free it first, as it frees every child.
    if (Editor)
        Editor->FreeNotification(this);
}

void TCustomExHeader::Notification(TComponent* AComponent, TOperation Operation)
{
    TExXPThemedControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FStorage)
        FStorage = nullptr;
    // The list is past its own destructor here, which has already let our link go.
    if (AComponent == FImages) {
        FImages = nullptr;
        if (!FLockHeight)
            AdjustHeaderHeight();
        RepaintHeader();
    }
    if (AComponent == FImageForm) {
        FImageForm = nullptr;
        RepaintHeader();
    }
    if (AComponent == FLookupEditor)
        FLookupEditor = nullptr;
    if (FSections)
        for (Integer i = 0; i < FSections->GetCount(); ++i) {
            TExHeaderSection* s = FSections->At(i);
            if (s->FPopupMenu && static_cast<TComponent*>(s->FPopupMenu) == AComponent)
                s->SetPopupMenu(nullptr);
        }
}

// ---------------------------------------------------------------- properties

void TCustomExHeader::SetSections(TExHeaderSections* Value) { FSections->Assign(Value); }

void TCustomExHeader::SetTracking(bool Value)
{
    if (Value == FTracking)
        return;
    FTracking = Value;
    if (!Value && !IsThemeApplied()) {
        FHotSection = nullptr;
        RepaintHeader();
    }
}

void TCustomExHeader::SetFlat(bool Value)
{
    if (Value == FFlat)
        return;
    FFlat = Value;
    TGuardPtr<TCustomExHeader> self(this);
    if (HandleAllocated())
        AdjustHeaderHeight();
    if (self)
        RepaintHeader();
}

void TCustomExHeader::SetWrapCaptions(bool Value)
{
    if (Value == FWrapCaptions)
        return;
    FWrapCaptions = Value;
    ++FMeasureGen;
    TallestChanged();
    TGuardPtr<TCustomExHeader> self(this);
    AdjustHeaderHeight();
    if (self)
        RepaintHeader();
}

void TCustomExHeader::SetLockHeight(bool Value)
{
    if (Value == FLockHeight)
        return;
    FLockHeight = Value;
    if (!Value && !(Parent() && Parent()->HasState(csLoading)))
        AdjustHeaderHeight();
}

void TCustomExHeader::SetInvertSortArrows(bool Value)
{
    if (Value == FInvertSortArrows)
        return;
    FInvertSortArrows = Value;
    RepaintHeader();
}

void TCustomExHeader::SetRightAlignedText(bool Value)
{
    if (Value == FRightAlignedText)
        return;
    FRightAlignedText = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomExHeader::SetRightAlignedOrder(bool Value)
{
    if (Value == FRightAlignedOrder)
        return;
    FRightAlignedOrder = Value;
    if (IsLoading())
        return;
    FSections->Numbers();
    // The locked section stays first: it is drawn and hit at the left edge whatever its place.
    const Integer first = FLockedSection && FSections->IndexOf(FLockedSection) == 0 ? 1 : 0;
    for (Integer i = first, j = FSections->GetCount() - 1; i < j; ++i, --j)
        std::swap(FSections->FList.Ref(i), FSections->FList.Ref(j));
    FSections->FLayout->OrderChanged();
    RepaintHeader();
}

void TCustomExHeader::SetStickySections(bool Value)
{
    FStickySections = Value;
    if (IsLoading() || !Value)
        return;
    Integer rw = GetResizableWidth();
    if (rw == 0)
        rw = 1;
    for (Integer i = 0; i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        s->FStickyRatio = s->GetVisible() && s->FResizable ? float(double(s->FWidth) / rw) : 0.0f;
    }
}

void TCustomExHeader::SetFilterColor(TColor Value)
{
    if (Value == FFilterColor)
        return;
    FFilterColor = Value;
    TGuardPtr<TCustomExHeader> self(this);
    for (Integer i = 0; self && i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->FFilterEnabled && !s->FFilterIsActive)
            s->UpdateSection();
    }
}

void TCustomExHeader::SetActiveFilterColor(TColor Value)
{
    if (Value == FActiveFilterColor)
        return;
    FActiveFilterColor = Value;
    TGuardPtr<TCustomExHeader> self(this);
    for (Integer i = 0; self && i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->FFilterEnabled && s->FFilterIsActive)
            s->UpdateSection();
    }
}

void TCustomExHeader::SetImages(TCustomImageList* Value)
{
    if (Value == FImages)
        return;
    if (FImages) {
        FImages->UnregisterChanges(FImageLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (Value) {
        Value->RegisterChanges(FImageLink.get());
        Value->FreeNotification(this);
    }
    TGuardPtr<TCustomExHeader> self(this);
    if (!FLockHeight)
        AdjustHeaderHeight();
    if (self)
        RepaintHeader();
}

void TCustomExHeader::ImageListChanged(TObject*)
{
    if (FPainting)
        return;
    TGuardPtr<TCustomExHeader> self(this);
    if (!FLockHeight)
        AdjustHeaderHeight();
    if (self)
        RepaintHeader();
}

Integer TCustomExHeader::SectionImage(TExHeaderSection* Section)
{
    if (!FImages)
        return -1;
    Integer n = Section->FImageIndex;
    if (n == -1) {
        // The caller tells by its own guard whether the owner's handler freed the header.
        TGuardPtr<TCustomExHeader> self(this);
        n = DoGetPicture(Section);
        if (!self || !FImages)
            return -1;
    }
    return n >= 0 && n < FImages->Count() ? n : -1;
}

void TCustomExHeader::SetImageForm(TCustomExImageForm* Value)
{
    if (Value == FImageForm)
        return;
    if (FImageForm) {
        FImageForm->UnregisterChanges(FImageFormLink.get());
        FImageForm->RemoveFreeNotification(this);
    }
    FImageForm = Value;
    if (Value) {
        Value->RegisterChanges(FImageFormLink.get());
        Value->FreeNotification(this);
    }
    if (HandleAllocated() && !HasState(csDestroying)) {
        RecreateWnd();
        Perform(IFM_REPAINTCHILDREN, 0, 0);
    }
}

void TCustomExHeader::ImageFormChanged(TObject*) { RepaintHeader(); }

void TCustomExHeader::SetStorage(TExIniFile* Value)
{
    if (Value == FStorage)
        return;
    if (FStorage)
        FStorage->RemoveFreeNotification(this);
    FStorage = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomExHeader::SetLockedSection(TExHeaderSection* Value)
{
    if (Value == FLockedSection)
        return;
    if (Value && FSections->IndexOf(Value) < 0)
        throw EExHeaderError(controls::InvalidSection);
    FLockedSection = Value;
    if (Value)
        FSections->MoveSection(Value, 0);
    RepaintHeader();
}

void TCustomExHeader::SetLeftPos(Integer Value)
{
    if (Value == FLeftPos)
        return;
    FLeftPos = Value;
    RepaintHeader();
}

// ---------------------------------------------------------------- update bracket

void TCustomExHeader::BeginUpdate() { ++FUpdateCount; }

void TCustomExHeader::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount > 0)
        return;
    TGuardPtr<TCustomExHeader> self(this);
    if (FDeletePending) {
        FDeletePending = false;
        DoSectionDelete(nullptr);
        if (!self)
            return;
    }
    if (FCreatePending) {
        FCreatePending = false;
        DoSectionCreate(nullptr);
        if (!self)
            return;
    }
    // What the changes inside asked of the window and could not do without a walk, once.
    if (FHeightPending) {
        FHeightPending = false;
        AdjustHeaderHeight();
        if (!self)
            return;
    }
    FlushRepaints();
    Update();
}

void TCustomExHeader::Update()
{
    if (FUpdateCount == 0)
        TExXPThemedControl::Update();
}

// ---------------------------------------------------------------- geometry

Integer TCustomExHeader::PaintedLeft(TExHeaderSection* Section)
{
    return Section == FLockedSection ? Section->GetLeft() : Section->GetLeft() - FLeftPos;
}

Integer TCustomExHeader::PaintedRight(TExHeaderSection* Section)
{
    return Section == FLockedSection ? Section->GetRight() : Section->GetRight() - FLeftPos;
}

Integer TCustomExHeader::GetColumnsWidth()
{
    const controls::THeaderLayout& layout = FSections->Layout();
    // The right edge of the last visible section is the room all of them take.
    Integer shown = layout.VisibleCount();
    if (FLockedSection && FLockedSection->GetVisible() && layout.Count() > 1)
        --shown;
    return shown > 0 ? Integer(std::min<Int64>(layout.Total(), MaxInt)) : 0;
}

TExHeaderSection* TCustomExHeader::GetSectionAt(Integer X, Integer)
{
    if (FLockedSection && FLockedSection->GetVisible() && X >= 0 && X < FLockedSection->FWidth)
        return FLockedSection;
    const Integer pos = FSections->Layout().PositionAt(Int64(X) + FLeftPos);
    return pos < FSections->GetCount() ? FSections->At(pos) : nullptr;
}

bool TCustomExHeader::InResizeArea(Integer X, TExHeaderSection*& Section)
{
    TExHeaderSection* s = GetSectionAt(X, 0);
    Section = s;
    if (!s) {
        TExHeaderSection* last = FSections->LastVisibleSection();
        if (last && PaintedRight(last) + 5 > X) {
            Section = last;
            return true;
        }
        return false;
    }
    if (s->FWidth < 15)
        return false;
    const Integer left = PaintedLeft(s);
    if (X < left + 5) {
        if (TExHeaderSection* prev = FSections->GetPrevVisibleSection(s)) {
            Section = prev;
            return true;
        }
        return false;
    }
    return X >= left + s->FWidth - 5;
}

TExHeaderSection* TCustomExHeader::GetSectionAtEx(Integer X, Integer Y, TExSectionPart& Part)
{
    TExHeaderSection* s = nullptr;
    if (InResizeArea(X, s)) {
        Part = espResizeArea;
        return s;
    }
    s = GetSectionAt(X, Y);
    Part = espText;
    if (!s || s->FWidth <= 14)
        return s;
    const Integer r = PaintedRight(s) - 4;
    const bool inSignColumn = X >= r - 7 && X <= r;
    if (s->FExpandable && inSignColumn && Y >= 2 && Y <= 9)
        Part = espExpandSign;
    else if (inSignColumn && Y >= 12 && Y <= 16) {
        if (s->FLookupEnabled)
            Part = espLookupSign;
        else if (s->FFilterEnabled)
            Part = espFilterSign;
    }
    return s;
}

TRect TCustomExHeader::GetSectionRect(Integer Index)
{
    TExHeaderSection* s = FSections->FindSection(Index);
    if (!s)
        throw EExHeaderError(controls::IndexOutOfBounds);
    const Integer left = s->GetLeft();
    TRect r{left, 0, left + s->FWidth, ClientHeight()};
    if (s == FLockedSection) {
        r.Left += FLeftPos;
        r.Right += FLeftPos;
    }
    return r;
}

void TCustomExHeader::InvalidateRight(Integer Index)
{
    if (Index < 0 || Index >= FSections->GetCount())
        throw EExHeaderError(controls::IndexOutOfBounds);
    if (TExHeaderSection* s = HandleAllocated() ? FSections->FindSection(Index) : nullptr)
        InvalidateRightOf(s);
}

bool TCustomExHeader::Deferred(std::vector<TGuardPtr<TExHeaderSection>>& Waiting, TExHeaderSection* Section)
{
    // Where a section lies is known at once unless the layout waits to be taken anew; inside an
    // update bracket it waits for the bracket's end, where it is taken once.
    if (FUpdateCount == 0 || FSections->Layout().GeometryCurrent())
        return false;
    // Past a handful the whole header is drawn again.
    if (!FRepaintAll && Waiting.size() < 64) {
        Waiting.emplace_back(Section);
    } else {
        FRepaintAll = true;
        FRepaintRights.clear();
        FRepaintStrips.clear();
    }
    return true;
}

void TCustomExHeader::InvalidateRightOf(TExHeaderSection* Section)
{
    if (!HandleAllocated() || Deferred(FRepaintRights, Section))
        return;
    const TRect client = ClientRect();
    RECT r{PaintedLeft(Section), 0, client.Right, client.Bottom};
    InvalidateRect(Handle(), &r, FALSE);
}

void TCustomExHeader::InvalidateStrip(TExHeaderSection* Section)
{
    const Integer left = PaintedLeft(Section);
    RECT r{left, 0, left + Section->FWidth, Height() - 1};
    InvalidateRect(Handle(), &r, FALSE);
}

void TCustomExHeader::FlushRepaints()
{
    if (FRepaintAll) {
        FRepaintAll = false;
        RepaintHeader();
        return;
    }
    const auto rights = std::move(FRepaintRights);
    const auto strips = std::move(FRepaintStrips);
    FRepaintRights.clear();
    FRepaintStrips.clear();
    if (!HandleAllocated())
        return;
    for (const auto& s : strips)
        if (s && FSections->IndexOf(s.Get()) >= 0 && s->GetVisible())
            InvalidateStrip(s.Get());
    for (const auto& s : rights)
        if (s && FSections->IndexOf(s.Get()) >= 0)
            InvalidateRightOf(s.Get());
}

// ---------------------------------------------------------------- measuring and height

TSize TCustomExHeader::MeasureCaption(const std::string& Text)
{
    if (Text.rfind("<html>", 0) == 0) {
        TExHTMLData* data = FRender->Data();
        data->DefaultColor = Font()->Color();
        data->DefaultStyle = Font()->Style();
        data->DefaultSize = Font()->Size();
        data->DefaultFont = Font()->Name();
        data->Charset = Font()->Charset();
        data->DefaultBgColor = Color();
        // The image handler may free the header, and the caption with it.
        TGuardPtr<TCustomExHeader> self(this);
        const std::string text = Text;
        try {
            FRender->PrepareText(text, 0, false);
            if (!self)
                return TSize{};
            return FRender->GetTextSize();
        } catch (const Exception&) {
            if (!self)
                return TSize{};
            // A caption the markup engine refuses is measured as the plain text it shows.
        }
        return MeasurePlainCaption(text);
    }
    return MeasurePlainCaption(Text);
}

TSize TCustomExHeader::MeasurePlainCaption(const std::string& Text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    RECT r{0, 0, 0, 0};
    const UINT flags = DT_CALCRECT | DT_NOPREFIX | (FWrapCaptions ? DT_WORDBREAK : DT_SINGLELINE);
    DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &r, flags);
    SelectObject(dc, old);
    DeleteDC(dc);
    return TSize{r.Width(), r.Height()};
}

TSize TCustomExHeader::CaptionSize(TExHeaderSection* Section)
{
    if (Section->FMeasured != FMeasureGen) {
        TGuardPtr<TExHeaderSection> section(Section);
        const unsigned generation = FMeasureGen;
        const TSize size = MeasureCaption(Section->FText);
        if (!section)
            return size;
        Section->FCaptionSize = size;
        Section->FMeasured = generation;
    }
    return Section->FCaptionSize;
}

void TCustomExHeader::TallestChanged()
{
    FTallestValid = false;
    FToCount.clear();
}

void TCustomExHeader::CaptionChanged(TExHeaderSection* Section)
{
    Section->FMeasured = 0;
    Recount(Section);
}

void TCustomExHeader::Recount(TExHeaderSection* Section)
{
    Uncount(Section);
    if (FTallestValid)
        FToCount.emplace_back(Section);
}

void TCustomExHeader::Uncount(TExHeaderSection* Section)
{
    if (Section->FCountedHeight < 0)
        return;
    const auto it = FHeights.find(Section->FCountedHeight);
    if (it != FHeights.end() && --it->second <= 0)
        FHeights.erase(it);
    Section->FCountedHeight = -1;
}

Integer TCustomExHeader::MeasureSectionWidth(TExHeaderSection* Section, Integer* TextWidth, Integer* SectionHeight)
{
    if (TextWidth)
        *TextWidth = 0;
    if (SectionHeight)
        *SectionHeight = 0;
    Integer w = 10;
    if (Section->FExpandable || Section->FLookupEnabled || Section->FFilterEnabled)
        w += 8;
    w += 12 + 5;
    // Handlers of the owner may free the header, or delete the section, on the way: then there is
    // nothing to measure.
    TGuardPtr<TCustomExHeader> self(this);
    TGuardPtr<TExHeaderSection> section(Section);
    if (Section->FStyle == ExhsOwnerDraw) {
        TPoint p{0, 0};
        TriggerMeasureSectionEvent(Section, p);
        if (!self || !section)
            return 0;
        w += p.X;
        if (SectionHeight)
            *SectionHeight = p.Y;
    } else {
        const Integer image = SectionImage(Section);
        if (!self || !section)
            return 0;
        if (image >= 0)
            w += FImages->Width();
        if (Section->FStyle == ExhsText) {
            const TSize size = CaptionSize(Section);
            if (!self || !section)
                return 0;
            w += size.cx;
            if (TextWidth)
                *TextWidth = size.cx;
            if (SectionHeight)
                *SectionHeight = size.cy;
        }
    }
    return std::max(w, Section->FMinWidth);
}

Integer TCustomExHeader::CalcHeaderHeight()
{
    // The tallest caption is kept from call to call: only captions that changed, and sections
    // that came, are measured; a change of visibility, style or font counts them all again (from
    // the sizes they keep).
    TGuardPtr<TCustomExHeader> self(this);
    auto count = [&](TExHeaderSection* s) {
        if (s->FCountedHeight >= 0 || s->FStyle != ExhsText || !s->GetVisible())
            return true;
        TGuardPtr<TExHeaderSection> section(s);
        const TSize size = CaptionSize(s);
        if (!self)
            return false;
        // Measuring may have run a handler that changed what is counted: counted next time.
        if (!section || !FTallestValid)
            return true;
        s->FCountedHeight = size.cy;
        ++FHeights[size.cy];
        return true;
    };
    if (!FTallestValid) {
        FHeights.clear();
        FToCount.clear();
        for (Integer i = 0; i < FSections->GetCount(); ++i)
            FSections->At(i)->FCountedHeight = -1;
        FTallestValid = true;
        for (Integer i = 0; i < FSections->GetCount() && FTallestValid; ++i)
            if (!count(FSections->At(i)))
                return 0;
    } else {
        std::vector<TGuardPtr<TExHeaderSection>> waiting;
        waiting.swap(FToCount);
        for (const auto& s : waiting)
            if (s && FTallestValid && FSections->IndexOf(s.Get()) >= 0 && !count(s.Get()))
                return 0;
    }
    const Integer h = FHeights.empty() ? 0 : FHeights.rbegin()->first;
    Integer result = std::max(17, h + 4);
    if (FImages)
        result = std::max(result, FImages->Height() + 4);
    if (!FFlat)
        result += 2;
    return result;
}

void TCustomExHeader::AdjustHeaderHeight()
{
    if (FLockHeight || !HandleAllocated())
        return;
    // Inside an update bracket a height that must be counted from every section is found once,
    // at its end.
    if (FUpdateCount > 0 && !FTallestValid) {
        FHeightPending = true;
        return;
    }
    TGuardPtr<TCustomExHeader> self(this);
    const Integer h = CalcHeaderHeight();
    if (self)
        SetHeight(h);
}

bool TCustomExHeader::AnySignSection()
{
    for (Integer i = 0; i < FSections->GetCount(); ++i)
        if (FSections->At(i)->FLookupEnabled || FSections->At(i)->FFilterEnabled)
            return true;
    return false;
}

void TCustomExHeader::IntSize()
{
    if (AnySignSection() && Height() >= 1 && Height() <= 16)
        SetHeight(17);
}

// ---------------------------------------------------------------- sticky sizing

Integer TCustomExHeader::FitWidth(const TExHeaderSection* Section, Integer Value)
{
    Value = std::min(Value, Section->FMaxWidth);
    Value = std::max(Value, Section->FMinWidth);
    return std::max(Value, 0);
}

Integer TCustomExHeader::GetResizableWidth()
{
    Integer w = Width();
    for (Integer i = 0; i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->GetVisible() && !s->FResizable)
            w -= s->FWidth;
    }
    return w;
}

void TCustomExHeader::MarkStickySections()
{
    const Integer rw = GetResizableWidth();
    for (Integer i = 0; i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        s->FStickyRatio = s->GetVisible() && s->FResizable && rw != 0 ? float(double(s->FWidth) / rw) : 0.0f;
    }
}

void TCustomExHeader::AdjustStickySize(TExHeaderSection* Except)
{
    const Integer c = ClientWidth();
    // With no room at all there is nothing to fit into, and every width would go.
    if (c < 1)
        return;
    Integer cols = GetColumnsWidth();
    const Integer count = FSections->GetCount();
    // Shrinks a section so that the columns end one pixel left of the edge, as far as its least
    // width lets it; answers whether it shrank.
    auto shrink = [&](TExHeaderSection* s) {
        const Integer wanted = s->FWidth <= cols - c - 1 ? 0 : s->FWidth - (cols - c) - 1;
        const Integer w = std::max(wanted, std::max(s->FMinWidth, 0));
        if (w >= s->FWidth)
            return false;
        s->PutWidth(w);
        cols = GetColumnsWidth();
        return true;
    };
    for (Integer i = count - 1; i >= 0 && cols >= c; --i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->GetVisible() && s->FWidth >= 1 && s->FResizable && s != Except)
            shrink(s);
    }
    for (Integer i = count - 1; i >= 0 && cols >= c; --i) {
        TExHeaderSection* s = FSections->At(i);
        if (!s->GetVisible() || s->FWidth < 1 || (s->FResizable && s != Except))
            continue;
        const Integer before = s->FWidth;
        if (shrink(s) && s->FSaveSize < 0)
            s->FSaveSize = before;
    }
    // One walk gives back what was taken as far as the room goes; a second would find nothing.
    for (Integer i = count - 1; i >= 0 && cols < c - 1; --i) {
        TExHeaderSection* s = FSections->At(i);
        if (!s->GetVisible() || s->FResizable || s->FWidth >= s->FSaveSize)
            continue;
        s->PutWidth(std::min(s->FWidth + (c - cols) - 1, s->FSaveSize));
        cols = GetColumnsWidth();
        if (s->FWidth != s->FSaveSize)
            break;
        s->FSaveSize = -1;
    }
    for (Integer i = count - 1; i >= 0; --i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->GetVisible() && s->FResizable && s != Except) {
            s->PutWidth(FitWidth(s, s->FWidth + (c - cols) - 1));
            break;
        }
    }
}

void TCustomExHeader::StickySetWidth(TExHeaderSection* Section, Integer Value)
{
    const Integer pos = FSections->IndexOf(Section);
    if (pos < FSections->GetCount() - 1) {
        const Integer room = Width();
        const Integer left = Section->GetLeft();
        Integer oldRest = room - (left + Section->FWidth);
        if (oldRest == 0)
            oldRest = 1;
        const Integer newRest = room - (left + Value);
        TExHeaderSection* lastChanged = nullptr;
        for (Integer i = pos + 1; i < FSections->GetCount(); ++i) {
            TExHeaderSection* s = FSections->At(i);
            if (!s->GetVisible() || !s->FResizable)
                continue;
            // No room right of the section: nothing to share out, the fitting below decides.
            if (oldRest > 0)
                s->PutWidth(FitWidth(s, RoundHalfEven(double(s->FWidth) / oldRest * std::max(newRest, 0))));
            lastChanged = s;
        }
        Section->PutWidth(Value);
        if (lastChanged) {
            const Integer gap = room - GetColumnsWidth();
            if (gap > 0)
                lastChanged->PutWidth(FitWidth(lastChanged, lastChanged->FWidth + gap));
        }
        AdjustStickySize(Section);
    }
    MarkStickySections();
    if (Section->GetVisible())
        InvalidateRight(Section->GetIndex());
}

void TCustomExHeader::Resize()
{
    if (FStickySections && !IsLoading() && !FStickyRunning) {
        // Nothing in here raises: the widths are written plainly and no event is raised.
        FStickyRunning = true;
        const Integer c = ClientWidth();
        if (c > FLastStickyWidth)
            for (Integer i = FSections->GetCount() - 1; i >= 0; --i) {
                TExHeaderSection* s = FSections->At(i);
                if (!s->GetVisible() || s->FResizable || s->FSaveSize < 0)
                    continue;
                s->SetWidth(std::min(s->FSaveSize, c));
                if (s->FWidth == s->FSaveSize)
                    s->FSaveSize = -1;
            }
        Integer rw = GetResizableWidth();
        if (rw == 0)
            rw = 1;
        for (Integer i = 0; i < FSections->GetCount(); ++i) {
            TExHeaderSection* s = FSections->At(i);
            if (s->GetVisible() && s->FResizable)
                s->SetWidth(RoundHalfEven(double(rw) * double(s->FStickyRatio)));
        }
        AdjustStickySize(nullptr);
        FLastStickyWidth = c;
        FStickyRunning = false;
    }
    const Integer least = std::max(std::abs(Font()->Height()) + 6, FImages ? FImages->Height() : 0);
    if (!FLockHeight && HandleAllocated() && ClientHeight() < least)
        AdjustHeaderHeight();
    TExXPThemedControl::Resize();
}

// ---------------------------------------------------------------- window

void TCustomExHeader::CreateParams(TCreateParams& Params)
{
    TExXPThemedControl::CreateParams(Params);
    if (FRightAlignedText)
        Params.ExStyle |= WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;
}

void TCustomExHeader::CreateHandle()
{
    TExXPThemedControl::CreateHandle();
    AdjustHeaderHeight();
}

void TCustomExHeader::WMSize(TMessage& Message)
{
    // OnResize may free the header.
    TGuardPtr<TCustomExHeader> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    IntSize();
    AdjustHeaderHeight();
}

void TCustomExHeader::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TCustomExHeader::CMFontChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    ++FMeasureGen;
    TallestChanged();
    if (!FLockHeight) {
        Canvas()->SetFont(Font());
        TGuardPtr<TCustomExHeader> self(this);
        AdjustHeaderHeight();
        if (self)
            RepaintHeader();
    }
}

void TCustomExHeader::CMSysColorChange(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    RepaintHeader();
}

void TCustomExHeader::CMHintShow(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (!info)
        return;
    FHintSection = GetSectionAt(info->CursorPos.X, info->CursorPos.Y);
    if (!FHintSection)
        return;
    if (!FHintSection->FHint.empty())
        info->HintStr = FHintSection->FHint;
    // The hint belongs to the section: leaving it asks for the next one's.
    info->CursorRect = TRect{PaintedLeft(FHintSection), 0, PaintedRight(FHintSection), ClientHeight()};
}

void TCustomExHeader::IFMRepaintChildren(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    RepaintHeader();
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->Perform(Message.Msg, Message.WParam, Message.LParam);
}

void TCustomExHeader::Loaded()
{
    TExXPThemedControl::Loaded();
    TForm* form = GetOwnerForm(this);
    if (!form)
        return;
    for (Integer i = 0; i < FSections->GetCount(); ++i) {
        TExHeaderSection* s = FSections->At(i);
        if (s->FPopupMenuName.empty())
            continue;
        if (auto* menu = dynamic_cast<TPopupMenu*>(form->FindComponent(s->FPopupMenuName)))
            s->SetPopupMenu(menu);
    }
    SetStickySections(FStickySections);
    if (FRightAlignedOrder) {
        FRightAlignedOrder = false;
        SetRightAlignedOrder(true);
    }
    AdjustHeaderHeight();
}

// ---------------------------------------------------------------- event operations

Integer TCustomExHeader::DoGetPicture(TExHeaderSection* Section)
{
    Integer index = -1;
    if (OnPictureNeeded)
        OnPictureNeeded(this, Section, index);
    return index;
}

void TCustomExHeader::DoVisChanged(TExHeaderSection* Section)
{
    if (OnSectionShowHide)
        OnSectionShowHide(this, Section);
}

void TCustomExHeader::DoSectionDelete(TExHeaderSection* Section)
{
    if (OnSectionDelete)
        OnSectionDelete(this, Section);
}

void TCustomExHeader::DoSectionMove(TExHeaderSection* Section, Integer OldPos, Integer NewPos)
{
    if (OnSectionMove)
        OnSectionMove(this, Section, OldPos, NewPos);
}

void TCustomExHeader::DoSectionResizing(TExHeaderSection* Section, TExHResizingStates State, Integer Width)
{
    if (OnSectionResizing)
        OnSectionResizing(this, Section, State, Width);
}

void TCustomExHeader::DoSectionResize(TExHeaderSection* Section)
{
    if (OnSectionResize)
        OnSectionResize(this, Section);
}

void TCustomExHeader::DoSectionClick(TExHeaderSection* Section)
{
    if (OnSectionClick)
        OnSectionClick(this, Section);
}

void TCustomExHeader::DoSectionDraw(TCanvas* Canvas, TExHeaderSection* Section, const TRect& R, bool Pressed)
{
    if (OnSectionDraw)
        OnSectionDraw(this, Canvas, Section, R, Pressed);
}

void TCustomExHeader::DoNotifySectionChange(TExHeaderSection* Section, TSectionChangeMode Change)
{
    if (OnSectionChange)
        OnSectionChange(this, Section, Change);
}

void TCustomExHeader::DoSectionExpandEvent(TExHeaderSection* Section)
{
    if (OnSectionExpand)
        OnSectionExpand(this, Section);
}

void TCustomExHeader::DoSectionCollapseEvent(TExHeaderSection* Section)
{
    if (OnSectionCollapse)
        OnSectionCollapse(this, Section);
}

void TCustomExHeader::DoSectionCreate(TExHeaderSection* Section)
{
    if (OnSectionCreate)
        OnSectionCreate(this, Section);
}

void TCustomExHeader::DoSectionLookupEvent(TExHeaderSection* Section, std::string& Text)
{
    if (OnHeaderLookup)
        OnHeaderLookup(this, Section, Text);
}

void TCustomExHeader::DoSectionLookupDoneEvent(TExHeaderSection* Section, const std::string& Text, bool Accepted)
{
    if (OnHeaderLookupDone)
        OnHeaderLookupDone(this, Section, Text, Accepted);
}

void TCustomExHeader::TriggerSectionAutoSizeEvent(TExHeaderSection* Section)
{
    if (OnSectionAutoSize)
        OnSectionAutoSize(this, Section);
}

void TCustomExHeader::TriggerFilterCallEvent(TExHeaderSection* Section)
{
    if (OnFilterCall)
        OnFilterCall(this, Section);
}

void TCustomExHeader::TriggerMeasureSectionEvent(TExHeaderSection* Section, TPoint& Size)
{
    if (OnMeasureSection)
        OnMeasureSection(this, Section, Size);
}

void TCustomExHeader::TriggerImageNeededEvent(const std::string& Src, TBitmap*& Image)
{
    if (OnHTMLImageNeeded)
        OnHTMLImageNeeded(this, Src, Image);
}

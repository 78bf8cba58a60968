// One section of the column header: its properties and what each change asks of the header.
#include <algorithm>
#include <cmath>

#include "controls/Exheader.h"
#include "controls/Exheaderlayout.h"
#include "ctlbase/Exlist.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/Windows.h"

namespace {

// Sticky sizing scales widths by a ratio and rounds halves to even.
Integer ScaleWidth(Integer Width, Integer OldRest, Integer NewRest)
{
    if (OldRest <= 0)
        return Width;
    return static_cast<Integer>(std::nearbyint(double(Width) / double(OldRest) * double(std::max(NewRest, 0))));
}

}  // namespace

TExHeaderSection::TExHeaderSection(TCustomExHeader* AHeader)
    : FHeader(AHeader), FWidth(AHeader->DefaultWidth()), FLookupHistory(std::make_unique<TStringList>())
{
    SetFieldType(sftText);
}

TExHeaderSection::~TExHeaderSection()
{
    // Children lose their parent whatever Expandable says: a stream or SetParentSection may have
    // linked them to a section that never was expandable. Its own parent counts it no more (a
    // section that leaves with its header has no links left to undo).
    ReleaseChildren();
    if (FHeader)
        LinkTo(nullptr);
}

TPersistent* TExHeaderSection::GetOwner() { return FHeader->Sections(); }

void TExHeaderSection::LinkTo(TExHeaderSection* Parent)
{
    if (FParentSection)
        --FParentSection->FChildCount;
    FParentSection = Parent;
    if (Parent)
        ++Parent->FChildCount;
}

void TExHeaderSection::ReleaseChildren()
{
    TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr;
    if (!all || FChildCount == 0)
        return;
    for (Integer i = 0; i < all->GetCount() && FChildCount > 0; ++i)
        if (all->At(i)->FParentSection == this)
            all->At(i)->LinkTo(nullptr);
    all->LinksChanged();
}

void TExHeaderSection::VisibilityChanged()
{
    if (TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr)
        all->LinksChanged();
}

void TExHeaderSection::OwnVisibilityChanged()
{
    TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr;
    if (!all)
        return;
    // Alone, it is taken in place; with sections hanging from it, they show or hide with it.
    if (FChildCount > 0) {
        all->LinksChanged();
        return;
    }
    all->FLayout->VisibilityChanged(this);
    FHeader->Recount(this);
}

void TExHeaderSection::PutWidth(Integer Value)
{
    if (Value == FWidth)
        return;
    FWidth = Value;
    if (TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr)
        all->FLayout->WidthChanged(this);
}

Integer TExHeaderSection::GetIndex() const
{
    const TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr;
    const Integer pos = all && all->FNumbersByPosition ? all->IndexOf(this) : -1;
    return pos >= 0 ? pos : FIndex;
}

Integer TExHeaderSection::GetPosition() const
{
    TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr;
    return all ? all->IndexOf(this) : -1;
}

bool TExHeaderSection::RawVisible() const
{
    // Walked, not recursed: a chain may be as long as there are sections (links never loop).
    for (const TExHeaderSection* s = this; s->FVisible; s = s->FParentSection) {
        if (!s->FParentSection)
            return true;
        if (!s->FParentSection->FExpanded)
            return false;
    }
    return false;
}

bool TExHeaderSection::GetVisible() const
{
    // While the layout waits to be taken anew (inside an update bracket, say) the chain answers,
    // so that a batch of changes does not walk every section after each one.
    TExHeaderSections* all = FHeader ? FHeader->FSections.get() : nullptr;
    if (!all || !all->FLayout->RowsCurrent())
        return RawVisible();
    const Integer pos = all->IndexOf(this);
    return pos < 0 ? RawVisible() : all->FLayout->VisibleAt(pos);
}

Integer TExHeaderSection::GetRight() const
{
    const Integer pos = GetPosition();
    if (pos < 0)
        return GetVisible() ? FWidth : 0;
    // Widths set from code may be anything up to MaxWidth: the sum saturates instead of wrapping.
    return static_cast<Integer>(std::min<Int64>(FHeader->FSections->Layout().RightOf(pos), MaxInt));
}

Integer TExHeaderSection::GetLeft() const { return GetRight() - (GetVisible() ? FWidth : 0); }

bool TExHeaderSection::GetLocked() const { return FHeader->LockedSection() == this; }

void TExHeaderSection::UpdateSection()
{
    if (!GetVisible() || !FHeader->HandleAllocated() || FHeader->Deferred(FHeader->FRepaintStrips, this))
        return;
    FHeader->BeginUpdate();
    FHeader->InvalidateStrip(this);
    FHeader->EndUpdate();
}

void TExHeaderSection::AutoSizeRequest()
{
    if (FAutoSize)
        FHeader->TriggerSectionAutoSizeEvent(this);
}

// ---------------------------------------------------------------- setters

void TExHeaderSection::SetText(const std::string& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    FHeader->CaptionChanged(this);
    // Each step may run a handler that frees the header, or deletes this section.
    TGuardPtr<TCustomExHeader> header(FHeader);
    TGuardPtr<TExHeaderSection> self(this);
    AutoSizeRequest();
    if (!header || !self)
        return;
    FHeader->AdjustHeaderHeight();
    if (!header || !self)
        return;
    if (FStyle == ExhsText) {
        UpdateSection();
        if (!header || !self)
            return;
    }
    FHeader->DoNotifySectionChange(this, scmCaption);
}

void TExHeaderSection::SetStyle(TExSectionStyle Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    FHeader->TallestChanged();
    FHeader->DoNotifySectionChange(this, scmStyle);
    UpdateSection();
}

void TExHeaderSection::SetWidth(Integer Value)
{
    if (Value < std::max(FMinWidth, 0) || Value > FMaxWidth || Value == FWidth)
        return;
    TCustomExHeader* h = FHeader;
    if (h->FStickySections && GetVisible() && !h->FStickyRunning && !h->IsLoading()) {
        h->StickySetWidth(this, Value);
        return;
    }
    PutWidth(Value);
    if (GetVisible() && !h->FStickyRunning) {
        TGuardPtr<TCustomExHeader> header(h);
        h->AdjustHeaderHeight();
        // Only this section and what lies right of it moved.
        if (header)
            h->InvalidateRightOf(this);
    }
}

void TExHeaderSection::SetMaxWidth(Integer Value)
{
    if (Value == FMaxWidth)
        return;
    FMaxWidth = Value;
    if (FWidth > Value)
        SetWidth(Value);
}

void TExHeaderSection::SetMinWidth(Integer Value)
{
    if (Value == FMinWidth)
        return;
    FMinWidth = Value;
    if (FWidth < Value)
        SetWidth(Value);
}

void TExHeaderSection::SetSortMode(TExSSortMode Value)
{
    if (Value == FSortMode)
        return;
    if (!FHeader->MultiSortMarks) {
        TExHeaderSections* all = FHeader->Sections();
        for (Integer i = 0; i < all->GetCount(); ++i)
            all->At(i)->FSortMode = hsmNone;
    }
    FSortMode = Value;
    AutoSizeRequest();
    if (FShowSortMark)
        FHeader->RepaintHeader();
}

void TExHeaderSection::SetAlignment(TExSAlignment Value)
{
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    FHeader->DoNotifySectionChange(this, scmAlign);
    UpdateSection();
}

void TExHeaderSection::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    TCustomExHeader* h = FHeader;
    controls::TUpdateScope update(h);
    const bool parentShown = !FParentSection || FParentSection->GetVisible();
    if (h->FStickySections && parentShown && !h->FStickyRunning && !h->IsLoading()) {
        TExHeaderSections* all = h->Sections();
        const Integer pos = GetPosition();
        const bool last = pos == all->GetCount() - 1;
        const Integer left = GetLeft();
        const Integer width = FWidth;
        const Integer room = h->Width();
        // The sections that give or take the room: those right of this one, or those left of
        // it when it is the last.
        Integer oldRest, newRest;
        if (last) {
            oldRest = left;
            newRest = Value ? left - width : left + width;
        } else {
            oldRest = Value ? room - left : room - (left + width);
            newRest = Value ? room - (left + width) : room - left;
        }
        FVisible = Value;
        OwnVisibilityChanged();
        const Integer from = last ? 0 : pos + 1;
        const Integer to = last ? pos - 1 : all->GetCount() - 1;
        for (Integer i = from; i <= to; ++i) {
            TExHeaderSection* s = all->At(i);
            // Hidden sections take no room: rescaling them would only spoil the width they come
            // back with.
            if (!s->FResizable || !s->GetVisible())
                continue;
            Integer w = TCustomExHeader::FitWidth(s, ScaleWidth(s->FWidth, oldRest, newRest));
            // A column squeezed to nothing would lose its share for good.
            if (s->FWidth > 0 && w < 1)
                w = std::min(1, std::max(s->FMaxWidth, 0));
            s->PutWidth(w);
        }
        h->AdjustStickySize(this);
        h->MarkStickySections();
    } else {
        FVisible = Value;
        OwnVisibilityChanged();
        TGuardPtr<TCustomExHeader> header(h);
        h->AdjustHeaderHeight();
        if (!header)
            return;
        if (!h->FStickyRunning && parentShown)
            h->InvalidateRightOf(this);
    }
    h->RepaintHeader();
    h->DoVisChanged(this);
}

void TExHeaderSection::SetImageIndex(Integer Value)
{
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    AutoSizeRequest();
    UpdateSection();
}

void TExHeaderSection::SetFieldName(const std::string& Value)
{
    if (Value == FFieldName)
        return;
    FFieldName = Value;
    FHeader->DoNotifySectionChange(this, scmFieldName);
}

void TExHeaderSection::SetFieldType(TExFieldType Value)
{
    if (Value == FFieldType)
        return;
    FFieldType = Value;
    FHeader->DoNotifySectionChange(this, scmFieldType);
}

void TExHeaderSection::SetEditable(bool Value)
{
    if (Value == FEditable)
        return;
    FEditable = Value;
    FHeader->DoNotifySectionChange(this, scmEditable);
}

void TExHeaderSection::SetPassword(bool Value)
{
    if (Value == FPassword)
        return;
    FPassword = Value;
    FHeader->DoNotifySectionChange(this, scmPassword);
}

void TExHeaderSection::SetResizable(bool Value)
{
    if (Value == FResizable)
        return;
    FResizable = Value;
    if (FHeader->FStickySections)
        FHeader->SetStickySections(true);
}

void TExHeaderSection::SetExpandable(bool Value)
{
    if (Value == FExpandable)
        return;
    FExpandable = Value;
    const bool unlinked = !Value && FChildCount > 0;
    if (unlinked)
        ReleaseChildren();
    AutoSizeRequest();
    // The expand sign comes or goes; sections that hung from it show or hide.
    if (unlinked && !FHeader->HasState(csDestroying))
        FHeader->RepaintHeader();
    else if (!unlinked)
        UpdateSection();
}

void TExHeaderSection::SetExpanded(bool Value)
{
    if (!FExpandable || Value == FExpanded)
        return;
    FExpanded = Value;
    VisibilityChanged();
    FHeader->RepaintHeader();
}

bool TExHeaderSection::WouldLoop(const TExHeaderSection* Candidate) const
{
    for (const TExHeaderSection* p = Candidate; p; p = p->FParentSection)
        if (p == this)
            return true;
    return false;
}

void TExHeaderSection::SetParentSection(TExHeaderSection* Value)
{
    if (Value == FParentSection)
        return;
    // A parent of another header would outlive our knowledge of it.
    if (Value && (Value->FHeader != FHeader || WouldLoop(Value)))
        return;
    LinkTo(Value);
    VisibilityChanged();
    TGuardPtr<TCustomExHeader> header(FHeader);
    FHeader->DoVisChanged(this);
    if (!header)
        return;
    FHeader->AdjustHeaderHeight();
    if (header)
        FHeader->RepaintHeader();
}

void TExHeaderSection::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu = Value;
    FPopupMenuName = Value ? Value->Name() : std::string();
    if (Value)
        Value->FreeNotification(FHeader);
}

void TExHeaderSection::SetLookupEnabled(bool Value)
{
    if (Value == FLookupEnabled)
        return;
    FLookupEnabled = Value;
    if (Value) {
        FFilterEnabled = false;
        if (FHeader->Height() >= 1 && FHeader->Height() <= 16)
            FHeader->SetHeight(17);
    }
    AutoSizeRequest();
    UpdateSection();
}

void TExHeaderSection::SetFilterEnabled(bool Value)
{
    if (Value == FFilterEnabled)
        return;
    FFilterEnabled = Value;
    if (Value) {
        FLookupEnabled = false;
        if (FHeader->Height() >= 1 && FHeader->Height() <= 16)
            FHeader->SetHeight(17);
    }
    AutoSizeRequest();
    UpdateSection();
}

void TExHeaderSection::SetLookupHistory(TStrings* Value) { FLookupHistory->Assign(Value); }

void TExHeaderSection::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    UpdateSection();
}

void TExHeaderSection::SetColor(TColor Value)
{
    if (Value == FColor && !FParentColor)
        return;
    FColor = Value;
    FParentColor = false;
    UpdateSection();
}

void TExHeaderSection::SetFontColor(TColor Value)
{
    if (Value == FFontColor && !FParentColor)
        return;
    FFontColor = Value;
    FParentColor = false;
    UpdateSection();
}

void TExHeaderSection::SetUseMainStyle(bool Value)
{
    if (Value == FUseMainStyle)
        return;
    FUseMainStyle = Value;
    if (FHeader->Parent() && FHeader->Parent()->HandleAllocated())
        FHeader->Parent()->Invalidate();
}

void TExHeaderSection::SetTextLayout(TTextLayout Value)
{
    if (Value == FTextLayout)
        return;
    FTextLayout = Value;
    UpdateSection();
}

void TExHeaderSection::SetFilterIsActive(bool Value)
{
    if (Value == FFilterIsActive)
        return;
    FFilterIsActive = Value;
    if (FFilterEnabled)
        UpdateSection();
}

void TExHeaderSection::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AutoSizeRequest();
}

void TExHeaderSection::SetShowSortMark(bool Value)
{
    if (Value == FShowSortMark)
        return;
    FShowSortMark = Value;
    if (FSortMode != hsmNone)
        UpdateSection();
}

void TExHeaderSection::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TExHeaderSection*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this)
        return;
    FFieldType = src->FFieldType;
    FHint = src->FHint;
    FFieldName = src->FFieldName;
    FVisible = src->FVisible;
    FStyle = src->FStyle;
    FText = src->FText;
    FWidth = src->FWidth;
    Tag = src->Tag;
    FMinWidth = src->FMinWidth;
    FMaxWidth = src->FMaxWidth;
    FSortMode = src->FSortMode;
    FAllowClick = src->FAllowClick;
    FAlignment = src->FAlignment;
    FExpandable = src->FExpandable;
    FExpanded = src->FExpanded;
    // The menu and the name it is stored under go together.
    SetPopupMenu(src->FPopupMenu);
    FLookupEnabled = src->FLookupEnabled;
    FUseMainStyle = src->FUseMainStyle;
    FTextLayout = src->FTextLayout;
    FFilterEnabled = src->FFilterEnabled;
    FParentColor = src->FParentColor;
    FFontColor = src->FFontColor;
    FColor = src->FColor;
    FAutoSize = src->FAutoSize;
    FPictureAlign = src->FPictureAlign;
    FResizable = src->FResizable;
    FClickSelect = src->FClickSelect;
    FPassword = src->FPassword;
    FImageIndex = src->FImageIndex;
    FEditable = src->FEditable;
    FShowSortMark = src->FShowSortMark;
    // Not the Index: two sections with one number, or a number beyond the count, would leave
    // sections out of every lookup by number. The collection's Assign copies the numbers itself.
    TExHeaderSections* all = FHeader->Sections();
    TExHeaderSection* parent = src->FParentSection ? all->FindSection(src->FParentSection->GetIndex()) : nullptr;
    LinkTo(parent && !WouldLoop(parent) ? parent : nullptr);
    FMeasured = 0;
    VisibilityChanged();
    FHeader->RepaintHeader();
}

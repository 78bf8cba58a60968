// The header's sections in display order, their numbers, the order text and the stored form.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/Exheader.h"
#include "controls/Exheaderlayout.h"
#include "ctlbase/Exlist.h"
#include "platform/Filer.h"
#include "platform/Guard.h"

TExHeaderSections::TExHeaderSections(TCustomExHeader* AOwner)
    : FOwner(AOwner), FLayout(std::make_unique<controls::THeaderLayout>(*this))
{
}

TExHeaderSections::~TExHeaderSections() { Clear(); }

TPersistent* TExHeaderSections::GetOwner() { return FOwner; }

Integer TExHeaderSections::GetCount() const { return FList.Count(); }

Integer TExHeaderSections::IndexOf(const TExHeaderSection* Section) const
{
    return Section ? Layout().PositionOf(Section) : -1;
}

controls::THeaderLayout& TExHeaderSections::Layout() const { return *FLayout; }

void TExHeaderSections::LinksChanged()
{
    FLayout->LinksChanged();
    FOwner->TallestChanged();
}

void TExHeaderSections::LayoutChanged()
{
    FLayout->NumbersChanged();
    LinksChanged();
}

TExHeaderSection* TExHeaderSections::CreateSection() { return new TExHeaderSection(FOwner); }

TExHeaderSection* TExHeaderSections::AddSection() { return InsertSection(GetCount()); }

Integer TExHeaderSections::FreeIndex() const
{
    if (Layout().Regular())
        return GetCount();
    std::vector<bool> used(size_t(GetCount()) + 1, false);
    for (Integer i = 0; i < GetCount(); ++i) {
        const Integer n = At(i)->FIndex;
        if (n >= 0 && n <= GetCount())
            used[size_t(n)] = true;
    }
    Integer n = 0;
    while (used[size_t(n)])
        ++n;
    return n;
}

Integer TExHeaderSections::FreeIntTag(Integer Seed)
{
    Integer tag = Seed;
    while (GetSectionByIntTag(tag))
        tag = static_cast<Integer>(static_cast<std::uint32_t>(tag) + 1u);
    return tag;
}

TExHeaderSection* TExHeaderSections::InsertSection(Integer Position)
{
    controls::TUpdateScope update(FOwner);
    if (Position < 0 || Position > GetCount())
        TExList::Error(ctlbase::ListIndexOutOfBounds, Position);
    // The locked section stays first, drawn and hit at the left edge.
    if (FOwner->FLockedSection && Position == 0)
        Position = 1;
    // Numbered by position, the sections keep that only while the new one comes last.
    if (Position < GetCount())
        Numbers();
    std::unique_ptr<TExHeaderSection> section(CreateSection());
    section->FIndex = FreeIndex();
    section->FIntTag = FreeIntTag(static_cast<Integer>(reinterpret_cast<std::uintptr_t>(section.get())));
    FList.Insert(Position, section.get());
    TExHeaderSection* s = section.release();
    FLayout->Inserted(s, Position);
    FOwner->CaptionChanged(s);
    FOwner->InvalidateRightOf(s);
    // Our own bracket is open: the caller is inside an update of its own when the count is above 1.
    if (FOwner->FUpdateCount == 1)
        FOwner->DoSectionCreate(s);
    else
        FOwner->FCreatePending = true;
    return s;
}

void TExHeaderSections::Renumber()
{
    FNumbersByPosition = true;
    FLayout->NumberedByPosition();
}

void TExHeaderSections::Numbers()
{
    if (!FNumbersByPosition)
        return;
    FNumbersByPosition = false;
    for (Integer i = 0; i < GetCount(); ++i) {
        At(i)->FIndex = i;
        At(i)->FPos = i;
    }
    FLayout->Renumbered();
}

void TExHeaderSections::DeleteSection(TExHeaderSection* Section)
{
    controls::TUpdateScope update(FOwner);
    const Integer pos = Section ? IndexOf(Section) : -1;
    if (pos < 0)
        throw EExHeaderError(controls::InvalidSection);
    if (Section == FOwner->FLockedSection)
        FOwner->SetLockedSection(nullptr);
    FOwner->ForgetSection(Section);
    FOwner->Uncount(Section);
    // The number it goes with, for the delete event.
    if (FNumbersByPosition)
        Section->FIndex = pos;
    FList.Erase(pos);
    // Inside a bracket of the caller's, where the sections lie is taken anew once, when asked.
    FLayout->Removed(Section, pos, FOwner->FUpdateCount > 1);
    Section->FPos = -1;
    std::unique_ptr<TExHeaderSection> gone(Section);
    Renumber();
    if (FOwner->FUpdateCount == 1) {
        TGuardPtr<TCustomExHeader> header(FOwner);
        FOwner->DoSectionDelete(Section);
        if (!header) {
            // The handler freed the header: the section goes on its own, with nothing to tell.
            gone->FHeader = nullptr;
            return;
        }
    } else {
        FOwner->FDeletePending = true;
    }
    gone.reset();
    FOwner->RepaintHeader();
}

void TExHeaderSections::MoveSection(TExHeaderSection* Section, Integer NewPos)
{
    controls::TUpdateScope update(FOwner);
    const Integer oldPos = Section ? IndexOf(Section) : -1;
    if (oldPos < 0)
        throw EExHeaderError(controls::InvalidSection);
    TExHeaderSection* locked = FOwner->FLockedSection;
    if (Section == locked && NewPos != 0)
        return;
    if (locked && locked != Section && NewPos == 0)
        NewPos = 1;
    if (oldPos != NewPos) {
        if (NewPos < 0 || NewPos >= GetCount())
            TExList::Error(ctlbase::ListIndexOutOfBounds, NewPos);
        Numbers();
        FList.Erase(oldPos);
        FList.Insert(NewPos, Section);
        FLayout->Moved(oldPos, NewPos);
    }
    TGuardPtr<TCustomExHeader> header(FOwner);
    FOwner->DoSectionMove(Section, oldPos, NewPos);
    if (header)
        header->RepaintHeader();
}

void TExHeaderSections::Clear()
{
    FOwner->ForgetAllSections();
    if (GetCount() == 0)
        return;
    // Every section goes: the links go first, all at once, and the list shrinks from its end.
    for (Integer i = 0; i < GetCount(); ++i)
        At(i)->LinkTo(nullptr);
    while (GetCount() > 0) {
        auto* s = At(GetCount() - 1);
        FList.Erase(GetCount() - 1);
        s->FHeader = nullptr;
        delete s;
    }
    FLayout->Cleared();
    FNumbersByPosition = false;
    FOwner->TallestChanged();
}

TExHeaderSection* TExHeaderSections::GetSection(Integer Index) { return FindSection(Index); }

TExHeaderSection* TExHeaderSections::FindSection(Integer Index)
{
    const controls::THeaderLayout& layout = Layout();
    // Numbers outside 0..Count-1 are met only while numbers are given out anew.
    if (layout.Regular() || (Index >= 0 && Index < GetCount()))
        return layout.ByIndex(Index);
    for (Integer i = 0; i < GetCount(); ++i)
        if (At(i)->FIndex == Index)
            return At(i);
    return nullptr;
}

TExHeaderSection* TExHeaderSections::GetSectionByIntTag(Integer Tag) { return Layout().ByTag(Tag); }

TExHeaderSection* TExHeaderSections::GetSectionByPos(Integer Position)
{
    if (Position < 0 || Position >= GetCount())
        TExList::Error(ctlbase::ListIndexOutOfBounds, Position);
    return At(Position);
}

void TExHeaderSections::SetSection(Integer, TExHeaderSection*) {}

TExHeaderSection* TExHeaderSections::LastVisibleSection()
{
    const Integer pos = Layout().PrevVisible(GetCount());
    return pos >= 0 ? At(pos) : nullptr;
}

TExHeaderSection* TExHeaderSections::GetPrevVisibleSection(TExHeaderSection* Section)
{
    const Integer at = IndexOf(Section);
    const Integer pos = at > 0 ? Layout().PrevVisible(at) : -1;
    return pos >= 0 ? At(pos) : nullptr;
}

void TExHeaderSections::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TExHeaderSections*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    // Deleting our own sections first would leave nothing to copy.
    if (src == this)
        return;
    controls::TUpdateScope update(FOwner);
    while (GetCount() > 0)
        DeleteSection(At(0));
    for (Integer i = 0; i < src->GetCount(); ++i)
        AddSection()->Assign(src->At(i));
    Numbers();
    for (Integer i = 0; i < src->GetCount(); ++i) {
        At(i)->FIndex = src->At(i)->GetIndex();
        At(i)->FIntTag = src->At(i)->FIntTag;
    }
    LayoutChanged();
    // The sections' own Assign looked their parents up among numbers still being given out; the
    // links are made again now that every number is in place.
    for (Integer i = 0; i < src->GetCount(); ++i) {
        const TExHeaderSection* parent = src->At(i)->FParentSection;
        At(i)->LinkTo(parent ? FindSection(parent->GetIndex()) : nullptr);
    }
    LinksChanged();
    FOwner->MarkStickySections();
    FOwner->RepaintHeader();
}

// ---------------------------------------------------------------- the order text

std::string TExHeaderSections::GetSectionsOrder()
{
    std::string text;
    for (Integer i = 0; i < GetCount(); ++i) {
        const TExHeaderSection* s = At(i);
        text += "i" + IntToStr(s->GetIndex()) + ":w" + IntToStr(s->FWidth) + ":v" + (s->FVisible ? "t," : "f,");
    }
    return text;
}

namespace {

// The number between the text's first character and its first ":", which goes with it.
Integer TakeNumber(std::string& Text)
{
    const size_t colon = Text.find(':');
    const std::string digits = colon == std::string::npos || colon == 0 ? std::string() : Text.substr(1, colon - 1);
    const Integer n = StrToInt(digits);
    Text.erase(0, colon + 1);
    return n;
}

}  // namespace

void TExHeaderSections::SetSectionsOrder(const std::string& Text)
{
    struct TEntry {
        Integer Index, Width;
        bool Shown;
    };
    std::vector<TEntry> entries;
    std::string rest = Text;
    while (!rest.empty()) {
        TEntry e{};
        e.Index = TakeNumber(rest);
        e.Width = TakeNumber(rest);
        e.Shown = rest.rfind("vf,", 0) != 0 && rest.rfind("vf;", 0) != 0;
        rest.erase(0, 3);
        entries.push_back(e);
    }
    controls::TUpdateScope update(FOwner);
    Integer p = 0;
    for (const TEntry& e : entries) {
        TExHeaderSection* s = GetSection(e.Index);
        if (!s)
            continue;
        MoveSection(s, std::min(p, GetCount() - 1));
        s->SetWidth(e.Width);
        s->SetVisible(e.Shown);
        ++p;
    }
}

// ---------------------------------------------------------------- the stored form

namespace {

using controls::SectionsDataEnds;

// The widest a stored section is read as: far past any screen, and small enough that two
// thousand of them still add up to a width.
constexpr Integer kMaxStoredWidth = 0x100000;

// Record layouts of the versions read: where each field lies, -1 where the version has none.
struct TLayout {
    Integer Size;
    Integer LookupEnabled, Parent, Expandable, Expanded, Visible, ClickSelect, Resizable, Style;
    Integer Width, MinWidth, MaxWidth, SortMode, AllowClick, Alignment;
    Integer IntTag, Index, FieldType, Editable, ImageIndex, PictureAlign, Password, ParentColor;
    Integer Color, FontColor, FilterEnabled, TextLayout, UseMainStyle, AutoSize, Tag;
    // Strings after the record: Text and FieldName always; then the menu name, then the hint.
    bool MenuName, Hint;
    bool LinkParents;
};

constexpr TLayout Layout11{140, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, 36, 40, 44, 45, 48, 52, 53,
                           54, 56, 60, 64, 65, 66, 67, 68, true, true, true};
constexpr TLayout Layout10{68, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, 36, 40, 44, 45, 48, 52, 53,
                           54, 56, 60, 64, 65, 66, 67, -1, true, true, true};
constexpr TLayout Layout9{64, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, -1, 36, 40, 41, 44, 48, 49,
                          50, 52, 56, 60, 61, 62, 63, -1, true, true, true};
constexpr TLayout Layout8{64, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, -1, 36, 40, 41, 44, 48, 49,
                          50, 52, 56, 60, 61, 62, -1, -1, true, true, true};
constexpr TLayout Layout6{52, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, -1, 36, 40, 41, 44, 48, 49,
                          -1, -1, -1, -1, -1, -1, -1, -1, true, false, true};
constexpr TLayout Layout5{52, 4, 8, 12, 13, 14, 15, 16, 17, 20, 24, 28, 32, 33, 34, -1, 36, 40, 41, 44, 48, 49,
                          -1, -1, -1, -1, -1, -1, -1, -1, false, false, true};
constexpr TLayout Layout4{36, -1, -1, -1, -1, 0, 1, 2, 3, 4, 8, 12, 16, 17, 18, -1, 20, 24, 25, 28, 32, 33,
                          -1, -1, -1, -1, -1, -1, -1, -1, false, false, false};

const TLayout* LayoutOf(Integer Version)
{
    if (Version <= -11)
        return &Layout11;
    switch (Version) {
    case -10: return &Layout10;
    case -9: return &Layout9;
    case -8: return &Layout8;
    case -6: return &Layout6;
    case -5: return &Layout5;
    case -4: return &Layout4;
    default: return nullptr;
    }
}

// One section as stored, starting from a new section's defaults.
struct TStored {
    bool LookupEnabled = false;
    Integer Parent = -1;
    bool Expandable = false, Expanded = false, Visible = true, ClickSelect = true, Resizable = true;
    Byte Style = ExhsText;
    Integer Width = 0, MinWidth = 0, MaxWidth = 10000;
    Byte SortMode = hsmNone;
    bool AllowClick = true;
    Byte Alignment = hsaLeft;
    Integer IntTag = 0;
    Integer Index = 0;
    Byte FieldType = sftText;
    bool Editable = false;
    Integer ImageIndex = -1;
    Byte PictureAlign = hsaLeft;
    bool Password = false, ParentColor = true;
    Integer Color = 0, FontColor = 0;
    bool FilterEnabled = false;
    Byte TextLayout = tlCenter;
    bool UseMainStyle = false, AutoSize = false;
    Integer Tag = 0;
    std::string Text, FieldName, MenuName, Hint;
};

// Reads exactly what the data holds: every length is checked against what is left before a byte
// is taken, so damaged data fails here and never half-way through changing the sections.
class TSectionReader {
public:
    explicit TSectionReader(TStream* S) : FStream(S), FLeft(S->Size() - S->Position()) {}

    Integer Int32()
    {
        Byte b[4];
        Bytes(b, 4);
        return Get32(b, 0);
    }
    void Bytes(void* Buffer, Int64 Count)
    {
        if (Count > FLeft)
            throw EExHeaderError(SectionsDataEnds);
        FStream->ReadBuffer(Buffer, Count);
        FLeft -= Count;
    }
    // Text and FieldName: the length counts a final zero; the text ends at the first zero.
    std::string ZString()
    {
        std::string s = Counted();
        const size_t zero = s.find('\0');
        if (zero != std::string::npos)
            s.resize(zero);
        return s;
    }
    std::string Counted()
    {
        const Integer n = Int32();
        if (n < 0)
            throw EExHeaderError(Format(controls::BadStringLength, n));
        if (n > FLeft)
            throw EExHeaderError(SectionsDataEnds);
        std::string s(size_t(n), '\0');
        Bytes(s.data(), n);
        return s;
    }
    Int64 Left() const { return FLeft; }

    static Integer Get32(const Byte* p, Integer At)
    {
        return static_cast<Integer>(std::uint32_t(p[At]) | std::uint32_t(p[At + 1]) << 8 |
                                    std::uint32_t(p[At + 2]) << 16 | std::uint32_t(p[At + 3]) << 24);
    }

private:
    TStream* FStream;
    Int64 FLeft;
};

Byte Enum(const Byte* Record, Integer At, Byte Count)
{
    if (Record[At] >= Count)
        throw EExHeaderError(Format(controls::BadSectionField, Record[At]));
    return Record[At];
}

TStored ReadRecord(TSectionReader& In, const TLayout& L, Integer DefaultWidth)
{
    std::vector<Byte> r(size_t(L.Size));
    In.Bytes(r.data(), L.Size);
    TStored s;
    s.Width = DefaultWidth;
    auto flag = [&](Integer At, bool& Field) {
        if (At >= 0)
            Field = r[size_t(At)] != 0;
    };
    auto int32 = [&](Integer At, Integer& Field) {
        if (At >= 0)
            Field = TSectionReader::Get32(r.data(), At);
    };
    auto choice = [&](Integer At, Byte& Field, Byte Count) {
        if (At >= 0)
            Field = Enum(r.data(), At, Count);
    };
    flag(L.LookupEnabled, s.LookupEnabled);
    int32(L.Parent, s.Parent);
    flag(L.Expandable, s.Expandable);
    flag(L.Expanded, s.Expanded);
    flag(L.Visible, s.Visible);
    flag(L.ClickSelect, s.ClickSelect);
    flag(L.Resizable, s.Resizable);
    choice(L.Style, s.Style, 3);
    int32(L.Width, s.Width);
    int32(L.MinWidth, s.MinWidth);
    int32(L.MaxWidth, s.MaxWidth);
    choice(L.SortMode, s.SortMode, 3);
    flag(L.AllowClick, s.AllowClick);
    choice(L.Alignment, s.Alignment, 3);
    int32(L.IntTag, s.IntTag);
    int32(L.Index, s.Index);
    choice(L.FieldType, s.FieldType, sftMemo + 1);
    flag(L.Editable, s.Editable);
    int32(L.ImageIndex, s.ImageIndex);
    choice(L.PictureAlign, s.PictureAlign, 3);
    flag(L.Password, s.Password);
    flag(L.ParentColor, s.ParentColor);
    int32(L.Color, s.Color);
    int32(L.FontColor, s.FontColor);
    flag(L.FilterEnabled, s.FilterEnabled);
    choice(L.TextLayout, s.TextLayout, 3);
    flag(L.UseMainStyle, s.UseMainStyle);
    flag(L.AutoSize, s.AutoSize);
    int32(L.Tag, s.Tag);
    // Widths below zero mean nothing; older writers could leave them behind. Widths far past any
    // screen are taken as the widest a section can be, so that sums over a header stay widths.
    auto bounded = [](Integer W) { return std::clamp(W, 0, kMaxStoredWidth); };
    s.Width = bounded(s.Width);
    s.MinWidth = bounded(s.MinWidth);
    s.MaxWidth = bounded(s.MaxWidth);
    s.Text = In.ZString();
    s.FieldName = In.ZString();
    if (L.MenuName)
        s.MenuName = In.Counted();
    if (L.Hint)
        s.Hint = In.Counted();
    return s;
}

void Put32(Byte* p, Integer At, Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    p[At] = Byte(u);
    p[At + 1] = Byte(u >> 8);
    p[At + 2] = Byte(u >> 16);
    p[At + 3] = Byte(u >> 24);
}

void WriteInt(TStream* Stream, Integer V)
{
    Byte b[4];
    Put32(b, 0, V);
    Stream->WriteBuffer(b, 4);
}

void WriteCounted(TStream* Stream, const std::string& S, bool Terminated)
{
    WriteInt(Stream, static_cast<Integer>(S.size() + (Terminated ? 1 : 0)));
    if (!S.empty())
        Stream->WriteBuffer(S.data(), Int64(S.size()));
    if (Terminated) {
        const Byte zero = 0;
        Stream->WriteBuffer(&zero, 1);
    }
}

}  // namespace

void TExHeaderSections::WriteData(TStream* Stream)
{
    Numbers();
    // Each section's fields reach the stream in blocks.
    TGatheredWrites gathered(Stream);
    WriteInt(Stream, controls::SectionsVersion);
    WriteInt(Stream, GetCount());
    for (Integer i = 0; i < GetCount(); ++i) {
        const TExHeaderSection* s = At(i);
        Byte r[140] = {};
        r[4] = s->FLookupEnabled;
        Put32(r, 8, s->FParentSection ? s->FParentSection->FIndex : -1);
        r[12] = s->FExpandable;
        r[13] = s->FExpanded;
        r[14] = s->FVisible;
        r[15] = s->FClickSelect;
        r[16] = s->FResizable;
        r[17] = s->FStyle;
        Put32(r, 20, s->FWidth);
        Put32(r, 24, s->FMinWidth);
        Put32(r, 28, s->FMaxWidth);
        r[32] = s->FSortMode;
        r[33] = s->FAllowClick;
        r[34] = s->FAlignment;
        Put32(r, 36, s->FIntTag);
        Put32(r, 40, s->FIndex);
        r[44] = s->FFieldType;
        r[45] = s->FEditable;
        Put32(r, 48, s->FImageIndex);
        r[52] = s->FPictureAlign;
        r[53] = s->FPassword;
        r[54] = s->FParentColor;
        Put32(r, 56, static_cast<Integer>(s->FColor));
        Put32(r, 60, static_cast<Integer>(s->FFontColor));
        r[64] = s->FFilterEnabled;
        r[65] = static_cast<Byte>(s->FTextLayout);
        r[66] = s->FUseMainStyle;
        r[67] = s->FAutoSize;
        Put32(r, 68, s->Tag);
        Stream->WriteBuffer(r, sizeof r);
        WriteCounted(Stream, s->FText, true);
        WriteCounted(Stream, s->FFieldName, true);
        WriteCounted(Stream, s->FPopupMenuName, false);
        WriteCounted(Stream, s->FHint, false);
    }
    gathered.Finish();
}

void TExHeaderSections::IntReadData(TStream* Stream, bool)
{
    TSectionReader in(Stream);
    const Integer version = in.Int32();
    const TLayout* layout = LayoutOf(version);
    if (!layout)
        throw EExHeaderError(Format(controls::UnknownSectionsVersion, version));
    const Integer count = in.Int32();
    const Int64 leastEntry = layout->Size + 8 + (layout->MenuName ? 4 : 0) + (layout->Hint ? 4 : 0);
    if (count < 0 || Int64(count) * leastEntry > in.Left())
        throw EExHeaderError(Format(controls::BadSectionCount, count));
    std::vector<TStored> stored;
    stored.reserve(size_t(count));
    for (Integer i = 0; i < count; ++i)
        stored.push_back(ReadRecord(in, *layout, FOwner->DefaultWidth()));

    // Every number 0..Count-1 once; tags, where stored, each once.
    std::vector<bool> seen(size_t(count), false);
    for (const TStored& s : stored) {
        if (s.Index < 0 || s.Index >= count || seen[size_t(s.Index)])
            throw EExHeaderError(Format(controls::BadSectionIndex, s.Index));
        seen[size_t(s.Index)] = true;
    }
    if (layout->IntTag >= 0) {
        std::vector<Integer> tags;
        for (const TStored& s : stored)
            tags.push_back(s.IntTag);
        std::sort(tags.begin(), tags.end());
        if (std::adjacent_find(tags.begin(), tags.end()) != tags.end())
            throw EExHeaderError(Format(controls::DuplicateSectionTag, *std::adjacent_find(tags.begin(), tags.end())));
    }

    // An update of the caller's folds the create events into one; otherwise each section read is
    // announced, once the whole set is in.
    const bool folded = FOwner->FUpdateCount > 0;
    std::vector<TGuardPtr<TExHeaderSection>> read;
    {
        controls::TUpdateScope update(FOwner);
        Clear();
        for (Integer i = 0; i < count; ++i) {
            TExHeaderSection* s = AddSection();
            const TStored& d = stored[size_t(i)];
            s->FLookupEnabled = d.LookupEnabled;
            s->FExpandable = d.Expandable;
            s->FExpanded = d.Expanded;
            s->FVisible = d.Visible;
            s->FClickSelect = d.ClickSelect;
            s->FResizable = d.Resizable;
            s->FStyle = TExSectionStyle(d.Style);
            s->FWidth = d.Width;
            s->FMinWidth = d.MinWidth;
            s->FMaxWidth = d.MaxWidth;
            s->FSortMode = TExSSortMode(d.SortMode);
            s->FAllowClick = d.AllowClick;
            s->FAlignment = TExSAlignment(d.Alignment);
            s->FFieldType = TExFieldType(d.FieldType);
            s->FEditable = d.Editable;
            s->FImageIndex = d.ImageIndex;
            s->FPictureAlign = TExSAlignment(d.PictureAlign);
            s->FPassword = d.Password;
            s->FParentColor = d.ParentColor;
            s->FColor = TColor(d.Color);
            s->FFontColor = TColor(d.FontColor);
            s->FFilterEnabled = d.FilterEnabled;
            s->FTextLayout = TTextLayout(d.TextLayout);
            s->FUseMainStyle = d.UseMainStyle;
            s->FAutoSize = d.AutoSize;
            s->Tag = d.Tag;
            s->FText = d.Text;
            s->FFieldName = d.FieldName;
            s->FPopupMenuName = d.MenuName;
            s->FHint = d.Hint;
        }
        // The stored numbers go on only now that every section is in, so that none of them meets a
        // number given out on the way.
        for (Integer i = 0; i < count; ++i) {
            At(i)->FIndex = stored[size_t(i)].Index;
            if (layout->IntTag >= 0)
                At(i)->FIntTag = stored[size_t(i)].IntTag;
        }
        // Visibility, widths and numbers were written plainly.
        LayoutChanged();
        if (layout->LinkParents) {
            for (Integer i = 0; i < count; ++i) {
                const Integer p = stored[size_t(i)].Parent;
                if (p == -1)
                    continue;
                TExHeaderSection* child = At(i);
                TExHeaderSection* parent = FindSection(p);
                if (parent && !child->WouldLoop(parent))
                    child->LinkTo(parent);
            }
            LinksChanged();
        }
        TGuardPtr<TCustomExHeader> header(FOwner);
        FOwner->AdjustHeaderHeight();
        if (!header)
            return;
        FOwner->RepaintHeader();
        if (!folded) {
            FOwner->FCreatePending = false;
            for (Integer i = 0; i < count; ++i)
                read.emplace_back(At(i));
        }
    }
    // A handler may delete sections or free the header.
    TGuardPtr<TCustomExHeader> header(FOwner);
    for (const auto& s : read) {
        if (!header)
            return;
        if (s && IndexOf(s.Get()) >= 0)
            FOwner->DoSectionCreate(s.Get());
    }
}

void TExHeaderSections::ReadData(TStream* Stream) { IntReadData(Stream, true); }

void TExHeaderSections::FrameReadData(TStream* Stream) { IntReadData(Stream, false); }

void TExHeaderSections::DefineProperties(TFiler* Filer)
{
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* S) { FrameReadData(S); }, [this](TStream* S) { WriteData(S); }, true);
}

void TExHeaderSections::SaveToStream(TStream* Stream) { WriteData(Stream); }

void TExHeaderSections::LoadFromStream(TStream* Stream)
{
    TGuardPtr<TCustomExHeader> header(FOwner);
    ReadData(Stream);
    if (header)
        header->RepaintHeader();
}

void TExHeaderSections::SaveToFile(const std::string& FileName)
{
    // The sections are written whole before the file is touched.
    TMemoryStream data;
    SaveToStream(&data);
    data.SaveToFile(FileName);
}

void TExHeaderSections::LoadFromFile(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

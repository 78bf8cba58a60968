#include "memo/Stylestore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Windows.h"

namespace {

[[noreturn]] void IndexError() { throw Exception("List index out of bounds"); }
[[noreturn]] void NoMemory() { throw EOutOfMemory(SysMsg::OutOfMemory); }

void CountAllocation()
{
    if (stylememo::AllocationsBeforeFailure < 0) return;
    if (stylememo::AllocationsBeforeFailure-- == 0) NoMemory();
}

// Shrinking never fails: a block that cannot be made smaller is kept as it is.
void* Realloc(void* p, size_t bytes, bool Shrinking = false)
{
    if (bytes == 0) {
        std::free(p);
        return nullptr;
    }
    if (!Shrinking) CountAllocation();
    void* q = std::realloc(p, bytes);
    if (q == nullptr) {
        if (Shrinking) return p;
        NoMemory();
    }
    return q;
}

}  // namespace

Integer stylememo::AllocationsBeforeFailure = -1;

// ---------------------------------------------------------------- TDynArray

TDynArray::TDynArray(Integer DataSize, Integer ItemSize) : FDataSize(DataSize), FItemSize(ItemSize) {}

TDynArray::~TDynArray() { std::free(FData); }

void* TDynArray::getPointer(Integer i) const
{
    if (i < 0 || i >= FCount) IndexError();
    return FData + static_cast<size_t>(i) * FItemSize;
}

void TDynArray::SetCapacity(Integer n)
{
    if (n == FCapacity) return;
    if (n < 0 || n > MaxInt / FItemSize) NoMemory();
    FData = static_cast<Byte*>(Realloc(FData, static_cast<size_t>(n) * FItemSize));
    FCapacity = n;
    if (FCount > n) FCount = n;
}

void TDynArray::SetCount(Integer n)
{
    if (n < 0) n = 0;
    if (n > FCapacity) SetCapacity(n);
    FCount = n;
}

Integer TDynArray::Add(const void* Rec)
{
    SetCount(FCount + 1);
    std::memcpy(getPointer(FCount - 1), Rec, static_cast<size_t>(FDataSize));
    return FCount - 1;
}

// ---------------------------------------------------------------- TDynArray2

TDynArray2::TDynArray2(Integer DataSize, Integer ItemSize, Integer PerBlock)
    : FDataSize(DataSize), FItemSize(ItemSize), FPerBlock(PerBlock)
{
}

TDynArray2::~TDynArray2()
{
    for (Byte* b : FBlocks) std::free(b);
}

void* TDynArray2::GetPointer(Integer i) const
{
    if (i < 0 || i >= FCount) IndexError();
    return Slot(i);
}

void TDynArray2::SetCapacity(Integer n)
{
    if (n < 0) n = 0;
    const Integer blocks = (n - 1) / FPerBlock + 1;
    if (static_cast<Int64>(blocks) * FPerBlock > MaxInt) NoMemory();
    while (BlockCount() < blocks) {
        CountAllocation();
        Byte* b = static_cast<Byte*>(std::malloc(static_cast<size_t>(BlockBytes())));
        if (b == nullptr) NoMemory();
        FBlocks.push_back(b);
    }
    while (BlockCount() > blocks) {
        std::free(FBlocks.back());
        FBlocks.pop_back();
    }
    FCapacity = blocks * FPerBlock;
    if (FCount > FCapacity) FCount = FCapacity;
}

void TDynArray2::SetCount(Integer n)
{
    if (n < 0) n = 0;
    if (n > FCapacity) SetCapacity(n);
    FCount = n;
}

Integer TDynArray2::Add(const void* Rec)
{
    SetCount(FCount + 1);
    std::memcpy(Slot(FCount - 1), Rec, static_cast<size_t>(FDataSize));
    return FCount - 1;
}

void TDynArray2::MoveRecords(Integer From, Integer To, Integer n)
{
    // Overlapping ranges: copy in the direction that never reads an overwritten record.
    if (To < From) {
        for (Integer k = 0; k < n; ++k) std::memcpy(Slot(To + k), Slot(From + k), static_cast<size_t>(FItemSize));
    } else if (To > From) {
        for (Integer k = n - 1; k >= 0; --k) std::memcpy(Slot(To + k), Slot(From + k), static_cast<size_t>(FItemSize));
    }
}

void TDynArray2::InsertItems(Integer Index, Integer n)
{
    if (Index < 0 || Index > FCount) IndexError();
    if (n <= 0) return;
    const Integer old = FCount;
    SetCount(FCount + n);
    MoveRecords(Index, Index + n, old - Index);
}

void TDynArray2::DeleteItems(Integer Index, Integer n)
{
    if (n <= 0) return;
    if (Index < 0 || Index + n > FCount) IndexError();
    MoveRecords(Index + n, Index, FCount - Index - n);
    FCount -= n;
}

// ---------------------------------------------------------------- TParagraphsList

namespace {
constexpr Integer ParItemSize = static_cast<Integer>((sizeof(ParInfo) + 7) / 8 * 8);
}

TParagraphsList::TParagraphsList() : TDynArray2(static_cast<Integer>(sizeof(ParInfo)), ParItemSize, 341) {}

void TParagraphsList::GetItem(Integer i, ParInfo& Rec) const
{
    std::memcpy(static_cast<void*>(&Rec), GetPointer(i), sizeof(ParInfo));
}

void TParagraphsList::SetItem(Integer i, const ParInfo& Rec)
{
    std::memcpy(GetPointer(i), static_cast<const void*>(&Rec), sizeof(ParInfo));
}

// ---------------------------------------------------------------- TLinesList

LineInfo* TLinesList::GetLinesPointer(Integer i) const
{
    if (FPar == nullptr || i < 0 || i >= FPar->LineCount) IndexError();
    return ParLineAt(FPar, i);
}

void TLinesList::SetCount(Integer n)
{
    if (n < 0) n = 0;
    if (n == FPar->LineCount) return;
    if (n - 1 > MaxInt / static_cast<Integer>(sizeof(LineInfo))) NoMemory();
    const Integer more = n > 1 ? n - 1 : 0;
    FPar->MoreLines = static_cast<LineInfo*>(
        Realloc(FPar->MoreLines, static_cast<size_t>(more) * sizeof(LineInfo), n < FPar->LineCount));
    FPar->LineCount = n;
}

Integer TLinesList::Add(const LineInfo& Rec)
{
    SetCount(FPar->LineCount + 1);
    *ParLineAt(FPar, FPar->LineCount - 1) = Rec;
    return FPar->LineCount - 1;
}

// ---------------------------------------------------------------- routines

Integer MaxOf(Integer A, Integer B) { return A > B ? A : B; }
Integer MinOf(Integer A, Integer B) { return A < B ? A : B; }

TExtFontStyles ToggleStyleBit(TExtFontStyles Styles, int Bit)
{
    return static_cast<TExtFontStyles>(Styles ^ (1u << Bit));
}

bool ApplyStyleCode(TExtFontStyles& Styles, char C)
{
    switch (C) {
    case scBold: Styles = ToggleStyleBit(Styles, xfsBold); return true;
    case scItalic: Styles = ToggleStyleBit(Styles, xfsItalic); return true;
    case scUnderline: Styles = ToggleStyleBit(Styles, xfsUnderline); return true;
    case scHighlight: Styles = ToggleStyleBit(Styles, xfsHighlight); return true;
    case scAltFont: Styles = ToggleStyleBit(Styles, xfsAltFont); return true;
    default: return false;
    }
}

void ReleaseContext(DynInfoRec* Context)
{
    if (Context == nullptr) return;
    if (--Context->Offset <= 0) delete Context;
}

DynInfoRec* CloneContext(const DynInfoRec& Rec)
{
    CountAllocation();
    auto* c = new DynInfoRec(Rec);
    c->Offset = 1;
    return c;
}

Integer ColumnToOffset(const ParInfo* Par, Integer Col, Integer TabStops, bool Static)
{
    if (TabStops < 1) TabStops = 1;
    Integer offset = 0;
    Integer c = 0;
    while (offset < Par->Len && Col > c) {
        const char ch = Par->Text[offset];
        Integer next = c;
        if (ch == '\t')
            next = TabStops * (c / TabStops + 1);
        else if (!(Static && IsStyleCode(ch)))
            next = c + 1;
        if (Col < next) break;
        c = next;
        ++offset;
    }
    return offset;
}

Integer stylememo::ColumnOf(const ParInfo* Par, Integer From, Integer Offset, Integer TabStops, bool Static)
{
    if (TabStops < 1) TabStops = 1;
    Integer c = 0;
    for (Integer i = From; i < Offset; ++i) {
        const char ch = Par->Text[i];
        if (ch == '\t')
            c = TabStops * (c / TabStops + 1);
        else if (!(Static && IsStyleCode(ch)))
            ++c;
    }
    return c;
}

Integer MissingColumns(const ParInfo* Par, Integer Col, Integer TabStops, bool Static)
{
    return Col - stylememo::ColumnOf(Par, 0, ColumnToOffset(Par, Col, TabStops, Static), TabStops, Static);
}

const char* StrScanChar(const char* Text, char C)
{
    if (Text == nullptr || C == '\0') return nullptr;
    return std::strchr(Text, C);
}

void UpperChar(char* Text)
{
    if (Text == nullptr) return;
    for (auto* p = reinterpret_cast<unsigned char*>(Text); *p != 0; ++p) {
        const unsigned char c = *p;
        if (c >= 'a' && c <= 'z')
            *p = static_cast<unsigned char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            *p = static_cast<unsigned char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            *p = static_cast<unsigned char>(c - 16);
        else if (c == 0xFF)
            *p = 0x9F;
    }
}

void stylememo::UpperCaseBy(TpmUpperCase Type, char* Text)
{
    if (Text == nullptr) return;
    if (Type == pmuAnsi) {
        UpperChar(Text);
    } else if (Type == pmuUserDefined && pmUpperCaseProc != nullptr) {
        pmUpperCaseProc(Text);
    } else {
        for (char* p = Text; *p != '\0'; ++p)
            if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    }
}

TpmUpperCaseProc pmUpperCaseProc = nullptr;

Integer TextWidthChunked(HDC DC, const char* Text, Integer Len, Integer Chunk)
{
    if (Len < 1 || Text == nullptr) return 0;
    if (Chunk < 1) Chunk = Len;
    Integer width = 0;
    for (Integer at = 0; at < Len; at += Chunk) {
        SIZE sz{};
        if (GetTextExtentPoint32(DC, Text + at, MinOf(Chunk, Len - at), &sz)) width += sz.cx;
    }
    return width;
}

void TextOutChunked(HDC DC, TPoint& Pos, const char* Text, Integer Right, Integer Chunk, Integer Len)
{
    if (Len < 1 || Text == nullptr) return;
    if (Chunk < 1) Chunk = Len;
    Integer at = 0;
    while (at < Len && Pos.X < -16383) {
        const Integer n = MinOf(Chunk, Len - at);
        SIZE sz{};
        if (GetTextExtentPoint32(DC, Text + at, n, &sz)) Pos.X += sz.cx;
        at += n;
    }
    MoveToEx(DC, Pos.X, Pos.Y, nullptr);
    while (at < Len && Pos.X < Right) {
        const Integer n = MinOf(Chunk, Len - at);
        TextOut(DC, 0, 0, Text + at, n);
        POINT p{};
        GetCurrentPositionEx(DC, &p);
        Pos.X = p.X;
        Pos.Y = p.Y;
        at += n;
    }
}

void DrawZigzagLine(HDC DC, Integer X1, Integer X2, Integer Y)
{
    Integer x = MaxOf(X1, -32768);
    const Integer last = MinOf(X2, 32767);
    if (x >= last) return;
    MoveToEx(DC, x, Y + 2, nullptr);
    bool up = true;
    while (x < last) {
        const Integer nx = MinOf(x + 2, last);
        // A stroke cut short ends part-way along its slope (one pixel per pixel).
        const Integer d = nx - x;
        const Integer ny = up ? Y + 2 - d : Y + d;
        LineTo(DC, nx, ny);
        x = nx;
        up = !up;
    }
    // LineTo leaves out its end point; the line's last pixel belongs to it.
    POINT p{};
    GetCurrentPositionEx(DC, &p);
    LineTo(DC, p.X + 1, p.Y);
}

void ClampPointTo16Bit(TPoint& P)
{
    P.X = P.X < -32768 ? -32768 : (P.X > 32767 ? 32767 : P.X);
    P.Y = P.Y < -32768 ? -32768 : (P.Y > 32767 ? 32767 : P.Y);
}

void GrowDyns(ParInfo* Par, Integer n)
{
    if (n <= Par->DynCapacity) return;
    const Int64 cap = static_cast<Int64>(n) + n / 64;
    if (cap > MaxInt / static_cast<Integer>(sizeof(DynInfoRec))) NoMemory();
    Par->Dyns = static_cast<DynInfoRec*>(Realloc(Par->Dyns, static_cast<size_t>(cap) * sizeof(DynInfoRec)));
    Par->DynCapacity = static_cast<Integer>(cap);
}

void ShrinkDyns(ParInfo* Par)
{
    if (Par->DynCount >= Par->DynCapacity) return;
    Par->Dyns = static_cast<DynInfoRec*>(Realloc(Par->Dyns, static_cast<size_t>(Par->DynCount) * sizeof(DynInfoRec), true));
    Par->DynCapacity = Par->DynCount;
}

Integer stylememo::CountStyleCodes(const char* Text, Integer Len)
{
    Integer c = 0;
    for (Integer i = 0; i < Len; ++i)
        if (IsStyleCode(Text[i])) ++c;
    return c;
}

char* stylememo::NewParText(Integer Len, Integer& Room)
{
    const Int64 r = std::min<Int64>(static_cast<Int64>(Len) + Len / 64, MaxInt - 1);
    CountAllocation();
    auto* t = static_cast<char*>(std::malloc(static_cast<size_t>(r) + 1));
    if (t == nullptr) NoMemory();
    Room = static_cast<Integer>(r);
    return t;
}

void FreeParContents(ParInfo* Par)
{
    std::free(Par->Text);
    Par->Text = nullptr;
    Par->Room = 0;
    std::free(Par->MoreLines);
    Par->MoreLines = nullptr;
    Par->LineCount = 0;
    std::free(Par->Dyns);
    Par->Dyns = nullptr;
    Par->DynCount = 0;
    Par->DynCapacity = 0;
    ReleaseContext(Par->Context);
    Par->Context = nullptr;
}

bool stylememo::FindCodePair(const char* Text, Integer Len, Integer From, Integer& First, Integer& Second)
{
    for (Integer i = From; i < Len; ++i) {
        if (!IsStyleCode(Text[i])) continue;
        for (Integer j = i + 1; j < Len && IsStyleCode(Text[j]); ++j) {
            if (Text[j] == Text[i]) {
                First = i;
                Second = j;
                return true;
            }
        }
    }
    return false;
}

Integer stylememo::DynAfter(const ParInfo* Par, Integer Offset)
{
    const DynInfoRec* b = Par->Dyns;
    const DynInfoRec* e = Par->Dyns + Par->DynCount;
    return static_cast<Integer>(
        std::upper_bound(b, e, Offset, [](Integer o, const DynInfoRec& d) { return o < d.Offset; }) - b);
}

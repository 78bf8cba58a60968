// The memo's text store: paragraph, display-line and attribute records, their containers, the style
// codes embedded in the text, and the small routines shared by editing, formatting and painting.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Classes.h"

// Style set of one run, one byte. Bit numbers:
enum TExtFontStyle : Byte {
    xfsBold = 0,
    xfsItalic = 1,
    xfsUnderline = 2,
    xfsStrikeOut = 3,  // no code toggles it
    xfsHighlight = 4,
    xfsAltFont = 5,
    xfsSpecUnderline = 7,
};
using TExtFontStyles = Byte;

// The characters that toggle a style where they stand (while the memo's StaticFormat is on).
constexpr char scItalic = 1;
constexpr char scBold = 2;
constexpr char scHighlight = 3;
constexpr char scAltFont = 4;
constexpr char scUnderline = 21;

// Longest paragraph an edit may make.
constexpr Integer MaxParLength = 0x7FFFFF9B;

// "Not computed" in a navigator's cached fields.
constexpr Integer NotComputed = MaxInt;

// One display line of a paragraph. The native stream stores the record whole: 36 bytes.
struct LineInfo {
    Integer Start = 0;        // offset of the first character in the paragraph
    Integer Stop = 0;         // offset after the last; the next line's Start, the last line's = Len
    Integer TextWidth = 0;    // pixels to the end of the last word
    Integer Width = 0;        // pixels including the blanks that end the line
    Integer Reserved = 0;
    Integer Blanks = 0;       // blanks justification may widen
    Integer JustifyFrom = 0;  // offset of the line's last TAB, else Start
    TExtFontStyles StartStyle = 0;  // static style set in force at Start
    Byte Pad[3] = {0, 0, 0};
    Integer StartDyn = 0;  // index of the first attribute whose Offset is after Start
};
static_assert(sizeof(LineInfo) == 36);

// One dynamic attribute (highlighting, spans, styles set from code): 60 bytes.
struct DynInfoRec {
    // Where it takes effect; in a shared context record, the reference count instead.
    Integer Offset = 0;
    Byte Attr = 0;  // bit 7: carries a dynamic style; bits 6 and 7: opens a span, Level meaningful
    std::int8_t Level = 0;
    Byte Reserved1[2] = {0, 0};
    Integer Backgnd = 0;  // TColor; -1 = none
    Integer Foregnd = 0;  // TColor; -1 = none
    Integer Context = 0;
    std::int16_t Cursor = 0;
    std::int16_t Keys[16] = {};
    Byte Reserved2[2] = {0, 0};
    Byte StartLen = 0;
    Byte StopLen = 0;
    Byte Reserved3[2] = {0, 0};
};
static_assert(sizeof(DynInfoRec) == 60);

// One paragraph. Records are copied as raw bytes by the containers, so every member is plain.
struct ParInfo {
    char* Text = nullptr;  // Len characters and a NUL; nil when empty and never had text
    Integer Len = 0;       // characters, style codes included
    Integer Foregnd = -1;  // TColor of the whole paragraph; -1 = the memo's font colour
    Integer Backgnd = -1;  // -1 = the memo's colour
    Integer FirstLine = 0;  // == sum of LineCount over the paragraphs before it
    Integer StartPos = 0;   // == sum of Len + 2 over the paragraphs before it
    DynInfoRec* Context = nullptr;  // attribute in force at offset 0; shared, reference-counted
    LineInfo FirstLineInfo;
    Integer LineCount = 0;
    LineInfo* MoreLines = nullptr;  // lines 1 .. LineCount - 1
    Integer DynCount = 0;
    DynInfoRec* Dyns = nullptr;  // sorted by Offset
    Integer DynCapacity = 0;
    bool Formatted = false;
    bool StartStopParsed = false;
    bool KeywordsParsed = false;
    // Kept beside the design's fields: the characters Text has room for (NUL not counted), and how
    // many of its characters are style codes, so that edits skip the code-pair scan of paragraphs
    // that cannot hold a pair.
    Integer Room = 0;
    Integer CodeCount = 0;
    // Lines from this one on are not broken yet for the text as it is (an edit re-broke only what the
    // screen showed); 0 when every line is.
    Integer Provisional = 0;
    // Those lines were left by a change of more than one place (several edits, highlighting that
    // changed behind the edit): where a new break meets an old one says nothing, so they are broken
    // to the paragraph's end. Otherwise the text behind the change is as before, and breaking stops
    // where the breaks fall back onto the old ones.
    bool ProvisionalWhole = false;
    // Its lines were broken for another font or width: none of them is kept.
    bool LinesStale = false;
};

// One contiguous block of records.
class TDynArray : public TPersistent {
public:
    TDynArray(Integer DataSize, Integer ItemSize);
    ~TDynArray() override;

    void* getPointer(Integer i) const;  // "List index out of bounds" outside 0 .. Count - 1
    void SetCapacity(Integer n);
    void SetCount(Integer n);  // new records are not cleared
    Integer Add(const void* Rec);
    Integer Count() const { return FCount; }
    Integer Capacity() const { return FCapacity; }
    Integer DataSize() const { return FDataSize; }
    Integer ItemSize() const { return FItemSize; }

protected:
    Integer FDataSize;
    Integer FItemSize;
    Byte* FData = nullptr;
    Integer FCount = 0;
    Integer FCapacity = 0;
};

// Paged records: records live in fixed blocks, so growing or shrinking the list never moves them.
class TDynArray2 : public TObject {
public:
    TDynArray2(Integer DataSize, Integer ItemSize, Integer PerBlock);
    ~TDynArray2() override;

    void* GetPointer(Integer i) const;  // "List index out of bounds" outside 0 .. Count - 1
    void SetCapacity(Integer n);        // whole blocks; n = 0 still keeps one
    void SetCount(Integer n);
    Integer Add(const void* Rec);
    // Opens n uninitialised records at Index (later records move up) or closes n records there.
    void InsertItems(Integer Index, Integer n);
    void DeleteItems(Integer Index, Integer n);

    Integer Count() const { return FCount; }
    Integer Capacity() const { return FCapacity; }
    Integer PerBlock() const { return FPerBlock; }
    Integer BlockCount() const { return static_cast<Integer>(FBlocks.size()); }
    Integer BlockBytes() const { return FPerBlock * FItemSize; }

protected:
    Byte* Slot(Integer i) const
    {
        return FBlocks[static_cast<size_t>(i / FPerBlock)] + static_cast<size_t>(i % FPerBlock) * FItemSize;
    }
    void MoveRecords(Integer From, Integer To, Integer n);

    Integer FDataSize;
    Integer FItemSize;
    std::vector<Byte*> FBlocks;
    Integer FCount = 0;
    Integer FCapacity = 0;
    Integer FPerBlock;
};

// The memo's paragraphs, 341 records per block.
class TParagraphsList : public TDynArray2 {
public:
    TParagraphsList();
    void GetItem(Integer i, ParInfo& Rec) const;
    void SetItem(Integer i, const ParInfo& Rec);
    ParInfo* GetParPointers(Integer i) const { return static_cast<ParInfo*>(GetPointer(i)); }
    // Unchecked access for loops that already hold a valid index.
    ParInfo* At(Integer i) const { return reinterpret_cast<ParInfo*>(Slot(i)); }
};

// A view on the display lines of one paragraph: line 0 is FirstLineInfo, line i is MoreLines[i - 1].
class TLinesList : public TObject {
public:
    explicit TLinesList(ParInfo* Par = nullptr) : FPar(Par) {}
    ParInfo* Par() const { return FPar; }
    void SetPar(ParInfo* Par) { FPar = Par; }

    LineInfo* GetLinesPointer(Integer i) const;  // "List index out of bounds" outside 0 .. count - 1
    Integer GetCount() const { return FPar ? FPar->LineCount : 0; }
    void GetItem(Integer i, LineInfo& Rec) const { Rec = *GetLinesPointer(i); }
    void SetItem(Integer i, const LineInfo& Rec) { *GetLinesPointer(i) = Rec; }
    void SetCount(Integer n);
    Integer Add(const LineInfo& Rec);

private:
    ParInfo* FPar;
};

// Line i of a paragraph without bounds check.
inline LineInfo* ParLineAt(ParInfo* Par, Integer i)
{
    return i == 0 ? &Par->FirstLineInfo : &Par->MoreLines[i - 1];
}
inline LineInfo* ParLastLine(ParInfo* Par) { return ParLineAt(Par, Par->LineCount - 1); }

// ---- the memo unit's shared routines

Integer MaxOf(Integer A, Integer B);
Integer MinOf(Integer A, Integer B);
TExtFontStyles ToggleStyleBit(TExtFontStyles Styles, int Bit);
// Toggles the style of a style code and returns true; any other character changes nothing.
bool ApplyStyleCode(TExtFontStyles& Styles, char C);
// The codes 1 to 4 and 21 (a bit each in the mask).
inline bool IsStyleCode(char C)
{
    const auto c = static_cast<unsigned char>(C);
    return c < 32 && ((0x20001Eu >> c) & 1u) != 0;
}
void ReleaseContext(DynInfoRec* Context);
DynInfoRec* CloneContext(const DynInfoRec& Rec);
// Text offset in a paragraph of a display column (TAB to the next stop, codes of no width when
// Static); a TAB or character that would carry the column beyond Col is not passed.
Integer ColumnToOffset(const ParInfo* Par, Integer Col, Integer TabStops, bool Static);
// How many blanks the paragraph lacks up to display column Col.
Integer MissingColumns(const ParInfo* Par, Integer Col, Integer TabStops, bool Static);
const char* StrScanChar(const char* Text, char C);
// Upper-cases a NUL-terminated text in place with the code page's letter pairs.
void UpperChar(char* Text);
void ClampPointTo16Bit(TPoint& P);

struct HDC__;
using HDC = HDC__*;
// Sum of the text extents of successive chunks of at most Chunk characters; 0 for Len below 1.
Integer TextWidthChunked(HDC DC, const char* Text, Integer Len, Integer Chunk);
// Draws Len characters at Pos (the context updates its current position) chunk by chunk until x
// reaches Right; chunks far left of any window (x below -16383) are only measured. Pos follows.
void TextOutChunked(HDC DC, TPoint& Pos, const char* Text, Integer Right, Integer Chunk, Integer Len);
// The special underline: 2-pixel zigzag steps from X1 to X2 between Y + 2 and Y, with the selected pen.
void DrawZigzagLine(HDC DC, Integer X1, Integer X2, Integer Y);

// Case folding of text comparisons: ASCII letters, the code page's letter pairs, or a routine the
// program installs in pmUpperCaseProc (ASCII while none is installed).
enum TpmUpperCase { pmuAscii, pmuAnsi, pmuUserDefined };
using TpmUpperCaseProc = void (*)(char* Text);
extern TpmUpperCaseProc pmUpperCaseProc;

namespace stylememo {
// Finds, from offset From on, the first style code that is followed, after only other style codes,
// by the same code: a pair without effect. First and Second receive the two offsets.
bool FindCodePair(const char* Text, Integer Len, Integer From, Integer& First, Integer& Second);
// Display column reached at Offset when counting from offset From of the paragraph (column 0).
Integer ColumnOf(const ParInfo* Par, Integer From, Integer Offset, Integer TabStops, bool Static);
Integer CountStyleCodes(const char* Text, Integer Len);
// A paragraph text buffer for Len characters and the NUL, with the room edits grow into
// (Len + Len div 64 characters).
char* NewParText(Integer Len, Integer& Room);
// Fault drill: when not negative, the store's allocation after this many more fails as if memory
// had run out (growing buffers, paragraph blocks, contexts; shrinking never fails).
extern Integer AllocationsBeforeFailure;
// Upper-cases a NUL-terminated text in place by the folding Type selects.
void UpperCaseBy(TpmUpperCase Type, char* Text);
// Index of the first attribute whose offset lies after Offset: the attribute before it is in force
// for the character at Offset.
Integer DynAfter(const ParInfo* Par, Integer Offset);
// The attribute in force before attribute DynIndex: the one before it, or the paragraph's context.
inline const DynInfoRec* AttrBefore(const ParInfo* Par, Integer DynIndex)
{
    return DynIndex > 0 ? &Par->Dyns[DynIndex - 1] : Par->Context;
}
inline Byte AttrByte(const DynInfoRec* Attr) { return Attr != nullptr ? Attr->Attr : 0; }
// Style bits that need another font (the highlight bit only changes colours).
constexpr TExtFontStyles FontBits = static_cast<TExtFontStyles>(~(1u << xfsHighlight));
}  // namespace stylememo

// Dynamic-attribute array upkeep of one paragraph (capacity grows to n + n div 64; ShrinkDyns
// gives back what DynCount does not use).
void GrowDyns(ParInfo* Par, Integer n);
void ShrinkDyns(ParInfo* Par);
// Frees a paragraph's text, line array and attribute array and releases its context.
void FreeParContents(ParInfo* Par);

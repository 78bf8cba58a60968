// TStyleMemo: the native dump, an image of the paragraph store: a header, then for each paragraph
// its numbers, its display lines, its attribute records and its characters. Every field is
// little-endian at a fixed size and reserved bytes are written as zero, so a dump written on one
// machine reads on another. The format carries no mark and no version, so the reader trusts
// nothing: it checks every count, offset, level and sum, builds a store of its own, and the memo
// takes that store over only when the whole dump is good.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "memo/Stylememo.h"

namespace {

constexpr Integer HeaderBytes = 16;
constexpr Integer ParHeadBytes = 20;
constexpr Integer LineBytes = 36;
constexpr Integer DynBytes = 60;

void Put8(std::string& B, Byte V) { B += static_cast<char>(V); }
void Put16(std::string& B, std::int16_t V)
{
    const auto u = static_cast<std::uint16_t>(V);
    B += static_cast<char>(u & 0xFF);
    B += static_cast<char>(u >> 8);
}
void Put32(std::string& B, Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    for (int i = 0; i < 32; i += 8) B += static_cast<char>((u >> i) & 0xFF);
}

// Reads fields from a block of bytes already taken from the stream.
class Fields {
public:
    explicit Fields(std::string B) : FBytes(std::move(B)), FB(reinterpret_cast<const Byte*>(FBytes.data())) {}
    Byte U8() { return FB[FAt++]; }
    std::int16_t I16()
    {
        const auto v = static_cast<std::uint16_t>(FB[FAt] | (FB[FAt + 1] << 8));
        FAt += 2;
        return static_cast<std::int16_t>(v);
    }
    Integer I32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(FB[FAt + i]) << (8 * i);
        FAt += 4;
        return static_cast<Integer>(v);
    }
    bool Zeros(size_t n)
    {
        bool zero = true;
        for (size_t i = 0; i < n; ++i) zero = zero && FB[FAt + i] == 0;
        FAt += n;
        return zero;
    }

private:
    std::string FBytes;
    const Byte* FB;
    size_t FAt = 0;
};

[[noreturn]] void Refuse(Integer Par, const std::string& Why)
{
    std::string m = "Invalid memo dump: ";
    if (Par >= 0) m += "paragraph " + std::to_string(Par) + ": ";
    throw EReadError(m + Why);
}

// Reads exactly Count bytes; a stream that ends first is the short stream every reader reports.
std::string Take(TStream* Stream, Int64 Count)
{
    std::string b(static_cast<size_t>(Count), '\0');
    if (Count > 0) Stream->ReadBuffer(b.data(), Count);
    return b;
}

// The store being read, freed again unless the memo takes it over.
struct FreshStore {
    TParagraphsList* List = new TParagraphsList;
    ~FreshStore()
    {
        if (List == nullptr) return;
        for (Integer i = 0; i < List->Count(); ++i) FreeParContents(List->At(i));
        delete List;
    }
};

}  // namespace

void TStyleMemo::SaveToNativeStream(TStream* Stream)
{
    EventScope scope(*this);
    // The reader takes every paragraph as highlighted and broken: what is still owed is done first.
    FormatUpToLine(MaxInt);
    FormatNow(0, ParCount() - 1, false);
    std::string b;
    Put32(b, FTextLen);
    Put32(b, FLineCount);
    Put32(b, FWidestWidth);
    Put32(b, ParCount());
    for (Integer p = 0; p < ParCount(); ++p) {
        const ParInfo* par = FParagraphs->At(p);
        Put32(b, par->Len);
        Put32(b, par->FirstLine);
        Put32(b, par->StartPos);
        Put32(b, par->DynCount);
        Put32(b, par->LineCount);
        for (Integer l = 0; l < par->LineCount; ++l) {
            const LineInfo* li = ParLineAt(const_cast<ParInfo*>(par), l);
            Put32(b, li->Start);
            Put32(b, li->Stop);
            Put32(b, li->TextWidth);
            Put32(b, li->Width);
            Put32(b, 0);
            Put32(b, li->Blanks);
            Put32(b, li->JustifyFrom);
            Put8(b, li->StartStyle);
            b.append(3, '\0');
            Put32(b, li->StartDyn);
        }
        for (Integer d = 0; d < par->DynCount; ++d) {
            const DynInfoRec& r = par->Dyns[d];
            Put32(b, r.Offset);
            Put8(b, r.Attr);
            Put8(b, static_cast<Byte>(r.Level));
            b.append(2, '\0');
            Put32(b, r.Backgnd);
            Put32(b, r.Foregnd);
            Put32(b, r.Context);
            Put16(b, r.Cursor);
            for (const std::int16_t k : r.Keys) Put16(b, k);
            b.append(2, '\0');
            Put8(b, r.StartLen);
            Put8(b, r.StopLen);
            b.append(2, '\0');
        }
        if (par->Len > 0) b.append(par->Text, static_cast<size_t>(par->Len));
        if (b.size() >= 65536) {
            Stream->WriteBuffer(b.data(), static_cast<Int64>(b.size()));
            b.clear();
        }
    }
    if (!b.empty()) Stream->WriteBuffer(b.data(), static_cast<Int64>(b.size()));
}

void TStyleMemo::LoadFromNativeStream(TStream* Stream, bool DoReformat)
{
    EventScope scope(*this);
    const Int64 origin = Stream->Position();
    FreshStore fresh;
    Integer textLen = 0;
    Integer lineCount = 0;
    Integer widest = 0;
    try {
        Int64 left = Stream->Size() - origin;
        // Counts from the dump must fit in what the stream holds before anything is allocated for them.
        auto reserve = [&](Int64 Bytes) {
            if (Bytes > left) throw EReadError(SysMsg::ReadError);
            left -= Bytes;
        };
        reserve(HeaderBytes);
        Fields head(Take(Stream, HeaderBytes));
        textLen = head.I32();
        lineCount = head.I32();
        widest = head.I32();
        const Integer parCount = head.I32();
        if (textLen < 0) Refuse(-1, "negative text length");
        if (widest < 0) Refuse(-1, "negative line width");
        if (parCount < 1) Refuse(-1, "no paragraphs");
        if (static_cast<Int64>(parCount) * (ParHeadBytes + LineBytes) > left) throw EReadError(SysMsg::ReadError);

        Int64 lineSum = 0;
        Int64 charSum = 0;
        TExtFontStyles running = 0;
        for (Integer p = 0; p < parCount; ++p) {
            reserve(ParHeadBytes);
            Fields ph(Take(Stream, ParHeadBytes));
            const Integer len = ph.I32();
            const Integer firstLine = ph.I32();
            const Integer startPos = ph.I32();
            const Integer dynCount = ph.I32();
            const Integer lines = ph.I32();
            if (len < 0 || len > FMaxParLen) Refuse(p, "length out of range");
            if (firstLine != lineSum) Refuse(p, "first line is not the sum of the lines before it");
            if (startPos != charSum) Refuse(p, "start is not the sum of the paragraphs before it");
            if (charSum + len > MaxInt) Refuse(p, "text too long");
            if (dynCount < 0) Refuse(p, "negative attribute count");
            if (lines < 1) Refuse(p, "no display line");
            reserve(static_cast<Int64>(lines) * LineBytes + static_cast<Int64>(dynCount) * DynBytes + len);

            ParInfo par;
            par.Len = len;
            par.FirstLine = firstLine;
            par.StartPos = startPos;
            par.Formatted = true;
            par.StartStopParsed = true;
            par.KeywordsParsed = true;
            // The context carries the attribute in force at the end of the paragraph before.
            if (p == 0) {
                par.Context = CloneContext(DynInfoRec{});
            } else {
                const ParInfo* prev = fresh.List->At(p - 1);
                if (prev->DynCount > 0) {
                    par.Context = CloneContext(prev->Dyns[prev->DynCount - 1]);
                } else {
                    par.Context = prev->Context;
                    ++par.Context->Offset;
                }
            }
            try {
                TLinesList(&par).SetCount(lines);
                GrowDyns(&par, dynCount);
                if (len > 0) par.Text = stylememo::NewParText(len, par.Room);

                Fields lf(Take(Stream, static_cast<Int64>(lines) * LineBytes));
                for (Integer l = 0; l < lines; ++l) {
                    LineInfo& li = *ParLineAt(&par, l);
                    li.Start = lf.I32();
                    li.Stop = lf.I32();
                    li.TextWidth = lf.I32();
                    li.Width = lf.I32();
                    const bool reservedZero = lf.Zeros(4);
                    li.Blanks = lf.I32();
                    li.JustifyFrom = lf.I32();
                    li.StartStyle = lf.U8();
                    const bool padZero = lf.Zeros(3);
                    li.StartDyn = lf.I32();
                    const Integer from = l == 0 ? 0 : ParLineAt(&par, l - 1)->Stop;
                    if (!reservedZero || !padZero) Refuse(p, "reserved bytes of line " + std::to_string(l) + " set");
                    if (li.Start != from) Refuse(p, "line " + std::to_string(l) + " does not start where the one before stops");
                    if (li.Stop < li.Start || li.Stop > len) Refuse(p, "line " + std::to_string(l) + " out of the paragraph");
                    if (li.JustifyFrom < li.Start || li.JustifyFrom > li.Stop)
                        Refuse(p, "justification start of line " + std::to_string(l) + " outside the line");
                    if (li.TextWidth < 0 || li.Width < 0 || li.Blanks < 0)
                        Refuse(p, "negative width or blank count in line " + std::to_string(l));
                    if (li.StartDyn < 0 || li.StartDyn > dynCount)
                        Refuse(p, "attribute index of line " + std::to_string(l) + " out of range");
                }
                if (ParLastLine(&par)->Stop != len) Refuse(p, "the last line does not end the paragraph");

                Fields df(Take(Stream, static_cast<Int64>(dynCount) * DynBytes));
                for (Integer d = 0; d < dynCount; ++d) {
                    DynInfoRec& r = par.Dyns[d];
                    r = DynInfoRec{};
                    r.Offset = df.I32();
                    r.Attr = df.U8();
                    r.Level = static_cast<std::int8_t>(df.U8());
                    bool zero = df.Zeros(2);
                    r.Backgnd = df.I32();
                    r.Foregnd = df.I32();
                    r.Context = df.I32();
                    r.Cursor = df.I16();
                    for (std::int16_t& k : r.Keys) k = df.I16();
                    zero = df.Zeros(2) && zero;
                    r.StartLen = df.U8();
                    r.StopLen = df.U8();
                    zero = df.Zeros(2) && zero;
                    ++par.DynCount;
                    if (!zero) Refuse(p, "reserved bytes of attribute " + std::to_string(d) + " set");
                    if (r.Offset < 0 || r.Offset > len) Refuse(p, "attribute " + std::to_string(d) + " out of the paragraph");
                    if (d > 0 && r.Offset < par.Dyns[d - 1].Offset) Refuse(p, "attributes out of order");
                    if (r.Level < -1 || r.Level > 15) Refuse(p, "nesting level of attribute " + std::to_string(d) + " out of range");
                }

                if (len > 0) {
                    Stream->ReadBuffer(par.Text, len);
                    par.Text[len] = '\0';
                    if (std::memchr(par.Text, '\0', static_cast<size_t>(len)) != nullptr ||
                        std::memchr(par.Text, '\r', static_cast<size_t>(len)) != nullptr)
                        Refuse(p, "a NUL or CR in the text");
                    par.CodeCount = stylememo::CountStyleCodes(par.Text, len);
                }
                // Each line starts with the static style set the text before it leaves.
                Integer at = 0;
                for (Integer l = 0; l < lines; ++l) {
                    const LineInfo& li = *ParLineAt(&par, l);
                    if (FStaticFormat)
                        for (; at < li.Start; ++at) ApplyStyleCode(running, par.Text[at]);
                    if (li.StartStyle != (FStaticFormat ? running : 0))
                        Refuse(p, "start style of line " + std::to_string(l) + " does not follow from the text");
                }
                if (FStaticFormat)
                    for (; at < len; ++at) ApplyStyleCode(running, par.Text[at]);
                fresh.List->Add(&par);
            } catch (...) {
                FreeParContents(&par);
                throw;
            }
            lineSum += lines;
            charSum += static_cast<Int64>(len) + 2;
            if (lineSum > MaxInt) Refuse(p, "too many display lines");
        }
        if (charSum - 2 != textLen) Refuse(-1, "text length is not the sum of the paragraphs");
        if (lineSum != lineCount) Refuse(-1, "line count is not the sum of the paragraphs' lines");
    } catch (...) {
        Stream->SetPosition(origin);
        throw;
    }

    // The dump is good: the memo takes the new store over.
    const Integer oldLines = FLineCount;
    ClearAll();
    delete FParagraphs;
    FParagraphs = fresh.List;
    fresh.List = nullptr;
    FTextLen = textLen;
    FLineCount = lineCount;
    FWidestWidth = widest;
    FWidestLine = -1;
    FPendingFirst = ParCount();
    FPendingLast = -1;
    FParsedIndex = ParCount() - 1;
    FModified = true;
    ResetStateAfterLoad();
    FTopOrigin = 0;
    FDisplayLeft = 0;
    if (FUpdateCount > 0) {
        FModFirstPar = 0;
        FModLastPar = ParCount() - 1;
        FModFirstLine = 0;
        FModLinesAdded = FLineCount - oldLines;
    } else if (HandleAllocated()) {
        if (DoReformat) Reformat();
        setVScrollParams();
        setHScrollParams();
        UpdateScrollBarPos(SB_VERT, 0, FVScrollUnit);
        UpdateScrollBarPos(SB_HORZ, 0, FHScrollUnit);
        Invalidate();
        UpdateCaret(false);
    }
    Change();
}

// Keyword and start/stop-key highlighting: the two lists, the highlighter component, and the
// memo's two searches, which write dynamic attribute records into the paragraphs.
//
// Records in a paragraph are of three kinds. Styles set from code (bit 7 with level -1) and the
// record that ends each of them are the user's and stay. Every other record is made by
// highlighting, and each search of a paragraph first removes them all and then finds them again
// from the paragraph's context, so that a paragraph's highlighting depends only on its text and
// on the attribute in force at its start, however often and in whatever order it is searched.
#include "memo/Stylehilite.h"

#include <algorithm>
#include <cstring>

#include "memo/Stylememo.h"
#include "platform/Filer.h"

namespace {

constexpr Integer MaxLevel = 15;

bool IsFixed(const DynInfoRec& R) { return (R.Attr & 0x80) != 0 && R.Level == -1; }

// The nesting level of the span R opens; -1 when R opens none.
int SpanLevel(const DynInfoRec& R) { return (R.Attr & 0xC0) == 0xC0 ? R.Level : -1; }

// A start/stop span stores its entry as 0x8000 + index, a keyword span the keyword's index.
bool IsStartStopSpan(const DynInfoRec& R)
{
    const int l = SpanLevel(R);
    return l >= 0 && l <= MaxLevel && R.Keys[l] < -1;
}

int StartStopEntry(const DynInfoRec& R, Integer Count)
{
    if (!IsStartStopSpan(R)) return -1;
    const int e = R.Keys[SpanLevel(R)] & 0x7FFF;
    return e < Count ? e : -1;
}

// What a reader of the text sees of a state; the lengths of the keys that opened it do not count.
bool SameState(const DynInfoRec& A, const DynInfoRec& B)
{
    if (A.Attr != B.Attr || A.Level != B.Level || A.Context != B.Context || A.Cursor != B.Cursor ||
        A.Backgnd != B.Backgnd || A.Foregnd != B.Foregnd)
        return false;
    for (int l = 0; l <= std::min<int>(A.Level, MaxLevel); ++l)
        if (A.Keys[l] != B.Keys[l]) return false;
    return true;
}

Integer FirstAfter(const ParInfo* P, Integer Off)
{
    const DynInfoRec* b = P->Dyns;
    const DynInfoRec* e = P->Dyns + P->DynCount;
    return static_cast<Integer>(std::upper_bound(b, e, Off, [](Integer o, const DynInfoRec& d) { return o < d.Offset; }) - b);
}

const DynInfoRec& InForce(const ParInfo* P, Integer Index) { return Index > 0 ? P->Dyns[Index - 1] : *P->Context; }

void InsertAt(ParInfo* P, Integer Index, DynInfoRec R, Integer Off)
{
    GrowDyns(P, P->DynCount + 1);
    std::memmove(&P->Dyns[Index + 1], &P->Dyns[Index], static_cast<size_t>(P->DynCount - Index) * sizeof(DynInfoRec));
    R.Offset = Off;
    P->Dyns[Index] = R;
    ++P->DynCount;
}

// Where a record made by highlighting goes at Off: after the records already there, but before a
// style set from code that starts there, which must stay in force.
Integer ProductSlot(const ParInfo* P, Integer Off)
{
    Integer i = 0;
    while (i < P->DynCount && P->Dyns[i].Offset < Off) ++i;
    while (i < P->DynCount && P->Dyns[i].Offset == Off && !IsFixed(P->Dyns[i])) ++i;
    return i;
}

void RefreshStartDyns(ParInfo* P)
{
    for (Integer l = 0; l < P->LineCount; ++l) {
        LineInfo* line = ParLineAt(P, l);
        line->StartDyn = FirstAfter(P, line->Start);
    }
}

// The first offset at which two record arrays differ; MaxInt when they are equal.
Integer FirstDifference(const std::vector<DynInfoRec>& Old, const ParInfo* P)
{
    const Integer n = std::min(static_cast<Integer>(Old.size()), P->DynCount);
    for (Integer i = 0; i < n; ++i)
        if (std::memcmp(&Old[static_cast<size_t>(i)], &P->Dyns[i], sizeof(DynInfoRec)) != 0)
            return std::min(Old[static_cast<size_t>(i)].Offset, P->Dyns[i].Offset);
    if (static_cast<Integer>(Old.size()) > n) return Old[static_cast<size_t>(n)].Offset;
    if (P->DynCount > n) return P->Dyns[n].Offset;
    return MaxInt;
}

std::vector<DynInfoRec> Snapshot(const ParInfo* P) { return std::vector<DynInfoRec>(P->Dyns, P->Dyns + P->DynCount); }

void CheckByte(Integer V, const char* What)
{
    if (V < 0 || V > 255) throw EReadError(std::string("Invalid property value: ") + What);
}

void CheckInt16(Integer V, const char* What)
{
    if (V < -32768 || V > 32767) throw EReadError(std::string("Invalid property value: ") + What);
}

// Owns a keyword's info as the list's object.
class TKeywordInfoBlock : public TObject {
public:
    TKeywordInfo Info;
};

}  // namespace

// ---------------------------------------------------------------- TKeywordList

TKeywordList::TKeywordList() { OwnsObjects = true; }

Integer TKeywordList::AddKeyWord(const std::string& Word, TWordOptions Options, Byte Style, Integer Context,
                                 TCursor Cursor, TColor Backgnd, TColor Foregnd)
{
    const Integer i = Add(Word);
    TKeywordInfo info;
    info.Options = Options;
    info.Style = Style;
    info.Context = Context;
    info.Cursor = static_cast<std::int16_t>(Cursor);
    info.Backgnd = Backgnd;
    info.Foregnd = Foregnd;
    setKeyInfo(i, info);
    return i;
}

void TKeywordList::setKeyInfo(Integer Index, const TKeywordInfo& Info)
{
    auto* block = dynamic_cast<TKeywordInfoBlock*>(GetObject(Index));
    if (block == nullptr) {
        block = new TKeywordInfoBlock;
        PutObject(Index, block);
    }
    block->Info = Info;
    // The options decide the matching copy, so the copies follow the new info at once.
    if (UpdateCount() == 0) UpdateKeyList();
}

void TKeywordList::getKeyInfo(Integer Index, TKeywordInfo& Info) const
{
    const auto* block = dynamic_cast<const TKeywordInfoBlock*>(GetObject(Index));
    Info = block != nullptr ? block->Info : TKeywordInfo{};
}

void TKeywordList::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TKeywordList*>(Source);
    if (src == nullptr || src == this) return;
    BeginUpdate();
    Clear();
    for (int i = 0; i < src->Count(); ++i) {
        auto* block = new TKeywordInfoBlock;
        src->getKeyInfo(i, block->Info);
        AddObject(src->Get(i), block);
    }
    EndUpdate();
}

void TKeywordList::setUpperCaseType(TpmUpperCase Value)
{
    if (Value == FUpperCaseType) return;
    FUpperCaseType = Value;
    BeginUpdate();
    EndUpdate();
}

void TKeywordList::Changed()
{
    if (UpdateCount() == 0) UpdateKeyList();
    TStringList::Changed();
}

void TKeywordList::UpdateKeyList()
{
    FMatchKeys.clear();
    FMaxKeyLen = 0;
    FAnyIgnoresCase = false;
    for (int i = 0; i < Count(); ++i) {
        std::string key = Get(i);
        FMaxKeyLen = std::max(FMaxKeyLen, static_cast<Integer>(key.size()));
        auto* block = dynamic_cast<TKeywordInfoBlock*>(GetObject(i));
        if (block != nullptr) block->Info.KeyLen = static_cast<Integer>(key.size());
        if (block == nullptr || (block->Info.Options & woMatchCase) == 0) {
            FAnyIgnoresCase = true;
            stylememo::UpperCaseBy(FUpperCaseType, key.data());
        }
        FMatchKeys.push_back(std::move(key));
    }
}

void TKeywordList::DefineProperties(TFiler* Filer)
{
    Filer->DefineProperty(
        "Strings", [this](TReader* R) { ReadData(R); }, [this](TWriter* W) { WriteData(W); }, Count() > 0);
}

void TKeywordList::WriteData(TWriter* Writer)
{
    Writer->WriteListBegin();
    for (int i = 0; i < Count(); ++i) {
        TKeywordInfo info;
        getKeyInfo(i, info);
        Writer->WriteString(Get(i));
        Writer->WriteInteger(info.Options);
        Writer->WriteInteger(info.Style);
        Writer->WriteInteger(info.Context);
        Writer->WriteInteger(info.Cursor);
        Writer->WriteInteger(info.Backgnd);
        Writer->WriteInteger(info.Foregnd);
    }
    Writer->WriteListEnd();
}

// The whole list is read before it replaces the old one: a damaged stream leaves the list as it was.
void TKeywordList::ReadData(TReader* Reader)
{
    struct Item {
        std::string Word;
        TKeywordInfo Info;
    };
    std::vector<Item> items;
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) {
        Item it;
        it.Word = Reader->ReadString();
        const Integer options = Reader->ReadInteger();
        const Integer style = Reader->ReadInteger();
        it.Info.Context = Reader->ReadInteger();
        const Integer cursor = Reader->ReadInteger();
        it.Info.Backgnd = Reader->ReadInteger();
        it.Info.Foregnd = Reader->ReadInteger();
        CheckByte(options, "keyword options");
        CheckByte(style, "keyword style");
        CheckInt16(cursor, "keyword cursor");
        it.Info.Options = static_cast<TWordOptions>(options);
        it.Info.Style = static_cast<Byte>(style);
        it.Info.Cursor = static_cast<std::int16_t>(cursor);
        items.push_back(std::move(it));
    }
    Reader->ReadListEnd();
    BeginUpdate();
    Clear();
    for (const Item& it : items) {
        auto* block = new TKeywordInfoBlock;
        block->Info = it.Info;
        AddObject(it.Word, block);
    }
    EndUpdate();
}

// ---------------------------------------------------------------- TStartStopKeyList

const StartStopInfo& TStartStopKeyList::Items(Integer Index) const
{
    if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
    return FItems[static_cast<size_t>(Index)];
}

std::string TStartStopKeyList::MatchCopy(const std::string& S, TWordOptions Options) const
{
    std::string r = S;
    if ((Options & woMatchCase) == 0) stylememo::UpperCaseBy(FUpperCaseType, r.data());
    return r;
}

Integer TStartStopKeyList::AddStartStopKey(const std::string& Start, const std::string& Stop, TWordOptions Options,
                                           Byte Style, Integer Context, TCursor Cursor, TColor Backgnd,
                                           TColor Foregnd, bool EndAtParEnd)
{
    StartStopInfo e;
    e.Options = Options;
    e.Style = Style;
    e.Context = Context;
    e.Cursor = static_cast<std::int16_t>(Cursor);
    e.Backgnd = Backgnd;
    e.Foregnd = Foregnd;
    e.StartText = Start;
    e.StopText = Stop;
    e.StartKey = MatchCopy(Start, Options);
    e.StopKey = MatchCopy(Stop, Options);
    e.EndAtParEnd = EndAtParEnd;
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Options == Options && FItems[i].StartKey == e.StartKey) {
            e.Link = static_cast<std::int16_t>(i);
            break;
        }
    FLongestStart = std::max(FLongestStart, static_cast<Integer>(Start.size()));
    FLongestStop = std::max(FLongestStop, static_cast<Integer>(Stop.size()));
    if (EndAtParEnd) FLongestStop = std::max<Integer>(FLongestStop, 2);
    FItems.push_back(std::move(e));
    FPrepared = false;
    return Count() - 1;
}

void TStartStopKeyList::Clear()
{
    FItems.clear();
    FItems.shrink_to_fit();
    FLongestStart = 0;
    FLongestStop = 0;
    FPrepared = false;
}

void TStartStopKeyList::Assign(TPersistent* Source)
{
    auto* src = dynamic_cast<TStartStopKeyList*>(Source);
    if (src == nullptr || src == this) return;
    Clear();
    for (const StartStopInfo& e : src->FItems)
        AddStartStopKey(e.StartText, e.StopText, e.Options, e.Style, e.Context, e.Cursor, e.Backgnd, e.Foregnd,
                        e.EndAtParEnd);
}

void TStartStopKeyList::setUpperCaseType(TpmUpperCase Value)
{
    if (Value == FUpperCaseType) return;
    FUpperCaseType = Value;
    for (StartStopInfo& e : FItems) {
        e.StartKey = MatchCopy(e.StartText, e.Options);
        e.StopKey = MatchCopy(e.StopText, e.Options);
    }
    FPrepared = false;
}

void TStartStopKeyList::Prepare(const std::bitset<256>& Delimiters)
{
    auto word = [&](char C) { return !Delimiters.test(static_cast<unsigned char>(C)); };
    for (StartStopInfo& e : FItems) {
        const bool whole = (e.Options & woWholeWordsOnly) != 0;
        e.CheckBeforeStart = whole && !e.StartText.empty() && word(e.StartText.front());
        e.CheckAfterStart = whole && !e.StartText.empty() && word(e.StartText.back());
        e.CheckBeforeStop = whole && !e.StopText.empty() && word(e.StopText.front());
        e.CheckAfterStop = whole && !e.StopText.empty() && word(e.StopText.back());
    }
    FPrepared = true;
}

void TStartStopKeyList::DefineProperties(TFiler* Filer)
{
    Filer->DefineProperty(
        "Keys", [this](TReader* R) { ReadData(R); }, [this](TWriter* W) { WriteData(W); }, Count() > 0);
}

// The keys go out as the user gave them, so their case survives a save and a load (a stream that
// holds the matching copies reads as well).
void TStartStopKeyList::WriteData(TWriter* Writer)
{
    Writer->WriteListBegin();
    for (const StartStopInfo& e : FItems) {
        Writer->WriteString(e.StartText);
        Writer->WriteString(e.StopText);
        Writer->WriteInteger(e.Options);
        Writer->WriteInteger(e.Style);
        Writer->WriteInteger(e.Context);
        Writer->WriteInteger(e.Cursor);
        Writer->WriteInteger(e.Backgnd);
        Writer->WriteInteger(e.Foregnd);
        Writer->WriteBoolean(e.EndAtParEnd);
    }
    Writer->WriteListEnd();
}

void TStartStopKeyList::ReadData(TReader* Reader)
{
    TStartStopKeyList read;
    read.FUpperCaseType = FUpperCaseType;
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) {
        const std::string start = Reader->ReadString();
        const std::string stop = Reader->ReadString();
        const Integer options = Reader->ReadInteger();
        const Integer style = Reader->ReadInteger();
        const Integer context = Reader->ReadInteger();
        const Integer cursor = Reader->ReadInteger();
        const Integer backgnd = Reader->ReadInteger();
        const Integer foregnd = Reader->ReadInteger();
        const bool endAtParEnd = Reader->ReadBoolean();
        CheckByte(options, "key options");
        CheckByte(style, "key style");
        CheckInt16(cursor, "key cursor");
        read.AddStartStopKey(start, stop, static_cast<TWordOptions>(options), static_cast<Byte>(style), context, cursor,
                             backgnd, foregnd, endAtParEnd);
    }
    Reader->ReadListEnd();
    FItems = std::move(read.FItems);
    FLongestStart = read.FLongestStart;
    FLongestStop = read.FLongestStop;
    FPrepared = false;
}

// ---------------------------------------------------------------- TStyleHighlighter

TStyleHighlighter::TStyleHighlighter(TComponent* AOwner) : TComponent(AOwner) {}

TStyleHighlighter::~TStyleHighlighter()
{
    const std::vector<TStyleMemo*> memos = FMemos;
    for (TStyleMemo* m : memos) m->setHighlighter(nullptr);
}

void TStyleHighlighter::ApplyKeywordsList(TStyleNavigator*, TStyleNavigator*, Integer) {}
bool TStyleHighlighter::FindStart(TStyleNavigator*, TStyleNavigator*, Integer) { return false; }
bool TStyleHighlighter::FindStop(TStyleNavigator*, TStyleNavigator*, Integer) { return false; }

void TStyleHighlighter::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
}

// ---------------------------------------------------------------- the memo's searches

// One search of a memo's paragraphs for start/stop spans.
class TStyleMemo::StartStopPass {
public:
    explicit StartStopPass(TStyleMemo& Memo) : M(Memo), Keys(*Memo.FStartStopKeys), Count(Keys.Count())
    {
        if (!Keys.Prepared()) Keys.Prepare(M.FDelimiters);
        for (Integer e = 0; e < Count; ++e) {
            const StartStopInfo& E = Keys.Items(e);
            if (E.StartKey.empty()) continue;
            const auto c = static_cast<unsigned char>(E.StartKey.front());
            if ((E.Options & woMatchCase) != 0) {
                FirstExact[c] = true;
            } else {
                FirstUp[c] = true;
                AnyUp = true;
            }
        }
        Search = M.FApplyStartStopKeys && Count > 0;
        if (M.FHighlighter != nullptr) {
            for (int i = 0; i < 2; ++i) {
                Navs[i] = M.FClassNavs[i];
                Navs[i]->Memo = &M;
                Navs[i]->Invalidate();
            }
        }
    }
    ~StartStopPass()
    {
        for (TStyleNavigator* n : Navs)
            if (n != nullptr) {
                n->Invalidate();
                n->Memo = nullptr;
            }
    }
    StartStopPass(const StartStopPass&) = delete;
    StartStopPass& operator=(const StartStopPass&) = delete;

    // Searches paragraph p whole; true when its records changed.
    bool Paragraph(Integer p);
    // Hands the attribute in force at the end of paragraph p on to the next paragraph; when that
    // changes its context, the next paragraph is searched again later.
    void PassOn(Integer p);

private:
    bool Delim(const ParInfo* P, Integer i) const { return M.IsDelimiter(P->Text[i]); }
    const char* Buffer(bool MatchCase) const { return MatchCase ? P->Text : Up.data(); }
    void Clean();
    void Segment(Integer From, Integer SegEnd);
    Integer FindStartKey(Integer From, Integer End, Integer& At) const;
    Integer FindStopKey(const StartStopInfo& E, Integer From, Integer End) const;
    void Open(Integer Index, DynInfoRec A, Integer e, Integer At);
    void Close(Integer Index, const DynInfoRec& A, Integer e, Integer At);
    DynInfoRec Before(Integer Index, int Level) const;
    Integer NavOffset(TStyleNavigator* Nav) const;

    TStyleMemo& M;
    TStartStopKeyList& Keys;
    Integer Count;
    bool FirstExact[256] = {};
    bool FirstUp[256] = {};
    bool AnyUp = false;
    bool Search = false;
    TStyleNavigator* Navs[2] = {};
    // The paragraph being searched.
    Integer Par = -1;
    ParInfo* P = nullptr;
    std::string Up;
};

void TStyleMemo::StartStopPass::Clean()
{
    bool afterFixed = IsFixed(*P->Context);
    Integer w = 0;
    for (Integer r = 0; r < P->DynCount; ++r) {
        const DynInfoRec d = P->Dyns[r];
        if (!IsFixed(d) && !afterFixed) continue;
        P->Dyns[w++] = d;
        afterFixed = IsFixed(d);
    }
    P->DynCount = w;
}

Integer TStyleMemo::StartStopPass::FindStartKey(Integer From, Integer End, Integer& At) const
{
    const char* text = P->Text;
    for (Integer q = From; q < End; ++q) {
        const auto c = static_cast<unsigned char>(text[q]);
        if (!FirstExact[c] && !(AnyUp && FirstUp[static_cast<unsigned char>(Up[static_cast<size_t>(q)])])) continue;
        for (Integer e = 0; e < Count; ++e) {
            const StartStopInfo& E = Keys.Items(e);
            const auto n = static_cast<Integer>(E.StartKey.size());
            if (n == 0 || q + n > End) continue;
            if (std::memcmp(Buffer((E.Options & woMatchCase) != 0) + q, E.StartKey.data(), static_cast<size_t>(n)) != 0)
                continue;
            if (E.CheckBeforeStart && q > 0 && !Delim(P, q - 1)) continue;
            if (E.CheckAfterStart && q + n < P->Len && !Delim(P, q + n)) continue;
            At = q;
            return e;
        }
    }
    return -1;
}

Integer TStyleMemo::StartStopPass::FindStopKey(const StartStopInfo& E, Integer From, Integer End) const
{
    const auto n = static_cast<Integer>(E.StopKey.size());
    if (n == 0) return -1;
    const char* buf = Buffer((E.Options & woMatchCase) != 0);
    for (Integer q = From; q + n <= End; ++q) {
        const void* hit = memmem(buf + q, static_cast<size_t>(End - q), E.StopKey.data(), static_cast<size_t>(n));
        if (hit == nullptr) return -1;
        q = static_cast<Integer>(static_cast<const char*>(hit) - buf);
        if (E.CheckBeforeStop && q > 0 && !Delim(P, q - 1)) continue;
        if (E.CheckAfterStop && q + n < P->Len && !Delim(P, q + n)) continue;
        return q;
    }
    return -1;
}

// The state a span returns to when it closes: the nearest record before it of a lower level,
// looked for back through the paragraphs the span runs over.
DynInfoRec TStyleMemo::StartStopPass::Before(Integer Index, int Level) const
{
    auto fits = [Level](const DynInfoRec& R) { return !IsFixed(R) && SpanLevel(R) < Level; };
    const ParInfo* q = P;
    Integer qNb = Par;
    Integer i = Index;
    for (;;) {
        for (; i >= 0; --i)
            if (fits(q->Dyns[i])) return q->Dyns[i];
        if (fits(*q->Context) || qNb == 0) return fits(*q->Context) ? *q->Context : DynInfoRec{};
        q = M.FParagraphs->At(--qNb);
        i = q->DynCount - 1;
    }
}

void TStyleMemo::StartStopPass::Open(Integer Index, DynInfoRec A, Integer e, Integer At)
{
    const StartStopInfo& E = Keys.Items(e);
    const int level = SpanLevel(A) + 1;
    // A span that opens inside another marks the outer one as not ending with its own stop key.
    if (level > 0 && Index >= 0) P->Dyns[Index].StopLen = 0;
    A.Attr = static_cast<Byte>(E.Style | 0xC0);
    A.Level = static_cast<std::int8_t>(level);
    A.Keys[level] = static_cast<std::int16_t>(0x8000 | e);
    A.Cursor = E.Cursor;
    A.Backgnd = E.Backgnd;
    A.Foregnd = E.Foregnd;
    A.Context = E.Context;
    A.StartLen = static_cast<Byte>(std::min<size_t>(E.StartKey.size() + (E.CheckAfterStart ? 1 : 0), 255));
    A.StopLen = static_cast<Byte>(std::min<size_t>(E.StopKey.size(), 255));
    InsertAt(P, ProductSlot(P, At), A, At);
}

void TStyleMemo::StartStopPass::Close(Integer Index, const DynInfoRec& A, Integer e, Integer At)
{
    const StartStopInfo& E = Keys.Items(e);
    if (Index >= 0)
        P->Dyns[Index].StopLen = static_cast<Byte>(std::min<size_t>(E.StopKey.size() + (E.CheckBeforeStop ? 1 : 0), 255));
    DynInfoRec c;
    Integer linked = -1;
    for (Integer j = e + 1; j < Count && linked < 0; ++j)
        if (Keys.Items(j).Link == e) linked = j;
    if (linked >= 0) {
        // Entries with the same start key: the span goes on and looks for the next one's stop key.
        c = A;
        c.Keys[SpanLevel(A)] = static_cast<std::int16_t>(0x8000 | linked);
    } else {
        c = Before(Index - 1, SpanLevel(A));
    }
    c.StartLen = 0;
    InsertAt(P, ProductSlot(P, At), c, At);
}

Integer TStyleMemo::StartStopPass::NavOffset(TStyleNavigator* Nav) const
{
    const Integer n = Nav->GetParNb();
    if (n != Par) return n < Par ? 0 : P->Len;
    return std::clamp(Nav->Offset, 0, P->Len);
}

void TStyleMemo::StartStopPass::Segment(Integer From, Integer SegEnd)
{
    Integer cursor = From;
    TStyleHighlighter* hl = M.FHighlighter;
    // Every step moves the cursor or closes the span at it; a highlighter that does neither while
    // reporting changes cannot keep the search going for ever.
    for (Integer steps = 4 * (SegEnd - From) + 64; steps > 0; --steps) {
        const Integer index = FirstAfter(P, cursor) - 1;
        const DynInfoRec A = InForce(P, index + 1);
        if (IsFixed(A)) break;
        const Integer stretch = index + 1 < P->DynCount ? std::min(SegEnd, P->Dyns[index + 1].Offset) : SegEnd;

        const Integer e = StartStopEntry(A, Count);
        if (e >= 0) {
            const StartStopInfo& E = Keys.Items(e);
            const Integer q = FindStopKey(E, cursor, stretch);
            if (q >= 0) {
                const Integer end = q + static_cast<Integer>(E.StopKey.size());
                Close(index, A, e, end);
                cursor = end;
                continue;
            }
            if (E.EndAtParEnd && stretch == P->Len) {
                Close(index, A, e, P->Len);
                break;
            }
            if (stretch < SegEnd) {
                cursor = stretch;
                continue;
            }
            break;
        }
        if (hl != nullptr) {
            Navs[0]->PlaceAt(Par, cursor);
            Navs[1]->PlaceAt(Par, stretch);
            if (hl->FindStop(Navs[0], Navs[1], Count)) {
                cursor = std::max(cursor, NavOffset(Navs[0]));
                continue;
            }
        }
        if (IsStartStopSpan(A)) break;  // a span whose entry is gone: no start opens inside it
        if (Search && SpanLevel(A) < MaxLevel) {
            Integer at = 0;
            const Integer s = FindStartKey(cursor, stretch, at);
            if (s >= 0) {
                Open(index, A, s, at);
                cursor = at + static_cast<Integer>(Keys.Items(s).StartKey.size());
                continue;
            }
        }
        if (hl != nullptr) {
            Navs[0]->PlaceAt(Par, cursor);
            Navs[1]->PlaceAt(Par, stretch);
            if (hl->FindStart(Navs[0], Navs[1], Count)) {
                const Integer next = NavOffset(Navs[1]);
                if (next > cursor) {
                    cursor = next;
                    continue;
                }
            }
        }
        if (stretch >= SegEnd) break;
        cursor = stretch;
    }
}

bool TStyleMemo::StartStopPass::Paragraph(Integer p)
{
    Par = p;
    P = M.FParagraphs->At(p);
    const std::vector<DynInfoRec> before = Snapshot(P);
    if (AnyUp) Up = M.GetUpText(P, p, 0, P->Len);
    Clean();
    // Styles set from code cut the paragraph into stretches that are searched one by one.
    Integer cursor = 0;
    for (;;) {
        Integer i = FirstAfter(P, cursor);
        if (IsFixed(InForce(P, i))) {
            if (i >= P->DynCount) break;
            cursor = P->Dyns[i].Offset;
            continue;
        }
        Integer end = P->Len;
        for (; i < P->DynCount; ++i)
            if (IsFixed(P->Dyns[i])) {
                end = P->Dyns[i].Offset;
                break;
            }
        Segment(cursor, end);
        if (end >= P->Len) break;
        cursor = end;
    }
    P->StartStopParsed = true;
    const bool changed = FirstDifference(before, P) != MaxInt;
    if (changed) {
        P->Formatted = false;
        RefreshStartDyns(P);
    }
    return changed;
}

void TStyleMemo::StartStopPass::PassOn(Integer p)
{
    if (p + 1 >= M.ParCount()) return;
    ParInfo* cur = M.FParagraphs->At(p);
    ParInfo* next = M.FParagraphs->At(p + 1);
    const DynInfoRec& end = InForce(cur, cur->DynCount);
    if (next->Context == &end || SameState(end, *next->Context)) return;
    DynInfoRec* ctx = nullptr;
    if (cur->DynCount > 0) {
        ctx = CloneContext(end);
    } else {
        ctx = cur->Context;
        ++ctx->Offset;
    }
    ReleaseContext(next->Context);
    next->Context = ctx;
    next->Formatted = false;
    next->LinesStale = true;
    next->StartStopParsed = false;
    next->KeywordsParsed = false;
    // The change travels on as that paragraph is searched and formatted.
    M.FPendingFirst = std::min(M.FPendingFirst, p + 1);
    M.FPendingLast = std::max(M.FPendingLast, p + 1);
    if (M.FParsedIndex > p) M.FParsedIndex = p;
    for (TStyleNavigator* n : M.FNavList)
        if (n->Par == next) n->DynNb = NotComputed;
}

bool TStyleMemo::Highlights() const
{
    return FHighlighter != nullptr || (FApplyKeyWords && FKeywords->Count() > 0) ||
           (FApplyStartStopKeys && FStartStopKeys->Count() > 0);
}

void TStyleMemo::ApplyStartStopKeysRange(TStyleNavigator* StartNav, TStyleNavigator* StopNav)
{
    Integer first = StartNav->GetParNb();
    Integer last = StopNav->GetParNb();
    if (first > last) std::swap(first, last);
    // With nothing to highlight, the records that are there are left as they are.
    if (!Highlights()) {
        for (Integer p = first; p <= last; ++p) FParagraphs->At(p)->StartStopParsed = true;
        return;
    }
    StartStopPass pass(*this);
    bool changed = false;
    for (Integer p = first; p <= last; ++p) {
        changed = pass.Paragraph(p) || changed;
        pass.PassOn(p);
    }
    if (changed) FLocalEdit = false;
    for (TStyleNavigator* n : FNavList)
        if (n->Par != nullptr && n->ParNb >= first && n->ParNb <= last) n->DynNb = NotComputed;
    StartNav->DynNb = NotComputed;
    StopNav->DynNb = NotComputed;
    StopNav->setParOffset(FParagraphs->At(last)->Len);
}

void TStyleMemo::ApplyStartStopKeyList(TStyleNavigator* StartNav, TStyleNavigator* StopNav)
{
    ApplyStartStopKeysRange(StartNav, StopNav);
}

// ---------------------------------------------------------------- keywords

void TStyleMemo::ApplyKeywordsRange(TStyleNavigator* StartNav, TStyleNavigator* StopNav)
{
    const TKeywordList& list = *FKeywords;
    const Integer keyCount = list.Count();
    if (keyCount == 0) return;
    TStyleNavigator* lo = StartNav;
    TStyleNavigator* hi = StopNav;
    if (lo->Pos > hi->Pos) std::swap(lo, hi);
    const Integer firstPar = lo->GetParNb();
    const Integer firstOff = std::min(lo->Offset, FParagraphs->At(firstPar)->Len);
    const Integer lastPar = hi->GetParNb();
    const Integer lastOff = std::min(hi->Offset, FParagraphs->At(lastPar)->Len);
    const Integer maxLen = list.MaxKeyLen();
    std::vector<TKeywordInfo> infos(static_cast<size_t>(keyCount));
    for (Integer k = 0; k < keyCount; ++k) list.getKeyInfo(k, infos[static_cast<size_t>(k)]);

    struct Hit {
        Integer Key;
        Integer At;
        Integer Len;
    };
    std::vector<Hit> hits;
    std::vector<char> allowed;
    for (Integer p = firstPar; p <= lastPar; ++p) {
        ParInfo* par = FParagraphs->At(p);
        const Integer ws = p == firstPar ? std::max(firstOff - (maxLen + 1), 0) : 0;
        const Integer we = p == lastPar ? std::min(lastOff + maxLen, par->Len) : par->Len;
        if (ws >= we) continue;

        // Keywords go only where the attribute in force is no dynamic style with a context, and
        // never into a style set from code. The mask is kept beside the text, so any character of
        // the text may stand in a keyword.
        allowed.assign(static_cast<size_t>(we - ws), 0);
        bool any = false;
        {
            Integer d = FirstAfter(par, ws);
            const DynInfoRec* a = &InForce(par, d);
            for (Integer i = ws; i < we; ++i) {
                while (d < par->DynCount && par->Dyns[d].Offset <= i) a = &par->Dyns[d++];
                const bool ok = !IsFixed(*a) && (a->Attr < 128 || a->Context == 0);
                allowed[static_cast<size_t>(i - ws)] = ok;
                any = any || ok;
            }
        }
        if (!any) continue;
        const char* exact = par->Text;
        std::string up;
        if (list.AnyIgnoresCase()) up = std::string(static_cast<size_t>(ws), '\0') + GetUpText(par, p, ws, we - ws);

        hits.clear();
        for (Integer k = 0; k < keyCount; ++k) {
            const TKeywordInfo& info = infos[static_cast<size_t>(k)];
            const std::string& key = list.MatchKey(k);
            const auto n = static_cast<Integer>(key.size());
            if (info.Context == 0 || n == 0) continue;
            const char* buf = (info.Options & woMatchCase) != 0 ? exact : up.data();
            // In the first paragraph a match may begin a keyword's length before the range, in the
            // last it must begin at or before the range's end.
            Integer q = p == firstPar ? std::max(ws, firstOff - n) : ws;
            const Integer cut = p == lastPar ? std::min(we, lastOff + n) : we;
            while (q + n <= cut) {
                const void* f = memmem(buf + q, static_cast<size_t>(cut - q), key.data(), static_cast<size_t>(n));
                if (f == nullptr) break;
                q = static_cast<Integer>(static_cast<const char*>(f) - buf);
                bool fits = std::all_of(allowed.begin() + (q - ws), allowed.begin() + (q - ws + n), [](char c) { return c != 0; });
                if (fits && (info.Options & woWholeWordsOnly) != 0)
                    fits = (q == 0 || IsDelimiter(exact[q - 1])) && (q + n == par->Len || IsDelimiter(exact[q + n]));
                if (!fits) {
                    ++q;
                    continue;
                }
                hits.push_back({k, q, n});
                std::fill(allowed.begin() + (q - ws), allowed.begin() + (q - ws + n), 0);
                q += n;
            }
        }
        if (hits.empty()) continue;

        // Each occurrence opens a span on the attribute in force before it and gives that back
        // after it.
        for (const Hit& h : hits) {
            const Integer i0 = FirstAfter(par, h.At);
            const DynInfoRec a = InForce(par, i0);
            const int level = SpanLevel(a);
            if (level >= MaxLevel) continue;
            if (level >= 0 && i0 > 0) par->Dyns[i0 - 1].StopLen = 0;
            const TKeywordInfo& info = infos[static_cast<size_t>(h.Key)];
            DynInfoRec k = a;
            k.Attr = static_cast<Byte>(info.Style | 0xC0);
            k.Backgnd = info.Backgnd;
            k.Foregnd = info.Foregnd;
            k.Context = info.Context;
            k.Cursor = info.Cursor;
            k.StartLen = static_cast<Byte>(std::min<Integer>(h.Len, 255));
            k.StopLen = k.StartLen;
            k.Level = static_cast<std::int8_t>(level + 1);
            k.Keys[level + 1] = static_cast<std::int16_t>(h.Key);
            // Records inside the occurrence move to its end, the last of them in force there.
            DynInfoRec after = a;
            Integer r = i0;
            while (r < par->DynCount && par->Dyns[r].Offset < h.At + h.Len) {
                after = par->Dyns[r];
                std::memmove(&par->Dyns[r], &par->Dyns[r + 1], static_cast<size_t>(par->DynCount - r - 1) * sizeof(DynInfoRec));
                --par->DynCount;
            }
            InsertAt(par, i0, k, h.At);
            InsertAt(par, i0 + 1, after, h.At + h.Len);
        }
        par->Formatted = false;
        RefreshStartDyns(par);
        for (TStyleNavigator* n : FNavList)
            if (n->Par == par) n->DynNb = NotComputed;
        StartNav->DynNb = NotComputed;
        StopNav->DynNb = NotComputed;
    }
}

void TStyleMemo::ApplyKeywordsList(TStyleNavigator* StartNav, TStyleNavigator* StopNav)
{
    if (FHighlighter != nullptr) FHighlighter->ApplyKeywordsList(StartNav, StopNav, FKeywords->Count());
    if (FApplyKeyWords && FKeywords->Count() > 0) ApplyKeywordsRange(StartNav, StopNav);
}

// After an edit inside one paragraph: the paragraph is searched again whole, and when that changes
// its highlighting, the lines from the first change on are broken again.
void TStyleMemo::RehighlightEdited(Integer ParNb)
{
    ParInfo* par = FParagraphs->At(ParNb);
    if (!Highlights()) return;
    const std::vector<DynInfoRec> before = Snapshot(par);
    TStyleNavigator* a = FScratch[3];
    TStyleNavigator* b = FScratch[4];
    a->PlaceAt(ParNb, 0);
    b->PlaceAt(ParNb, par->Len);
    ApplyStartStopKeyList(a, b);
    a->PlaceAt(ParNb, 0);
    b->PlaceAt(ParNb, par->Len);
    ApplyKeywordsList(a, b);
    par->StartStopParsed = true;
    par->KeywordsParsed = true;
    const Integer changedAt = FirstDifference(before, par);
    if (changedAt == MaxInt) return;
    FLocalEdit = false;
    Integer line = 0;
    while (line < par->LineCount - 1 && ParLineAt(par, line)->Stop <= changedAt) ++line;
    ExtendMods(ParNb, line, ParNb);
}

// ---------------------------------------------------------------- properties

void TStyleMemo::setKeywords(TKeywordList* Value) { FKeywords->Assign(Value); }

void TStyleMemo::setStartStopKeys(TStartStopKeyList* Value) { FStartStopKeys->Assign(Value); }

void TStyleMemo::setUpperCaseType(TpmUpperCase Value)
{
    if (Value == FUpperCaseType) return;
    FUpperCaseType = Value;
    FUpPar = -1;
    FKeywords->setUpperCaseType(Value);
    FStartStopKeys->setUpperCaseType(Value);
}

void TStyleMemo::setHighlighter(TStyleHighlighter* Value)
{
    if (Value == FHighlighter) return;
    if (FHighlighter != nullptr) {
        auto& list = FHighlighter->FMemos;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    FHighlighter = Value;
    if (Value != nullptr) Value->FMemos.push_back(this);
    if (HasState(csLoading)) ReApplyKeywords();
}

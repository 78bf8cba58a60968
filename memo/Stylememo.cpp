// TStyleMemo: construction, the whole-store operations, the integrity check, properties and the
// static styles.
#include "memo/Stylememo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

#include "memo/Stylehilite.h"
#include "memo/Stylestrings.h"
#include "platform/Graphics.h"
#include "platform/Windows.h"

Integer ProgressInterval = 300;

namespace {

const char* const IdentText = "Morvik memo 1.0";

}  // namespace

TStyleMemo::TStyleMemo(TComponent* AOwner) : TCustomControl(AOwner)
{
    FBackgroundBmp = std::make_unique<TPicture>();
    FBackgroundBmp->OnChange = [this](TObject* Sender) { BackgroundChange(Sender); };
    FSelStartNav = new TStyleNavigator(this);
    FSelStopNav = new TStyleNavigator(this);
    FTopNav = new TStyleNavigator(this);
    FFormatNav = new TStyleNavigator(this);
    for (auto& n : FScratch) n = new TStyleNavigator(this);
    FAnchor = FSelStartNav;
    FScratchPars = new TParagraphsList;
    for (auto& n : FClassNavs) n = new TStyleNavigator(nullptr);
    FKeywords = new TKeywordList;
    FStartStopKeys = new TStartStopKeyList;
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    FEndOfTextMark = std::make_unique<TPen>();
    FEndOfTextMark->SetColor(clRed);
    FEndOfTextMark->OnChange = [this](TObject* Sender) { PenChange(Sender); };
    FSpecUnderline = std::make_unique<TPen>();
    FSpecUnderline->SetColor(clRed);
    FSpecUnderline->OnChange = [this](TObject* Sender) { PenChange(Sender); };
    InitParagraphs();
    FParaStrings = new TStyleParaStrings(this);
    FLinesStrings = new TStyleLinesStrings(this);
    for (const char c : std::string("\t $%&,./:;<=>")) FDelimiters.set(static_cast<unsigned char>(c));
    FOptions = pmoWrapCaret | pmoInsertKeyActive | pmoWideOverwriteCaret | pmoAutoScrollBars | pmoBlockSelection;
    FModFirstPar = ParCount();
    FModFirstLine = FLineCount;
    FPendingFirst = ParCount();
    SetBounds(FLeft, FTop, 100, 60);
    SetCursor(crIBeam);
    SetColor(clWindow);
    SetParentColor(false);
    FAltFont = std::make_unique<TFont>();
    FAltFont->OnChange = [this](TObject* Sender) { AltFontChange(Sender); };
    FRowHeight = std::abs(Font()->Height()) + 1;
    SetTabStop(true);
}

TStyleMemo::~TStyleMemo()
{
    // The window goes first: its messages must not reach a memo half taken apart.
    if (HandleAllocated()) DestroyHandle();
    ClearAll();
    delete FParagraphs;
    FParagraphs = nullptr;
    delete FScratchPars;
    FScratchPars = nullptr;
    for (auto& n : FClassNavs) {
        n->Memo = nullptr;
        delete n;
        n = nullptr;
    }
    FNotifyClients.clear();
    FSelLength = 0;
    setHighlighter(nullptr);
    delete FKeywords;
    FKeywords = nullptr;
    delete FStartStopKeys;
    FStartStopKeys = nullptr;
    const std::vector<TStyleNavigator*> navs = FNavList;
    FNavList.clear();
    for (TStyleNavigator* n : navs) {
        n->Memo = nullptr;
        delete n;
    }
    delete FParaStrings;
    delete FLinesStrings;
    FreeStyleFonts();
}

// ---------------------------------------------------------------- events

TStyleMemo::EventScope::EventScope(TStyleMemo& Memo, bool Posted)
    : FMemo(&Memo), FExceptions(std::uncaught_exceptions()), FPosted(Posted)
{
    ++Memo.FEventDepth;
}

TStyleMemo::EventScope::~EventScope() noexcept(false)
{
    TStyleMemo* m = FMemo.Get();
    if (m == nullptr) return;  // a handler freed the memo
    if (--m->FEventDepth > 0 || m->FOwedEvents == 0) return;
    // An error on its way out, or a step the platform goes on from, leaves them to a message.
    if (FPosted || std::uncaught_exceptions() > FExceptions) {
        m->PostOwed(0);
        return;
    }
    m->RaiseOwed();
}

void TStyleMemo::Owe(unsigned Events)
{
    if (FEventDepth > 0) {
        FOwedEvents |= Events;
        return;
    }
    PostOwed(Events);
}

void TStyleMemo::PostOwed(unsigned Events)
{
    // Only the message raises them: a message the platform sends while it works on with the
    // memo (its window going, say) ends an operation that owes none of them.
    FPostedEvents |= Events | FOwedEvents;
    FOwedEvents = 0;
    if (FPostedEvents == 0) return;
    if (!HandleAllocated()) {
        // Without a window: at once, or (while an error leaves) at the end of the next operation.
        FOwedEvents = std::exchange(FPostedEvents, 0u);
        if (std::uncaught_exceptions() == 0) RaiseOwed();
    } else if (!FEventsPosted) {
        FEventsPosted = true;
        PostMessage(Handle(), PM_EVENTS, 0, 0);
    }
}

void TStyleMemo::RaiseOwed()
{
    TGuardPtr<TStyleMemo> self(this);
    // One at a time: a handler may owe more, or free the memo.
    while (FOwedEvents != 0) {
        const unsigned e = FOwedEvents & (0u - FOwedEvents);
        FOwedEvents &= ~e;
        switch (e) {
        case evProgress:
            if (OnProgress) OnProgress(this);
            break;
        case evChange:
            if (!FNotifyClients.empty()) Perform(CM_TEXTCHANGED, 0, 0);
            if (self && OnChange) OnChange(this);
            break;
        case evSelMove:
            if (!FNotifyClients.empty()) Perform(PM_SELMOVED, 0, 0);
            if (self && OnSelMove) OnSelMove(this);
            break;
        case evStyleChange:
            if (OnStyleChange) OnStyleChange(this);
            break;
        case evHScroll:
            if (OnHScroll) OnHScroll(this);
            break;
        case evVScroll:
            if (!FNotifyClients.empty()) Perform(PM_VSCROLLED, 0, 0);
            if (self && OnVScroll) OnVScroll(this);
            break;
        default: break;
        }
        if (!self) return;
    }
}

bool TStyleMemo::EditSel(const char* Txt)
{
    TGuardPtr<TStyleMemo> self(this);
    SetSelTextBuf(Txt);
    return static_cast<bool>(self);
}

bool TStyleMemo::PutSelText(const std::string& Value)
{
    TGuardPtr<TStyleMemo> self(this);
    setSelText(Value);
    return static_cast<bool>(self);
}

void TStyleMemo::DetachNav(TStyleNavigator* Nav)
{
    const auto it = std::find(FNavList.begin(), FNavList.end(), Nav);
    if (it != FNavList.end()) FNavList.erase(it);
}

// ---------------------------------------------------------------- the whole store

void TStyleMemo::InitParagraphs()
{
    if (FParagraphs == nullptr) FParagraphs = new TParagraphsList;
    ParInfo p;
    p.Context = new DynInfoRec;
    p.Context->Offset = 1;
    p.LineCount = 1;
    p.StartStopParsed = true;
    p.KeywordsParsed = true;
    FParagraphs->Add(&p);
    FTextLen = 0;
    FLineCount = 1;
}

void TStyleMemo::ClearAll()
{
    ++FTextStamp;
    for (Integer i = 0; i < FParagraphs->Count(); ++i) FreeParContents(FParagraphs->At(i));
    FParagraphs->SetCount(0);
    FParagraphs->SetCapacity(4);
    FTextLen = 0;
    FLineCount = 0;
    FPendingFirst = 0;
    FPendingLast = -1;
    FSelStartNav->Invalidate();
    FSelStopNav->Invalidate();
    FTopNav->Invalidate();
    FUpPar = -1;
    ClearUndo();
}

void TStyleMemo::ReplaceNulls(char* Buffer, Integer n)
{
    // A NUL cannot stand in a paragraph; without a replacement of the user's choice it becomes a
    // blank rather than ending the text there.
    const char r = FNullReplacement != '\0' ? FNullReplacement : ' ';
    for (char* p = static_cast<char*>(std::memchr(Buffer, 0, static_cast<size_t>(n))); p != nullptr;
         p = static_cast<char*>(std::memchr(p, 0, static_cast<size_t>(Buffer + n - p))))
        *p = r;
}

void TStyleMemo::AppendParagraph(const char* Text, Integer Len, TExtFontStyles StartStyle, DynInfoRec* Context)
{
    ++FTextStamp;
    ParInfo p;
    if (Len > 0) {
        p.Text = stylememo::NewParText(Len, p.Room);
        std::memcpy(p.Text, Text, static_cast<size_t>(Len));
        p.Text[Len] = '\0';
        p.CodeCount = stylememo::CountStyleCodes(Text, Len);
    }
    p.Len = Len;
    p.FirstLine = FLineCount;
    p.StartPos = FParagraphs->Count() == 0 ? 0 : FTextLen;
    p.Context = Context;
    ++Context->Offset;
    p.FirstLineInfo.Stop = Len;
    p.FirstLineInfo.StartStyle = StartStyle;
    p.LineCount = 1;
    FParagraphs->Add(&p);
    ++FLineCount;
}

void TStyleMemo::CheckIntegrity()
{
    Int64 lineSum = 0;
    Int64 charSum = 0;
    const Integer count = FParagraphs->Count();
    for (Integer i = 0; i < count; ++i) {
        ParInfo* par = FParagraphs->At(i);
        if (par->FirstLine != lineSum) throw Exception(Format("Error 1 (%s, paragraph %d)", IdentText, i));
        if (par->StartPos != charSum) throw Exception(Format("Error 2 in %s, paragraph %d", IdentText, i));
        Integer prev = 0;
        for (Integer l = 0; l < par->LineCount; ++l) {
            const LineInfo* line = ParLineAt(par, l);
            if (line->Start != prev)
                throw Exception(Format("Error 3 in %s, paragraph %d, line %d", IdentText, i, l));
            prev = line->Stop;
        }
        if (par->LineCount < 1 || ParLastLine(par)->Stop != par->Len)
            throw Exception(Format("Error 4 in %s, paragraph %d", IdentText, i));
        lineSum += par->LineCount;
        charSum += static_cast<Int64>(par->Len) + 2;
    }
    if (static_cast<Int64>(FTextLen) + 2 != charSum) throw Exception(Format("Error 5 in %s", IdentText));
    if (lineSum != FLineCount) throw Exception(Format("Error 6 in %s", IdentText));
}

Integer TStyleMemo::ParBackgnd(Integer Index) const { return FParagraphs->GetParPointers(Index)->Backgnd; }

void TStyleMemo::setParBackgnd(Integer Index, Integer Color)
{
    ParInfo* p = FParagraphs->GetParPointers(Index);
    if (p->Backgnd == Color) return;
    p->Backgnd = Color;
    InvalidateLines(p->FirstLine, p->FirstLine + p->LineCount - 1, false);
}

Integer TStyleMemo::ParForegnd(Integer Index) const { return FParagraphs->GetParPointers(Index)->Foregnd; }

void TStyleMemo::setParForegnd(Integer Index, Integer Color)
{
    ParInfo* p = FParagraphs->GetParPointers(Index);
    if (p->Foregnd == Color) return;
    p->Foregnd = Color;
    InvalidateLines(p->FirstLine, p->FirstLine + p->LineCount - 1, false);
}

// ---------------------------------------------------------------- properties

TStrings* TStyleMemo::Lines() const { return FLinesStrings; }
TStrings* TStyleMemo::Paragraphs() const { return FParaStrings; }
void TStyleMemo::setLines(TStrings* Value) { FLinesStrings->Assign(Value); }

void TStyleMemo::setOptions(TStyleMemoOptions Value)
{
    if (Value == FOptions) return;
    EventScope scope(*this);
    const bool stripNow = (Value & pmoDiscardTrailingSpaces) != 0 && (FOptions & pmoDiscardTrailingSpaces) == 0;
    const TStyleMemoOptions changed = Value ^ FOptions;
    FOptions = Value;
    if (stripNow) {
        const bool modified = FModified;
        StripTrailingSpaces();
        FModified = modified;
    } else if (HandleAllocated() && (changed & (pmoWindowsSelColors | pmoFullLineSelect)) != 0) {
        // The selection is painted otherwise now.
        InvalidateSelection();
    }
}

void TStyleMemo::setStaticFormat(bool Value)
{
    if (Value == FStaticFormat) return;
    EventScope scope(*this);
    FStaticFormat = Value;
    // Only the style sets at the line starts depend on it; the text, its paragraphs, their colours
    // and attributes, and the undo history stay as they are.
    ReloadStartStyles();
    Reformat();
}

void TStyleMemo::ReloadStartStyles()
{
    TExtFontStyles s = 0;
    for (Integer i = 0; i < FParagraphs->Count(); ++i) {
        ParInfo* par = FParagraphs->At(i);
        Integer pos = 0;
        for (Integer l = 0; l < par->LineCount; ++l) {
            LineInfo* line = ParLineAt(par, l);
            if (FStaticFormat)
                for (; pos < line->Start; ++pos) ApplyStyleCode(s, par->Text[pos]);
            line->StartStyle = FStaticFormat ? s : 0;
        }
        if (FStaticFormat)
            for (; pos < par->Len; ++pos) ApplyStyleCode(s, par->Text[pos]);
    }
}

void TStyleMemo::StripTrailingSpaces()
{
    TGuardPtr<TStyleMemo> self(this);
    auto saved = SaveSelection();
    bool first = true;
    EnterUpdate();
    try {
        for (Integer p = FParagraphs->Count() - 1; p >= 0; --p) {
            const ParInfo* par = FParagraphs->At(p);
            Integer n = par->Len;
            while (n > 0 && (par->Text[n - 1] == ' ' || par->Text[n - 1] == '\t')) --n;
            if (n == par->Len) continue;
            setSelStart(par->StartPos + n);
            setSelLength(par->Len - n);
            FlagScope chain(*this, FChainNext, !first);  // one undo step takes back the whole stripping
            if (!EditSel(nullptr)) return;
            first = false;
        }
    } catch (...) {
        if (!self) throw;
        LeaveUpdate();
        RestoreSelection(std::move(saved));
        throw;
    }
    LeaveUpdate();
    RestoreSelection(std::move(saved));
}

void TStyleMemo::setDelimiters(const TDelimiters& Value)
{
    FDelimiters = Value;
    FStartStopKeys->Unprepare();  // its word-limit checks follow the delimiters
}

std::string TStyleMemo::Separators() const
{
    std::string s;
    for (int c = 0; c < 256; ++c)
        if (FDelimiters.test(static_cast<size_t>(c))) s += static_cast<char>(c);
    return s;
}

void TStyleMemo::setSeparators(const std::string& Value)
{
    TDelimiters d;
    for (const char c : Value) d.set(static_cast<unsigned char>(c));
    setDelimiters(d);
}

// ---------------------------------------------------------------- static styles

void TStyleMemo::SetSelAttrib(char Code)
{
    if (!FStaticFormat || std::abs(FSelLength) >= 0x7FFFFF99) return;
    EventScope scope(*this);
    Integer lo = 0;
    Integer hi = 0;
    SelBounds(lo, hi);
    const Integer len = hi - lo;
    const bool backwards = FSelLength < 0;
    std::string buf(1, Code);
    buf += GetTextPart(lo, lo + len);
    buf += Code;
    // The new codes may cancel codes beside them or inside the text (a style taken off again): the
    // kept low end follows the text's start through that cleaning; the edit leaves the caret at its end.
    const auto kept = SaveSelection();
    {
        FlagScope noCompensation(*this, FNoCompensation, true);
        FlagScope cleaning(*this, FCleaning, FCleaning || len == 0);  // an empty pair stays, for the typing that follows
        if (!EditSel(buf.c_str())) return;
    }
    if (len == 0) {
        setSelStart(lo + 1);
        return;
    }
    const Integer from = kept->Lo->Pos;
    const Integer to = SelStart();
    setSelStart(backwards ? to : from);
    setSelLength(backwards ? from - to : to - from);
}

TExtFontStyles TStyleMemo::CurrentStyle()
{
    ParseStartStopNow(FAnchor->GetParNb());
    const DynInfoRec* d = FAnchor->GetpDynInfo();
    return AttrToExtFontStyles(FAnchor->GetStyle(), d != nullptr ? d->Attr : 0);
}

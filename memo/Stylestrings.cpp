#include "memo/Stylestrings.h"

#include "memo/Stylememo.h"
#include "platform/Filer.h"

// Edits made through the lists leave the user's selection where it was (moved with the text around
// it): a program that trims or rewrites lines must not take the selection away from the user.

// ---------------------------------------------------------------- TStyleMemoStrings

std::string TStyleMemoStrings::GetText() const { return FMemo->GetTextPart(0, FMemo->TextLen()); }

// Each change through the lists is an operation of the memo: its events come at the end, and a
// handler that frees the memo frees these lists with it, which then touch nothing of either.

void TStyleMemoStrings::SetText(const std::string& Value)
{
    TStyleMemo::EventScope scope(*FMemo);
    FMemo->LoadText(Value.data(), Value.size());
}

void TStyleMemoStrings::Clear() { FMemo->Clear(); }

void TStyleMemoStrings::LoadFromStream(TStream* Stream) { FMemo->LoadFromStream(Stream); }

void TStyleMemoStrings::SaveToStream(TStream* Stream) const { FMemo->SaveToStream(Stream); }

void TStyleMemoStrings::Assign(TPersistent* Source)
{
    if (auto* src = dynamic_cast<TStrings*>(Source)) {
        TMemoryStream tmp;
        src->SaveToStream(&tmp);
        tmp.SetPosition(0);
        FMemo->LoadFromStream(&tmp);
        return;
    }
    TStrings::Assign(Source);
}

void TStyleMemoStrings::SetUpdateState(bool Updating)
{
    TStyleMemo::EventScope scope(*FMemo);
    if (Updating)
        FMemo->EnterUpdate();
    else
        FMemo->LeaveUpdate();
}

// ---------------------------------------------------------------- TStyleParaStrings

int TStyleParaStrings::Count() const
{
    const Integer n = FMemo->ParCount();
    return FMemo->ParList()->At(n - 1)->Len == 0 ? n - 1 : n;
}

std::string TStyleParaStrings::Get(int Index) const { return FMemo->Paragraphs(Index); }

void TStyleParaStrings::Put(int Index, const std::string& S) { FMemo->setParagraphs(Index, S); }

int TStyleParaStrings::Add(const std::string& S)
{
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    const Integer last = memo->ParCount() - 1;
    if (memo->ParList()->At(last)->Len == 0) {
        // S fills the empty last paragraph and an empty one follows again.
        memo->setParsBuf(last, (S + "\r\n").c_str());
        return last;
    }
    auto saved = memo->SaveSelection();
    memo->setSelStart(memo->TextLen());
    if (!memo->PutSelText("\r\n" + S)) return -1;
    memo->RestoreSelection(std::move(saved));
    return memo->ParCount() - 1;
}

void TStyleParaStrings::Insert(int Index, const std::string& S)
{
    if (Index < 0) throw Exception("List index out of bounds");
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    auto saved = memo->SaveSelection();
    if (Index >= memo->ParCount()) {
        memo->setSelStart(memo->TextLen());
        if (!memo->PutSelText("\r\n" + S)) return;
    } else {
        memo->setSelStart(memo->ParList()->At(Index)->StartPos);
        if (!memo->PutSelText(S + "\r\n")) return;
    }
    memo->RestoreSelection(std::move(saved));
}

void TStyleParaStrings::Delete(int Index)
{
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    const ParInfo* par = memo->ParList()->GetParPointers(Index);
    const Integer start = par->StartPos;
    const Integer len = par->Len + (Index < memo->ParCount() - 1 ? 2 : 0);
    auto saved = memo->SaveSelection();
    memo->setSelStart(start);
    memo->setSelLength(len);
    if (!memo->PutSelText(std::string())) return;
    memo->RestoreSelection(std::move(saved));
}

// ---------------------------------------------------------------- TStyleLinesStrings

int TStyleLinesStrings::Count() const
{
    ParInfo* last = FMemo->ParList()->At(FMemo->ParCount() - 1);
    const LineInfo* line = ParLastLine(last);
    return line->Start == line->Stop ? FMemo->LineCount() - 1 : FMemo->LineCount();
}

std::string TStyleLinesStrings::Get(int Index) const { return FMemo->Lines(Index); }

bool TStyleLinesStrings::LocateLine(int Index, Integer& Start, Integer& Len, bool& ParEnd) const
{
    if (Index < 0 || Index >= FMemo->LineCount()) return false;
    FMemo->FormatUpToLine(Index);
    if (Index >= FMemo->LineCount()) return false;
    TStyleNavigator* n = FMemo->FScratch[5];
    n->SetLineNb(Index);
    const LineInfo* line = ParLineAt(n->Par, n->ParLine);
    Start = n->Pos;
    Len = line->Stop - line->Start;
    ParEnd = line->Stop == n->Par->Len;
    return true;
}

void TStyleLinesStrings::Put(int Index, const std::string& S)
{
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    Integer start = 0;
    Integer len = 0;
    bool parEnd = false;
    if (!LocateLine(Index, start, len, parEnd)) return;
    auto saved = memo->SaveSelection();
    memo->setSelStart(start);
    memo->setSelLength(len);
    if (!memo->PutSelText(S)) return;
    memo->RestoreSelection(std::move(saved));
}

int TStyleLinesStrings::Add(const std::string& S)
{
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    TGuardPtr<TStyleMemo> alive(memo);
    memo->setSelLength(0);
    const Integer p = memo->Paragraphs()->Add(S);
    if (!alive) return -1;
    memo->setSelStart(memo->TextLen());
    memo->ScrollInView();
    const ParInfo* par = memo->ParList()->At(p);
    return par->FirstLine + par->LineCount - 1;
}

void TStyleLinesStrings::Insert(int Index, const std::string& S)
{
    if (Index < 0 || Index > FMemo->LineCount()) return;
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    auto saved = memo->SaveSelection();
    Integer start = 0;
    Integer len = 0;
    bool parEnd = false;
    if (LocateLine(Index, start, len, parEnd)) {
        memo->setSelStart(start);
        if (!memo->PutSelText(S + "\r\n")) return;
    } else {
        memo->setSelStart(memo->TextLen());
        if (!memo->PutSelText("\r\n" + S)) return;
    }
    memo->RestoreSelection(std::move(saved));
}

void TStyleLinesStrings::Delete(int Index)
{
    TStyleMemo::EventScope scope(*FMemo);
    TStyleMemo* memo = FMemo;
    Integer start = 0;
    Integer len = 0;
    bool parEnd = false;
    if (Index >= Count() || !LocateLine(Index, start, len, parEnd)) return;
    // The last line of a paragraph goes with the break that ends it.
    if (parEnd) len += 2;
    auto saved = memo->SaveSelection();
    memo->setSelStart(start);
    memo->setSelLength(len);
    if (!memo->PutSelText(std::string())) return;
    memo->RestoreSelection(std::move(saved));
}

// ---------------------------------------------------------------- the streamed property

void TStyleMemoStrings::DefineProperties(TFiler* Filer)
{
    Filer->DefineProperty(
        "Strings", [this](TReader* R) { ReadData(R); }, [this](TWriter* W) { WriteData(W); }, FMemo->TextLen() >= 1);
}

// A paragraph goes out in strings of at most 255 characters; a string of 254 followed by the
// character 5 says that the paragraph goes on in the next string.
void TStyleMemoStrings::WriteData(TWriter* Writer)
{
    Writer->WriteListBegin();
    for (Integer p = 0; p < FMemo->ParCount(); ++p) {
        const std::string text = FMemo->Paragraphs(p);
        size_t at = 0;
        while (text.size() - at > 255) {
            Writer->WriteString(text.substr(at, 254) + '\x05');
            at += 254;
        }
        Writer->WriteString(text.substr(at));
    }
    Writer->WriteListEnd();
}

void TStyleMemoStrings::ReadData(TReader* Reader)
{
    Reader->ReadListBegin();
    TStyleMemo::EventScope scope(*FMemo);
    TGuardPtr<TStyleMemo> alive(FMemo);
    BeginUpdate();
    try {
        FMemo->Clear();
        bool first = true;
        while (alive && !Reader->EndOfList()) {
            std::string par;
            for (;;) {
                std::string s = Reader->ReadString();
                const bool more = !s.empty() && s.back() == '\x05';
                if (more) s.pop_back();
                par += s;
                if (!more || Reader->EndOfList()) break;
            }
            FMemo->setParsBuf(first ? 0 : FMemo->ParCount(), par.c_str());
            first = false;
        }
    } catch (...) {
        if (alive) EndUpdate();
        throw;
    }
    if (!alive) return;
    EndUpdate();
    Reader->ReadListEnd();
}

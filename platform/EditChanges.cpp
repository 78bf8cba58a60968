// Changes to the edit window's text: setting, typing and replacing (filtered by the style) with
// their undo and redo.
#include <algorithm>

#include "platform/EditCore.h"
#include "platform/EditInternals.h"

namespace morvik::stdctl {

using namespace editdetail;

// ---- Editing ---------------------------------------------------------------------------------
void TEditCore::SetText(const std::string& Value)
{
    FText = Value;
    FAnchor = FCaret = 0;
    FTopLine = 0;
    FScrollX = 0;
    FGoalX = -1;
    FModified = false;
    ClearUndo();
    FLayoutValid = false;
    FParasValid = false;
    if (Wnd()) {
        LayoutAll();
        Changed(true);
    }
}

void TEditCore::SetPasswordChar(char Value)
{
    if (FPasswordChar == Value)
        return;
    FPasswordChar = Value;
    FLayoutValid = false;
    if (Wnd())
        Relayout();
}

std::string TEditCore::Filter(const std::string& S) const
{
    const DWORD style = Style();
    const int cp = CodePage();
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(S[i]);
        if (c == 0)
            break;
        if (IsBreak(c)) {
            // One line takes the first line of what it is given; many lines take CR LF breaks.
            if (!(style & ES_MULTILINE))
                break;
            out += "\r\n";
            if (c == '\r' && i + 1 < S.size() && S[i + 1] == '\n')
                ++i;
            continue;
        }
        if (style & ES_UPPERCASE)
            c = UpperByte(c, cp);
        else if (style & ES_LOWERCASE)
            c = LowerByte(c, cp);
        out += char(c);
    }
    return out;
}

void TEditCore::Replace(int From, int To, const std::string& S, int Kind, bool CanUndoIt)
{
    std::string removed = FText.substr(size_t(From), size_t(To - From));
    if (!CanUndoIt) {
        ClearUndo();
    } else {
        TUndoStep* last = FUndoPos > 0 && FUndoPos == int(FUndo.size()) ? &FUndo.back() : nullptr;
        bool merged = false;
        if (FMergeTyping && last && Kind != kOther && last->Kind == Kind) {
            if (Kind == kTyping && From == To && last->Pos + int(last->Inserted.size()) == From) {
                last->Inserted += S;
                merged = true;
            } else if (Kind == kDeleteBack && S.empty() && To == last->Pos && last->Inserted.empty()) {
                last->Removed.insert(0, removed);
                last->Pos = From;
                merged = true;
            } else if (Kind == kDeleteForward && S.empty() && From == last->Pos && last->Inserted.empty()) {
                last->Removed += removed;
                merged = true;
            }
        }
        if (!merged) {
            FUndo.resize(size_t(FUndoPos));
            FUndo.push_back({From, std::move(removed), S, FAnchor, FCaret, Kind});
            if (int(FUndo.size()) > kMaxUndoSteps)
                FUndo.erase(FUndo.begin());
            FUndoPos = int(FUndo.size());
        }
    }
    FText.replace(size_t(From), size_t(To - From), S);
    LayoutChange(From, To, From + int(S.size()));
    FAnchor = FCaret = From + int(S.size());
    FModified = true;
    FMergeTyping = Kind != kOther;
    FGoalX = -1;
}

void TEditCore::ReplaceSel(const std::string& S, bool CanUndoIt)
{
    std::string t = Filter(S);
    const int limit = FLimit > 0 ? FLimit : kNoLimit;
    const long long room = (long long)limit - (long long)(FText.size()) + (SelEnd() - SelStart());
    bool full = false;
    if ((long long)t.size() > room) {
        size_t keep = size_t(std::max<long long>(0, room));
        // A line break is not cut in half.
        if (keep > 0 && keep < t.size() && t[keep - 1] == '\r' && t[keep] == '\n')
            --keep;
        t.resize(keep);
        full = true;
    }
    if (!t.empty() || SelEnd() > SelStart()) {
        Replace(SelStart(), SelEnd(), t, kOther, CanUndoIt);
        FMergeTyping = false;
        if (!Changed(true))
            return;
    }
    if (full)
        Notify(EN_MAXTEXT);
}

bool TEditCore::Undo()
{
    if (!CanUndo())
        return false;
    const TUndoStep& s = FUndo[size_t(--FUndoPos)];
    FText.replace(size_t(s.Pos), s.Inserted.size(), s.Removed);
    LayoutChange(s.Pos, s.Pos + int(s.Inserted.size()), s.Pos + int(s.Removed.size()));
    FAnchor = s.Pos;
    FCaret = s.Pos + int(s.Removed.size());
    FModified = true;
    FMergeTyping = false;
    Changed(true);
    return true;
}

bool TEditCore::Redo()
{
    if (!CanRedo())
        return false;
    const TUndoStep& s = FUndo[size_t(FUndoPos++)];
    FText.replace(size_t(s.Pos), s.Removed.size(), s.Inserted);
    LayoutChange(s.Pos, s.Pos + int(s.Removed.size()), s.Pos + int(s.Inserted.size()));
    FAnchor = FCaret = s.Pos + int(s.Inserted.size());
    FModified = true;
    FMergeTyping = false;
    Changed(true);
    return true;
}

void TEditCore::ClearUndo()
{
    FUndo.clear();
    FUndoPos = 0;
    FMergeTyping = false;
}

bool TEditCore::Char(unsigned char C)
{
    const bool readOnly = Style() & ES_READONLY;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (C) {
    case 1:  // Ctrl+A
        SetSel(0, -1);
        OfferPrimary();
        return true;
    case 3: Copy(); return true;
    case 0x16: Paste(); return true;
    case 0x18: Cut(); return true;
    case 0x1A:
        if (!readOnly)
            shift ? Redo() : Undo();
        return true;
    case 0x19:
        if (!readOnly)
            Redo();
        return true;
    case 8:
        if (readOnly)
            return true;
        if (FAnchor != FCaret) {
            Clear();
        } else if (FCaret > 0) {
            int from = FCaret - 1;
            if (ctrl)
                from = PrevWordStart(FCaret);
            else if (FCaret >= 2 && FText.compare(size_t(FCaret - 2), 2, "\r\n") == 0)
                from = FCaret - 2;
            Replace(from, FCaret, std::string(), kDeleteBack, true);
            Changed(true);
        }
        return true;
    default: break;
    }
    std::string s;
    if (C == '\r' || C == '\n') {
        if (!Multi())
            return true;
        s = "\r\n";
    } else if (C == '\t') {
        if (!Multi())
            return true;
        s = "\t";
    } else if (C < 0x20 || C == 0x7F) {
        return true;
    } else {
        s = Filter(std::string(1, char(C)));
    }
    if (readOnly)
        return true;
    const int limit = FLimit > 0 ? FLimit : kNoLimit;
    if ((long long)FText.size() - (SelEnd() - SelStart()) + (long long)s.size() > limit) {
        Notify(EN_MAXTEXT);
        return true;
    }
    Replace(SelStart(), SelEnd(), s, kTyping, true);
    Changed(true);
    return true;
}

}  // namespace morvik::stdctl

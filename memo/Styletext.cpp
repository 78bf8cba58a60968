// TStyleMemo: the plain-text reader and writer.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Windows.h"

namespace {

constexpr Integer ChunkSize = 65500;

class ProgressClock {
public:
    bool Due()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - FLast < std::chrono::milliseconds(ProgressInterval)) return false;
        FLast = now;
        return true;
    }

private:
    std::chrono::steady_clock::time_point FLast = std::chrono::steady_clock::now();
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void TStyleMemo::LoadFromStream(TStream* Stream)
{
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    FModified = true;
    EnterUpdate();
    const Integer oldLines = FLineCount;
    ClearAll();
    auto* context = new DynInfoRec;  // shared by every loaded paragraph
    context->Offset = 0;
    bool shared = false;  // a paragraph holds it (and frees it with the memo)
    std::string cur;
    TExtFontStyles style = 0;
    TExtFontStyles parStyle = 0;
    char lastBreak = '\0';
    ProgressClock clock;
    // The text as read so far stands whole in the memo when the progress is told: the paragraphs
    // read, the last without a break after it, every navigator at the start. A handler that
    // changes the text ends the reading with the text as it left it.
    bool ended = false;
    auto report = [&]() {
        if (ParCount() == 0) return;
        FTextLen -= 2;
        FParsedIndex = -1;
        ResetStateAfterLoad();
        const Integer stamp = FTextStamp;
        try {
            OnProgress(this);
        } catch (...) {
            if (self && FTextStamp == stamp) FTextLen += 2;
            ended = FTextStamp != stamp;
            throw;
        }
        if (!self) return;
        if (FTextStamp != stamp) {
            ended = true;
            return;
        }
        FTextLen += 2;
    };

    auto flush = [&](bool last) {
        auto n = static_cast<Integer>(cur.size());
        if ((FOptions & pmoDiscardTrailingSpaces) != 0)
            while (n > 0 && IsBlank(cur[static_cast<size_t>(n - 1)])) --n;
        if (!last && static_cast<Int64>(FTextLen) + n + 2 > MaxInt) throw EListError("Text too long");
        AppendParagraph(cur.data(), n, parStyle, context);
        shared = true;
        if (!last) FTextLen += n + 2;
        cur.clear();
        parStyle = style;
    };

    try {
        std::vector<char> buf(static_cast<size_t>(ChunkSize));
        for (;;) {
            const Int64 got = Stream->Read(buf.data(), ChunkSize);
            if (got <= 0) break;
            ReplaceNulls(buf.data(), static_cast<Integer>(got));
            for (Int64 i = 0; i < got; ++i) {
                const char c = buf[static_cast<size_t>(i)];
                if (c == '\r' || c == '\n') {
                    // CR LF and LF CR make one break; CR CR and LF LF make two.
                    if (lastBreak != '\0' && c != lastBreak) {
                        lastBreak = '\0';
                        continue;
                    }
                    flush(false);
                    lastBreak = c;
                    continue;
                }
                lastBreak = '\0';
                if (FStaticFormat) ApplyStyleCode(style, c);
                cur.push_back(c);
                if (static_cast<Integer>(cur.size()) >= FMaxParLen) flush(false);
            }
            if (OnProgress && clock.Due()) {
                // A handler that frees the memo ends the reading.
                report();
                if (!self) {
                    if (!shared) delete context;
                    return;
                }
                if (ended) break;
            }
        }
    } catch (...) {
        if (!self) throw;
        if (ended) {
            --FUpdateCount;
            throw;
        }
        // Keep what was read as a consistent text, then report the failure.
        const auto n = static_cast<Integer>(cur.size());
        if (static_cast<Int64>(FTextLen) + n > MaxInt) cur.clear();
        flush(true);
        FTextLen += static_cast<Integer>(FParagraphs->At(ParCount() - 1)->Len);
        --FUpdateCount;
        for (TStyleNavigator* nav : FNavList) {
            nav->Invalidate();
            nav->Pos = 0;
        }
        FAnchor = FSelStartNav;
        FSelLength = 0;
        throw;
    }
    FParsedIndex = -1;
    if (ended) {
        // The selection stays where the handler's change left it.
        FModFirstPar = ParCount();
        FModFirstLine = FLineCount;
        FModLastPar = -1;
        FModLinesAdded = 0;
    } else {
        flush(true);
        FTextLen += FParagraphs->At(ParCount() - 1)->Len;
        ResetStateAfterLoad();
    }
    try {
        if (OnParse) OnParse(this, 0, FTextLen);
    } catch (...) {
        if (self) --FUpdateCount;
        throw;
    }
    if (!self) return;
    --FUpdateCount;
    if (OnProgress) {
        OnProgress(this);
        if (!self) return;
    }
    if (FUpdateCount > 0) {
        FModFirstPar = 0;
        FModLastPar = ParCount() - 1;
        FModFirstLine = 0;
        FModLinesAdded = FLineCount - oldLines;
    } else if (HandleAllocated()) {
        // A new text is shown from its start.
        FTopOrigin = 0;
        FDisplayLeft = 0;
        Reformat();
        setVScrollParams();
        UpdateScrollBarPos(SB_VERT, 0, FVScrollUnit);
        Invalidate();
        UpdateCaret(false);
    }
    Change();
}

void TStyleMemo::SaveToStream(TStream* Stream)
{
    TGuardPtr<TStyleMemo> self(this);
    static const char* const breaks[] = {"\r\n", "\n\r", "\r", "\n"};
    const char* br = breaks[FLineBreak];
    // The text is taken whole before anything is written: a progress handler that edits the memo
    // (or lets a key do so) changes the memo, not what this save writes.
    std::string out;
    std::string t;
    const Integer count = ParCount();
    for (Integer p = 0; p < count; ++p) {
        const ParInfo* par = FParagraphs->At(p);
        t.assign(par->Len > 0 ? par->Text : "", static_cast<size_t>(par->Len));
        if (FStaticFormat && par->CodeCount >= 2) {
            // Pairs of codes without effect are not written.
            Integer i = 0;
            Integer j = 0;
            Integer from = 0;
            while (stylememo::FindCodePair(t.data(), static_cast<Integer>(t.size()), from, i, j)) {
                t.erase(static_cast<size_t>(j), 1);
                t.erase(static_cast<size_t>(i), 1);
                from = i;
                while (from > 0 && IsStyleCode(t[static_cast<size_t>(from - 1)])) --from;
            }
        }
        if ((FOptions & pmoDiscardTrailingSpaces) != 0)
            while (!t.empty() && IsBlank(t.back())) t.pop_back();
        out += t;
        if (p + 1 < count) out += br;
    }
    // A handler that frees the memo is not told more; the text it had is written all the same.
    ProgressClock clock;
    for (size_t at = 0; at < out.size(); at += ChunkSize) {
        const size_t n = std::min(out.size() - at, static_cast<size_t>(ChunkSize));
        Stream->WriteBuffer(out.data() + at, static_cast<Int64>(n));
        if (self && OnProgress && clock.Due()) OnProgress(this);
    }
    if (self && OnProgress) OnProgress(this);
}

// A text just loaded: no selection, column or block state, no pending change range, every
// navigator back at the start.
void TStyleMemo::ResetStateAfterLoad()
{
    ++FTextStamp;
    FSelLength = 0;
    FVirtualCols = 0;
    FRememberedCol = static_cast<Integer>(0x80000000u);
    FBlockSelected = false;
    FModFirstPar = ParCount();
    FModFirstLine = FLineCount;
    FModLastPar = -1;
    FModLinesAdded = 0;
    for (TStyleNavigator* nav : FNavList) {
        nav->Invalidate();
        nav->Pos = 0;
    }
    FAnchor = FSelStartNav;
    FSelMoved = true;
}

// TStyleMemo: the RTF writer. The text is written as runs between style strings; a style string
// is written only where the style a reader must apply changes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Graphics.h"

namespace {

// Colours that name no colour: nothing goes into the table for them.
bool IsNoColour(TColor C) { return C == clNone || C == clDefault || C == -1; }

class ColourTable {
public:
    // The entry of a colour (-1 for none); Always adds a colour that is already there once more, so
    // that the memo's own four colours keep their places.
    int Add(TColor C, bool Always)
    {
        if (IsNoColour(C)) return -1;
        const int at = Index(C);
        if (at >= 0 && !Always) return at;
        FColours.push_back(C);
        return static_cast<int>(FColours.size()) - 1;
    }
    int Index(TColor C) const
    {
        if (IsNoColour(C)) return -1;
        for (size_t i = 0; i < FColours.size(); ++i)
            if (FColours[i] == C) return static_cast<int>(i);
        return -1;
    }
    std::string Text() const
    {
        std::string s = "{\\colortbl";
        char buf[64];
        for (const TColor c : FColours) {
            const COLORREF rgb = ColorToRGB(c);
            std::snprintf(buf, sizeof buf, "\\red%u\\green%u\\blue%u;", static_cast<unsigned>(rgb & 0xFF),
                          static_cast<unsigned>((rgb >> 8) & 0xFF), static_cast<unsigned>((rgb >> 16) & 0xFF));
            s += buf;
        }
        return s + "}";
    }

private:
    std::vector<TColor> FColours;
};

// One character as RTF text: what RTF gives a meaning to is escaped, and every byte outside
// printable ASCII goes out as a hexadecimal escape, so the file is plain 7-bit text.
void AppendEscaped(std::string& Out, unsigned char C)
{
    switch (C) {
    case '\\':
    case '{':
    case '}':
        Out += '\\';
        Out += static_cast<char>(C);
        return;
    case '\t':
        Out += "\\tab ";
        return;
    case '\n':  // a lone LF inside a paragraph
        Out += "\\line ";
        return;
    default:
        break;
    }
    if (C < 0x20 || C >= 0x7F) {
        static const char hex[] = "0123456789abcdef";
        Out += "\\'";
        Out += hex[C >> 4];
        Out += hex[C & 15];
        return;
    }
    Out += static_cast<char>(C);
}

std::string Escaped(const std::string& S)
{
    std::string r;
    for (const char c : S) AppendEscaped(r, static_cast<unsigned char>(c));
    return r;
}

}  // namespace

void TStyleMemo::SaveToRTFStream(TStream* Stream, bool DynStyles)
{
    std::string out;
    auto flush = [&](bool Force) {
        if (out.size() >= 65536 || (Force && !out.empty())) {
            Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
            out.clear();
        }
    };
    auto lastProgress = std::chrono::steady_clock::now();
    // False when the handler freed the memo: the writing ends there.
    TGuardPtr<TStyleMemo> self(this);
    auto progress = [&](bool Always) {
        if (!OnProgress) return true;
        const auto now = std::chrono::steady_clock::now();
        if (!Always && now - lastProgress < std::chrono::milliseconds(ProgressInterval)) return true;
        lastProgress = now;
        OnProgress(this);
        return static_cast<bool>(self);
    };

    // Header and font table. A font of another code page than the default names it, so that the
    // reader decodes the escaped bytes with it.
    auto fontEntry = [](int Index, const TFont* F) {
        std::string s = "{\\f" + std::to_string(Index) + "\\fnil";
        if (F->Charset() != ANSI_CHARSET && F->Charset() != DEFAULT_CHARSET)
            s += "\\fcharset" + std::to_string(static_cast<int>(F->Charset()));
        return s + " " + Escaped(F->Name()) + ";}";
    };
    out += "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl" + fontEntry(0, Font()) + fontEntry(1, AltFont()) + "}\r\n";

    // Colour table: the memo's four colours, then those of the dynamic styles in text order.
    ColourTable colours;
    const int fontIndex = colours.Add(Font()->Color(), true);
    const int highlightIndex = colours.Add(FHighlightColor, true);
    const int colorIndex = colours.Add(Color(), true);
    const int highlightBackIndex = colours.Add(FHighlightBackgnd, true);
    if (DynStyles) {
        auto addRecord = [&](const DynInfoRec& R) {
            if ((R.Attr & 0x80) == 0 || (R.Backgnd == 0 && R.Foregnd == 0)) return;
            colours.Add(R.Backgnd, false);
            colours.Add(R.Foregnd, false);
        };
        for (Integer p = 0; p < ParCount(); ++p) {
            const ParInfo* par = FParagraphs->At(p);
            if (p == 0) addRecord(*par->Context);
            for (Integer d = 0; d < par->DynCount; ++d) addRecord(par->Dyns[d]);
        }
    }
    out += colours.Text() + "\r\n";

    switch (FJustified ? -1 : static_cast<int>(FAlignment)) {
    case -1:
        out += "\\pard\\qj";
        break;
    case taRightJustify:
        out += "\\pard\\qr";
        break;
    case taCenter:
        out += "\\pard\\qc";
        break;
    default:
        out += "\\pard\\ql";
        break;
    }

    // The style string of a run, built from what the painter draws it with.
    auto styleString = [&](TExtFontStyles Static, const DynInfoRec* Attr) {
        const bool dyn = DynStyles && Attr != nullptr && (Attr->Attr & 0x80) != 0;
        const TExtFontStyles s = AttrToExtFontStyles(Static, dyn ? Attr->Attr : 0);
        std::string r = "\\plain";
        if ((s & (1u << xfsAltFont)) != 0)
            r += "\\f1\\fs" + std::to_string(2 * std::abs(AltFont()->Size()));
        else
            r += "\\f0\\fs" + std::to_string(2 * std::abs(Font()->Size()));
        if ((s & (1u << xfsBold)) != 0) r += "\\b";
        if ((s & (1u << xfsItalic)) != 0) r += "\\i";
        if ((s & (1u << xfsUnderline)) != 0) r += "\\ul";
        if ((s & (1u << xfsSpecUnderline)) != 0) r += "\\ulwave";
        if ((s & (1u << xfsStrikeOut)) != 0) r += "\\strike";
        const bool highlight = (s & (1u << xfsHighlight)) != 0;
        int text = highlight ? highlightIndex : fontIndex;
        int back = highlight ? highlightBackIndex : colorIndex;
        if (dyn && (Attr->Foregnd != 0 || Attr->Backgnd != 0)) {
            if (!IsNoColour(Attr->Foregnd)) text = colours.Index(Attr->Foregnd);
            if (!IsNoColour(Attr->Backgnd)) back = colours.Index(Attr->Backgnd);
        }
        if (text >= 0) r += "\\cf" + std::to_string(text);
        if (back >= 0) r += "\\cb" + std::to_string(back);
        return r + " ";
    };

    std::string written = styleString(0, nullptr);
    out += written + "\r\n";

    TExtFontStyles running = 0;
    // The style string is built again only where the style set or the attribute changes.
    TExtFontStyles keyStatic = 0;
    const DynInfoRec* keyAttr = nullptr;
    bool keyValid = false;
    for (Integer p = 0; p < ParCount(); ++p) {
        const ParInfo* par = FParagraphs->At(p);
        if (p > 0) out += "\\par ";
        const DynInfoRec* attr = par->Context;
        Integer next = 0;  // the next attribute record to take effect
        for (Integer i = 0; i < par->Len; ++i) {
            while (next < par->DynCount && par->Dyns[next].Offset <= i) attr = &par->Dyns[next++];
            const char c = par->Text[i];
            if (FStaticFormat && ApplyStyleCode(running, c)) continue;
            if (!keyValid || running != keyStatic || attr != keyAttr) {
                keyValid = true;
                keyStatic = running;
                keyAttr = attr;
                std::string style = styleString(running, attr);
                if (style != written) {
                    out += style;
                    written = std::move(style);
                }
            }
            AppendEscaped(out, static_cast<unsigned char>(c));
            if ((i & 0xFFF) == 0) {
                flush(false);
                if (!progress(false)) return;
            }
        }
        out += "\r\n";
        flush(false);
        if (!progress(false)) return;
    }
    out += "\\par }";
    flush(true);
    progress(true);
}

// Helpers shared by the markup renderer's tests: a one-line picture of the parsed items and
// text measured with the platform's own functions, independently of the renderer's font cache.
#pragma once

#include <cstdio>
#include <string>

#include "ctlbase/Htmlrender.h"
#include "platform/Windows.h"

namespace htmltest {

// "P C'ab'{b} B C'c'{a=x}": one token per item (P para, S soft break, B break, L bullet line,
// I bitmap, H rule, C run), then the run's text and, in braces, what differs from the defaults.
inline std::string Dump(const TExHTMLData& D)
{
    std::string out;
    auto hex = [](TColor c) {
        char b[16];
        std::snprintf(b, sizeof b, "%06X", static_cast<unsigned>(c));
        return std::string(b);
    };
    for (Integer i = 0; i < D.Count(); ++i) {
        const TExHTMLItem* it = D.Item(i);
        if (!out.empty()) out += ' ';
        out += "CSBPIHLU"[it->ItemType];
        if (it->ItemType == hitChar || it->ItemType == hitBitmap) {
            out += '\'';
            for (unsigned char c : it->Text) {
                if (c >= 32 && c < 127) {
                    out += static_cast<char>(c);
                } else {
                    char b[8];
                    std::snprintf(b, sizeof b, "\\x%02X", c);
                    out += b;
                }
            }
            out += '\'';
        }
        std::string f;
        auto add = [&f](const std::string& s) { f += (f.empty() ? "" : ",") + s; };
        const char* styles[] = {"b", "i", "u", "s"};
        for (int s = 0; s < 4; ++s)
            if (it->FontStyle & (1u << s)) add(styles[s]);
        if (it->IsSub()) add("sub");
        if (it->IsSuper()) add("sup");
        if (it->IsLink()) add("a=" + it->LinkRef);
        if (it->FontName != D.DefaultFont) add("f=" + it->FontName);
        if (it->FontSize != D.DefaultSize) add("z=" + std::to_string(it->FontSize));
        if (it->FontColor != D.DefaultColor) add("c=" + hex(it->FontColor));
        if (it->FontBgColor != D.DefaultBgColor) add("g=" + hex(it->FontBgColor));
        if (it->ColorSetCount) add("n=" + std::to_string(it->ColorSetCount));
        if (it->Indent) add("in=" + std::to_string(it->Indent));
        if (auto* b = dynamic_cast<const TExHTMLBreakItem*>(it); b && b->Alignment()) add("al=" + std::to_string(b->Alignment()));
        if (it->ItemType == hitHR || it->ItemType == hitBitmap) add("w=" + std::to_string(it->Width));
        if (it->ItemType == hitBitmap) add("h=" + std::to_string(it->Height));
        if (!f.empty()) out += "{" + f + "}";
    }
    return out;
}

// A memory context with one font selected: what a run of that font measures and how tall it is.
class Meter {
public:
    explicit Meter(TFontStyles Style = 0, Integer Size = 11, const std::string& Name = "MS Sans Serif",
                   TFontCharset Charset = ANSI_CHARSET)
    {
        TFont f;
        f.SetName(Name);
        f.SetSize(Size);
        f.SetStyle(Style);
        f.SetCharset(Charset);
        const LOGFONT lf = f.LogFont();
        FFont = CreateFontIndirect(&lf);
        FDC = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDC, FFont);
        GetTextMetrics(FDC, &FTm);
    }
    ~Meter()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FFont);
        DeleteDC(FDC);
    }
    // Width of a run as the renderer counts it (one pixel more than the text).
    Integer Run(const std::string& S) const
    {
        RECT r{0, 0, 0, 0};
        ::DrawText(FDC, S.data(), static_cast<int>(S.size()), &r, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
        return r.Right - r.Left + 1;
    }
    Integer Height() const { return FTm.tmHeight; }
    Integer Descent() const { return FTm.tmDescent; }
    Integer MaxWidth() const { return FTm.tmMaxCharWidth; }

private:
    HFONT FFont;
    HDC FDC;
    HGDIOBJ FOld;
    TEXTMETRIC FTm;
};

}  // namespace htmltest

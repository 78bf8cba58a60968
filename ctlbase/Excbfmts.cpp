#include "ctlbase/Excbfmts.h"

#include "platform/Clipbrd.h"

namespace {

// Format n is the n-th name.
constexpr const char* kStandardNames[] = {"TEXT",    "BITMAP", "METAFILEPICT", "SYLK",        "DIF",   "TIFF",
                                          "OEMTEXT", "DIB",    "PALETTE",      "PENDATA",     "RIFF",  "WAVE",
                                          "UNICODETEXT", "ENHMETAFILE", "HDROP", "LOCALE"};
constexpr UINT kStandardCount = sizeof kStandardNames / sizeof kStandardNames[0];
// The longest name GetFormatName reads back.
constexpr size_t kMaxName = 128;

}  // namespace

bool HasFormat(HWND Wnd, UINT Format)
{
    if (!OpenClipboard(Wnd))
        return false;
    bool found = false;
    for (UINT f = EnumClipboardFormats(0); f != 0 && !found; f = EnumClipboardFormats(f))
        found = f == Format;
    CloseClipboard();
    return found;
}

std::string GetFormatName(UINT Format)
{
    if (Format >= 1 && Format <= kStandardCount)
        return kStandardNames[Format - 1];
    char name[kMaxName + 1];
    int n = GetClipboardFormatName(Format, name, int(sizeof name));
    return std::string(name, size_t(n > 0 ? n : 0));
}

UINT GetFormatIndex(const std::string& Name, bool Register)
{
    std::string upper = UpperCase(Name);
    // Whole names only: a name holding the separator of a list of names is no standard name.
    for (UINT i = 0; i < kStandardCount; ++i)
        if (upper == kStandardNames[i])
            return i + 1;
    if (upper.empty() || upper.size() > kMaxName)
        return 0;
    if (UINT known = FindClipboardFormat(upper.c_str()))
        return known;
    return Register ? RegisterClipboardFormat(upper.c_str()) : 0;
}

#include "tree/Extreeres.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"

namespace {

// Pictures are drawn here as character patterns, one string per row from the top; each character
// names a colour of the palette.
using Pattern = std::vector<const char*>;
using Palette = std::map<char, TColor>;

// Magenta never appears in the pictures themselves, so it serves as the see-through colour.
constexpr TColor Clear = 0xFF00FF;

const Palette ButtonColours = {{'.', Clear}, {'g', 0x808080}, {'w', 0xFFFFFF}, {'k', 0x000000}};

// A 9 x 9 box with cut corners, so that the painter's see-through pixel (1, height - 2) is a
// corner and never part of the frame.
const Pattern PlusPattern = {
    "..ggggggg.",
    ".gwwwwwwwg",
    ".gwwwkwwwg",
    ".gwwwkwwwg",
    ".gwkkkkkwg",
    ".gwwwkwwwg",
    ".gwwwkwwwg",
    ".gwwwwwwwg",
    "..ggggggg.",
    "..........",
};

const Pattern MinusPattern = {
    "..ggggggg.",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    ".gwkkkkkwg",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    "..ggggggg.",
    "..........",
};

const Pattern LeafPattern = {
    "..ggggggg.",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    ".gwwwgwwwg",
    ".gwwgkgwwg",
    ".gwwwgwwwg",
    ".gwwwwwwwg",
    ".gwwwwwwwg",
    "..ggggggg.",
    "..........",
};

// Drag cursors: an arrow with its tip at (0, 0) and a sign below and right of it. ' ' lets the
// screen show through.
const Palette CursorColours = {{' ', Clear}, {'X', 0x000000}, {'o', 0xFFFFFF}, {'r', 0x0000C0}};

// The arrow every drag cursor starts with, down to the start of its tail.
const Pattern Arrow = {
    "X",
    "XX",
    "XoX",
    "XooX",
    "XoooX",
    "XooooX",
    "XoooooX",
    "XooooooX",
    "XoooooooX",
    "XooooooooX",
    "XoooooXXXXX",
    "XooXooX",
    "XoX XooX",
    "XX  XooX",
    "X    XooX",
};

Pattern Joined(const Pattern& Top, const Pattern& Rest)
{
    Pattern p = Top;
    p.insert(p.end(), Rest.begin(), Rest.end());
    return p;
}

const Pattern NoDropPattern = Joined(Arrow, {
    "     XooX       ooooo",
    "      XX      oorrrrroo",
    "             oorrrrrrroo",
    "             orrrooorrro",
    "            orrrrrooorrro",
    "            orrorrrooorro",
    "            orroorrroorro",
    "            orrooorrrorro",
    "            orrrooorrrrro",
    "             orrrooorrro",
    "             oorrrrrrroo",
    "              oorrrrroo",
    "                ooooo",
});

// The arrow of the move and copy cursors with the top of the page it drags.
const Pattern ArrowWithPage = Joined(Arrow, {
    "     XooX",
    "      XX",
    "           XoXoXoXoXoXo",
    "           oooooooooooX",
    "           Xooooooooooo",
    "           oooooooooooX",
    "           Xooooooooooo",
});

const Pattern MovePattern = Joined(ArrowWithPage, {
    "           oooooooooooX",
    "           Xooooooooooo",
    "           oooooooooooX",
    "           XoXoXoXoXoXo",
});

// The page with a plus sign over its corner.
const Pattern CopyPattern = Joined(ArrowWithPage, {
    "           ooooooooXXXXXXXXX",
    "           XoooooooXoooooooX",
    "           ooooooooXoooXoooX",
    "           XoXoXoXoXoooXoooX",
    "                   XoXXXXXoX",
    "                   XoooXoooX",
    "                   XoooXoooX",
    "                   XoooooooX",
    "                   XXXXXXXXX",
});

void PutLE(std::string& s, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 24-bit BMP file of Width x the pattern's rows; short rows are padded with the palette's ' ' or
// '.' entry, whichever it has.
std::string BmpFromPattern(const Pattern& P, const Palette& Colours, int Width, bool MaskOnly)
{
    const int height = static_cast<int>(P.size());
    const int stride = (Width * 3 + 3) & ~3;
    std::string bmp(54 + static_cast<std::size_t>(stride) * height, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLE(bmp, 2, static_cast<std::uint32_t>(bmp.size()), 4);
    PutLE(bmp, 10, 54, 4);
    PutLE(bmp, 14, 40, 4);
    PutLE(bmp, 18, static_cast<std::uint32_t>(Width), 4);
    PutLE(bmp, 22, static_cast<std::uint32_t>(height), 4);
    PutLE(bmp, 26, 1, 2);
    PutLE(bmp, 28, 24, 2);
    const char pad = Colours.count(' ') ? ' ' : '.';
    for (int y = 0; y < height; ++y) {
        const char* row = P[static_cast<std::size_t>(y)];
        const int len = static_cast<int>(std::strlen(row));
        std::size_t at = 54 + static_cast<std::size_t>(stride) * (height - 1 - y);
        for (int x = 0; x < Width; ++x, at += 3) {
            const char c = x < len ? row[x] : pad;
            TColor colour = Colours.at(c);
            // The cursor mask is black where the picture shows and white where the screen does.
            if (MaskOnly) colour = colour == Clear ? 0xFFFFFF : 0x000000;
            bmp[at] = static_cast<char>((colour >> 16) & 0xFF);
            bmp[at + 1] = static_cast<char>((colour >> 8) & 0xFF);
            bmp[at + 2] = static_cast<char>(colour & 0xFF);
        }
    }
    return bmp;
}

std::unique_ptr<TBitmap> BitmapFromBmp(const std::string& Bmp)
{
    auto b = std::make_unique<TBitmap>();
    TReadOnlyMemoryStream ms(Bmp.data(), static_cast<Int64>(Bmp.size()));
    b->LoadFromStream(&ms);
    return b;
}

HCURSOR CursorFromPattern(const Pattern& P)
{
    constexpr int Size = 32;
    Pattern rows = P;
    while (rows.size() < Size) rows.push_back("");
    auto colour = BitmapFromBmp(BmpFromPattern(rows, CursorColours, Size, false));
    auto mask = BitmapFromBmp(BmpFromPattern(rows, CursorColours, Size, true));
    return CreateCursorFromBitmaps(colour->Handle(), mask->Handle(), 0, 0);
}

int StartCount = 0;
TBitmap* Plus = nullptr;
TBitmap* Minus = nullptr;
TBitmap* Leaf = nullptr;

TBitmap* LoadButton(const char* Name, const Pattern& P)
{
    std::string data;
    if (!FindResourceBitmap(Name, data)) {
        const std::string bmp = BmpFromPattern(P, ButtonColours, extree::ButtonBmpSize, false);
        RegisterResourceBitmap(Name, bmp.data(), bmp.size());
    }
    auto* b = new TBitmap;
    b->LoadFromResourceName(nullptr, Name);
    b->SetPixelFormat(pfDevice);
    return b;
}

}  // namespace

namespace extree {

void ExTreeUnitStart()
{
    if (StartCount++ > 0) return;
    Screen->SetCursors(crExTreeNoDrop, CursorFromPattern(NoDropPattern));
    Screen->SetCursors(crExTreeDragMove, CursorFromPattern(MovePattern));
    Screen->SetCursors(crExTreeDragCopy, CursorFromPattern(CopyPattern));
    Plus = LoadButton("PlusBmp", PlusPattern);
    Minus = LoadButton("MinusBmp", MinusPattern);
    Leaf = LoadButton("LeafBmp", LeafPattern);
}

void ExTreeUnitEnd()
{
    if (StartCount == 0 || --StartCount > 0) return;
    // The cursors stay in the application's table, as cursors registered there always do.
    TObject::Free(Plus);
    TObject::Free(Minus);
    TObject::Free(Leaf);
    Plus = Minus = Leaf = nullptr;
}

TBitmap* PlusBmp() { return Plus; }
TBitmap* MinusBmp() { return Minus; }
TBitmap* LeafBmp() { return Leaf; }

}  // namespace extree

// Fuzz target: the markup parser, layout, drawing and hit-testing on any bytes. The first byte
// chooses word wrap and the wrap width; the rest is the marked-up text. Beyond the sanitizers it
// checks what every parse must leave: a text either parses into items that start with a
// paragraph break or fails with the engine's message and an empty data.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ctlbase/Htmlrender.h"

namespace {

void Check(bool Condition)
{
    if (!Condition) __builtin_trap();
}

TExHTMLRender& Render()
{
    static TExHTMLRender* r = [] {
        auto* render = new TExHTMLRender;
        static TBitmap picture;
        picture.SetSize(7, 5);
        picture.Canvas()->Brush()->SetColor(clRed);
        picture.Canvas()->FillRect(Rect(0, 0, 7, 5));
        // Sources starting with "k" are known bitmaps; "x" makes the handler fail.
        render->OnImageNeeded = [](TObject*, const std::string& Src, TBitmap*& Image) {
            if (!Src.empty() && Src[0] == 'k') Image = &picture;
            if (!Src.empty() && Src[0] == 'x') throw Exception("no such picture");
        };
        return render;
    }();
    return *r;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0) return 0;
    TExHTMLRender& r = Render();
    const bool wrap = Data[0] & 1;
    const Integer maxWidth = (Data[0] >> 1) * 3;
    const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    try {
        r.PrepareText(text, maxWidth, wrap);
    } catch (const Exception& e) {
        Check(e.Message() == "HTML engine error - the text is not valid HTML");
        Check(r.Data()->Count() == 0);
        return 0;
    }
    TExHTMLData& d = *r.Data();
    Check(d.Count() == 0 || d.Item(0)->ItemType == hitPara);
    Check(d.TextSize == r.GetTextSize());
    Check(d.TextSize.cx >= 0 && d.TextSize.cy >= 0);

    // Draw a window onto the text and look for items under a few points of it.
    static TBitmap canvas;
    if (canvas.Width() == 0) canvas.SetSize(64, 32);
    const TRect box = Rect(0, 0, 64, 32);
    const TPoint origin = Point(Size % 17, (Size * 7) % 29);
    r.DrawTextEx(canvas.Canvas(), origin, box, Size & 2, clRed, clYellow, clBlue, clLime);
    for (Integer y = 0; y < 32; y += 5)
        for (Integer x = 0; x < 64; x += 7) {
            TExHTMLItem* it = r.FindItemAt(Point(x, y), origin, box);
            Check(!it || !it->IsBreak());
        }
    d.SelectedItem = nullptr;
    for (int i = 0; i < 4; ++i) r.SelectNextLink();
    Check(!d.SelectedItem || d.SelectedItem->IsLink());
    r.SelectPrevLink();
    return 0;
}

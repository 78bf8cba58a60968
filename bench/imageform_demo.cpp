// Shows the image form at work for a look on a real screen: three forms with a tiled, a
// stretched and a gradient background, each behind two panels that paint their share of it, and
// a window cut to the shape of a picture that can be dragged by its background. With a file name
// as argument it also saves each form's picture there (name-tiled.png, ...) and quits after a
// few seconds.
#include <string>
#include <vector>

#include "ctlbase/Exextbkgnd.h"
#include "ctlbase/Eximgfrm.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"

namespace {

// A panel that paints the image form's background under it, then a frame and its caption.
class SharedPanel : public TCustomControl {
public:
    SharedPanel(TComponent* AOwner, TCustomExImageForm* Background) : TCustomControl(AOwner), FBack(Background)
    {
        FLink.OnChange = [this](TObject*) { Invalidate(); };
        FBack->RegisterChanges(&FLink);
    }

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == IFM_REPAINTCHILDREN) {
            Invalidate();
            return;
        }
        if (Message.Msg == WM_ERASEBKGND) {
            Message.Result = 1;
            return;
        }
        TCustomControl::WndProc(Message);
    }
    void Paint() override
    {
        HDC dc = Canvas()->Handle();
        const TRect r = ClientRect();
        FBack->PaintBkgnd(dc, r, Point(Left(), Top()), false);
        DrawButtonFrameEx(dc, r, false, false, clBtnFace, false);
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->Font()->SetColor(clWhite);
        Canvas()->Font()->SetStyle(FontStyle(fsBold));
        DrawTypedText(Canvas(), r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE, tdtShadowed);
    }

private:
    TCustomExImageForm* FBack;
    TImgFormChangeLink FLink;
};

TBitmap* Checker(TComponent*)
{
    auto* b = new TBitmap;
    b->SetSize(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
            b->Canvas()->SetPixel(x, y, dark ? TColor(RGB(40 + x * 3, 70, 120 + y * 3)) : TColor(RGB(220, 200, 140)));
        }
    return b;
}

TBitmap* Sunset()
{
    auto* b = new TBitmap;
    b->SetSize(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            b->Canvas()->SetPixel(x, y, y > 28 ? TColor(RGB(30, 60 + x, 30)) : TColor(RGB(250, 120 + y * 3, 40 + x * 2)));
    b->Canvas()->Brush()->SetColor(TColor(RGB(255, 240, 120)));
    b->Canvas()->Pen()->SetColor(TColor(RGB(255, 240, 120)));
    b->Canvas()->Ellipse(22, 14, 38, 30);
    return b;
}

TForm* MakeForm(const std::string& Caption, int X, TExBkGndType Kind, TBitmap* Picture, TCustomExImageForm*& Back)
{
    auto* form = new TForm(Application);
    form->SetCaption(Caption);
    form->SetBounds(X, 20, 260, 220);
    Back = new TExImageForm(form);
    if (Picture)
        Back->SetBkImage(Picture);
    Back->SetGradientStartColor(TColor(RGB(20, 40, 120)));
    Back->SetGradientEndColor(TColor(RGB(240, 180, 60)));
    Back->SetGradientSteps(24);
    Back->SetBackgroundType(Kind);
    int y = 30;
    for (const char* name : {"First panel", "Second panel"}) {
        auto* p = new SharedPanel(form, Back);
        p->SetParent(form);
        p->SetBounds(30, y, 190, 60);
        p->SetCaption(name);
        y += 80;
    }
    form->Show();
    return form;
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    std::vector<TBitmap*> pictures{Checker(nullptr), Sunset()};
    TCustomExImageForm *tiled = nullptr, *stretched = nullptr, *gradient = nullptr, *shapedBack = nullptr;
    TForm* a = MakeForm("Tiled", 10, bgtTileBitmap, pictures[0], tiled);
    TForm* b = MakeForm("Stretched", 290, bgtStretchBitmap, pictures[1], stretched);
    TForm* c = MakeForm("Gradient", 570, bgtVertGradient, nullptr, gradient);

    // The shaped window: a ring cut out of a picture whose border and hole are one colour.
    auto* shaped = new TForm(Application);
    shaped->SetBorderStyle(bsNone);
    shaped->SetBounds(860, 40, 220, 220);
    auto* shape = new TImage(shaped);
    TBitmap ring;
    ring.SetSize(220, 220);
    ring.Canvas()->Brush()->SetColor(clFuchsia);
    ring.Canvas()->FillRect(Rect(0, 0, 220, 220));
    ring.Canvas()->Brush()->SetColor(clNavy);
    ring.Canvas()->Pen()->SetColor(clNavy);
    ring.Canvas()->Ellipse(0, 0, 220, 220);
    ring.Canvas()->Brush()->SetColor(clFuchsia);
    ring.Canvas()->Pen()->SetColor(clFuchsia);
    ring.Canvas()->Ellipse(70, 70, 150, 150);
    shape->Picture()->Assign(&ring);
    shapedBack = new TExImageForm(shaped);
    shapedBack->SetBkImage(pictures[0]);
    shapedBack->SetBackgroundType(bgtTileBitmap);
    shapedBack->SetImage(shape);
    shapedBack->SetChangeRegion(true);
    shapedBack->SetMoveForm(true);
    shaped->Show();

    if (argc > 1) {
        const std::string base = argv[1];
        auto* timer = new TTimer(Application);
        timer->SetInterval(3000);
        timer->OnTimer = [base, a, b, c, shaped](TObject*) {
            SaveControlImage(a, base + "-tiled.png");
            SaveControlImage(b, base + "-stretched.png");
            SaveControlImage(c, base + "-gradient.png");
            SaveControlImage(shaped, base + "-shaped.png");
            Application->Terminate();
        };
    }
    Application->Run();
    for (TBitmap* p : pictures)
        delete p;
    DoneApplication();
    return 0;
}

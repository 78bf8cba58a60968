// Panels, bevels, splitters, paint boxes and timers.
#include "platform/ExtCtrls.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Guard.h"

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width)
{
    Canvas->Pen()->SetWidth(1);
    --Rect.Bottom;
    --Rect.Right;
    while (Width-- > 0) {
        // Lines leave out their end points, so each corner belongs to exactly one colour.
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline({{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}});
        InflateRect(Rect, -1, -1);
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

// ---- TBevel -----------------------------------------------------------------------------------
TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    ControlStyle |= csReplicatable;
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value)
{
    if (FShape == Value)
        return;
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas* c = Canvas();
    TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    auto line = [&](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen()->SetColor(col);
        c->Pen()->SetWidth(1);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    switch (FShape) {
    case bsBox: {
        TRect r{0, 0, w, h};
        Frame3D(c, r, c1, c2, 1);
        break;
    }
    case bsFrame: {
        TRect r{0, 0, w, h};
        r.Right--;
        r.Bottom--;
        Frame3D(c, r, c1, c1, 1);
        r = {1, 1, w, h};
        Frame3D(c, r, c2, c2, 1);
        break;
    }
    case bsTopLine:
        line(c1, 0, 0, w, 0);
        line(c2, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(c1, 0, h - 2, w, h - 2);
        line(c2, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(c1, 0, 0, 0, h);
        line(c2, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(c1, w - 2, 0, w - 2, h);
        line(c2, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ---- TCustomPanel -------------------------------------------------------------------------------
TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                   csReplicatable;
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

#define PANEL_SETTER(Name, Field, Type, DoRealign) \
    void TCustomPanel::Name(Type Value)          \
    {                                            \
        if (Field == Value)                      \
            return;                              \
        Field = Value;                           \
        if (DoRealign)                           \
            this->Realign();                     \
        Invalidate();                            \
    }
PANEL_SETTER(SetAlignment, FAlignment, TAlignment, false)
PANEL_SETTER(SetBevelInner, FBevelInner, TPanelBevel, true)
PANEL_SETTER(SetBevelOuter, FBevelOuter, TPanelBevel, true)
PANEL_SETTER(SetBevelWidth, FBevelWidth, int, true)
PANEL_SETTER(SetBorderWidth, FBorderWidth, int, true)
#undef PANEL_SETTER

void TCustomPanel::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomPanel::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TCustomPanel::AdjustClientRect(TRect& Rect)
{
    InflateRect(Rect, -FBorderWidth, -FBorderWidth);
    int bevel = 0;
    if (FBevelOuter != bvNone)
        bevel += FBevelWidth;
    if (FBevelInner != bvNone)
        bevel += FBevelWidth;
    InflateRect(Rect, -bevel, -bevel);
}

void TCustomPanel::CMTextChanged(TMessage&) { Invalidate(); }

void TCustomPanel::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    auto colors = [](TPanelBevel b, TColor& top, TColor& bottom) {
        top = b == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        colors(FBevelOuter, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    Frame3D(c, r, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        colors(FBevelInner, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    if (!Caption().empty()) {
        c->Brush()->SetStyle(bsClear);
        c->SetFont(Font());
        UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
        flags |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
        TRect tr = r;
        DrawText(c->Handle(), Caption().c_str(), int(Caption().size()), &tr, flags);
    }
}

// ---- TPaintBox ----------------------------------------------------------------------------------
TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner)
{
    ControlStyle |= csReplicatable;
    SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint()
{
    Canvas()->SetFont(Font());
    Canvas()->Brush()->SetColor(Color());
    if (OnPaint)
        OnPaint(this);
}

// ---- TImage ------------------------------------------------------------------------------------
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    SetBounds(0, 0, 105, 105);
    FPicture->OnChange = [this](TObject*) { Invalidate(); };
}

TImage::~TImage() = default;

void TImage::SetStretch(bool Value)
{
    if (FStretch == Value)
        return;
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value)
{
    if (FCenter == Value)
        return;
    FCenter = Value;
    Invalidate();
}

void TImage::Paint()
{
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty())
        return;
    if (FStretch) {
        Canvas()->StretchDraw(Rect(0, 0, Width(), Height()), g);
        return;
    }
    const int x = FCenter ? (Width() - g->Width()) / 2 : 0, y = FCenter ? (Height() - g->Height()) / 2 : 0;
    Canvas()->Draw(x, y, g);
}

// ---- TSplitter ----------------------------------------------------------------------------------
TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
    ControlStyle |= csOpaque;
}

TSplitter::~TSplitter() = default;

void TSplitter::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    if (Beveled) {
        if (Align() == alLeft || Align() == alRight)
            InflateRect(r, -1, 2);
        else
            InflateRect(r, 2, -1);
        Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    }
}

TControl* TSplitter::FindResizeControl()
{
    if (!Parent())
        return nullptr;
    TPoint p{Left(), Top()};
    switch (Align()) {
    case alLeft: p.X -= 1; break;
    case alRight: p.X += Width(); break;
    case alTop: p.Y -= 1; break;
    case alBottom: p.Y += Height(); break;
    default: return nullptr;
    }
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || !c->Visible() || !c->Enabled())
            continue;
        TRect r = c->BoundsRect();
        // A collapsed control still counts as the one beside the splitter.
        if (r.Width() == 0) {
            if (Align() == alTop || Align() == alLeft)
                --r.Left;
            else
                ++r.Right;
        }
        if (r.Height() == 0) {
            if (Align() == alTop || Align() == alLeft)
                --r.Top;
            else
                ++r.Bottom;
        }
        if (PtInRect(r, p))
            return c;
    }
    return nullptr;
}

void TSplitter::CalcSplitSize(int X, int Y, int& NewSize, int& Split)
{
    bool horz = Align() == alLeft || Align() == alRight;
    int s = horz ? X - FDownPos.X : Y - FDownPos.Y;
    switch (Align()) {
    case alLeft: s = FControl->Width() + s; break;
    case alRight: s = FControl->Width() - s; break;
    case alTop: s = FControl->Height() + s; break;
    case alBottom: s = FControl->Height() - s; break;
    default: break;
    }
    NewSize = s;
    if (s < FMinSize)
        NewSize = FMinSize;
    else if (s > FMaxSize)
        NewSize = FMaxSize;
    if (s != NewSize) {
        s = (Align() == alRight || Align() == alBottom) ? s - NewSize : NewSize - s;
        Split += s;
    }
}

int TSplitter::SplitOffset() const
{
    // The bar follows the mouse only as far as the sizes allow.
    int delta = FNewSize - FOldSize;
    return (Align() == alRight || Align() == alBottom) ? -delta : delta;
}

void TSplitter::DrawLine()
{
    if (!Parent() || !Parent()->HandleAllocated())
        return;
    FLineVisible = !FLineVisible;
    // Drawn over the parent's child windows; a checkered XOR bar where the splitter would land,
    // drawn twice it is gone.
    HDC dc = GetDCEx(Parent()->Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    HBITMAP pat = CreateCompatibleBitmap(nullptr, 2, 2);
    HDC pdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(pdc, pat);
    ::SetPixel(pdc, 0, 0, RGB(255, 255, 255));
    ::SetPixel(pdc, 1, 1, RGB(255, 255, 255));
    SelectObject(pdc, old);
    DeleteDC(pdc);
    HBRUSH brush = CreatePatternBrush(pat);
    DeleteObject(pat);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    int x = Left(), y = Top();
    if (Align() == alLeft || Align() == alRight)
        x += FSplit;
    else
        y += FSplit;
    PatBlt(dc, x, y, Width(), Height(), PATINVERT);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    ReleaseDC(Parent()->Handle(), dc);
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The handlers of the events may free the splitter.
    TGuardPtr<TSplitter> self(this);
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (!self || Button != mbLeft)
        return;
    FControl = FindResizeControl();
    FDownPos = {X, Y};
    if (!FControl)
        return;
    bool horz = Align() == alLeft || Align() == alRight;
    FMaxSize = horz ? Parent()->ClientWidth() - FMinSize : Parent()->ClientHeight() - FMinSize;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (!c->Visible())
            continue;
        if (horz && (c->Align() == alLeft || c->Align() == alRight))
            FMaxSize -= c->Width();
        else if (!horz && (c->Align() == alTop || c->Align() == alBottom))
            FMaxSize -= c->Height();
    }
    FMaxSize += horz ? FControl->Width() : FControl->Height();
    FOldSize = horz ? FControl->Width() : FControl->Height();
    int split = 0;
    CalcSplitSize(X, Y, FNewSize, split);
    FSplit = SplitOffset();
    FSizing = true;
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern)
        DrawLine();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TGuardPtr<TSplitter> self(this);
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!self || !FSizing || !FControl || !(Shift & ssLeft))
        return;
    int newSize, split = 0;
    CalcSplitSize(X, Y, newSize, split);
    bool accept = true;
    if (OnCanResize)
        OnCanResize(this, newSize, accept);
    if (!self || !accept)
        return;
    if (ResizeStyle == rsUpdate) {
        FNewSize = newSize;
        UpdateControlSize();
        // The splitter moved with the control; measure from its new place.
        return;
    }
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern)
        DrawLine();
    FNewSize = newSize;
    FSplit = SplitOffset();
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern)
        DrawLine();
}

void TSplitter::UpdateControlSize()
{
    if (!FControl || FNewSize == FOldSize)
        return;
    // The resized control's handlers may free the splitter.
    TGuardPtr<TSplitter> self(this);
    switch (Align()) {
    case alLeft: FControl->SetWidth(FNewSize); break;
    case alTop: FControl->SetHeight(FNewSize); break;
    case alRight:
        Parent()->DisableAlign();
        FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize,
                            FControl->Height());
        Parent()->EnableAlign();
        break;
    case alBottom:
        Parent()->DisableAlign();
        FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(),
                            FNewSize);
        Parent()->EnableAlign();
        break;
    default: break;
    }
    if (!self)
        return;
    FOldSize = FNewSize;
    Update();
    if (OnMoved)
        OnMoved(this);
}

void TSplitter::StopSizing()
{
    if (FLineVisible)
        DrawLine();
    FSizing = false;
    FControl = nullptr;
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TSplitter> self(this);
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!self || !FSizing)
        return;
    if (FLineVisible)
        DrawLine();
    if (FControl && ResizeStyle != rsUpdate) {
        int newSize, split = 0;
        CalcSplitSize(X, Y, newSize, split);
        bool accept = true;
        if (OnCanResize)
            OnCanResize(this, newSize, accept);
        if (!self)
            return;
        if (accept)
            FNewSize = newSize;
        UpdateControlSize();
        if (!self)
            return;
    }
    StopSizing();
}

void TSplitter::RequestAlign()
{
    TGuardPtr<TSplitter> self(this);
    TGraphicControl::RequestAlign();
    if (!self || (Cursor() != crVSplit && Cursor() != crHSplit))
        return;
    SetCursor(Align() == alLeft || Align() == alRight ? crHSplit : crVSplit);
}

// ---- TTimer -------------------------------------------------------------------------------------
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateTimer(); }

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
}

void TTimer::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value)
{
    if (FInterval == Value)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (FTimerId) {
        morvik::backend::StopTimer(FTimerId);
        FTimerId = 0;
    }
    if (FEnabled && FInterval > 0)
        FTimerId = morvik::backend::StartTimer(FInterval, [this] { Timer(); });
}

void TTimer::Timer()
{
    if (OnTimer)
        OnTimer(this);
}

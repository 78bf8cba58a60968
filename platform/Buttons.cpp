// Speed buttons.
#include "platform/Buttons.h"

#include <algorithm>

#include "platform/ExtCtrls.h"
#include "platform/Guard.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(new TBitmap)
{
    SetBounds(0, 0, 23, 22);
    ControlStyle = csCaptureMouse | csDoubleClicks;
    SetParentFont(true);
    SetColor(clBtnFace);
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value)
{
    if (FAllowAllUp == Value)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    // In a group that does not allow all up, the pressed button stays down until another is pressed.
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    if (Value) {
        FState = bsExclusive;
        Invalidate();
        UpdateExclusive();
    } else {
        FState = bsUp;
        Repaint();
    }
}

void TSpeedButton::SetGlyph(TBitmap* Value)
{
    FGlyph->Assign(Value);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs Value)
{
    Value = std::clamp(Value, 1, 4);
    if (FNumGlyphs == Value)
        return;
    FNumGlyphs = Value;
    Invalidate();
}

void TSpeedButton::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || !Parent())
        return;
    TMessage m{CM_BUTTONPRESSED, WPARAM(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c != this)
            c->Perform(m.Msg, m.WParam, m.LParam);
    }
}

void TSpeedButton::CMButtonPressed(TMessage& Message)
{
    auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
    if (int(Message.WParam) != FGroupIndex || sender == this)
        return;
    if (sender->Down() && FDown) {
        FDown = false;
        FState = bsUp;
        Invalidate();
    }
    FAllowAllUp = sender->AllowAllUp();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The handlers of the events may free the button.
    TGuardPtr<TSpeedButton> self(this);
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (self && Button == mbLeft && Enabled()) {
        if (!FDown) {
            FState = bsDown;
            Invalidate();
        }
        FDragging = true;
    }
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    TGuardPtr<TSpeedButton> self(this);
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!self || !FDragging)
        return;
    TButtonState s = FDown ? bsExclusive : bsUp;
    if (X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight())
        s = FDown ? bsExclusive : bsDown;
    if (s != FState) {
        FState = s;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TSpeedButton> self(this);
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!self || !FDragging)
        return;
    FDragging = false;
    bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    if (FGroupIndex == 0) {
        FState = bsUp;
        FMouseInControl = false;
        Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        if (FDown)
            FState = bsExclusive;
        Repaint();
    }
    if (doClick)
        Click();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TSpeedButton> self(this);
    TGraphicControl::Dispatch(Message);
    if (self && Message.LParam == reinterpret_cast<LPARAM>(this) && FFlat && !FMouseInControl && Enabled()) {
        FMouseInControl = true;
        Invalidate();
    }
}

void TSpeedButton::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TSpeedButton> self(this);
    TGraphicControl::Dispatch(Message);
    if (self && Message.LParam == reinterpret_cast<LPARAM>(this) && FFlat && FMouseInControl) {
        FMouseInControl = false;
        Invalidate();
    }
}

void TSpeedButton::CMTextChanged(TMessage&) { Invalidate(); }

void TSpeedButton::CMEnabledChanged(TMessage&)
{
    if (!Enabled())
        FState = bsDisabled;
    else
        FState = FDown ? bsExclusive : bsUp;
    Invalidate();
}

void TSpeedButton::Paint()
{
    TCanvas* c = Canvas();
    TRect r{0, 0, Width(), Height()};
    TButtonState state = Enabled() ? FState : bsDisabled;
    bool pressed = state == bsDown || state == bsExclusive;
    // The face: a raised button, sunken while pressed or down; flat ones show a frame only under
    // the mouse or while down.
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    if (!FFlat) {
        TRect e = r;
        DrawEdge(c->Handle(), &e, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    } else if (pressed || FMouseInControl) {
        TRect e = r;
        DrawEdge(c->Handle(), &e, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    if (state == bsExclusive && !FMouseInControl) {
        // A down button shows a light checkered face, as tool buttons do.
        TRect inner = r;
        InflateRect(inner, -2, -2);
        for (int y = inner.Top; y < inner.Bottom; ++y)
            for (int x = inner.Left + ((y + inner.Left) & 1); x < inner.Right; x += 2)
                c->SetPixel(x, y, clBtnHighlight);
    }
    int offset = pressed ? 1 : 0;
    // Glyph and caption laid out side by side, centred together.
    int gw = 0, gh = 0;
    if (!FGlyph->Empty()) {
        gw = FGlyph->Width() / FNumGlyphs;
        gh = FGlyph->Height();
    }
    c->SetFont(Font());
    TSize ts{0, 0};
    if (!Caption().empty()) {
        TRect calc{0, 0, r.Width(), 0};
        DrawText(c->Handle(), Caption().c_str(), int(Caption().size()), &calc, DT_CALCRECT | DT_SINGLELINE);
        ts = {calc.Width(), calc.Height()};
    }
    int spacing = (gw && ts.cx) ? Spacing : 0;
    bool horz = Layout == blGlyphLeft || Layout == blGlyphRight;
    int totalW = horz ? gw + spacing + ts.cx : std::max(gw, int(ts.cx));
    int totalH = horz ? std::max(gh, int(ts.cy)) : gh + spacing + ts.cy;
    int x0 = (r.Width() - totalW) / 2 + offset, y0 = (r.Height() - totalH) / 2 + offset;
    TPoint gp, tp;
    switch (Layout) {
    case blGlyphLeft: gp = {x0, (r.Height() - gh) / 2 + offset}; tp = {x0 + gw + spacing, (r.Height() - ts.cy) / 2 + offset}; break;
    case blGlyphRight: tp = {x0, (r.Height() - ts.cy) / 2 + offset}; gp = {x0 + ts.cx + spacing, (r.Height() - gh) / 2 + offset}; break;
    case blGlyphTop: gp = {(r.Width() - gw) / 2 + offset, y0}; tp = {(r.Width() - ts.cx) / 2 + offset, y0 + gh + spacing}; break;
    case blGlyphBottom: tp = {(r.Width() - ts.cx) / 2 + offset, y0}; gp = {(r.Width() - gw) / 2 + offset, y0 + ts.cy + spacing}; break;
    }
    if (gw) {
        int index = 0;
        switch (state) {
        case bsDisabled: index = 1; break;
        case bsDown: index = 2; break;
        case bsExclusive: index = 3; break;
        default: index = 0; break;
        }
        if (index >= FNumGlyphs)
            index = 0;
        TColor transparent = FGlyph->TransparentColor();
        c->BrushCopy(Bounds(gp.X, gp.Y, gw, gh), FGlyph.get(), Bounds(index * gw, 0, gw, gh), transparent);
    }
    if (ts.cx) {
        c->Brush()->SetStyle(bsClear);
        TRect tr = Bounds(tp.X, tp.Y, ts.cx, ts.cy);
        if (state == bsDisabled) {
            TRect sh = tr;
            OffsetRect(sh, 1, 1);
            c->Font()->SetColor(clBtnHighlight);
            DrawText(c->Handle(), Caption().c_str(), int(Caption().size()), &sh, DT_SINGLELINE | DT_CENTER);
            c->Font()->SetColor(clBtnShadow);
        }
        DrawText(c->Handle(), Caption().c_str(), int(Caption().size()), &tr, DT_SINGLELINE | DT_CENTER);
        c->Brush()->SetStyle(bsSolid);
    }
}

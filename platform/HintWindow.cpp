#include "platform/HintWindow.h"

#include "platform/WinGdi.h"
#include "platform/Windows.h"

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner)
{
    // Made hidden: the window only shows through ActivateHint.
    FVisible = false;
    SetColor(clInfoBk);
    Canvas()->Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // No WS_BORDER: a top-level window keeps room for a desktop frame around it, which a frameless
    // popup never gets; the hint draws its one-pixel frame itself.
    Params.Style = WS_POPUP;
    Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = nullptr;
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& AHint)
{
    SetCaption(AHint);
    TRect r = Rect;
    const Integer sw = GetSystemMetrics(SM_CXSCREEN);
    const Integer sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.Right > sw)
        OffsetRect(r, sw - r.Right, 0);
    if (r.Bottom > sh)
        OffsetRect(r, 0, sh - r.Bottom);
    if (r.Left < 0)
        OffsetRect(r, -r.Left, 0);
    if (r.Top < 0)
        OffsetRect(r, 0, -r.Top);
    HWND h = Handle();
    FVisible = true;
    SetWindowPos(h, HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ActivateHintData(const TRect& Rect, const std::string& AHint, void*) { ActivateHint(Rect, AHint); }

TRect THintWindow::CalcHintRect(Integer MaxWidth, const std::string& AHint, void*)
{
    TRect r{0, 0, MaxWidth, 0};
    ::DrawText(Canvas()->Handle(), AHint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ReleaseHandle()
{
    FVisible = false;
    DestroyHandle();
}

void THintWindow::Paint()
{
    TRect r = ClientRect();
    r.Left += 2;
    r.Top += 2;
    Canvas()->Brush()->SetStyle(bsClear);
    ::DrawText(Canvas()->Handle(), Caption().c_str(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::WMEraseBkgnd(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    TRect r = ClientRect();
    ::FillRect(dc, &r, Brush()->Handle());
    ::FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    Message.Result = 1;
}

#include "controls/Exhintwnd.h"

#include "ctlbase/Htmlrender.h"

TExHintWindow::TExHintWindow(TComponent* AOwner) : THintWindow(AOwner), FRender(std::make_unique<TExHTMLRender>()) {}

TExHintWindow::~TExHintWindow() = default;

void TExHintWindow::SetRenderDefaults()
{
    TExHTMLData* d = FRender->Data();
    d->DefaultColor = Font()->Color();
    d->DefaultBgColor = Color();
    d->DefaultStyle = Font()->Style();
    d->DefaultSize = Font()->Size();
    d->DefaultFont = Font()->Name();
}

TRect TExHintWindow::CalcHintRect(Integer MaxWidth, const std::string& AHint, void* AData)
{
    if (FIsHTML) {
        SetRenderDefaults();
        FRender->PrepareText(AHint, 0, false);
        const TSize s = FRender->GetTextSize();
        return {0, 0, s.cx + 6, s.cy + 4};
    }
    Canvas()->SetFont(Font());
    return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
}

void TExHintWindow::CMTextChanged(TMessage&)
{
    const TRect r = CalcHintRect(10000, Text(), nullptr);
    SetBounds(Left(), Top(), r.Width(), r.Height());
}

void TExHintWindow::Paint()
{
    Canvas()->SetFont(Font());
    if (!FIsHTML) {
        THintWindow::Paint();
        return;
    }
    TRect r = ClientRect();
    r.Left += 2;
    r.Top += 2;
    SetRenderDefaults();
    FRender->PrepareText(Text(), 0, false);
    FRender->DrawText(Canvas(), {0, 0}, r);
}

void TExHintWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    std::string href;
    if (FIsHTML) {
        // The layout of the last paint is asked, not a new one.
        SetRenderDefaults();
        const TRect r{2, 2, ClientWidth() - 2, ClientHeight() - 2};
        if (FRender->IsCursorOverLink({X - 2, Y - 2}, {0, 0}, r, href)) {
            TriggerLinkClickEvent(href);
            return;
        }
    }
    THintWindow::MouseDown(Button, Shift, X, Y);
}

void TExHintWindow::TriggerLinkClickEvent(const std::string& HRef)
{
    if (OnLinkClick)
        OnLinkClick(this, HRef);
}

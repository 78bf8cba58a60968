#include "tree/Excellctl.h"

#include <algorithm>

#include "ctlbase/Exuxtheme.h"
#include "platform/Graphics.h"
#include "platform/Menus.h"
#include "platform/ThemeSchema.h"
#include "tree/Excellstyle.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

namespace {

constexpr UINT ThreeStateBox = 0x0008;

// Draws a caption once, or embossed (highlight one pixel down and right, then shadow) when the
// control is disabled.
void DrawCaption(TCanvas* Canvas, const std::string& Text, TRect R, UINT Flags, bool Enabled, TColor Color)
{
    Canvas->Brush()->SetStyle(bsClear);
    if (!Enabled) {
        TRect r = R;
        OffsetRect(r, 1, 1);
        Canvas->Font()->SetColor(clBtnHighlight);
        DrawText(Canvas->Handle(), Text.data(), int(Text.size()), &r, Flags);
        Canvas->Font()->SetColor(clBtnShadow);
    } else {
        Canvas->Font()->SetColor(Color);
    }
    DrawText(Canvas->Handle(), Text.data(), int(Text.size()), &R, Flags);
}

// Puts the canvas's brush, pen and font back as they were.
class TCanvasState {
public:
    explicit TCanvasState(TCanvas* Canvas) : FCanvas(Canvas)
    {
        FBrush.Assign(Canvas->Brush());
        FPen.Assign(Canvas->Pen());
        FFont.Assign(Canvas->Font());
    }
    ~TCanvasState()
    {
        FCanvas->Brush()->Assign(&FBrush);
        FCanvas->Pen()->Assign(&FPen);
        FCanvas->Font()->Assign(&FFont);
    }
    TCanvasState(const TCanvasState&) = delete;
    TCanvasState& operator=(const TCanvasState&) = delete;

private:
    TCanvas* FCanvas;
    TBrush FBrush;
    TPen FPen;
    TFont FFont;
};

}  // namespace

// ---------------------------------------------------------------- TExCellControl

TExCellControl::TExCellControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>())
{
    FFont->SetColor(clBtnText);
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TExCellControl::~TExCellControl()
{
    FFont->OnChange = nullptr;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    if (TExCellStyle* style = FOwnerStyle) {
        FOwnerStyle = nullptr;
        style->ControlGone(this);
    }
}

void TExCellControl::FontChanged(TObject*) { Update(); }

void TExCellControl::SetCaption(const std::string& Value)
{
    if (FCaption == Value) return;
    FCaption = Value;
    Update();
}

void TExCellControl::SetVisible(bool Value)
{
    if (FVisible == Value) return;
    FVisible = Value;
    // Hiding still asks; Update itself draws nothing for a hidden control.
    Update();
}

void TExCellControl::SetEnabled(bool Value)
{
    if (FEnabled == Value) return;
    FEnabled = Value;
    Update();
}

void TExCellControl::SetFont(TFont* Value) { FFont->Assign(Value); }

void TExCellControl::SetBorderWidth(Integer Value)
{
    if (FBorderWidth == Value) return;
    FBorderWidth = Value;
    Update();
}

void TExCellControl::SetPopupMenu(TPopupMenu* Value)
{
    if (FPopupMenu == Value) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

void TExCellControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TExCellControl::TriggerClickEvent()
{
    if (OnClick) OnClick(this);
}

void TExCellControl::TriggerMouseDownEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TExCellControl::TriggerMouseUpEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TExCellControl::TriggerDblClickEvent()
{
    if (OnDblClick) OnDblClick(this);
}

void TExCellControl::TriggerMouseMoveEvent(TShiftState Shift, Integer X, Integer Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

bool TExCellControl::PassClicks() { return false; }

void TExCellControl::Update()
{
    if (FVisible && FOwnerStyle) FOwnerStyle->Update();
}

void TExCellControl::SetPaintContext(TCustomExTree* Tree, TExTreeItem* Item, bool InSelection)
{
    FPaintTree = Tree;
    FPaintItem = Item;
    FInSelection = InSelection;
}

TCustomExTree* TExCellControl::Tree() const
{
    if (FPaintTree) return FPaintTree;
    return FOwnerStyle && FOwnerStyle->Owner() ? TCustomExTree::TreeOf(FOwnerStyle->Owner()) : nullptr;
}

TExTreeItem* TExCellControl::PaintedItem() const
{
    if (FPaintItem) return FPaintItem;
    return FOwnerStyle ? FOwnerStyle->Owner() : nullptr;
}

// ---------------------------------------------------------------- TExCellCheckBox

TExCellCheckBox::TExCellCheckBox(TComponent* AOwner) : TExCellControl(AOwner) {}

void TExCellCheckBox::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value) return;
    FAlignment = Value;
    Update();
}

void TExCellCheckBox::SetState(TCheckBoxState Value)
{
    if (Value == cbGrayed && !FAllowGrayed) return;
    if (FState == Value) return;
    FState = Value;
    Update();
}

void TExCellCheckBox::SetAllowGrayed(bool Value)
{
    if (FAllowGrayed == Value) return;
    FAllowGrayed = Value;
    if (!Value && FState == cbGrayed) FState = cbUnchecked;
    Update();
}

void TExCellCheckBox::TriggerClickEvent()
{
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
    TExCellControl::TriggerClickEvent();
}

void TExCellCheckBox::Assign(TExCellControl*) {}

void TExCellCheckBox::Paint(TCanvas* Canvas, const TRect& R)
{
    TCanvasState keep(Canvas);
    TCustomExTree* tree = Tree();
    HDC dc = Canvas->Handle();
    const bool boxLeft = (FAlignment == taRightJustify) != (tree && tree->RightAlignedText());
    // The box's size and how it is drawn.
    Integer size = 15;
    Integer height = 15;
    enum { Themed, Glyph, Frame } how = Frame;
    TBitmap* glyph = tree ? tree->CheckBoxGlyph() : nullptr;
    if (tree && tree->IsThemeApplied() && ThemesAvailable) {
        how = Themed;
        size = height = tree->CheckBoxSize();
    } else if (tree && tree->CustomCheckboxes() && glyph && !glyph->Empty()) {
        how = Glyph;
        size = glyph->Width() / 6;
        height = glyph->Height();
    }
    const Integer top = R.Top + (R.Height() - height) / 2;
    const Integer left = boxLeft ? R.Left : R.Right - size;
    const TRect box{left, top, left + size, top + height};
    bool drawn = false;
    if (how == Themed) {
        const int state = FState == cbChecked ? CBS_CHECKEDNORMAL : FState == cbGrayed ? CBS_MIXEDNORMAL : CBS_UNCHECKEDNORMAL;
        drawn = DrawThemeBackgroundTo(VSCLASS_BUTTON, dc, BP_CHECKBOX, state, box, nullptr) == S_OK;
        if (!drawn) {
            // No theme to draw with after all: the classic 15-pixel box.
            size = height = 15;
        }
    }
    const TRect frameBox{left, R.Top + (R.Height() - 15) / 2, left + 15, R.Top + (R.Height() - 15) / 2 + 15};
    if (how == Glyph) {
        const Integer cell = Integer(FState) * 2 + (Enabled() ? 0 : 1);
        const TRect src{cell * size, 0, (cell + 1) * size, height};
        if (glyph->Transparent() || glyph->TransparentMode == tmFixed)
            DrawTransparentBitmapEx(dc, glyph, box.Left, box.Top, src, glyph->TransparentColor());
        else
            BitBlt(dc, box.Left, box.Top, size, height, glyph->Canvas()->Handle(), src.Left, 0, SRCCOPY);
    } else if (!drawn) {
        UINT flags = DFCS_BUTTONCHECK;
        if (FState == cbChecked) flags |= DFCS_CHECKED;
        if (FState == cbGrayed) flags |= ThreeStateBox | DFCS_CHECKED;
        if (!Enabled()) flags |= DFCS_INACTIVE;
        RECT r = frameBox;
        DrawFrameControl(dc, &r, DFC_BUTTON, flags);
    }
    if (Caption().empty()) return;
    TRect text = R;
    if (boxLeft)
        text.Left = left + size + 2;
    else
        text.Right = left - 2;
    if (text.Right <= text.Left) return;
    Canvas->Font()->Assign(Font());
    DrawCaption(Canvas, Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (boxLeft ? DT_LEFT : DT_RIGHT),
                Enabled(), Font()->Color());
}

// ---------------------------------------------------------------- TExCellButton

TExCellButton::TExCellButton(TComponent* AOwner) : TExCellControl(AOwner), FGlyph(std::make_unique<TExCellButtonGlyph>())
{
    ButtonCreated();
    FGlyph->OnChange = [this](TObject*) { Update(); };
}

TExCellButton::~TExCellButton()
{
    FGlyph->OnChange = nullptr;
    if (TCustomImageList* list = FGlyph->ImageList()) list->RemoveFreeNotification(this);
    FGlyph.reset();
    ButtonDestroyed();
}

void TExCellButton::SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }

void TExCellButton::SetUseImageList(bool Value)
{
    if (FGlyph->UseImageList == Value) return;
    FGlyph->UseImageList = Value;
    FGlyph->Repaint();
    Update();
}

void TExCellButton::SetImageList(TCustomImageList* Value)
{
    TCustomImageList* old = FGlyph->ImageList();
    if (old == Value) return;
    if (old) old->RemoveFreeNotification(this);
    if (Value) Value->FreeNotification(this);
    // Only a list that is drawn from repaints the cell.
    auto onChange = std::move(FGlyph->OnChange);
    FGlyph->OnChange = nullptr;
    FGlyph->SetImageList(Value);
    FGlyph->OnChange = std::move(onChange);
    if (FGlyph->UseImageList) Update();
}

void TExCellButton::SetImageIndex(Integer Value)
{
    if (FGlyph->ImageIndex() == Value) return;
    auto onChange = std::move(FGlyph->OnChange);
    FGlyph->OnChange = nullptr;
    FGlyph->SetImageIndex(Value);
    FGlyph->OnChange = std::move(onChange);
    if (FGlyph->UseImageList) Update();
}

void TExCellButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TExCellControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FGlyph->ImageList()) {
        // The list has let its clients go already: only the reference is dropped.
        auto onChange = std::move(FGlyph->OnChange);
        FGlyph->OnChange = nullptr;
        FGlyph->SetImageList(nullptr);
        FGlyph->OnChange = std::move(onChange);
        if (FGlyph->UseImageList) Update();
    }
}

void TExCellButton::SetLayout(TButtonLayout Value)
{
    if (FLayout == Value) return;
    FLayout = Value;
    Update();
}

void TExCellButton::SetSwitch(bool Value)
{
    if (FSwitch == Value) return;
    FSwitch = Value;
    Update();
}

void TExCellButton::SetDown(bool Value)
{
    if (FDown == Value) return;
    FDown = Value;
    Update();
}

void TExCellButton::TriggerMouseDownEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y)
{
    SetDown(FSwitch ? !FDown : true);
    TExCellControl::TriggerMouseDownEvent(Button, Shift, X, Y);
}

void TExCellButton::TriggerMouseUpEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y)
{
    if (!FSwitch) SetDown(false);
    TExCellControl::TriggerMouseUpEvent(Button, Shift, X, Y);
}

void TExCellButton::Assign(TExCellControl* Source)
{
    auto* source = dynamic_cast<TExCellButton*>(Source);
    if (!source || source == this) return;
    SetGlyph(source->Glyph());
    SetSwitch(source->FSwitch);
    SetDown(source->FDown);
}

void TExCellButton::Paint(TCanvas* Canvas, const TRect& R)
{
    TCanvasState keep(Canvas);
    RECT r = R;
    DrawFrameControl(Canvas->Handle(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | (FDown ? DFCS_PUSHED : 0));
    // The face inside the two-pixel edge.
    const TRect face{R.Left + 2, R.Top + 2, R.Right - 2, R.Bottom - 2};
    if (face.Right <= face.Left || face.Bottom <= face.Top) return;
    Canvas->Font()->Assign(Font());
    const TExButtonState state = !Enabled() ? ebsDisabled : FDown ? ebsDown : ebsUp;
    const TPoint offset = FDown ? TPoint{1, 1} : TPoint{0, 0};
    FGlyph->Draw(Canvas, face, offset, Caption(), FLayout, -1, 4, state, state, true, false, false, true,
                 !Caption().empty(), 0, tdtNormal, clBtnFace, nullptr, 0, 0);
}

// ---------------------------------------------------------------- TExCellProgressBar

TExCellProgressBar::TExCellProgressBar(TComponent* AOwner)
    : TExCellControl(AOwner), FBarColor(clHighlight), FFrameColor(clWindowText), FColor(clWindow)
{
}

void TExCellProgressBar::SetMinValue(Integer Value)
{
    if (FMinValue == Value) return;
    FMinValue = Value;
    Update();
}

void TExCellProgressBar::SetMaxValue(Integer Value)
{
    if (FMaxValue == Value) return;
    FMaxValue = Value;
    Update();
}

void TExCellProgressBar::SetValue(Integer Value)
{
    if (FValue == Value) return;
    FValue = Value;
    Update();
}

void TExCellProgressBar::SetBarColor(TColor Value)
{
    if (FBarColor == Value) return;
    FBarColor = Value;
    Update();
}

void TExCellProgressBar::SetShowProgressText(bool Value)
{
    if (FShowProgressText == Value) return;
    FShowProgressText = Value;
    Update();
}

void TExCellProgressBar::SetTextAlignment(TAlignment Value)
{
    if (FTextAlignment == Value) return;
    FTextAlignment = Value;
    Update();
}

void TExCellProgressBar::SetFrameColor(TColor Value)
{
    if (FFrameColor == Value) return;
    FFrameColor = Value;
    Update();
}

void TExCellProgressBar::SetColor(TColor Value)
{
    if (FColor == Value) return;
    FColor = Value;
    Update();
}

bool TExCellProgressBar::PassClicks() { return true; }

// The share is measured from MinValue and kept inside the range, so a value outside it neither
// overfills the bar nor shows more than 100 %, and an empty range shows nothing done.
Integer TExCellProgressBar::Percent() const { return FilledWidth(100); }

Integer TExCellProgressBar::FilledWidth(Integer Width) const
{
    const Int64 range = Int64(FMaxValue) - FMinValue;
    if (range <= 0 || Width <= 0) return 0;
    const Int64 done = std::clamp<Int64>(Int64(FValue) - FMinValue, 0, range);
    // Rounded to the nearest pixel (or per cent).
    return Integer((Int64(Width) * done * 2 + range) / (range * 2));
}

void TExCellProgressBar::Assign(TExCellControl* Source)
{
    auto* source = dynamic_cast<TExCellProgressBar*>(Source);
    if (!source || source == this) return;
    FMinValue = source->FMinValue;
    FMaxValue = source->FMaxValue;
    FValue = source->FValue;
    FBarColor = source->FBarColor;
    FShowProgressText = source->FShowProgressText;
    FTextAlignment = source->FTextAlignment;
    FFrameColor = source->FFrameColor;
    FColor = source->FColor;
    Update();
}

void TExCellProgressBar::Paint(TCanvas* Canvas, const TRect& Rect)
{
    TCanvasState keep(Canvas);
    TCustomExTree* tree = Tree();
    const bool rightToLeft = tree && tree->RightAlignedTree();
    TRect R = Rect;
    ++R.Bottom;
    const std::string text = FShowProgressText ? std::to_string(Percent()) + "%" : Caption();
    TColor textColor = Font()->Color();
    if (tree && InSelection() && !tree->BarStyle())
        textColor = tree->View()->SelectionShown() ? tree->FocusedSelectTextColor() : tree->HideSelectTextColor();
    Canvas->Font()->Assign(Font());
    TRect bar = R;
    if (!text.empty() && FTextAlignment != taCenter) {
        // Measured against the widest percentage, so the bar keeps its length as the value moves.
        const std::string measured = FShowProgressText ? std::string("100%") : text;
        TRect m{0, 0, 0, 0};
        DrawText(Canvas->Handle(), measured.data(), int(measured.size()), &m, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        if (m.Width() < R.Width()) {
            const bool textLeft = (FTextAlignment == taRightJustify) == rightToLeft;
            TRect t = R;
            if (textLeft) {
                t.Right = R.Left + m.Width();
                bar.Left = t.Right + 2;
            } else {
                t.Left = R.Right - m.Width();
                bar.Right = t.Left - 2;
            }
            Canvas->Brush()->SetStyle(bsClear);
            Canvas->Font()->SetColor(textColor);
            DrawText(Canvas->Handle(), text.data(), int(text.size()), &t,
                     DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (textLeft ? DT_LEFT : DT_RIGHT));
        }
    }
    if (bar.Right > bar.Left && bar.Bottom > bar.Top) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(FColor);
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Pen()->SetColor(FFrameColor);
        Canvas->Rectangle(bar);
        const Integer filled = FilledWidth(bar.Width() - 2);
        if (filled > 0) {
            TRect f{bar.Left + 1, bar.Top + 1, bar.Left + 1 + filled, bar.Bottom - 1};
            if (rightToLeft) {
                f.Right = bar.Right - 1;
                f.Left = f.Right - filled;
            }
            Canvas->Brush()->SetColor(FBarColor);
            Canvas->FillRect(f);
        }
    }
    if (!text.empty() && FTextAlignment == taCenter) {
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->Font()->SetColor(textColor);
        TRect t = R;
        DrawText(Canvas->Handle(), text.data(), int(text.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    }
}

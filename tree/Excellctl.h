// Small controls a cell style can host, drawn inside the cell without a window of their own and
// fed with the mouse by the tree's view: a check box, a push (or switch) button and a progress bar.
// The hosting style owns its control.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnglyph.h"
#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/Types.h"

class TCanvas;
class TCustomExTree;
class TExCellStyle;
class TExTreeItem;
class TFont;
class TPopupMenu;

class TExCellControl : public TComponent {
public:
    explicit TExCellControl(TComponent* AOwner);
    // Leaves the hosting style without a control and has it redraw.
    ~TExCellControl() override;

    // The hosting style (set by the style when it takes the control).
    TExCellStyle* OwnerStyle() const { return FOwnerStyle; }
    void SetOwnerStyle(TExCellStyle* Value) { FOwnerStyle = Value; }

    const std::string& Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& Value);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    Integer BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(Integer Value);
    // Shown on a right click in the cell; forgotten when the menu goes.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    virtual void TriggerClickEvent();
    virtual void TriggerMouseDownEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
    virtual void TriggerMouseUpEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
    virtual void TriggerDblClickEvent();
    virtual void TriggerMouseMoveEvent(TShiftState Shift, Integer X, Integer Y);
    // A press the control took goes on to the tree's own click handling only when this is true.
    virtual bool PassClicks();
    // Asks the hosting style to redraw the cell; nothing while hidden or without a style.
    virtual void Update();
    using TPersistent::Assign;
    virtual void Assign(TExCellControl* Source) = 0;
    virtual void Paint(TCanvas* Canvas, const TRect& R) = 0;

    // Set by the row painter around Paint: the tree and item drawn, and whether the cell shows the
    // selection's colours.
    void SetPaintContext(TCustomExTree* Tree, TExTreeItem* Item, bool InSelection);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The tree the control paints in: the painter's, else the one of the hosting style's item.
    TCustomExTree* Tree() const;
    TExTreeItem* PaintedItem() const;
    bool InSelection() const { return FInSelection; }

private:
    void FontChanged(TObject* Sender);

    TExCellStyle* FOwnerStyle = nullptr;
    std::string FCaption;
    bool FVisible = true;
    bool FEnabled = true;
    std::unique_ptr<TFont> FFont;
    Integer FBorderWidth = 0;
    TPopupMenu* FPopupMenu = nullptr;
    TCustomExTree* FPaintTree = nullptr;
    TExTreeItem* FPaintItem = nullptr;
    bool FInSelection = false;
};

class TExCellCheckBox : public TExCellControl {
public:
    explicit TExCellCheckBox(TComponent* AOwner);

    // Right-justified: the caption to the right of the box (mirrored in a right-to-left tree).
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TCheckBoxState State() const { return FState; }
    // cbGrayed is refused unless AllowGrayed.
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }

    // Steps the state (unchecked, grayed when allowed, checked, unchecked) before OnClick.
    void TriggerClickEvent() override;
    void Assign(TExCellControl* Source) override;
    void Paint(TCanvas* Canvas, const TRect& R) override;

private:
    TAlignment FAlignment = taRightJustify;
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

// The cell button's picture and caption painter.
class TExCellButtonGlyph : public TExButtonGlyph {};

class TExCellButton : public TExCellControl {
public:
    explicit TExCellButton(TComponent* AOwner);
    ~TExCellButton() override;

    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    bool UseImageList() const { return FGlyph->UseImageList; }
    void SetUseImageList(bool Value);
    TCustomImageList* ImageList() const { return FGlyph->ImageList(); }
    void SetImageList(TCustomImageList* Value);
    Integer ImageIndex() const { return FGlyph->ImageIndex(); }
    void SetImageIndex(Integer Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    // A switch button stays down after its release until the next press.
    bool Switch() const { return FSwitch; }
    void SetSwitch(bool Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    TExCellButtonGlyph* GlyphPainter() const { return FGlyph.get(); }

    void TriggerMouseDownEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void TriggerMouseUpEvent(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void Assign(TExCellControl* Source) override;
    void Paint(TCanvas* Canvas, const TRect& R) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TExCellButtonGlyph> FGlyph;
    TButtonLayout FLayout = blGlyphLeft;
    bool FSwitch = false;
    bool FDown = false;
};

class TExCellProgressBar : public TExCellControl {
public:
    explicit TExCellProgressBar(TComponent* AOwner);

    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value);
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value);
    Integer Value() const { return FValue; }
    void SetValue(Integer Value);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor Value);
    bool ShowProgressText() const { return FShowProgressText; }
    void SetShowProgressText(bool Value);
    TAlignment TextAlignment() const { return FTextAlignment; }
    void SetTextAlignment(TAlignment Value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    // How far Value lies from MinValue toward MaxValue, 0..100 (0 when the range is empty).
    Integer Percent() const;
    // The filled part of a bar Width pixels wide (0..Width).
    Integer FilledWidth(Integer Width) const;

    bool PassClicks() override;
    void Assign(TExCellControl* Source) override;
    void Paint(TCanvas* Canvas, const TRect& R) override;

private:
    Integer FMinValue = 0;
    Integer FMaxValue = 100;
    Integer FValue = 0;
    TColor FBarColor;
    bool FShowProgressText = true;
    TAlignment FTextAlignment = taCenter;
    TColor FFrameColor;
    TColor FColor;
};

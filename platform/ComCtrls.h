// Up-down buttons and the status bar.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDAlignButton { udLeft, udRight };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons stepping Position between Min and Max; the position is written into the
// associated control's text.
class TCustomUpDown : public TCustomControl {
public:
    explicit TCustomUpDown(TComponent* AOwner);
    ~TCustomUpDown() override;

    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* Value);
    SmallInt Min() const { return FMin; }
    void SetMin(SmallInt Value);
    SmallInt Max() const { return FMax; }
    void SetMax(SmallInt Value);
    // The associated control's number when it holds one in range (the user may have typed it),
    // else the last position.
    SmallInt Position() const;
    void SetPosition(SmallInt Value);
    Integer Increment = 1;
    // Up and Down keys in the associated control step the position.
    bool ArrowKeys = true;
    // Stepping past one end continues at the other.
    bool Wrap = false;
    bool Thousands = true;
    TUDOrientation Orientation = udVertical;
    TUDAlignButton AlignButton = udRight;
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

    // One press of an arrow button, as the user makes it.
    void Step(TUDBtnType Button);

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_CAPTURECHANGED, WMCaptureChanged)
        MESSAGE_HANDLER(WM_CANCELMODE, WMCaptureChanged)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The control's own click stays callable beside the arrow buttons'.
    using TCustomControl::Click;
    virtual void Click(TUDBtnType Button);
    virtual bool CanChange();
    void UpdateAssociate();

    void WMCaptureChanged(TMessage& Message);

private:
    void Unhook();
    void StopRepeat();
    // Beside the associated control (AlignButton says which side), as tall as it.
    void PlaceBeside(TWinControl* Buddy);
    TWinControl* FAssociate = nullptr;
    TWndMethod FSavedAssociateProc;
    SmallInt FMin = 0, FMax = 100;
    mutable SmallInt FPosition = 0;
    int FPressed = -1;  // the button held down, -1 none
    unsigned FRepeatTimer = 0;
};

class TUpDown : public TCustomUpDown {
public:
    explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
};

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel {
public:
    explicit TStatusPanel(TStatusBar* Owner) : FOwner(Owner) {}
    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    TStatusPanelStyle Style = psText;
    int Index() const;

private:
    void Changed();
    // Only this panel looks different: the others keep their place and their picture.
    void Redraw();
    TStatusBar* FOwner;
    std::string FText;
    Integer FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* Owner) : FOwner(Owner) {}
    int Count() const { return int(FItems.size()); }
    TStatusPanel* Items(int Index) const;
    TStatusPanel* operator[](int Index) const { return Items(Index); }
    TStatusPanel* Add();
    void Delete(int Index);
    void Clear();
    void BeginUpdate() { ++FUpdate; }
    void EndUpdate();

private:
    friend class TStatusPanel;
    void Changed();
    void PanelChanged(const TStatusPanel* Panel);
    TStatusBar* FOwner;
    std::vector<std::unique_ptr<TStatusPanel>> FItems;
    int FUpdate = 0;
};

class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;
    TStatusPanels* Panels() const { return FPanels.get(); }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const std::string& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& Value);
    bool SizeGrip = true;
    // The rectangle of a panel in client coordinates; the last panel reaches the right edge.
    TRect PanelRect(int Index);

protected:
    void Paint() override;

private:
    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    std::string FSimpleText;
};

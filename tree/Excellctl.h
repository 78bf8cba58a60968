// TExCellControl: base of the small controls a cell style can host (check box, button, progress
// bar), drawn inside the cell without a window of their own. The hosting style owns the control.
#pragma once

#include "platform/Classes.h"
#include "platform/Types.h"

class TCanvas;
class TExCellStyle;

class TExCellControl : public TComponent {
public:
    explicit TExCellControl(TComponent* AOwner);
    // Leaves the hosting style without a control and has it redraw.
    ~TExCellControl() override;

    // The hosting style (set by the style when it takes the control).
    TExCellStyle* OwnerStyle() const { return FOwnerStyle; }
    void SetOwnerStyle(TExCellStyle* Value) { FOwnerStyle = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    // Asks the hosting style to redraw the cell; nothing while hidden or without a style.
    virtual void Update();
    virtual void Paint(TCanvas* Canvas, const TRect& R) = 0;

private:
    TExCellStyle* FOwnerStyle = nullptr;
    bool FVisible = true;
};

#include "tree/Excellctl.h"

#include "tree/Excellstyle.h"

TExCellControl::TExCellControl(TComponent* AOwner) : TComponent(AOwner) {}

TExCellControl::~TExCellControl()
{
    if (FOwnerStyle) FOwnerStyle->ControlGone(this);
}

void TExCellControl::SetVisible(bool Value)
{
    if (FVisible == Value) return;
    FVisible = Value;
    // Hiding still asks; Update itself draws nothing for a hidden control.
    Update();
}

void TExCellControl::Update()
{
    if (FVisible && FOwnerStyle) FOwnerStyle->Update();
}

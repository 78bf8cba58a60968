// TExButtonControl: the windowed base of the library's push buttons: a themed control with a
// caption of its own, a down state its descendants define, a see-through mode and a caption style.
#pragma once

#include <string>

#include "ctlbase/Exvclutils.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "platform/StdCtrls.h"

class TExButtonControl : public TExXPThemedControl {
public:
    explicit TExButtonControl(TComponent* AOwner);
    ~TExButtonControl() override;

    bool Transparent() const { return FTransparent; }
    // Recreates the window.
    virtual void SetTransparent(bool Value);
    TExTextDrawType TextDrawType() const { return FTextDrawType; }
    void SetTextDrawType(TExTextDrawType Value);
    // The button's own caption, not the window text.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

    // Defined by descendants; the base raises the abstract-call error.
    virtual bool GetChecked();
    virtual void SetChecked(bool Value);

    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
        MESSAGE_HANDLER(WM_MOVE, WMMove)
    END_MESSAGE_MAP(TExXPThemedControl)

protected:
    void CreateParams(TCreateParams& Params) override;
    std::u16string GetThemedClassName() override;
    void CMDialogChar(TMessage& Message);
    void WMMove(TMessage& Message);

    bool FTransparent = false;
    TExTextDrawType FTextDrawType = tdtNormal;
    std::string FCaption;
};


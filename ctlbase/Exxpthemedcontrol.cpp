#include "ctlbase/Exxpthemedcontrol.h"

#include "ctlbase/Exuxtheme.h"

TExXPThemedControl::TExXPThemedControl(TComponent* AOwner) : TCustomControl(AOwner)
{
    FUseXPThemes = true;
}

TExXPThemedControl::~TExXPThemedControl()
{
    // The window goes with the base class, past the reach of our DestroyWnd.
    if (FTheme && ThemesAvailable)
        CloseThemeData(FTheme);
    FTheme = nullptr;
}

void TExXPThemedControl::CreateThemeHandle()
{
    if (ThemesAvailable)
        FTheme = OpenThemeData(Handle(), GetThemedClassName().c_str());
    else
        FTheme = nullptr;
}

void TExXPThemedControl::FreeThemeHandle()
{
    if (ThemesAvailable)
        CloseThemeData(FTheme);
    FTheme = nullptr;
}

void TExXPThemedControl::CreateWnd()
{
    TCustomControl::CreateWnd();
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
}

void TExXPThemedControl::DestroyWnd()
{
    TCustomControl::DestroyWnd();
    if (FUseXPThemes && IsThemeApplied())
        FreeThemeHandle();
}

void TExXPThemedControl::SetUseXPThemes(bool Value)
{
    if (Value == FUseXPThemes)
        return;
    FUseXPThemes = Value;
    if (ThemesAvailable && HandleAllocated()) {
        if (Value)
            CreateThemeHandle();
        else
            FreeThemeHandle();
        RecreateWnd();
    }
}

void TExXPThemedControl::WMNCPaint(TMessage& Message)
{
    DefaultHandler(Message);
}

void TExXPThemedControl::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes) {
        FreeThemeHandle();
        CreateThemeHandle();
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    Message.Result = 1;
}

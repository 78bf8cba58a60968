// TExXPThemedControl: the base of the library's windowed controls that can draw with visual
// styles. It keeps one theme per window, opened for the class name each descendant names, while
// the window exists and UseXPThemes is set; descendants ask IsThemeApplied and draw with the
// theme or in their classic look.
#pragma once

#include <string>

#include "platform/Controls.h"
#include "platform/UxTheme.h"

class TExXPThemedControl : public TCustomControl {
public:
    explicit TExXPThemedControl(TComponent* AOwner);
    ~TExXPThemedControl() override;

    bool UseXPThemes() const { return FUseXPThemes; }
    virtual void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr; }
    HTHEME Theme() const { return FTheme; }

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_NCPAINT, WMNCPaint)
        MESSAGE_HANDLER(WM_THEMECHANGED, WMThemeChanged)
    END_MESSAGE_MAP(TCustomControl)

protected:
    // The theme class (or ";"-separated class list) the control draws with.
    virtual std::u16string GetThemedClassName() = 0;
    virtual void FreeThemeHandle();
    virtual void CreateThemeHandle();
    void CreateWnd() override;
    void DestroyWnd() override;

    void WMNCPaint(TMessage& Message);
    void WMThemeChanged(TMessage& Message);

    bool FUseXPThemes = false;
    HTHEME FTheme = nullptr;
};

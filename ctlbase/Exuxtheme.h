// The visual-style theme library, loaded by name when the unit starts: one pointer per function
// of the library (empty when the library lacks it) and the flag ThemesAvailable that every theme
// call of the controls is guarded by; plus three wrappers that open a theme class for no window,
// make one call and close it again.
#pragma once

#include "platform/UxTheme.h"

// True while the library is loaded and offers every function the controls call (OpenThemeData,
// CloseThemeData, DrawThemeBackground, DrawThemeText, GetThemePartSize, GetThemeTextExtent,
// GetThemeColor); false when themes are missing or switched off.
extern bool ThemesAvailable;
extern HMODULE ThemeLibrary;

extern TIsThemeActive IsThemeActive;
extern TEnableTheming EnableTheming;
extern TOpenThemeData OpenThemeData;
extern TCloseThemeData CloseThemeData;
extern TDrawThemeParentBackground DrawThemeParentBackground;
extern TDrawThemeBackground DrawThemeBackground;
extern TDrawThemeText DrawThemeText;
extern TGetThemeBackgroundContentRect GetThemeBackgroundContentRect;
extern TGetThemeBackgroundExtent GetThemeBackgroundExtent;
extern TGetThemePartSize GetThemePartSize;
extern TGetThemeTextExtent GetThemeTextExtent;
extern TGetThemeTextMetrics GetThemeTextMetrics;
extern TGetThemeBackgroundRegion GetThemeBackgroundRegion;
extern THitTestThemeBackground HitTestThemeBackground;
extern TDrawThemeEdge DrawThemeEdge;
extern TDrawThemeIcon DrawThemeIcon;
extern TIsThemePartDefined IsThemePartDefined;
extern TIsThemeBackgroundPartiallyTransparent IsThemeBackgroundPartiallyTransparent;
extern TGetThemeColor GetThemeColor;
extern TGetThemeMetric GetThemeMetric;
extern TGetThemeString GetThemeString;
extern TGetThemeBool GetThemeBool;
extern TGetThemeInt GetThemeInt;
extern TGetThemeEnumValue GetThemeEnumValue;
extern TGetThemeFilename GetThemeFilename;  // looked up as "GetThemeFileName"
extern TGetThemePosition GetThemePosition;
extern TGetThemeFont GetThemeFont;
extern TGetThemeRect GetThemeRect;
extern TGetThemeMargins GetThemeMargins;
extern TGetThemeIntList GetThemeIntList;
extern TGetThemePropertyOrigin GetThemePropertyOrigin;
extern TSetWindowTheme SetWindowTheme;
extern TGetThemeSysColor GetThemeSysColor;
extern TGetThemeSysColorBrush GetThemeSysColorBrush;
extern TGetThemeSysSize GetThemeSysSize;
extern TGetThemeSysBool GetThemeSysBool;
extern TGetThemeSysFont GetThemeSysFont;
extern TGetThemeSysString GetThemeSysString;
extern TGetThemeSysInt GetThemeSysInt;
extern TIsAppThemed IsAppThemed;
extern TGetWindowTheme GetWindowTheme;
extern TEnableThemeDialogTexture EnableThemeDialogTexture;
extern TIsThemeDialogTextureEnabled IsThemeDialogTextureEnabled;
extern TGetThemeAppProperties GetThemeAppProperties;
extern TSetThemeAppProperties SetThemeAppProperties;
extern TGetThemeDocumentationProperty GetThemeDocumentationProperty;
extern TGetCurrentThemeName GetCurrentThemeName;

// One call on a theme class opened for no window. E_NOTIMPL (and nothing drawn) when the class
// cannot be opened; otherwise the call's result, the theme being closed whatever happens. They do
// not test ThemesAvailable: callers call them only when it is true.
HRESULT GetThemePartSizeTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, RECT* Rect, THEMESIZE SizeType,
                           SIZE& Size);
HRESULT DrawThemeTextTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, LPCWSTR Text, int CharCount,
                        DWORD TextFlags, DWORD TextFlags2, const RECT& Rect);
HRESULT DrawThemeBackgroundTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, const RECT& Rect,
                              const RECT* ClipRect);

namespace ctlbase {
// The unit's start and end, counted: only the first start loads and the last end clears
// ThemesAvailable (the library stays loaded). The unit starts itself with the program.
void ExuxthemeInitialize();
void ExuxthemeFinalize();
// The number of functions looked up by name when the library loads.
inline constexpr int ThemeEntryPointCount = 47;
}  // namespace ctlbase

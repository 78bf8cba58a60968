// The visual-style theme interface: handles, results and the signatures of the theme library's
// functions. The library itself is loaded by name ("uxtheme.dll", see Libraries.h) and its
// functions looked up with GetProcAddress; nothing here is called directly. Part, state and
// property numbers are in ThemeSchema.h.
#pragma once

#include <cstdint>

#include "platform/WinError.h"
#include "platform/Windows.h"

struct HTHEME__;
using HTHEME = HTHEME__*;  // pointer-sized; 0 is "no theme"
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
struct IMAGELIST__;
using HIMAGELIST = IMAGELIST__*;  // the same handle as the image lists' (CommCtrl.h)

// Which size GetThemePartSize answers.
enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };

// DrawThemeText's second flags.
constexpr DWORD DTT_GRAYED = 0x0001;

struct MARGINS {
    int cxLeftWidth = 0;
    int cxRightWidth = 0;
    int cyTopHeight = 0;
    int cyBottomHeight = 0;
};
struct INTLIST {
    int iValueCount = 0;
    int iValues[402] = {};
};

// The library's functions, in the order the control library looks them up.
using TIsThemeActive = BOOL (*)();
using TEnableTheming = HRESULT (*)(BOOL fEnable);
using TOpenThemeData = HTHEME (*)(HWND hwnd, LPCWSTR pszClassList);
using TCloseThemeData = HRESULT (*)(HTHEME hTheme);
using TDrawThemeParentBackground = HRESULT (*)(HWND hwnd, HDC hdc, const RECT* prc);
using TDrawThemeBackground = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                                         const RECT* pClipRect);
using TDrawThemeText = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, LPCWSTR pszText,
                                   int iCharCount, DWORD dwTextFlags, DWORD dwTextFlags2, const RECT* pRect);
using TGetThemeBackgroundContentRect = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId,
                                                   const RECT* pBoundingRect, RECT* pContentRect);
using TGetThemeBackgroundExtent = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId,
                                              const RECT* pContentRect, RECT* pExtentRect);
using TGetThemePartSize = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, RECT* prc,
                                      THEMESIZE eSize, SIZE* psz);
using TGetThemeTextExtent = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, LPCWSTR pszText,
                                        int iCharCount, DWORD dwTextFlags, const RECT* pBoundingRect,
                                        RECT* pExtentRect);
using TGetThemeTextMetrics = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, TEXTMETRIC* ptm);
using TGetThemeBackgroundRegion = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId,
                                              const RECT* pRect, HRGN* pRegion);
using THitTestThemeBackground = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, DWORD dwOptions,
                                            const RECT* pRect, HRGN hrgn, POINT ptTest, WORD* pwHitTestCode);
using TDrawThemeEdge = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pDestRect,
                                   UINT uEdge, UINT uFlags, RECT* pContentRect);
using TDrawThemeIcon = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                                   HIMAGELIST himl, int iImageIndex);
using TIsThemePartDefined = BOOL (*)(HTHEME hTheme, int iPartId, int iStateId);
using TIsThemeBackgroundPartiallyTransparent = BOOL (*)(HTHEME hTheme, int iPartId, int iStateId);
using TGetThemeColor = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, COLORREF* pColor);
using TGetThemeMetric = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, int iPropId, int* piVal);
using TGetThemeString = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, LPWSTR pszBuff,
                                    int cchMaxBuffChars);
using TGetThemeBool = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, BOOL* pfVal);
using TGetThemeInt = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, int* piVal);
using TGetThemeEnumValue = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, int* piVal);
using TGetThemeFilename = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId,
                                      LPWSTR pszThemeFileName, int cchMaxBuffChars);
using TGetThemePosition = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, POINT* pPoint);
using TGetThemeFont = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, int iPropId, LOGFONT* pFont);
using TGetThemeRect = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, RECT* pRect);
using TGetThemeMargins = HRESULT (*)(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, int iPropId, RECT* prc,
                                     MARGINS* pMargins);
using TGetThemeIntList = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, INTLIST* pIntList);
using TGetThemePropertyOrigin = HRESULT (*)(HTHEME hTheme, int iPartId, int iStateId, int iPropId, int* pOrigin);
using TSetWindowTheme = HRESULT (*)(HWND hwnd, LPCWSTR pszSubAppName, LPCWSTR pszSubIdList);
using TGetThemeSysColor = COLORREF (*)(HTHEME hTheme, int iColorId);
using TGetThemeSysColorBrush = HBRUSH (*)(HTHEME hTheme, int iColorId);
using TGetThemeSysSize = int (*)(HTHEME hTheme, int iSizeId);
using TGetThemeSysBool = BOOL (*)(HTHEME hTheme, int iBoolId);
using TGetThemeSysFont = HRESULT (*)(HTHEME hTheme, int iFontId, LOGFONT* plf);
using TGetThemeSysString = HRESULT (*)(HTHEME hTheme, int iStringId, LPWSTR pszStringBuff, int cchMaxStringChars);
using TGetThemeSysInt = HRESULT (*)(HTHEME hTheme, int iIntId, int* piValue);
using TIsAppThemed = BOOL (*)();
using TGetWindowTheme = HTHEME (*)(HWND hwnd);
using TEnableThemeDialogTexture = HRESULT (*)(HWND hwnd, DWORD dwFlags);
using TIsThemeDialogTextureEnabled = BOOL (*)(HWND hwnd);
using TGetThemeAppProperties = DWORD (*)();
using TSetThemeAppProperties = void (*)(DWORD dwFlags);
using TGetThemeDocumentationProperty = HRESULT (*)(LPCWSTR pszThemeName, LPCWSTR pszPropertyName, LPWSTR pszValueBuff,
                                                   int cchMaxValChars);
using TGetCurrentThemeName = HRESULT (*)(LPWSTR pszThemeFileName, int cchMaxNameChars, LPWSTR pszColorBuff,
                                         int cchMaxColorChars, LPWSTR pszSizeBuff, int cchMaxSizeChars);

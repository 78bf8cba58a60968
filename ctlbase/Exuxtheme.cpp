#include "ctlbase/Exuxtheme.h"

#include <iterator>
#include <type_traits>

#include "platform/Libraries.h"

bool ThemesAvailable = false;
HMODULE ThemeLibrary = nullptr;

TIsThemeActive IsThemeActive = nullptr;
TEnableTheming EnableTheming = nullptr;
TOpenThemeData OpenThemeData = nullptr;
TCloseThemeData CloseThemeData = nullptr;
TDrawThemeParentBackground DrawThemeParentBackground = nullptr;
TDrawThemeBackground DrawThemeBackground = nullptr;
TDrawThemeText DrawThemeText = nullptr;
TGetThemeBackgroundContentRect GetThemeBackgroundContentRect = nullptr;
TGetThemeBackgroundExtent GetThemeBackgroundExtent = nullptr;
TGetThemePartSize GetThemePartSize = nullptr;
TGetThemeTextExtent GetThemeTextExtent = nullptr;
TGetThemeTextMetrics GetThemeTextMetrics = nullptr;
TGetThemeBackgroundRegion GetThemeBackgroundRegion = nullptr;
THitTestThemeBackground HitTestThemeBackground = nullptr;
TDrawThemeEdge DrawThemeEdge = nullptr;
TDrawThemeIcon DrawThemeIcon = nullptr;
TIsThemePartDefined IsThemePartDefined = nullptr;
TIsThemeBackgroundPartiallyTransparent IsThemeBackgroundPartiallyTransparent = nullptr;
TGetThemeColor GetThemeColor = nullptr;
TGetThemeMetric GetThemeMetric = nullptr;
TGetThemeString GetThemeString = nullptr;
TGetThemeBool GetThemeBool = nullptr;
TGetThemeInt GetThemeInt = nullptr;
TGetThemeEnumValue GetThemeEnumValue = nullptr;
TGetThemeFilename GetThemeFilename = nullptr;
TGetThemePosition GetThemePosition = nullptr;
TGetThemeFont GetThemeFont = nullptr;
TGetThemeRect GetThemeRect = nullptr;
TGetThemeMargins GetThemeMargins = nullptr;
TGetThemeIntList GetThemeIntList = nullptr;
TGetThemePropertyOrigin GetThemePropertyOrigin = nullptr;
TSetWindowTheme SetWindowTheme = nullptr;
TGetThemeSysColor GetThemeSysColor = nullptr;
TGetThemeSysColorBrush GetThemeSysColorBrush = nullptr;
TGetThemeSysSize GetThemeSysSize = nullptr;
TGetThemeSysBool GetThemeSysBool = nullptr;
TGetThemeSysFont GetThemeSysFont = nullptr;
TGetThemeSysString GetThemeSysString = nullptr;
TGetThemeSysInt GetThemeSysInt = nullptr;
TIsAppThemed IsAppThemed = nullptr;
TGetWindowTheme GetWindowTheme = nullptr;
TEnableThemeDialogTexture EnableThemeDialogTexture = nullptr;
TIsThemeDialogTextureEnabled IsThemeDialogTextureEnabled = nullptr;
TGetThemeAppProperties GetThemeAppProperties = nullptr;
TSetThemeAppProperties SetThemeAppProperties = nullptr;
TGetThemeDocumentationProperty GetThemeDocumentationProperty = nullptr;
TGetCurrentThemeName GetCurrentThemeName = nullptr;

namespace {

template <auto& Var>
void Store(FARPROC Proc)
{
    Var = reinterpret_cast<std::remove_reference_t<decltype(Var)>>(Proc);
}

struct EntryPoint {
    const char* Name;
    void (*Set)(FARPROC);
};

// In the order they are looked up.
const EntryPoint kEntryPoints[] = {
    {"IsThemeActive", &Store<IsThemeActive>},
    {"EnableTheming", &Store<EnableTheming>},
    {"OpenThemeData", &Store<OpenThemeData>},
    {"CloseThemeData", &Store<CloseThemeData>},
    {"DrawThemeParentBackground", &Store<DrawThemeParentBackground>},
    {"DrawThemeBackground", &Store<DrawThemeBackground>},
    {"DrawThemeText", &Store<DrawThemeText>},
    {"GetThemeBackgroundContentRect", &Store<GetThemeBackgroundContentRect>},
    {"GetThemeBackgroundExtent", &Store<GetThemeBackgroundExtent>},
    {"GetThemePartSize", &Store<GetThemePartSize>},
    {"GetThemeTextExtent", &Store<GetThemeTextExtent>},
    {"GetThemeTextMetrics", &Store<GetThemeTextMetrics>},
    {"GetThemeBackgroundRegion", &Store<GetThemeBackgroundRegion>},
    {"HitTestThemeBackground", &Store<HitTestThemeBackground>},
    {"DrawThemeEdge", &Store<DrawThemeEdge>},
    {"DrawThemeIcon", &Store<DrawThemeIcon>},
    {"IsThemePartDefined", &Store<IsThemePartDefined>},
    {"IsThemeBackgroundPartiallyTransparent", &Store<IsThemeBackgroundPartiallyTransparent>},
    {"GetThemeColor", &Store<GetThemeColor>},
    {"GetThemeMetric", &Store<GetThemeMetric>},
    {"GetThemeString", &Store<GetThemeString>},
    {"GetThemeBool", &Store<GetThemeBool>},
    {"GetThemeInt", &Store<GetThemeInt>},
    {"GetThemeEnumValue", &Store<GetThemeEnumValue>},
    {"GetThemeFileName", &Store<GetThemeFilename>},
    {"GetThemePosition", &Store<GetThemePosition>},
    {"GetThemeFont", &Store<GetThemeFont>},
    {"GetThemeRect", &Store<GetThemeRect>},
    {"GetThemeMargins", &Store<GetThemeMargins>},
    {"GetThemeIntList", &Store<GetThemeIntList>},
    {"GetThemePropertyOrigin", &Store<GetThemePropertyOrigin>},
    {"SetWindowTheme", &Store<SetWindowTheme>},
    {"GetThemeSysColor", &Store<GetThemeSysColor>},
    {"GetThemeSysColorBrush", &Store<GetThemeSysColorBrush>},
    {"GetThemeSysSize", &Store<GetThemeSysSize>},
    {"GetThemeSysBool", &Store<GetThemeSysBool>},
    {"GetThemeSysFont", &Store<GetThemeSysFont>},
    {"GetThemeSysString", &Store<GetThemeSysString>},
    {"GetThemeSysInt", &Store<GetThemeSysInt>},
    {"IsAppThemed", &Store<IsAppThemed>},
    {"GetWindowTheme", &Store<GetWindowTheme>},
    {"EnableThemeDialogTexture", &Store<EnableThemeDialogTexture>},
    {"IsThemeDialogTextureEnabled", &Store<IsThemeDialogTextureEnabled>},
    {"GetThemeAppProperties", &Store<GetThemeAppProperties>},
    {"SetThemeAppProperties", &Store<SetThemeAppProperties>},
    {"GetThemeDocumentationProperty", &Store<GetThemeDocumentationProperty>},
    {"GetCurrentThemeName", &Store<GetCurrentThemeName>},
};
static_assert(std::size(kEntryPoints) == ctlbase::ThemeEntryPointCount);

int gInitCount = 0;

bool SystemHasThemes()
{
    OSVERSIONINFO v;
    if (!GetVersionEx(&v) || v.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return false;
    return (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1) || v.dwMajorVersion >= 6;
}

// A library without one of these would leave a themed control calling nothing.
bool EveryCalledEntryFound()
{
    return OpenThemeData && CloseThemeData && DrawThemeBackground && DrawThemeText && GetThemePartSize &&
           GetThemeTextExtent && GetThemeColor;
}

// Opens ClassName for no window, makes Call with the theme and closes it whatever happens.
template <class Call>
HRESULT WithTheme(LPCWSTR ClassName, Call&& call)
{
    HTHEME theme = OpenThemeData ? OpenThemeData(nullptr, ClassName) : nullptr;
    if (!theme)
        return E_NOTIMPL;
    struct Closer {
        HTHEME Theme;
        ~Closer() { CloseThemeData(Theme); }
    } closer{theme};
    return call(theme);
}

// The unit starts and ends with the program.
struct UnitLife {
    UnitLife() { ctlbase::ExuxthemeInitialize(); }
    ~UnitLife() { ctlbase::ExuxthemeFinalize(); }
} gUnitLife;

}  // namespace

namespace ctlbase {

void ExuxthemeInitialize()
{
    if (gInitCount++ > 0)
        return;
    for (const EntryPoint& e : kEntryPoints)
        e.Set(nullptr);
    ThemeLibrary = nullptr;
    if (!SystemHasThemes())
        return;
    ThemeLibrary = LoadLibrary("uxtheme.dll");
    if (!ThemeLibrary)
        return;
    for (const EntryPoint& e : kEntryPoints)
        e.Set(GetProcAddress(ThemeLibrary, e.Name));
    ThemesAvailable = EveryCalledEntryFound();
}

void ExuxthemeFinalize()
{
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    ThemesAvailable = false;
}

}  // namespace ctlbase

HRESULT GetThemePartSizeTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, RECT* Rect, THEMESIZE SizeType,
                           SIZE& Size)
{
    return WithTheme(ClassName, [&](HTHEME Theme) {
        return GetThemePartSize(Theme, DC, PartId, StateId, Rect, SizeType, &Size);
    });
}

HRESULT DrawThemeTextTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, LPCWSTR Text, int CharCount,
                        DWORD TextFlags, DWORD TextFlags2, const RECT& Rect)
{
    return WithTheme(ClassName, [&](HTHEME Theme) {
        return DrawThemeText(Theme, DC, PartId, StateId, Text, CharCount, TextFlags, TextFlags2, &Rect);
    });
}

HRESULT DrawThemeBackgroundTo(LPCWSTR ClassName, HDC DC, int PartId, int StateId, const RECT& Rect,
                              const RECT* ClipRect)
{
    return WithTheme(ClassName, [&](HTHEME Theme) {
        return DrawThemeBackground(Theme, DC, PartId, StateId, &Rect, ClipRect);
    });
}

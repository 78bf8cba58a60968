// The visual-style theme library over the toolkit's own style engine. Theme classes, parts and
// states are drawn and measured with the style's primitives in its standard palette, so that a
// themed control looks the same on every desktop. Offered under the name "uxtheme.dll" unless the
// user switches themes off (MORVIK_NO_THEMES set to anything but "0"); the controls then draw
// their classic look.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <set>
#include <string>

#include "platform/Backend.h"
#include "platform/CodePages.h"
#include "platform/Libraries.h"
#include "platform/ThemeSchema.h"
#include "platform/UxTheme.h"

using namespace morvik::backend;

namespace {

enum class Cls { Button, ComboBox, Edit, Header, ScrollBar, ToolTip, TreeView };

struct ClassName {
    const char16_t* Name;
    Cls Class;
};
const ClassName kClasses[] = {
    {VSCLASS_BUTTON, Cls::Button}, {VSCLASS_COMBOBOX, Cls::ComboBox},   {VSCLASS_EDIT, Cls::Edit},
    {VSCLASS_HEADER, Cls::Header}, {VSCLASS_SCROLLBAR, Cls::ScrollBar}, {VSCLASS_TOOLTIP, Cls::ToolTip},
    {VSCLASS_TREEVIEW, Cls::TreeView},
};

// The highest part number each class draws (part 0, the background, is always there).
int LastPart(Cls c)
{
    switch (c) {
    case Cls::Button: return BP_GROUPBOX;
    case Cls::ComboBox: return CP_DROPDOWNBUTTON;
    case Cls::Edit: return EP_EDITTEXT;
    case Cls::Header: return HP_HEADERSORTARROW;
    case Cls::ScrollBar: return SBP_SIZEBOX;
    case Cls::ToolTip: return TTP_STANDARDTITLE;
    case Cls::TreeView: return TVP_GLYPH;
    }
    return 0;
}

struct ThemeObj {
    Cls Class;
    HWND Wnd;
};

std::set<const void*>& OpenThemes()
{
    static std::set<const void*> themes;
    return themes;
}

ThemeObj* Theme(HTHEME h)
{
    return OpenThemes().count(h) ? reinterpret_cast<ThemeObj*>(h) : nullptr;
}

// A part of a theme that exists; null when the theme handle or the part is not.
ThemeObj* PartOf(HTHEME h, int part)
{
    ThemeObj* t = Theme(h);
    return t && part >= 0 && part <= LastPart(t->Class) ? t : nullptr;
}

QStyle* Style()
{
    static QStyle* style = nullptr;
    if (!style) {
        EnsureToolkit();
        style = QStyleFactory::create(QStringLiteral("Fusion"));
    }
    return style;
}

QPalette Palette(bool enabled = true)
{
    // Made once: the style keeps the pictures it draws under the palette's identity, and every
    // palette it makes anew is a new identity, so each paint would add pictures no paint reuses.
    static const QPalette standard = Style()->standardPalette();
    QPalette p = standard;
    p.setCurrentColorGroup(enabled ? QPalette::Active : QPalette::Disabled);
    return p;
}

COLORREF Ref(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// What a state number says about the look, decoded per class and part.
struct Look {
    bool enabled = true;
    bool hot = false;
    bool pressed = false;
    bool focused = false;
    bool defaulted = false;
    bool selected = false;
    int check = 0;  // 0 off, 1 on, 2 mixed
    int dir = 0;    // arrow buttons: 0 up, 1 down, 2 left, 3 right
};

// Four looks per group (normal, hot, pressed, disabled); groups counted from 1.
void FourWay(Look& l, int state, int groups, int& group)
{
    if (state < 1 || state > 4 * groups)
        state = 1;
    group = (state - 1) / 4;
    switch ((state - 1) % 4) {
    case 1: l.hot = true; break;
    case 2: l.pressed = true; break;
    case 3: l.enabled = false; break;
    default: break;
    }
}

Look Decode(Cls c, int part, int state)
{
    Look l;
    int group = 0;
    switch (c) {
    case Cls::Button:
        if (part == BP_RADIOBUTTON) {
            FourWay(l, state, 2, group);
            l.check = group;
        } else if (part == BP_CHECKBOX) {
            FourWay(l, state, 3, group);
            l.check = group;
        } else if (part == BP_GROUPBOX) {
            l.enabled = state != GBS_DISABLED;
        } else if (state == PBS_DEFAULTED) {
            l.defaulted = true;
        } else if (state >= PBS_NORMAL && state <= PBS_DISABLED) {
            FourWay(l, state, 1, group);
        }
        break;
    case Cls::ScrollBar:
        if (part == SBP_ARROWBTN) {
            FourWay(l, state, 4, group);
            l.dir = group;
        } else {
            FourWay(l, state, 1, group);
        }
        break;
    case Cls::ComboBox:
    case Cls::Header:
        if (part != HP_HEADERSORTARROW || c != Cls::Header)
            FourWay(l, state, 1, group);
        break;
    case Cls::Edit:
        l.hot = state == ETS_HOT;
        l.selected = state == ETS_SELECTED;
        l.enabled = state != ETS_DISABLED;
        l.focused = state == ETS_FOCUSED;
        break;
    case Cls::TreeView:
        if (part == TVP_GLYPH) {
            l.check = state == GLPS_OPENED ? 1 : 0;
        } else {
            l.hot = state == TREIS_HOT;
            l.selected = state == TREIS_SELECTED || state == TREIS_SELECTEDNOTFOCUS;
            l.focused = state == TREIS_SELECTED;
            l.enabled = state != TREIS_DISABLED;
        }
        break;
    case Cls::ToolTip:
        l.hot = state == TTSS_LINK;
        break;
    }
    return l;
}

void InitOption(QStyleOption& o, const QRect& r, const Look& l)
{
    o.rect = r;
    o.palette = Palette(l.enabled);
    o.state = QStyle::State_None;
    if (l.enabled)
        o.state |= QStyle::State_Enabled | QStyle::State_Active;
    if (l.hot)
        o.state |= QStyle::State_MouseOver;
    if (l.pressed)
        o.state |= QStyle::State_Sunken;
    else
        o.state |= QStyle::State_Raised;
    if (l.focused)
        o.state |= QStyle::State_HasFocus;
}

QColor TrackColor(const Look& l)
{
    QColor c = Palette().color(QPalette::Window).darker(112);
    if (l.pressed)
        return c.darker(125);
    if (!l.enabled)
        return Palette().color(QPalette::Window);
    return l.hot ? c.lighter(105) : c;
}

QColor FillColor(Cls c, const Look& l)
{
    QPalette p = Palette(l.enabled);
    switch (c) {
    case Cls::Edit:
    case Cls::TreeView: return l.selected ? p.color(QPalette::Highlight) : p.color(QPalette::Base);
    case Cls::ToolTip: return p.color(QPalette::ToolTipBase);
    case Cls::ScrollBar: return TrackColor(l);
    default: return p.color(QPalette::Button);
    }
}

QColor TextColor(Cls c, const Look& l)
{
    QPalette p = Palette(l.enabled);
    switch (c) {
    case Cls::Edit: return p.color(QPalette::Text);
    case Cls::TreeView: return l.selected ? p.color(QPalette::HighlightedText) : p.color(QPalette::Text);
    case Cls::ToolTip: return l.hot ? p.color(QPalette::Link) : p.color(QPalette::ToolTipText);
    default: return p.color(QPalette::ButtonText);
    }
}

void Button(QPainter& p, const QRect& r, const Look& l)
{
    QStyleOptionButton o;
    InitOption(o, r, l);
    if (l.defaulted)
        o.features |= QStyleOptionButton::DefaultButton;
    Style()->drawControl(QStyle::CE_PushButtonBevel, &o, &p);
}

void Arrow(QPainter& p, const QRect& r, const Look& l, QStyle::PrimitiveElement arrow)
{
    Button(p, r, l);
    QStyleOption o;
    InitOption(o, r.adjusted(3, 3, -3, -3), l);
    Style()->drawPrimitive(arrow, &o, &p);
}

void Frame(QPainter& p, const QRect& r, const Look& l, bool readOnly)
{
    QStyleOptionFrame o;
    InitOption(o, r, l);
    o.state |= QStyle::State_Sunken;
    if (readOnly)
        o.state |= QStyle::State_ReadOnly;
    o.lineWidth = Style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    Style()->drawPrimitive(QStyle::PE_PanelLineEdit, &o, &p);
}

void Gripper(QPainter& p, const QRect& r, const Look& l, bool horizontal)
{
    QPalette pal = Palette(l.enabled);
    const QPoint c = r.center();
    for (int i = -2; i <= 2; i += 2) {
        QRect line = horizontal ? QRect(c.x() + i, r.top() + 2, 1, r.height() - 4)
                                : QRect(r.left() + 2, c.y() + i, r.width() - 4, 1);
        p.fillRect(line, pal.color(QPalette::Dark));
        p.fillRect(line.translated(1, 1), pal.color(QPalette::Light));
    }
}

void PaintPart(QPainter& p, const QRect& r, Cls c, int part, int state)
{
    const Look l = Decode(c, part, state);
    QStyle* s = Style();
    switch (c) {
    case Cls::Button:
        if (part == BP_PUSHBUTTON) {
            Button(p, r, l);
        } else if (part == BP_RADIOBUTTON || part == BP_CHECKBOX) {
            QStyleOptionButton o;
            InitOption(o, r, l);
            o.state |= l.check == 1 ? QStyle::State_On : l.check == 2 ? QStyle::State_NoChange : QStyle::State_Off;
            s->drawPrimitive(part == BP_RADIOBUTTON ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox,
                             &o, &p);
        } else if (part == BP_GROUPBOX) {
            QStyleOptionFrame o;
            InitOption(o, r, l);
            o.lineWidth = 1;
            s->drawPrimitive(QStyle::PE_FrameGroupBox, &o, &p);
        } else {
            p.fillRect(r, FillColor(c, l));
        }
        break;
    case Cls::ComboBox:
        if (part == CP_DROPDOWNBUTTON)
            Arrow(p, r, l, QStyle::PE_IndicatorArrowDown);
        else
            Frame(p, r, l, false);
        break;
    case Cls::Edit: Frame(p, r, l, state == ETS_READONLY); break;
    case Cls::Header: {
        if (part == HP_HEADERSORTARROW) {
            QStyleOptionHeader o;
            InitOption(o, r, l);
            o.sortIndicator = state == HSAS_SORTEDDOWN ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
            s->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &o, &p);
            break;
        }
        QStyleOptionHeader o;
        InitOption(o, r, l);
        o.orientation = Qt::Horizontal;
        o.position = part == HP_HEADERITEMLEFT    ? QStyleOptionHeader::Beginning
                     : part == HP_HEADERITEMRIGHT ? QStyleOptionHeader::End
                                                  : QStyleOptionHeader::Middle;
        s->drawControl(part == 0 ? QStyle::CE_HeaderEmptyArea : QStyle::CE_HeaderSection, &o, &p);
        // The style draws every section alike; hot and pressed sections are told apart here.
        if (part != 0 && l.pressed)
            p.fillRect(r, QColor(0, 0, 0, 40));
        else if (part != 0 && l.hot)
            p.fillRect(r, QColor(255, 255, 255, 90));
        break;
    }
    case Cls::ScrollBar:
        switch (part) {
        case SBP_ARROWBTN: {
            const QStyle::PrimitiveElement arrows[] = {QStyle::PE_IndicatorArrowUp, QStyle::PE_IndicatorArrowDown,
                                                       QStyle::PE_IndicatorArrowLeft, QStyle::PE_IndicatorArrowRight};
            Arrow(p, r, l, arrows[l.dir]);
            break;
        }
        case SBP_THUMBBTNHORZ:
        case SBP_THUMBBTNVERT: Button(p, r, l); break;
        case SBP_GRIPPERHORZ:
        case SBP_GRIPPERVERT: Gripper(p, r, l, part == SBP_GRIPPERHORZ); break;
        case SBP_SIZEBOX: {
            p.fillRect(r, Palette().color(QPalette::Window));
            QStyleOptionSizeGrip o;
            InitOption(o, r, l);
            o.corner = state == SZB_LEFTALIGN ? Qt::BottomLeftCorner : Qt::BottomRightCorner;
            s->drawControl(QStyle::CE_SizeGrip, &o, &p);
            break;
        }
        default: p.fillRect(r, TrackColor(l)); break;
        }
        break;
    case Cls::ToolTip: {
        QStyleOptionFrame o;
        InitOption(o, r, l);
        s->drawPrimitive(QStyle::PE_PanelTipLabel, &o, &p);
        break;
    }
    case Cls::TreeView:
        if (part == TVP_GLYPH) {
            QStyleOption o;
            InitOption(o, r, l);
            o.state |= QStyle::State_Children | QStyle::State_Item;
            if (l.check)
                o.state |= QStyle::State_Open;
            s->drawPrimitive(QStyle::PE_IndicatorBranch, &o, &p);
        } else {
            p.fillRect(r, Palette(l.enabled).color(QPalette::Base));
            if (part == TVP_TREEITEM && (l.selected || l.hot)) {
                QPalette pal = Palette(l.enabled);
                QColor h = pal.color(QPalette::Highlight);
                if (!l.selected)
                    h.setAlpha(60);
                else if (!l.focused)
                    h.setAlpha(130);
                p.fillRect(r, h);
            }
        }
        break;
    }
}

// Paints with the toolkit into R of a device context: what the context shows there is copied into
// a scratch bitmap, painted over, and copied back through the context, so its origin, clipping
// and window bookkeeping apply as to any other drawing. Only the part of R the context can show
// (inside Clip and its own clipping) goes through the bitmap, so a part far larger than the
// screen costs what the screen shows. With Trim, a part much longer than what shows is drawn
// only a little past it at either end of its length: styles shade a part across its length, not
// along it, so what shows looks the same.
template <class Paint>
void PaintOnDC(HDC dc, const RECT& r, const RECT* clip, bool Trim, Paint&& paint)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    RECT shown = r;
    if (clip && !IntersectRect(shown, shown, *clip))
        return;
    RECT box;
    const int kind = GetClipBox(dc, &box);
    if (kind == NULLREGION || (kind != ERROR && !IntersectRect(shown, shown, box)))
        return;
    const int w = shown.Width(), h = shown.Height();
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, dc, shown.Left, shown.Top, SRCCOPY);
    if (QImage* img = BitmapImage(bmp)) {
        // Where R lies in the bitmap, kept within the integers the toolkit takes.
        auto fit = [](Int64 V) { return int(std::clamp<Int64>(V, INT_MIN / 4, INT_MAX / 4)); };
        Int64 left = Int64(r.Left) - shown.Left, top = Int64(r.Top) - shown.Top;
        Int64 right = Int64(r.Right) - shown.Left, bottom = Int64(r.Bottom) - shown.Top;
        if (Trim) {
            constexpr Int64 pad = 16;
            if (right - left >= bottom - top) {
                left = std::max(left, -pad);
                right = std::min(right, Int64(w) + pad);
            } else {
                top = std::max(top, -pad);
                bottom = std::min(bottom, Int64(h) + pad);
            }
        }
        QPainter p(img);
        p.setRenderHint(QPainter::Antialiasing, true);
        paint(p, QRect(QPoint(fit(left), fit(top)), QPoint(fit(right) - 1, fit(bottom) - 1)));
    }
    BitBlt(dc, shown.Left, shown.Top, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

// Theme text reaches the device context in its font's code page.
std::string TextForDC(HDC dc, LPCWSTR text, int count)
{
    std::u32string u32;
    if (text) {
        const int n = count < 0 ? int(std::char_traits<char16_t>::length(text)) : count;
        for (int i = 0; i < n; ++i) {
            char32_t ch = text[i];
            if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
                ch = 0x10000 + ((ch - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00);
            u32 += ch;
        }
    }
    LOGFONT lf;
    int charset = 1;
    if (HGDIOBJ f = GetCurrentObject(dc, OBJ_FONT); f && GetObject(f, sizeof(lf), &lf))
        charset = lf.lfCharSet;
    return Utf32ToCodePage(u32, CharsetToCodePage(Byte(charset)));
}

TSize IntrinsicSize(Cls c, int part)
{
    QStyle* s = Style();
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    switch (c) {
    case Cls::Button:
        if (part == BP_CHECKBOX)
            return {s->pixelMetric(QStyle::PM_IndicatorWidth), s->pixelMetric(QStyle::PM_IndicatorHeight)};
        if (part == BP_RADIOBUTTON)
            return {s->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth),
                    s->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight)};
        break;
    case Cls::ComboBox:
        if (part == CP_DROPDOWNBUTTON)
            return {bar, bar};
        break;
    case Cls::ScrollBar:
        if (part == SBP_GRIPPERHORZ || part == SBP_GRIPPERVERT)
            return {8, 8};
        if (part != 0)
            return {bar, bar};
        break;
    case Cls::TreeView:
        if (part == TVP_GLYPH)
            return {9, 9};
        break;
    case Cls::Header:
        if (part == HP_HEADERSORTARROW)
            return {9, 5};
        break;
    default: break;
    }
    return {-1, -1};
}

int FrameWidth(Cls c, int part)
{
    switch (c) {
    case Cls::Button: return part == BP_PUSHBUTTON || part == BP_GROUPBOX ? 3 : 0;
    case Cls::ComboBox:
    case Cls::Edit:
    case Cls::ToolTip: return 2;
    case Cls::Header: return part == HP_HEADERSORTARROW ? 0 : 2;
    case Cls::ScrollBar: return part == SBP_THUMBBTNHORZ || part == SBP_THUMBBTNVERT || part == SBP_ARROWBTN ? 2 : 0;
    case Cls::TreeView: return 0;
    }
    return 0;
}

// ---- The library's functions ----------------------------------------------------------------
BOOL IsThemeActiveFn() { return TRUE; }
BOOL IsAppThemedFn() { return TRUE; }

HTHEME OpenThemeDataFn(HWND hwnd, LPCWSTR classList)
{
    if (!classList)
        return nullptr;
    std::u16string list(classList);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(u';', start);
        if (end == std::u16string::npos)
            end = list.size();
        std::u16string name = list.substr(start, end - start);
        while (!name.empty() && name.front() == u' ')
            name.erase(name.begin());
        while (!name.empty() && name.back() == u' ')
            name.pop_back();
        for (char16_t& ch : name)
            if (ch >= u'a' && ch <= u'z')
                ch = char16_t(ch - u'a' + u'A');
        for (const ClassName& k : kClasses) {
            if (name == k.Name) {
                auto* t = new ThemeObj{k.Class, hwnd};
                OpenThemes().insert(t);
                return reinterpret_cast<HTHEME>(t);
            }
        }
        start = end + 1;
    }
    return nullptr;
}

HRESULT CloseThemeDataFn(HTHEME theme)
{
    ThemeObj* t = Theme(theme);
    if (!t)
        return E_HANDLE;
    OpenThemes().erase(t);
    delete t;
    return S_OK;
}

HTHEME GetWindowThemeFn(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    for (const void* p : OpenThemes())
        if (static_cast<const ThemeObj*>(p)->Wnd == hwnd)
            return reinterpret_cast<HTHEME>(const_cast<void*>(p));
    return nullptr;
}

BOOL IsThemePartDefinedFn(HTHEME theme, int part, int) { return PartOf(theme, part) != nullptr; }

HRESULT DrawThemeBackgroundFn(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip)
{
    ThemeObj* t = PartOf(theme, part);
    if (!t)
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!dc || !rect)
        return E_POINTER;
    PaintOnDC(dc, *rect, clip, true, [&](QPainter& p, const QRect& r) { PaintPart(p, r, t->Class, part, state); });
    return S_OK;
}

HRESULT DrawThemeParentBackgroundFn(HWND hwnd, HDC dc, const RECT* prc)
{
    HWND parent = GetParent(hwnd);
    if (!dc)
        return E_POINTER;
    if (!parent || !WindowImage(parent))
        return S_FALSE;
    RECT r;
    if (prc)
        r = *prc;
    else
        GetClientRect(hwnd, &r);
    if (!BringParentPictureUpToDate(hwnd, r))
        return E_FAIL;
    QImage* src = WindowImage(parent);
    // Where the child's client area lies in the parent's picture.
    POINT child{0, 0}, par{0, 0};
    ClientToScreen(hwnd, &child);
    ClientToScreen(parent, &par);
    const TPoint origin = ClientOrigin(parent);
    const QPoint at(child.X - par.X + origin.X, child.Y - par.Y + origin.Y);
    PaintOnDC(dc, r, nullptr, false, [&](QPainter& p, const QRect& target) {
        p.drawImage(target.topLeft(), *src, QRect(at + QPoint(r.Left, r.Top), target.size()));
    });
    return S_OK;
}

HRESULT DrawThemeTextFn(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count, DWORD flags,
                        DWORD flags2, const RECT* rect)
{
    ThemeObj* t = PartOf(theme, part);
    if (!t)
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!dc || !rect)
        return E_POINTER;
    Look l = Decode(t->Class, part, state);
    if (flags2 & DTT_GRAYED)
        l.enabled = false;
    const std::string bytes = TextForDC(dc, text, count);
    RECT r = *rect;
    const COLORREF oldColor = SetTextColor(dc, Ref(TextColor(t->Class, l)));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawText(dc, bytes.c_str(), int(bytes.size()), &r, flags & ~UINT(DT_CALCRECT));
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    return S_OK;
}

HRESULT GetThemeTextExtentFn(HTHEME theme, HDC dc, int part, int, LPCWSTR text, int count, DWORD flags,
                             const RECT* bounding, RECT* extent)
{
    if (!PartOf(theme, part))
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!dc || !extent)
        return E_POINTER;
    const std::string bytes = TextForDC(dc, text, count);
    RECT r = bounding ? *bounding : RECT{0, 0, 0, 0};
    if (!bounding)
        flags &= ~UINT(DT_WORDBREAK);
    DrawText(dc, bytes.c_str(), int(bytes.size()), &r, flags | DT_CALCRECT);
    *extent = r;
    return S_OK;
}

HRESULT GetThemePartSizeFn(HTHEME theme, HDC, int part, int, RECT* rect, THEMESIZE kind, SIZE* size)
{
    ThemeObj* t = PartOf(theme, part);
    if (!t)
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!size)
        return E_POINTER;
    TSize s = IntrinsicSize(t->Class, part);
    const bool fixed = s.cx >= 0;
    if (!fixed) {
        const int f = FrameWidth(t->Class, part);
        s = {2 * f, 2 * f};
    }
    if (kind == TS_DRAW && rect) {
        if (!fixed)
            s = {rect->Width(), rect->Height()};
        else
            s = {std::min(s.cx, rect->Width()), std::min(s.cy, rect->Height())};
    }
    *size = s;
    return S_OK;
}

HRESULT GetThemeBackgroundContentRectFn(HTHEME theme, HDC, int part, int, const RECT* bounding, RECT* content)
{
    ThemeObj* t = PartOf(theme, part);
    if (!t)
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!bounding || !content)
        return E_POINTER;
    RECT r = *bounding;
    InflateRect(r, -FrameWidth(t->Class, part), -FrameWidth(t->Class, part));
    if (r.Right < r.Left)
        r.Right = r.Left;
    if (r.Bottom < r.Top)
        r.Bottom = r.Top;
    *content = r;
    return S_OK;
}

HRESULT GetThemeColorFn(HTHEME theme, int part, int state, int prop, COLORREF* color)
{
    ThemeObj* t = PartOf(theme, part);
    if (!t)
        return Theme(theme) ? E_INVALIDARG : E_HANDLE;
    if (!color)
        return E_POINTER;
    const Look l = Decode(t->Class, part, state);
    if (prop == TMT_SCROLLBAR)
        *color = Ref(TrackColor(Look{}));
    else if (prop > TMT_SCROLLBAR && prop <= TMT_SCROLLBAR + COLOR_MENUBAR)
        *color = GetSysColor(prop - TMT_SCROLLBAR);
    else if (prop == TMT_TEXTCOLOR)
        *color = Ref(TextColor(t->Class, l));
    else if (prop == TMT_FILLCOLOR)
        *color = Ref(FillColor(t->Class, l));
    else if (prop == TMT_BORDERCOLOR)
        *color = Ref(Palette(l.enabled).color(QPalette::Dark));
    else
        return E_PROP_ID_UNSUPPORTED;
    return S_OK;
}

int GetThemeSysSizeFn(HTHEME, int sizeId) { return GetSystemMetrics(sizeId); }
COLORREF GetThemeSysColorFn(HTHEME, int colorId) { return GetSysColor(colorId); }

template <class F>
FARPROC Proc(F f)
{
    return reinterpret_cast<FARPROC>(f);
}

}  // namespace

namespace morvik::backend {

const TLibraryExports* ThemeLibrary()
{
    const char* off = std::getenv("MORVIK_NO_THEMES");
    if (off && *off && std::string(off) != "0")
        return nullptr;
    // The functions the library's controls draw and measure with, and the cheap queries beside
    // them; the library's other names are not offered, so looking them up finds nothing.
    static const TLibraryExport entries[] = {
        {"IsThemeActive", Proc(&IsThemeActiveFn)},
        {"OpenThemeData", Proc(&OpenThemeDataFn)},
        {"CloseThemeData", Proc(&CloseThemeDataFn)},
        {"DrawThemeParentBackground", Proc(&DrawThemeParentBackgroundFn)},
        {"DrawThemeBackground", Proc(&DrawThemeBackgroundFn)},
        {"DrawThemeText", Proc(&DrawThemeTextFn)},
        {"GetThemeBackgroundContentRect", Proc(&GetThemeBackgroundContentRectFn)},
        {"GetThemePartSize", Proc(&GetThemePartSizeFn)},
        {"GetThemeTextExtent", Proc(&GetThemeTextExtentFn)},
        {"IsThemePartDefined", Proc(&IsThemePartDefinedFn)},
        {"GetThemeColor", Proc(&GetThemeColorFn)},
        {"GetThemeSysColor", Proc(&GetThemeSysColorFn)},
        {"GetThemeSysSize", Proc(&GetThemeSysSizeFn)},
        {"IsAppThemed", Proc(&IsAppThemedFn)},
        {"GetWindowTheme", Proc(&GetWindowThemeFn)},
    };
    static const TLibraryExports exports{entries, int(std::size(entries))};
    return &exports;
}

}  // namespace morvik::backend

// System metrics and parameters.
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>

#include <algorithm>

#include "platform/WinGdiMore.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

int GetSystemMetrics(int n)
{
    switch (n) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN:
    case SM_CYSCREEN: case SM_CYFULLSCREEN: {
        EnsureToolkit();
        QScreen* s = QGuiApplication::primaryScreen();
        QRect g = s ? s->geometry() : QRect(0, 0, 1024, 768);
        bool x = n == SM_CXSCREEN || n == SM_CXFULLSCREEN;
        return x ? g.width() : g.height();
    }
    case SM_XVIRTUALSCREEN: return VirtualScreenRect().Left;
    case SM_YVIRTUALSCREEN: return VirtualScreenRect().Top;
    case SM_CXVIRTUALSCREEN: return VirtualScreenRect().Width();
    case SM_CYVIRTUALSCREEN: return VirtualScreenRect().Height();
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL:
    case SM_CYVTHUMB: case SM_CXHTHUMB: return kScrollBarSize;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return kMenuHeight;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_SWAPBUTTON: return 0;
    default: return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT, void* pv, UINT)
{
    switch (action) {
    // The desktop's repeat timing in the classic units: a speed of 0..31 that repeats every
    // 1000 / (speed + 1) ms, a delay of 0..3 quarter seconds after the first.
    case SPI_GETKEYBOARDSPEED:
    case SPI_GETKEYBOARDDELAY:
        if (pv) {
            int delay = 0, interval = 0;
            KeyboardRepeat(delay, interval);
            *static_cast<int*>(pv) = action == SPI_GETKEYBOARDSPEED
                                         ? std::clamp((1000 + interval / 2) / interval - 1, 0, 31)
                                         : std::clamp((delay + 125) / 250 - 1, 0, 3);
        }
        return TRUE;
    case SPI_GETWHEELSCROLLLINES:
        if (pv) {
            EnsureToolkit();
            *static_cast<UINT*>(pv) = UINT(std::max(0, QGuiApplication::styleHints()->wheelScrollLines()));
        }
        return TRUE;
    case SPI_GETWORKAREA:
        if (pv)
            *static_cast<RECT*>(pv) = WorkAreaRect();
        return TRUE;
    default: return FALSE;
    }
}
